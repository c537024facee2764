// The "Étages à lampes" tab of the Atelier window: figures at once, messages in the warning
// line, the plot following the stage.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "tests/ui/uitest.h"
#include "ui/AtelierUnit.h"
#include "ui/PageControl.h"
#include "ui/Plot.h"

using valvora::testing::typeInto;
using valvora::ui::TAtelierForm;

class StagesTabTest : public valvora::testing::WindowTest<TAtelierForm> {
  Q_OBJECT

  QString warning() { return text("lbEtWarn"); }
  valvora::ui::Plot* plot() { return control<valvora::ui::Plot>("plEt"); }

 private slots:
  // The tab stands after "Tonalité" and opens computed on the 12AX7.
  void opensComputed() {
    auto* pages = window_->pageControl();
    int tone = -1, stages = -1;
    for (int i = 0; i < pages->count(); ++i) {
      if (pages->page(i)->objectName() == "tsTonalite") tone = i;
      if (pages->page(i)->objectName() == "tsEtages") stages = i;
    }
    QCOMPARE(stages, tone + 1);
    QCOMPARE(text("edEtIa"), QString("0,799"));
    QCOMPARE(text("edEtGain"), QString("58,6"));
    QCOMPARE(text("edEcGain"), QString("0,985"));
    QCOMPARE(warning(), QString());
    QVERIFY(plot()->hasMarker());
  }

  // Each change recomputes; a wrong field is framed, named in the line, no box opens, and
  // the plot keeps the last stage until the field is right again.
  void changesAndMessages_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("HT") << "edEtB"
                        << "700" << QString::fromUtf8("HT : entre 1 et 600 V.");
    QTest::newRow("Ra") << "edEtRa"
                        << "x" << QString::fromUtf8("Ra : 'x' n'est pas un nombre.");
    QTest::newRow("follower") << "edEcRk"
                              << "0"
                              << QString::fromUtf8(
                                     "Cathode follower : Rk : entre 0,1 et 10 000 kΩ.");
    QTest::newRow("Rk zero") << "edEtRk"
                             << "0"
                             << QString::fromUtf8(
                                    "Rk nul : la grille est à 0 V, l'étage conduit en courant "
                                    "grille.");
  }
  void changesAndMessages() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    auto* e = control<QLineEdit>(field);
    const QString good = e->text();
    typeInto(e, text);
    QCOMPARE(warning(), message);
    const bool computed = message.startsWith("Rk nul");
    QCOMPARE(e->styleSheet().isEmpty(), computed);
    typeInto(e, good);
    QCOMPARE(warning(), QString());
    QVERIFY(e->styleSheet().isEmpty());
  }

  // Another tube and an unbypassed cathode: figures, curves and marker follow.
  void tubeAndBypass() {
    const auto before = plot()->curves().size();
    control<QComboBox>("cbEtTube")->setCurrentText("12AU7 / ECC82");
    QCOMPARE(text("edEtIa"), QString("1,763"));
    QVERIFY(plot()->curves().size() != before);
    typeInto(control<QLineEdit>("edEtCk"), "");
    QCOMPARE(text("edEtFk"), QString());
    QVERIFY(text("edEtGain") != QString("15,7"));
    QCOMPARE(plot()->curves().back().style, Qt::DashLine);
    QCOMPARE(plot()->curves().front().endLabel, QString("0 V"));
  }
};

VALVORA_UI_TEST_MAIN(StagesTabTest)

#include "stages_test.moc"

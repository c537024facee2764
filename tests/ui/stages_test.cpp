// The "Étages à lampes" tab of the Atelier window: figures at once, messages in the warning
// line, the plot following the stage.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <optional>

#include "tests/ui/uitest.h"
#include "ui/AtelierUnit.h"
#include "ui/PageControl.h"
#include "ui/Plot.h"

using valvora::testing::RecordingDialogs;
using valvora::testing::typeInto;
using valvora::ui::TAtelierForm;

class StagesTabTest : public QObject {
  Q_OBJECT

 private:
  RecordingDialogs dialogs_;
  std::optional<valvora::ui::ScopedDialogs> dialogsScope_;
  std::unique_ptr<TAtelierForm> form_;

  template <typename T>
  T* get(const char* name) {
    auto* w = form_->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  QString edit(const char* name) { return get<QLineEdit>(name)->text(); }
  QString warning() { return get<QLabel>("lbEtWarn")->text(); }
  valvora::ui::Plot* plot() { return get<valvora::ui::Plot>("plEt"); }

 private slots:
  void initTestCase() {
    QDir::setCurrent(QStringLiteral(VALVORA_SOURCE_DIR));
    dialogsScope_.emplace(dialogs_);
    valvora::testing::failOnModalBoxes(this);
  }
  void init() {
    dialogs_.clear();
    form_ = std::make_unique<TAtelierForm>();
  }
  void cleanup() {
    form_.reset();
    QVERIFY2(dialogs_.errors.isEmpty(), qPrintable(dialogs_.errors.join(" | ")));
  }

  // The tab stands after "Tonalité" and opens computed on the 12AX7.
  void opensComputed() {
    auto* pages = form_->pageControl();
    int tone = -1, stages = -1;
    for (int i = 0; i < pages->count(); ++i) {
      if (pages->page(i)->objectName() == "tsTonalite") tone = i;
      if (pages->page(i)->objectName() == "tsEtages") stages = i;
    }
    QCOMPARE(stages, tone + 1);
    QCOMPARE(edit("edEtIa"), QString("0,799"));
    QCOMPARE(edit("edEtGain"), QString("58,6"));
    QCOMPARE(edit("edEcGain"), QString("0,985"));
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
    auto* e = get<QLineEdit>(qPrintable(field));
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
    get<QComboBox>("cbEtTube")->setCurrentText("12AU7 / ECC82");
    QCOMPARE(edit("edEtIa"), QString("1,763"));
    QVERIFY(plot()->curves().size() != before);
    typeInto(get<QLineEdit>("edEtCk"), "");
    QCOMPARE(edit("edEtFk"), QString());
    QVERIFY(edit("edEtGain") != QString("15,7"));
    QCOMPARE(plot()->curves().back().style, Qt::DashLine);
    QCOMPARE(plot()->curves().front().endLabel, QString("0 V"));
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  StagesTabTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "stages_test.moc"

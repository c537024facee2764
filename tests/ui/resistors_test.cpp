// The "Résistances" page under the offscreen platform: the network groups after the
// preparation, the decimal-key filter, the colour code driven through its widgets and its
// bands as drawn on screen.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "tests/ui/uitest.h"
#include "ui/MainUnit.h"
#include "ui/pages/Resistors.h"

using valvora::testing::typeInto;
using valvora::ui::TMainForm;

namespace {

const QString kSourceDir = QStringLiteral(VALVORA_SOURCE_DIR);
const QString kAbove = QStringLiteral(
    "ATTENTION :\nLa valeur d'une résistance de 4 bandes ne\npeut pas dépasser 99 MegaOhm !");

}  // namespace

class ResistorsPageTest : public valvora::testing::UiTest {
  Q_OBJECT

 private:
  QString range() { return control<QLabel>("encadrement")->text(); }
  // A pick by the user: the selection, then the notification that only a user pick sends.
  void pick(const char* list, int index) {
    auto* l = control<QComboBox>(list);
    l->setCurrentIndex(index);
    emit l->activated(index);
  }
  QStringList bandLists() {
    QStringList t;
    for (const char* l : {"sign", "sign2", "mult", "tole", "nbtole", "unite"})
      t << control<QComboBox>(l)->currentText();
    return t;
  }
  // Typed over the selected text, key by key, as the user does: an emptied value field would
  // put "1" back at once.
  void typeValue(const QString& typed) {
    auto* edit = control<QLineEdit>("valeur");
    edit->selectAll();
    QTest::keyClicks(edit, typed);
  }
 private slots:
  void defaultsAfterThePreparation() {
    const QStringList fields = {"edResistor", "edR_serpar", "edR_par",
                                "edR_ser",    "ed_At",      "ed_Wpdiss"};
    const QStringList results = {"365 Ohms", "13,714", "3,53", "41,00", "1,0000", "10,0000"};
    for (int i = 0; i < fields.size(); ++i) QCOMPARE(text(fields[i]), results[i]);
    QCOMPARE(bandLists(), QStringList({"marron", "noir", "or", "argent", "10 %", "Ω"}));
    QCOMPARE(text("valeur"), QString("1"));
    QCOMPARE(range(), QString("Résistance comprise entre 0,9 Ohm et 1,1 Ohm"));
    // Centred in the group, sized to its text.
    auto* label = control<QLabel>("encadrement");
    QCOMPARE(label->width(), label->sizeHint().width());
    QCOMPARE(label->x(), (control<QGroupBox>("GroupBox9")->width() - label->width()) / 2);
    auto* picture = control<QLabel>("imgSP");
    QVERIFY(!picture->pixmap().isNull());
    QCOMPARE(picture->size(), picture->pixmap().size());
  }

  // A typed full stop becomes a comma in exactly these five fields of the page.
  void decimalKeys() {
    const QStringList bound = {"edTInit", "edAmpLed", "edTLed", "ed_Vt", "ed_Vpdiss"};
    const QStringList unbound = {"edR1_serpar", "edR1_par", "edR2_ser", "ed_Rt"};
    for (const QString& name : bound + unbound) {
      typeInto(control(name), "4.5");
      QCOMPARE(text(name), bound.contains(name) ? QString("4,5") : QString("4.5"));
      typeInto(control(name), "1");
    }
    typeInto(control("edTLed"), "9.5");
    typeInto(control("edTInit"), "1.7");
    typeInto(control("edAmpLed"), "20");
    click("Button8");
    QCOMPARE(text("edResistor"), QString("390 Ohms"));
  }

  // Every failure goes through the error box; the result keeps its text.
  void failures_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("courant entier") << "ed_Rt"
                                    << "4,7"
                                    << "btn_trC"
                                    << "ed_At"
                                    << "'4,7' n'est pas une valeur entière correcte.";
    QTest::newRow("puissance R nulle") << "ed_Rpdiss"
                                       << "0"
                                       << "btn_Pdiss"
                                       << "ed_Wpdiss"
                                       << "Division par zéro en virgule flottante.";
    QTest::newRow("led sans courant") << "edAmpLed"
                                      << "0"
                                      << "Button8"
                                      << "edResistor"
                                      << "Division par zéro en virgule flottante.";
    QTest::newRow("parallèle point") << "edR2_par"
                                     << "4.7"
                                     << "Button20"
                                     << "edR_par"
                                     << "'4.7' n'est pas une valeur en virgule flottante correcte.";
    QTest::newRow("série/parallèle R1 nulle") << "edR1_serpar"
                                              << "0"
                                              << "Button22"
                                              << "edR_serpar"
                                              << "Division par zéro en virgule flottante.";
  }
  void failures() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(QString, result);
    QFETCH(QString, message);
    const QString before = text(result);
    typeInto(control(field), typed);
    click(button.toLatin1().constData());
    QCOMPARE(takeErrors(), QStringList{message});
    QCOMPARE(text(result), before);
  }

  void enterComputes() {
    typeInto(control("edR2_ser"), "2");
    QTest::keyClick(control("edR2_ser"), Qt::Key_Return);
    QCOMPARE(text("edR_ser"), QString("10,00"));
  }

  // The colour code through its widgets: picks, typing and the program's own writes.
  void colourCodeThroughWidgets() {
    // A selection made by the program notifies nothing.
    control<QComboBox>("mult")->setCurrentIndex(4);
    QCOMPARE(range(), QString("Résistance comprise entre 0,9 Ohm et 1,1 Ohm"));
    pick("sign", 4);
    pick("sign2", 7);
    QCOMPARE(text("valeur"), QString("4,7"));
    QCOMPARE(bandLists().last(), QString("KΩ"));
    QCOMPARE(range(), QString("Résistance comprise entre 4,23 KiloOhm et 5,17 KiloOhm"));

    typeValue("4,75");
    QCOMPARE(text("valeur"), QString("4,75"));
    QCOMPARE(bandLists(), QStringList({"jaune", "violet", "rouge", "argent", "10 %", "KΩ"}));

    pick("nbtole", 7);
    QCOMPARE(control<QComboBox>("tole")->currentText(), QString("gris"));
    pick("tole", 3);
    QCOMPARE(control<QComboBox>("nbtole")->currentText(), QString("2 %"));

    pick("unite", 2);
    typeValue("99,1");
    QCOMPARE(dialogs_.captions, QStringList{"Dépassement de valeur limite"});
    QCOMPARE(takeErrors(), QStringList{kAbove});
    QCOMPARE(text("valeur"), QString("99"));
    QCOMPARE(bandLists(), QStringList({"blanc", "blanc", "bleu", "rouge", "2 %", "MΩ"}));

    typeValue("x");
    QCOMPARE(dialogs_.captions, QStringList{"Erreur"});
    QCOMPARE(takeErrors(), QStringList{"Entrez une valeur numérique dans le champ 'valeur' !"});
    QCOMPARE(text("valeur"), QString("1"));
    QCOMPARE(bandLists(), QStringList({"marron", "noir", "or", "rouge", "2 %", "Ω"}));

    // Deleting the last character puts "1" back at once, without a box.
    pick("unite", 1);
    QTest::keyClick(control("valeur"), Qt::Key_End);
    QTest::keyClick(control("valeur"), Qt::Key_Backspace);
    QCOMPARE(text("valeur"), QString("1"));
    QCOMPARE(bandLists().last(), QString("Ω"));
    auto* label = control<QLabel>("encadrement");
    QCOMPARE(label->x(), (control<QGroupBox>("GroupBox9")->width() - label->width()) / 2);
  }

  // The bands as drawn: the pixel in the middle of each band has its colour, and every band
  // lies on the resistor's body.
  void bandsOnScreen_data() {
    QTest::addColumn<QList<int>>("picks");  // sign, sign2, mult, tole
    QTest::addColumn<QList<QColor>>("colours");
    QTest::newRow("jaune violet rouge or")
        << QList<int>{4, 7, 4, 1}
        << QList<QColor>{QColor(255, 255, 0), QColor(255, 0, 255), QColor(255, 0, 0),
                         QColor(207, 209, 137)};
    QTest::newRow("orange blanc argent argent")
        << QList<int>{3, 9, 0, 0}
        << QList<QColor>{QColor(255, 128, 0), QColor(255, 255, 255), QColor(192, 192, 192),
                         QColor(192, 192, 192)};
    QTest::newRow("marron noir bleu gris")
        << QList<int>{1, 0, 8, 7}
        << QList<QColor>{QColor(128, 0, 0), QColor(0, 0, 0), QColor(0, 0, 255),
                         QColor(128, 128, 128)};
    QTest::newRow("vert bleu marron violet")
        << QList<int>{5, 6, 3, 6}
        << QList<QColor>{QColor(0, 128, 0), QColor(0, 0, 255), QColor(128, 0, 0),
                         QColor(255, 0, 255)};
  }
  void bandsOnScreen() {
    QFETCH(QList<int>, picks);
    QFETCH(QList<QColor>, colours);
    const char* lists[] = {"sign", "sign2", "mult", "tole"};
    for (int i = 0; i < 4; ++i) pick(lists[i], picks[i]);
    auto* group = control<QGroupBox>("GroupBox9");
    group->ensurePolished();
    const QImage shot = group->grab().toImage();
    const QImage body = control<QLabel>("Image1")->pixmap().toImage();
    QCOMPARE(body.size(), QSize(305, 68));
    for (int band = 1; band <= 4; ++band) {
      auto* rect = control<QWidget>(QStringLiteral("Couleur%1").arg(band));
      QCOMPARE(rect->geometry(),
               valvora::ui::pages::bandRect(band).translated(control<QLabel>("Image1")->pos()));
      QCOMPARE(shot.pixelColor(rect->geometry().center()), colours[band - 1]);
      // One-pixel black outline.
      QCOMPARE(shot.pixelColor(rect->geometry().topLeft()), QColor(Qt::black));
      const QRect on = valvora::ui::pages::bandRect(band);
      for (const QPoint& p : {on.topLeft(), on.topRight(), on.bottomLeft(), on.bottomRight()})
        QVERIFY2(body.pixelColor(p).alpha() == 255,
                 qPrintable(QStringLiteral("band %1").arg(band)));
    }
  }

  // The preparation stopped before the colour code: nothing converts, the range text shows
  // the empty state.
  void uninitialised() {
    form_ = std::make_unique<TMainForm>(nullptr, nullptr, "/nonexistent/valvora.ini");
    QCOMPARE(takeErrors().size(), 1);
    QCOMPARE(text("edResistor"), QString());
    typeValue("47");
    pick("sign", 4);
    QCOMPARE(range(), QString("Résistance comprise entre 0  et 0 "));
    QCOMPARE(bandLists(), QStringList({"jaune", "noir", "or", "argent", "10 %", "Ω"}));
    QVERIFY(takeErrors().isEmpty());
  }
};

VALVORA_UI_TEST_MAIN(ResistorsPageTest)
#include "resistors_test.moc"

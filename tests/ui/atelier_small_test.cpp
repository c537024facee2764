// The "Sécurité & transfo" and "Valeurs normalisées" tabs of the Atelier window under the
// offscreen platform: the texts they open with, a computation by button and by Enter with
// the decimal-key filter, the error box, and the colour code following every pick.

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "core/atelier/discharge.h"
#include "core/atelier/standardvalues.h"
#include "tests/ui/uitest.h"
#include "ui/AtelierUnit.h"
#include "ui/Text.h"
#include "ui/atelier/StandardValues.h"

using valvora::testing::typeInto;
using valvora::ui::fromUtf8;

class AtelierSmallTabsTest : public valvora::testing::WindowTest<valvora::ui::TAtelierForm> {
  Q_OBJECT

 private:
  void typeAndEnter(const char* name, const QString& typed) {
    QWidget* field = control(name);
    typeInto(field, typed);
    QWidget* edit =
        qobject_cast<QComboBox*>(field) ? qobject_cast<QComboBox*>(field)->lineEdit() : field;
    QTest::keyClick(edit, Qt::Key_Return);
  }
  QColor bandColour(int band) {
    const QImage shot = control("imgCcResistor")->grab().toImage();
    return shot.pixelColor(valvora::ui::atelier::codeBandRect(band).center());
  }

 private slots:
  void safetyOpensWithTheDischargeAndTheLoad() {
    expectTexts({{"edDeTau", "10,3"},
                 {"edDeTime", "20,8"},
                 {"edDeI", "2,05"},
                 {"edDeP", "0,92"},
                 {"edDePr", "2"},
                 {"edDeRcalc", ""},
                 {"edOtRatio", "28,72"},
                 {"edOtZa", "6600"},
                 {"edOtMis", "1,00"},
                 {"lbOtVerdict", fromUtf8(valvora::atelier::msg::kMatched)}});
  }

  void safetyComputesByButtonAndByEnter() {
    click("btnDeRes");
    // The bleeder's rating has its own field: the discharge's stays.
    expectTexts({{"edDeRcalc", "105,6"},
                 {"edDeRe12", "100"},
                 {"edDePe12", "2,02"},
                 {"edDePr2", "5"},
                 {"edDePr", "2"}});
    // Enter in the wanted time runs the bleeder only; '.' types the comma.
    typeAndEnter("edDeTwant", "0.09");
    expectTexts(
        {{"edDeTwant", "0,09"}, {"edDeRcalc", "1,0"}, {"edDeRe12", "0,82"}, {"edDeTau", "10,3"}});
    typeAndEnter("edDeC", "4.7");
    expectTexts({{"edDeTau", "1,0"}, {"edDeRcalc", "1,0"}});
    // The load list takes typed values and the filter too.
    typeAndEnter("cbOtLoad", "6.4");
    expectTexts({{"edOtZa", "5280"},
                 {"edOtMis", "0,80"},
                 {"lbOtVerdict", fromUtf8(valvora::atelier::msg::kMatched)}});
    typeAndEnter("cbOtLoad", "0");
    expectTexts({{"edOtZa", "infinie"}, {"lbOtVerdict", fromUtf8(valvora::atelier::msg::kNoLoad)}});
  }

  void safetyFailureShowsTheBoxAndEmptiesTheResults() {
    typeInto(control("edDeVs"), "500");
    click("btnDeCalc");
    QCOMPARE(takeErrors(), QStringList{fromUtf8(valvora::atelier::msg::kSafeVoltage)});
    QCOMPARE(text("edDeTau"), QString());
    QVERIFY(!control("lbStale_btnDeCalc")->isHidden());
  }

  // An input changed greys its computation's results and shows the label beside its button
  // until the next success; the results of the other computations stay as they are.
  void staleResultsUntilTheNextComputation_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("untouched");
    QTest::newRow("discharge") << "edDeC"
                               << "22"
                               << "btnDeCalc"
                               << "edDeTau"
                               << "edOtZa";
    QTest::newRow("bleeder") << "edDeTwant"
                             << "5"
                             << "btnDeRes"
                             << "edDePr2"
                             << "edDePr";
    QTest::newRow("transformer") << "cbOtLoad"
                                 << "4"
                                 << "btnOtCalc"
                                 << "lbOtVerdict"
                                 << "edDeTau";
    QTest::newRow("series") << "edEsValue"
                            << "1000"
                            << "btnEsCalc"
                            << "edEsNear"
                            << "edCcValue";
  }
  void staleResultsUntilTheNextComputation() {
    QFETCH(QString, input);
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(QString, result);
    QFETCH(QString, untouched);
    click(button);  // every computation has run once
    auto* stale = control<QLabel>("lbStale_" + button);
    QCOMPARE(stale->text(), QStringLiteral("Résultats à recalculer"));
    QVERIFY(stale->isHidden());
    const QFont font = control(result)->font();
    const QColor ink = control(result)->palette().color(QPalette::Text);
    typeInto(control(input), typed);
    QVERIFY(!stale->isHidden());
    QCOMPARE(control(result)->property("stale").toBool(), true);
    QVERIFY(control(result)->palette().color(QPalette::Text) != ink);
    QCOMPARE(control(result)->font(), font);
    QCOMPARE(control(untouched)->property("stale").toBool(), false);
    click(button);
    QVERIFY(stale->isHidden());
    QCOMPARE(control(result)->property("stale").toBool(), false);
    QCOMPARE(control(result)->palette().color(QPalette::Text), ink);
  }

  // Messages name their field; a pasted point is the comma, a pasted line break refused.
  void messagesNameTheField_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << "edDeC"
                           << ""
                           << "btnDeCalc"
                           << QString::fromUtf8("Capacité : '' n'est pas un nombre.");
    QTest::newRow("range") << "edDeC"
                           << "1E300"
                           << "btnDeCalc"
                           << QString::fromUtf8("Capacité : entre 0,001 et 100 000 µF.");
    QTest::newRow("line break") << "edDeTwant"
                                << "10\n5"
                                << "btnDeRes"
                                << QString::fromUtf8(
                                       "Temps voulu : le texte doit tenir sur une ligne.");
    QTest::newRow("point") << "edEsValue"
                           << "32.5"
                           << "btnEsCalc" << QString();
  }
  void messagesNameTheField() {
    QFETCH(QString, input);
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(QString, message);
    qobject_cast<QLineEdit*>(control(input))->setText(typed);
    click(button);
    QCOMPARE(takeErrors(), message.isEmpty() ? QStringList() : QStringList{message});
    if (message.isEmpty()) QCOMPARE(text("edEsLow"), QStringLiteral("30"));
  }

  void seriesOpensWithItsDefaults() {
    expectTexts({{"edEsLow", "4300"},
                 {"edEsHigh", "4700"},
                 {"edEsNear", "4300"},
                 {"edEsErr", "-0,49"},
                 {"cbCcD1", "Jaune 4"},
                 {"cbCcMult", "Marron ×10"},
                 {"cbCcTol", "Marron ±1 %"},
                 {"cbCcTc", "Marron 100 ppm/K"},
                 {"edCcValue", "4700"},
                 {"lbCcRange", "Résistance comprise entre 4653 Ω et 4747 Ω"},
                 {"lbCcTc", ""},
                 {"lbCcSeries", "Série : E6"}});
    QVERIFY(!control("cbCcTc")->isEnabled());
    QVERIFY(!control<QComboBox>("cbCcD1")->itemIcon(0).isNull());
    QCOMPARE(bandColour(0), QColor(255, 220, 0));  // Jaune
    QCOMPARE(bandColour(1), QColor(140, 0, 200));  // Violet
  }

  void seriesComputesFromTheChosenSeries() {
    control<QComboBox>("cbEsSeries")->setCurrentText("E96");
    typeAndEnter("edEsValue", "4321");
    expectTexts(
        {{"edEsLow", "4320"}, {"edEsHigh", "4420"}, {"edEsNear", "4320"}, {"edEsErr", "-0,02"}});
    typeInto(control("edEsValue"), "0");
    click("btnEsCalc");
    QCOMPARE(takeErrors(), QStringList{fromUtf8(valvora::atelier::msg::kValueNotPositive)});
  }

  void everyPickUpdatesTextsAndDrawing() {
    const QColor body = bandColour(5);
    control<QComboBox>("cbCcD3")->setCurrentIndex(5);  // Vert
    expectTexts({{"edCcValue", "4750"},
                 {"lbCcRange", "Résistance comprise entre 4702,5 Ω et 4797,5 Ω"},
                 {"lbCcSeries", "Série : E96"}});
    QCOMPARE(bandColour(2), QColor(0, 140, 0));
    control<QRadioButton>("rbCc6")->click();
    QVERIFY(control("cbCcTc")->isEnabled());
    QCOMPARE(text("lbCcTc"), QStringLiteral("100 ppm/K"));
    control<QComboBox>("cbCcTc")->setCurrentIndex(8);  // Gris
    QCOMPARE(text("lbCcTc"), QStringLiteral("1 ppm/K"));
    QCOMPARE(bandColour(5), QColor(128, 128, 128));
    QVERIFY(body != QColor(128, 128, 128));
    control<QRadioButton>("rbCc5")->click();
    QCOMPARE(text("lbCcTc"), QString());
    QCOMPARE(bandColour(5), body);
  }

  void valueToBands() {
    control<QComboBox>("cbCcTol")->setCurrentIndex(8);  // Or, ±5 %
    typeAndEnter("edCcIn", "4.705");
    expectTexts({{"cbCcD1", "Jaune 4"},
                 {"cbCcD2", "Violet 7"},
                 {"cbCcD3", "Marron 1"},
                 {"cbCcMult", "Argent ×0,01"},
                 {"cbCcTol", "Or ±5 %"},
                 {"edCcValue", "4,71"},
                 {"lbCcSeries", "Série : aucune"}});
    typeInto(control("edCcIn"), "1E12");
    click("btnCcToBands");
    QCOMPARE(takeErrors(), QStringList{fromUtf8(valvora::atelier::msg::kOutsideColourCode)});
    QCOMPARE(text("edCcValue"), QStringLiteral("4,71"));
  }
};

VALVORA_UI_TEST_MAIN(AtelierSmallTabsTest)

#include "atelier_small_test.moc"

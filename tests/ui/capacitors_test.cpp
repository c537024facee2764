// The "Condensateur && Misc." and "Filtres && Alimentation" pages under the offscreen
// platform: defaults after the preparation, the capacitor code's triggers, the decimal-key
// filter, the supply modes and the error path.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "tests/ui/uitest.h"
#include "ui/MainUnit.h"

using valvora::testing::typeInto;
using valvora::ui::TMainForm;

namespace {
const QString kSourceDir = QStringLiteral(VALVORA_SOURCE_DIR);
}

class CapacitorPagesTest : public valvora::testing::UiTest {
  Q_OBJECT

 private:
 private slots:
  void defaultsAfterThePreparation() {
    const QList<std::pair<const char*, const char*>> expected = {
        {"lb_pF", "1000"},          {"lb_nF", "1"},       {"lb_uF", "0,001"},
        {"lb_tolerance", "+/- 1%"}, {"lbpFa", "10"},      {"lbnFa", "0,01"},
        {"lbmicFa", "1E-5"},        {"lbpFb", "220000"},  {"lbnFb", "220"},
        {"lbmicFb", "0,22"},        {"lbpFc", "470000"},  {"lbnFc", "470"},
        {"lbmicFc", "0,47"},        {"edc_par", "1,47"},  {"edc_ser", "0,69"},
        {"epdiss", "0,004"},        {"eplin", "10"},      {"eplog", "2,26629464593522"},
        {"edRCfc1", "159,155"},     {"edRCfc2", "1,355"}, {"edCN", "8,33"},
        {"edTC", "11,53"},          {"edP", "75"},        {"lbInduc", "2,10987 Henry"},
        {"lbCap", "56,54370 µF"},
    };
    for (const auto& [name, value] : expected)
      QCOMPARE(text(QString::fromUtf8(name)), QString::fromUtf8(value));
    QCOMPARE(form_->capacitorCode().tolerance, std::string("+/- 1%"));
    for (const char* result : {"eplin", "eplog", "epdiss"}) {
      QVERIFY(control<QLineEdit>(result)->isReadOnly());
      QVERIFY(!control<QLineEdit>(result)->isEnabled());
    }
    QCOMPARE(control<QComboBox>("ComboBox1")->count(), 10);
    QCOMPARE(control<QComboBox>("ComboBox2")->itemText(11), QString("Z"));
    const QPixmap picture = control<QLabel>("Image2")->pixmap();
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), QSize(280, 80));
    // Current mode, applied at the end of the preparation.
    QVERIFY(control<QRadioButton>("rbCourant")->isChecked());
    QVERIFY(control<QLineEdit>("edCN")->isReadOnly());
    QCOMPARE(control("edCN")->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!control<QLineEdit>("edP")->isReadOnly());
    QCOMPARE(control("edP")->cursor().shape(), Qt::IBeamCursor);
    QCOMPARE(control<QRadioButton>("rbCourant")->text(), QString("Courant "));
  }

  // The filter turns a typed full stop into the comma in the capacitor fields only.
  void decimalKeys_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("shown");
    for (const char* f : {"edpF", "ednF", "edmicF", "edc1_par", "edc2_par", "edc1_ser", "edc2_ser"})
      QTest::newRow(f) << f << "0,5";
    for (const char* f : {"Edit3", "evsrc", "epRmax", "eppos", "edRCr1", "edRCc1", "edRCc2", "edTS",
                          "edP", "Edit4", "Edit5", "Edit8"})
      QTest::newRow(f) << f << "0.5";
  }
  void decimalKeys() {
    QFETCH(QString, field);
    QFETCH(QString, shown);
    typeInto(control(field), "0.5");
    QCOMPARE(text(field), shown);
  }

  void capacitorCodeTriggers() {
    // Typing computes nothing; a click in the field does.
    typeInto(control("Edit3"), "47");
    QCOMPARE(text("lb_pF"), QString("1000"));
    QTest::mouseClick(control("Edit3"), Qt::LeftButton);
    QCOMPARE(text("lb_pF"), QString("4700"));
    // A choice in either list.
    auto* digit = control<QComboBox>("ComboBox1");
    digit->setCurrentIndex(9);
    emit digit->activated(9);
    QCOMPARE(text("lb_pF"), QString("4,7"));
    QCOMPARE(text("lb_tolerance"), QString("+/- 1 pF"));
    auto* letter = control<QComboBox>("ComboBox2");
    letter->setCurrentIndex(1);
    emit letter->activated(1);
    QCOMPARE(text("lb_tolerance"), QString("+/- 0.25 pF"));
    // Digit 6 has no multiplier: the results are emptied.
    typeInto(digit, "6");
    click("Button10");
    QCOMPARE(text("lb_pF") + text("lb_nF") + text("lb_uF") + text("lb_tolerance"), QString());
    // A lower-case letter keeps the tolerance text of the previous run.
    typeInto(digit, "3");
    typeInto(letter, "K");
    click("Button10");
    typeInto(letter, "k");
    click("Button10");
    QCOMPARE(text("lb_pF"), QString("47000"));
    QCOMPARE(text("lb_tolerance"), QString("+/- 10%"));
    // An empty first field becomes 0.
    typeInto(control("Edit3"), "");
    click("Button10");
    QCOMPARE(text("Edit3"), QString("0"));
    QCOMPARE(text("lb_uF"), QString("0"));
  }

  // Each trigger shows a failure once, and leaves the results as they were.
  void capacitorCodeFailures() {
    typeInto(control("Edit3"), "2,5");
    const QString message = "'2,5' n'est pas une valeur entière correcte.";
    QTest::mouseClick(control("Edit3"), Qt::LeftButton);
    QCOMPARE(takeErrors(), QStringList{message});
    QTest::keyClick(control<QComboBox>("ComboBox2")->lineEdit(), Qt::Key_Return);
    QCOMPARE(takeErrors(), QStringList{message});
    QTest::keyClick(control<QComboBox>("ComboBox1")->lineEdit(), Qt::Key_Enter);
    QCOMPARE(takeErrors(), QStringList{message});
    QCOMPARE(text("lb_pF"), QString("1000"));
    QCOMPARE(form_->capacitorCode().tolerance, std::string("+/- 1%"));
  }

  void supplyModes() {
    control<QRadioButton>("rbPuis")->click();
    QVERIFY(control<QLineEdit>("edP")->isReadOnly());
    QCOMPARE(control("edP")->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!control<QLineEdit>("edCN")->isReadOnly());
    QCOMPARE(text("edP"), QString("75"));  // switching computes nothing
    click("bntAlim");
    QCOMPARE(text("edP"), QString("74,97"));  // from the two-decimal current
    typeInto(control("edTS"), "0");
    QTest::keyClick(control<QLineEdit>("edCN"), Qt::Key_Return);
    QCOMPARE(text("edP"), QString("0,00"));
    QCOMPARE(text("edTC"), QString("-1,20"));
    control<QRadioButton>("rbCourant")->click();
    QVERIFY(control<QLineEdit>("edCN")->isReadOnly());
    typeInto(control("edP"), "75");
    click("bntAlim");
    QCOMPARE(takeErrors(), QStringList{"Division par zéro en virgule flottante."});
    QCOMPARE(text("edCN"), QString("8,33"));
    QCOMPARE(text("edTC"), QString("-1,20"));
  }

  void failuresStopAtTheirStep() {
    typeInto(control("edRCc2"), "0");
    typeInto(control("edRCr1"), "20000");
    click("btnCalcRC");
    QCOMPARE(takeErrors(), QStringList{"Division par zéro en virgule flottante."});
    QCOMPARE(text("edRCfc1"), QString("79,577"));
    QCOMPARE(text("edRCfc2"), QString("1,355"));
    typeInto(control("eppos"), "-5");
    QTest::keyClick(control<QLineEdit>("eppos"), Qt::Key_Return);
    QCOMPARE(takeErrors(), QStringList{"Opération en virgule flottante incorrecte."});
    QCOMPARE(text("eplin"), QString("-1"));
    QCOMPARE(text("eplog"), QString("2,26629464593522"));
    typeInto(control("Edit8"), "0");
    click("btnTransfo");
    QCOMPARE(takeErrors(), QStringList{"Division par zéro en virgule flottante."});
    QCOMPARE(text("lbInduc"), QString("2,10987 Henry"));
  }
};

VALVORA_UI_TEST_MAIN(CapacitorPagesTest)

#include "capacitors_test.moc"

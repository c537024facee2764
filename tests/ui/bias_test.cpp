// The "Taux de Bias" page and the data sheet window under the offscreen platform: defaults
// after the preparation, the decimal-key filter, the window buttons and the settings file.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "tests/ui/uitest.h"
#include "ui/AlimUnit.h"
#include "ui/DataSheetUnit.h"
#include "ui/MainUnit.h"

using valvora::Tube;
using valvora::testing::typeInto;
using valvora::ui::TDataSheet;
using valvora::ui::TMainForm;

namespace {

const QString kSourceDir = QStringLiteral(VALVORA_SOURCE_DIR);
const QStringList kLive = {"6L6", "6V6", "EL34", "6L6gc", "EL84", "KT88"};

// The shipped settings file with some lines replaced, in a temporary folder.
class Settings {
 public:
  explicit Settings(const QList<std::pair<QByteArray, QByteArray>>& replace = {}) {
    QFile shipped(kSourceDir + "/app/valvora.ini");
    if (!shipped.open(QIODevice::ReadOnly)) qFatal("no app/valvora.ini");
    QByteArray content = shipped.readAll();
    for (const auto& [from, to] : replace) {
      if (!content.contains(from)) qFatal("no line %s", from.constData());
      content.replace(from, to);
    }
    QFile f(path());
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write the settings");
    f.write(content);
  }
  QString path() const { return dir_.path() + "/valvora.ini"; }
  std::string file() const { return path().toStdString(); }

 private:
  QTemporaryDir dir_;
};

}  // namespace

class BiasPageTest : public valvora::testing::UiTest {
  Q_OBJECT

 private:
  QLineEdit* edit(const QString& name) { return control<QLineEdit>(name); }

 private slots:
  void defaultsAfterThePreparation() {
    auto* info = control<QLabel>("lbInfo");
    QCOMPARE(info->text(), QString("Génération de l''état en cours ..."));
    QVERIFY(info->isHidden());
    // The rates of the default texts against the shipped limits (the other figures are the
    // core's); every result is read-only.
    const QStringList rates = {"77,5299", "93,1685", "55,4813", "71,8195", "94,9054", "32,5390"};
    for (int c = 0; c < kLive.size(); ++c) {
      QCOMPARE(text("ed" + kLive[c] + "txbias"), rates[c]);
      for (const char* row : {"ResCatR20", "Imp", "disanode", "disgrille", "txbias"})
        QVERIFY(edit("ed" + kLive[c] + row)->isReadOnly());
    }
    QCOMPARE(text("ed6L6gcImp"), QString("2,5051"));
    QCOMPARE(text("edEL34VborneR19"), QString("69,1"));
    QCOMPARE(form_->tubes()[Tube::T6L6GC].PaMax, 30.0);
    for (const char* placeholder : {"Edit1", "Edit16", "Edit36", "Edit42", "Edit45", "Edit57"}) {
      QVERIFY(!edit(placeholder)->isEnabled());
      QVERIFY(edit(placeholder)->text().isEmpty());
    }
    QStringList captions;
    for (const char* b :
         {"btnDataSheet", "btnCalcul", "btnRecord", "btnLoad", "btnSchem", "btnHTML"})
      captions << control<QPushButton>(b)->text();
    QCOMPARE(captions, QStringList({"Data Sheet", "Calcul", "Enregistrer", "Charger", "Schéma",
                                    "Etat HTML"}));
    QCOMPARE(edit("edKT88disgrille")->accessibleName(), QString("Puiss. dissipée grille 2 KT88"));
  }

  // Down each column, disabled placeholders skipped, then the results, then the buttons.
  void focusOrder() {
    QStringList order;
    QWidget* w = edit("ed6L6anode");
    for (int i = 0; i < 200 && order.size() < 66; ++i, w = w->nextInFocusChain())
      if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty())
        order << w->objectName();
    QCOMPARE(order.mid(0, 8),
             QStringList({"ed6L6anode", "ed6L6cathode", "ed6L6grille2", "ed6L6VC9",
                          "ed6L6VborneR19", "ed6L6ResCatR20", "ed6L6Imp", "ed6V6anode"}));
    QCOMPARE(order.mid(41, 3), QStringList({"edKT88Imp", "ed6L6disanode", "ed6L6disgrille"}));
    QCOMPARE(order.mid(59, 3), QStringList({"edKT88txbias", "btnDataSheet", "btnCalcul"}));
  }

  void fullStopBecomesCommaOnlyInBoundColumns() {
    typeInto(edit("ed6L6cathode"), "11.5");
    QCOMPARE(text("ed6L6cathode"), QString("11,5"));
    typeInto(edit("ed6L6gccathode"), "11.94");
    QCOMPARE(text("ed6L6gccathode"), QString("11.94"));
    typeInto(edit("edKT88anode"), "300");
    click("btnCalcul");
    QCOMPARE(takeErrors(),
             QStringList{"'11.94' n'est pas une valeur en virgule flottante correcte."});
    QCOMPARE(text("ed6L6ResCatR20"), QString("164"));
    QCOMPARE(text("edKT88Imp"), QString("6,6667"));  // refreshed before the 6L6GC column
    QCOMPARE(text("ed6L6gcImp"), QString("2,5051"));
  }

  void windowButtons() {
    TDataSheet dataSheet;
    valvora::ui::TAlimForm alim;
    click("btnDataSheet");
    click("btnSchem");
    QCOMPARE(dialogs_.shown, QStringList());  // not given yet: nothing to show
    form_->setDataSheet(&dataSheet);
    form_->setAlimForm(&alim);
    click("btnDataSheet");
    click("btnSchem");
    click("btnDataSheet");
    QCOMPARE(dialogs_.shown, QStringList({"DataSheet", "AlimForm", "DataSheet"}));
    QCOMPARE(text("edEL34txbias"), QString("55,4813"));
  }

  void dataSheetWindow() {
    TDataSheet window;
    QCOMPARE(window.windowTitle(), QString("Datasheet Tube"));
    const QStringList names = {"ed6L6Pa",   "ed6V6Pa",  "edEL34Pa",  "Edit7",
                               "edEL84Pa",  "edKT88Pa", "ed6L6Pg2",  "ed6V6Pg2",
                               "edEL34Pg2", "Edit8",    "edEL84Pg2", "edKT88Pg2"};
    const QStringList texts = {"19",   "12",   "25",   "30",   "12",   "35",
                               "2,50", "2,20", "8,00", "5,00", "2,00", "6,00"};
    for (int i = 0; i < names.size(); ++i) {
      auto* field = control<QLineEdit>(names[i], &window);
      QCOMPARE(field->text(), texts[i]);
      QVERIFY(field->isReadOnly());
    }
    for (const char* bold : {"Label1", "Label2", "Label3"})
      QVERIFY(control<QLabel>(bold, &window)->font().bold());
    QCOMPARE(control<QLabel>("Label3", &window)->text(), QString("Pg2 max"));
    QVERIFY(control<QFrame>("Panel1", &window));
    auto* close = control<QPushButton>("Button1", &window);
    QCOMPARE(close->text(), QString("Fermer"));
    window.show();
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!window.isVisible());
  }

  void settingsFile_data() {
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("message");  // the error box, twice: window and data sheet
    QTest::addColumn<double>("paMaxEL34");
    QTest::addColumn<QString>("txbiasEL34");  // empty: the computations never ran
    QTest::addColumn<QString>("windowEL34");  // edEL34Pa of the data sheet window
    QTest::newRow("sans fichier") << QByteArray("[6L6DataSheet]") << QByteArray("[Autre]")
                                  << "'' n'est pas une valeur en virgule flottante correcte." << 0.0
                                  << ""
                                  << "25";
    QTest::newRow("point décimal")
        << QByteArray("Pa=25") << QByteArray("Pa=8.00")
        << "'8.00' n'est pas une valeur en virgule flottante correcte." << 0.0 << ""
        << "8.00";
    // Cut to its first 30 characters, the value converts.
    QTest::newRow("plus de 30 caractères")
        << QByteArray("Pa=25") << QByteArray("Pa=25,000000000000000000000000000x") << "" << 25.0
        << "55,4813"
        << "25,000000000000000000000000000";
  }
  void settingsFile() {
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, message);
    QFETCH(double, paMaxEL34);
    QFETCH(QString, txbiasEL34);
    QFETCH(QString, windowEL34);
    Settings settings({{from, to}});
    form_ = std::make_unique<TMainForm>(nullptr, nullptr, settings.file());
    TDataSheet window(nullptr, settings.file());
    const QStringList errors = takeErrors();
    QCOMPARE(errors, message.isEmpty() ? QStringList() : QStringList({message, message}));
    QCOMPARE(form_->tubes()[Tube::EL34].PaMax, paMaxEL34);
    QCOMPARE(text("edEL34txbias"), txbiasEL34);
    QCOMPARE(control<QLineEdit>("edEL34Pa", &window)->text(), windowEL34);
  }

  void missingSettingsFile() {
    QTemporaryDir empty;
    const std::string path = (empty.path() + "/valvora.ini").toStdString();
    form_ = std::make_unique<TMainForm>(nullptr, nullptr, path);
    TDataSheet window(nullptr, path);
    QCOMPARE(takeErrors(),
             QStringList(2, "'' n'est pas une valeur en virgule flottante correcte."));
    QCOMPARE(form_->tubes()[Tube::T6L6].PaMax, 0.0);
    QCOMPARE(text("ed6L6ResCatR20"), QString());
    QCOMPARE(control<QLineEdit>("ed6L6Pa", &window)->text(), QString());
    QCOMPARE(control<QLineEdit>("ed6V6Pa", &window)->text(), QString("12"));  // design text
  }
};

VALVORA_UI_TEST_MAIN(BiasPageTest)

#include "bias_test.moc"

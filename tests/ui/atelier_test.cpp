// The workshop window and its host under the offscreen platform: opened from the main window
// without blocking it, the bias setting tab's list, methods and Enter, and the host alone.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <cstdlib>
#include <memory>

#include "core/failure.h"
#include "platform/profile.h"
#include "tests/ui/uitest.h"
#include "ui/AtelierUnit.h"
#include "ui/CalculatorHost.h"
#include "ui/MainUnit.h"
#include "ui/PageControl.h"

using valvora::testing::typeInto;
using valvora::ui::TAtelierForm;

class AtelierTest : public valvora::testing::WindowTest<TAtelierForm> {
  Q_OBJECT

 private slots:
  void opensBesideTheMainWindow() {
    valvora::ui::TMainForm form(nullptr);
    form.show();
    auto* button = form.findChild<QPushButton*>("btnAtelier");
    QCOMPARE(button->text(), QString("Atelier"));
    // Left of "A propos" in the bottom bar.
    QVERIFY(button->x() < form.findChild<QPushButton*>("btnAbout")->x());
    QVERIFY(!form.findChild<TAtelierForm*>());  // not made at start-up
    button->click();
    auto* atelier = form.findChild<TAtelierForm*>();
    QVERIFY(atelier && atelier->isVisible());
    QCOMPARE(atelier->windowTitle(), QString("Atelier"));
    QVERIFY(!atelier->isModal());
    QVERIFY(!QApplication::activeModalWidget());
    auto* va = atelier->findChild<QLineEdit*>("edAsVa");
    typeInto(va, "333");
    atelier->close();
    button->click();
    QCOMPARE(form.findChildren<TAtelierForm*>().size(), 1);
    QVERIFY(atelier->isVisible());
    QCOMPARE(va->text(), QString("333"));
    // The main window still answers while it is open.
    form.findChild<QPushButton*>("Button2")->click();
    QVERIFY(dialogs_.errors.isEmpty());
  }

  // "Aide" opens the current tab's section; the window never shrinks below what every tab
  // needs.
  void helpAndMinimumSize() {
    auto* pages = window_->findChild<valvora::ui::PageControl*>("pcAtelier");
    const struct {
      int tab;
      const char* opened;
    } cases[] = {{0, "Valvora.html#fiche"},
                 {1, "Valvora.html#reglage-bias"},
                 {2, "Valvora.html#alimentation-ht"},
                 {3, "Valvora.html#tonalite"}};
    for (const auto& c : cases) {
      pages->setCurrentIndex(c.tab);
      dialogs_.opened.clear();
      control<QPushButton>("btnAtelierHelp")->click();
      QCOMPARE(dialogs_.opened, QStringList{c.opened});
    }
    window_->show();
    window_->resize(600, 400);
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      QApplication::processEvents();
      QWidget* page = pages->page(i);
      QVERIFY2(page->width() >= page->minimumSizeHint().width() &&
                   page->height() >= page->minimumSizeHint().height(),
               qPrintable(page->objectName()));
    }
    // Room on a 1280 x 800 screen for the window's frame and the desktop's panel.
    QVERIFY2(window_->width() <= 1250 && window_->height() <= 770,
             qPrintable(QString("%1 x %2").arg(window_->width()).arg(window_->height())));
    // Each tab's help section exists; on a wide window the short tabs centre their groups.
    QFile help(QStringLiteral("Valvora.html"));
    QVERIFY(help.open(QIODevice::ReadOnly));
    const QByteArray html = help.readAll();
    window_->resize(1800, 900);
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      QApplication::processEvents();
      dialogs_.opened.clear();
      control<QPushButton>("btnAtelierHelp")->click();
      const QString anchor = dialogs_.opened.value(0).section('#', 1);
      QVERIFY2(html.contains("id=\"" + anchor.toUtf8() + "\""), qPrintable(anchor));
      QWidget* page = pages->page(i);
      const QString name = page->objectName();
      if (name != "tsSecurite" && name != "tsSeries") continue;
      QRect groups;
      for (QGroupBox* g : page->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
        groups |= g->geometry();
      QVERIFY2(std::abs(groups.center().x() - page->width() / 2) < 20, qPrintable(name));
    }
  }

  void tubeListWritesTheDataSheetLimit() {
    QCOMPARE(control<QComboBox>("cbAsTube")->currentText(), QString("EL34"));
    QCOMPARE(text("edAsPa"), QString("25,00"));
    control<QComboBox>("cbAsTube")->setCurrentText("KT88");
    QCOMPARE(text("edAsPa"), QString("35,00"));
    typeInto(control("edAsPa"), "41");
    // "Autre" has no data sheet: its Pa is the user's to type, not the last tube's.
    control<QComboBox>("cbAsTube")->setCurrentText("Autre");
    QCOMPARE(text("edAsPa"), QString());
  }

  void enterComputes() {
    window_->show();
    auto* va = control<QLineEdit>("edAsVa");
    va->setFocus();
    QTest::keyClick(va, Qt::Key_Return);
    QCOMPARE(text("edAsIa"), QString("38,9"));
    QCOMPARE(control<QLabel>("lbAsUnit")->text(), QString("mV"));
    typeInto(control("edAsM1"), "40");
    typeInto(control("edAsM2"), "42");
    QTest::keyClick(control("edAsM2"), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(text("edAsMean"), QString("41,00"));
  }

  void eachMethodEnablesItsFields_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QStringList>("enabled");
    QTest::newRow("1 ohm") << "rbAs1ohm" << QStringList{"edAsVk"};
    QTest::newRow("shunt") << "rbAsShunt" << QStringList{"edAsVk", "edAsRp", "edAsRm"};
    QTest::newRow("drop") << "rbAsDrop" << QStringList{"edAsVk", "edAsRp"};
    QTest::newRow("shared") << "rbAsShared" << QStringList{"edAsRk", "edAsN"};
  }
  void eachMethodEnablesItsFields() {
    QFETCH(QString, method);
    QFETCH(QStringList, enabled);
    control<QRadioButton>(method)->click();
    for (const char* name : {"edAsVk", "edAsRp", "edAsRm", "edAsRk", "edAsN"})
      QCOMPARE(control(name)->isEnabled(), enabled.contains(name));
  }

  // On a shared cathode resistor the cathode voltage follows from the current.
  void sharedResistorShowsTheCathodeVoltage() {
    control<QRadioButton>("rbAsShared")->click();
    typeInto(control("edAsPa"), "23");
    typeInto(control("edAsVa"), "420");
    typeInto(control("edAsRk"), "470");
    control<QPushButton>("btnAsCalc")->click();
    QCOMPARE(text("edAsIa"), QString("42,3"));
    QCOMPARE(text("edAsRead"), QString("39,81"));
    QCOMPARE(text("edAsVk"), QString("39,81"));
    QVERIFY(control("lbStale_btnAsCalc")->isHidden());
  }

  // A data sheet value that is not a number: one box, naming the settings file.
  void corruptDataSheetGivesOneBox() {
    QTemporaryDir dir;
    const QString path = dir.filePath("reglages.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[EL34DataSheet]\nPa=abc\n");
    file.close();
    window_ =
        std::make_unique<TAtelierForm>(nullptr, valvora::platform::ProfileFile(path.toStdString()));
    QCOMPARE(dialogs_.errors.size(), 1);
    QVERIFY2(dialogs_.errors[0].contains(path), qPrintable(dialogs_.errors[0]));
    QVERIFY2(dialogs_.errors[0].contains("'abc'"), qPrintable(dialogs_.errors[0]));
    QCOMPARE(text("edAsPa"), QString());
    dialogs_.clear();
  }

  // Tab goes from reading to reading: the deviations are results, read, not visited.
  void tabSkipsTheMatchingResults() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    auto* pages = window_->findChild<valvora::ui::PageControl*>("pcAtelier");
    for (int i = 0; i < pages->count(); ++i)
      if (pages->page(i)->objectName() == "tsAsBias") pages->setCurrentIndex(i);
    control("edAsM1")->setFocus();
    QTest::keyClick(control("edAsM1"), Qt::Key_Tab);
    QCOMPARE(window_->focusWidget()->objectName(), QString("edAsM2"));
  }

  void decimalKeyGivesTheComma() {
    window_->show();
    auto* ig2 = control<QLineEdit>("edAsIg2");
    ig2->clear();
    QTest::keyClicks(ig2, "3.5");
    QCOMPARE(ig2->text(), QString("3,5"));
  }

  void failureShowsTheErrorBox() {
    typeInto(control("edAsVk"), "460");
    control<QPushButton>("btnAsCalc")->click();
    QCOMPARE(takeErrors(), QStringList{"La tension d'anode doit dépasser la tension de cathode."});
  }

  // A typed value quoted in a message or a result is shown as typed, never as markup.
  void markupStaysText() {
    typeInto(control("edTsR1"), "<b>1");
    auto* error = control<QLabel>("lbTsError");
    QVERIFY2(error->text().contains("'<b>1'"), qPrintable(error->text()));
    QCOMPARE(error->textFormat(), Qt::PlainText);
    control<QPushButton>("btnAsCalc")->click();
    QCOMPARE(control<QLabel>("lbAsNote")->textFormat(), Qt::PlainText);
  }

  // A window of two calculators through the host alone; a name on two inputs is refused.
  void hostAlone() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    for (const char* name : {"edIn", "edOut", "edTwin"}) {
      auto* edit = new QLineEdit(&window);
      edit->setObjectName(name);
      layout->addWidget(edit);
    }
    auto* twin = new QLineEdit(&window);
    twin->setObjectName("edTwin");
    for (const char* name : {"btnDouble", "btnTwin"}) {
      auto* b = new QPushButton(&window);
      b->setObjectName(name);
      layout->addWidget(b);
    }
    valvora::ui::CalculatorHost host(&window);
    host.bind("btnDouble", [](valvora::Fields& f) { f.write("edOut", f.text("edIn") + "2"); });
    host.bind("btnTwin", [](valvora::Fields& f) { f.write("edTwin", "x"); });
    window.findChild<QLineEdit*>("edIn")->setText("4");
    window.findChild<QPushButton*>("btnDouble")->click();
    QCOMPARE(window.findChild<QLineEdit*>("edOut")->text(), QString("42"));
    // A field made after the host is found; a deleted one is not.
    auto* late = new QLineEdit(&window);
    late->setObjectName("edLate");
    host.fields().write("edLate", "1");
    QCOMPARE(late->text(), QString("1"));
    delete late;
    QVERIFY_THROWS_EXCEPTION(valvora::CalcError, host.fields().text("edLate"));
    window.findChild<QPushButton*>("btnTwin")->click();
    QCOMPARE(takeErrors(), QStringList{"Deux contrôles portent le même nom : edTwin."});
    delete twin;
  }
};

VALVORA_UI_TEST_MAIN(AtelierTest)

#include "atelier_test.moc"

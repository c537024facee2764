// The "Alimentation HT" tab with the real ngspice: "Arrêter" clicked at once after "Simuler"
// stops the run every time, and closing the window during a run stops it; the next run
// still gives its figures.

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "tests/ui/uitest.h"
#include "ui/AtelierUnit.h"
#include "ui/PageControl.h"

using valvora::testing::typeInto;
using valvora::ui::TAtelierForm;

class SupplyNgspiceTest : public valvora::testing::WindowTest<TAtelierForm> {
  Q_OBJECT

  // A fresh window on the supply tab (the real ngspice: no simulator handed).
  void openWindow() {
    window_ = newWindow();
    auto* pages = window_->pageControl();
    for (int i = 0; i < pages->count(); ++i)
      if (pages->page(i)->objectName() == QLatin1String("tsAlimHT")) pages->setCurrentIndex(i);
    window_->show();
  }
  // A short run to its end gives figures: the simulator is not left in a stopped state.
  void shortRunGivesFigures() {
    typeInto(control("edPsT"), "0,5");
    QTest::mouseClick(control<QPushButton>("btnPsRun"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(control<QPushButton>("btnPsRun")->isEnabled(), 20000);
    QVERIFY2(dialogs_.errors.isEmpty(), qPrintable(dialogs_.errors.join(" | ")));
    QVERIFY(!control<QLineEdit>("edPsV1")->text().isEmpty());
  }

 private slots:
  void stopClickedAtOnceStopsEveryRun() {
    openWindow();
    typeInto(control("edPsT"), "20");
    for (int i = 0; i < 20; ++i) {
      QTest::mouseClick(control<QPushButton>("btnPsRun"), Qt::LeftButton);
      QTest::mouseClick(control<QPushButton>("btnPsStop"), Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(control<QPushButton>("btnPsRun")->isEnabled(), 5000);
      QVERIFY2(control<QLineEdit>("edPsV1")->text().isEmpty(), "a stopped run wrote figures");
    }
    QVERIFY2(dialogs_.errors.isEmpty(), qPrintable(dialogs_.errors.join(" | ")));
    shortRunGivesFigures();
    window_.reset();
  }

  void closingDuringARunStopsIt() {
    openWindow();
    typeInto(control("edPsT"), "60");
    typeInto(control("edPsC4"), "10000");  // settles in minutes
    QTest::mouseClick(control<QPushButton>("btnPsRun"), Qt::LeftButton);
    QTRY_VERIFY(control<QProgressBar>("pbPs")->value() >= 1);
    window_->close();
    QTRY_VERIFY(control<QPushButton>("btnPsRun")->isEnabled());
    window_.reset();  // a window destroyed right after its run was halted
    openWindow();
    shortRunGivesFigures();
    window_.reset();
  }
};

VALVORA_UI_TEST_MAIN(SupplyNgspiceTest)

#include "supply_ngspice_test.moc"

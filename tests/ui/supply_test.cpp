// The "Alimentation HT" tab under the offscreen platform, with a fake simulator: results and
// plot of a run, every input failure and a simulator failure in the error box, "Arrêter"
// during a long run, a window that answers while the simulation runs, closing during a run.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <numbers>
#include <optional>

#include "core/failure.h"
#include "platform/spice.h"
#include "tests/ui/uitest.h"
#include "ui/AtelierUnit.h"
#include "ui/PageControl.h"
#include "ui/Plot.h"
#include "ui/atelier/Supply.h"

using valvora::platform::SpiceVectors;
using valvora::testing::typeInto;
using valvora::ui::TAtelierForm;

namespace {

// Four nodes at 400, 390, 380 and 330 V with 20, 2, 0,2 and 0,02 V of ripple over 2 s at
// 50 Hz; the element's current peaks at 3 A at turn-on and 0,5 A after. With drift, node 4
// climbs 5 V/s and never settles. Every node stands at `scale` of those voltages.
SpiceVectors fourNodeRun(bool drift, double scale) {
  SpiceVectors v;
  const double base[] = {400 * scale, 390 * scale, 380 * scale, 330 * scale};
  const double ripple[] = {10, 1, 0.1, 0.01};
  for (int i = 0; i <= 20000; ++i) {
    const double t = i / 10000.0;
    const double s = std::sin(2 * std::numbers::pi * 50 * t);
    v["time"].push_back(t);
    for (int k = 0; k < 4; ++k)
      v["v(" + std::to_string(k + 1) + ")"].push_back(base[k] + ripple[k] * s +
                                                      (drift && k == 3 ? 5 * t : 0));
    v["k1"].push_back(-500 * s);
    const double current = std::max(0.0, s) * (t < 0.05 ? 3.0 : 0.5);
    v["vi1#branch"].push_back(current);
    v["va#branch"].push_back(-current);
  }
  return v;
}

class FakeSimulator : public valvora::platform::Simulator {
 public:
  using Simulator::run;
  std::optional<SpiceVectors> run(std::string_view netlist,
                                  const valvora::platform::RunHooks& hooks) override {
    const auto& progress = hooks.progress;
    std::unique_lock lock(m_);
    netlists.push_back(std::string(netlist));
    const bool hold = holdUntilStopped || holdRun + 1 == static_cast<int>(netlists.size());
    stopped_ = false;
    running_ = true;
    lock.unlock();
    progress(5);
    lock.lock();
    if (hold) done_.wait(lock, [&] { return stopped_; });
    running_ = false;
    done_.notify_all();
    if (stopped_) return std::nullopt;
    if (!failure.empty()) throw valvora::CalcError(failure);
    progress(97);
    // 250 mA at node 2, the full power load of the tests, sags every node by a tenth.
    SpiceVectors v = fourNodeRun(drift, netlist.find("BL2 2 0 I=0.25*") != netlist.npos ? 0.9 : 1);
    // Point by point through the watch, as the simulator does; a settled run ends there.
    std::vector<std::string> names;
    for (const auto& [name, values] : v) names.push_back(name);
    std::vector<double> point(names.size());
    const std::size_t points = v["time"].size();
    for (std::size_t i = 0; i < points && hooks.watch; ++i) {
      for (std::size_t c = 0; c < names.size(); ++c) point[c] = v[names[c]][i];
      if (hooks.watch(names, point)) {
        for (auto& [name, values] : v) values.resize(i + 1);
        break;
      }
    }
    return v;
  }
  void stop() override {
    std::unique_lock lock(m_);
    stopped_ = true;
    done_.notify_all();
    done_.wait(lock, [&] { return !running_; });
    ++stops;
  }
  bool running() {
    const std::lock_guard lock(m_);
    return running_;
  }

  bool holdUntilStopped = false;
  int holdRun = -1;  // only that run (0: the first) held until stopped
  bool drift = false;
  std::string failure;
  std::vector<std::string> netlists;
  int stops = 0;

 private:
  std::mutex m_;
  std::condition_variable done_;
  bool stopped_ = false;
  bool running_ = false;
};

}  // namespace

class SupplyTabTest : public valvora::testing::WindowTest<TAtelierForm> {
  Q_OBJECT

 private:
  FakeSimulator fake_;

  std::unique_ptr<TAtelierForm> newWindow() override {
    return std::make_unique<TAtelierForm>(nullptr, settings(), &fake_);
  }
  void set(const char* name, const QString& value) {
    if (auto* combo = window_->findChild<QComboBox*>(name)) {
      combo->setCurrentText(value);
      return;
    }
    typeInto(control(name), value);
  }
  // Clicks "Simuler" and waits for the run's end.
  void simulate() {
    click("btnPsRun");
    QTRY_VERIFY(control<QPushButton>("btnPsRun")->isEnabled());
  }
  // The supply's place among the tabs, which others join.
  int supplyTab() const {
    const auto* pages = window_->pageControl();
    for (int i = 0; i < pages->count(); ++i)
      if (pages->page(i)->objectName() == QLatin1String("tsAlimHT")) return i;
    return -1;
  }

 private slots:
  void init() {
    fake_.holdUntilStopped = false;
    fake_.holdRun = -1;
    fake_.drift = false;
    fake_.failure.clear();
    fake_.netlists.clear();
    openForm();
    window_->pageControl()->setCurrentIndex(supplyTab());
    window_->show();
  }

  void runWritesFiguresChecksAndCurves() {
    QCOMPARE(window_->pageControl()->tab(supplyTab())->text(), QString("Alimentation HT"));
    QVERIFY(!control("edPsL3")->isEnabled());
    set("cbPsLink3", "Self");
    QVERIFY(control("edPsL3")->isEnabled());
    set("cbPsLink3", QString::fromUtf8("Résistance"));
    set("edPsC1", "68");
    simulate();
    QCOMPARE(fake_.netlists.size(), 1U);
    QVERIFY(fake_.netlists[0].find("C1 1 0 68u\n") != std::string::npos);
    expectTexts({
        {"edPsV1", "400,0"},
        {"edPsRip1", "20,0"},
        {"edPsV4", "330,0"},
        {"edPsRip4", "0,0200"},
        {"edPsVmax1", "410"},
        {"edPsIpk", "500"},
        {"edPsIsurge", "3000"},
        {"edPsPiv", "910"},
        {"lbPsWarn", "C1 (68 µF) dépasse les 60 µF admis par le GZ34 / 5AR4."},
    });
    QCOMPARE(control<QProgressBar>("pbPs")->value(), 100);

    auto* plot = control<valvora::ui::Plot>("plPs");
    const auto& curves = plot->curves();
    QCOMPARE(curves.size(), 5U);
    QCOMPARE(curves[0].data.name, std::string("Nœud 1"));
    QVERIFY(curves[4].axis == valvora::ui::YAxis::kRight);
    QCOMPARE(curves[4].data.name, std::string("Courant redresseur (anode 1)"));
    QVERIFY(curves[4].under);
    QCOMPARE(curves[0].data.x.front(), 0.0);
    QCOMPARE(curves[0].data.x.back(), 0.2);  // settled at the end of the 10th period
    const QColor first = curves[0].colour;
    control<QCheckBox>("chkPsZoom")->setChecked(true);
    QVERIFY(plot->curves()[0].data.x.front() >= 0.0999);
    QCOMPARE(plot->curves()[0].colour, first);  // kept from view to view

    // A second run with node 4 absent empties its fields.
    set("edPsC4", "");
    simulate();
    QCOMPARE(text("edPsV4"), QString());
    QCOMPARE(text("edPsRip4"), QString());
    QCOMPARE(plot->curves().size(), 4U);
  }

  // A full power load: a second run with that load, its figures and sag beside the idle ones,
  // and the list choosing which run the plot shows; none without it.
  void fullPowerRunAfterTheIdleOne() {
    auto* which = control<QComboBox>("cbPsRun");
    QVERIFY(!which->isEnabled());
    set("edPsIf2", "250");
    simulate();
    QCOMPARE(fake_.netlists.size(), 2U);
    QVERIFY(fake_.netlists[0].find("BL2 2 0 I=0.12*") != std::string::npos);
    QVERIFY(fake_.netlists[1].find("BL2 2 0 I=0.25*") != std::string::npos);
    QVERIFY(fake_.netlists[1].find("BL3 3 0 I=0.01*") != std::string::npos);  // idle load kept
    expectTexts({
        {"edPsV2", "390,0"},
        {"edPsVf2", "351,0"},
        {"edPsSag2", "10,0"},
        {"edPsVf4", "297,0"},
        {"edPsSag4", "10,0"},
        {"edPsVmax1", "410"},
    });
    QCOMPARE(control<QProgressBar>("pbPs")->value(), 100);
    const auto highest = [&] {
      const auto& y = control<valvora::ui::Plot>("plPs")->curves()[0].data.y;
      return *std::ranges::max_element(y);
    };
    QVERIFY(which->isEnabled());
    QCOMPARE(highest(), 410.0);
    which->setCurrentText("Pleine puissance");
    QCOMPARE(highest(), 370.0);

    // "Arrêter" during the second run, the bar then past the first half.
    fake_.holdRun = 3;
    set("edPsIf2", "300");
    click("btnPsRun");
    QTRY_COMPARE(control<QProgressBar>("pbPs")->value(), 52);
    QVERIFY(fake_.running());
    click("btnPsStop");
    QTRY_VERIFY(control<QPushButton>("btnPsRun")->isEnabled());
    QVERIFY(!fake_.running());
    QCOMPARE(text("edPsVf2"), QString("351,0"));  // the last results stay

    set("edPsIf2", "");
    simulate();
    QCOMPARE(fake_.netlists.size(), 5U);
    QCOMPARE(text("edPsVf2"), QString());
    QCOMPARE(text("edPsSag2"), QString());
    QVERIFY(!which->isEnabled());
    QCOMPARE(which->currentIndex(), 0);
    QCOMPARE(highest(), 410.0);
  }

  // "Exporter…" asks the name with the three formats and writes the curves; a folder that
  // does not exist gives the box naming the file.
  void exportButton() {
    simulate();
    QTemporaryDir dir;
    const QString good = dir.filePath("alim.csv"), bad = dir.filePath("absent/alim.csv");
    dialogs_.savedNames = {good, bad};
    for (int i = 0; i < 2; ++i) click("btnPsExport");
    QCOMPARE(dialogs_.saveRequests.value(0),
             QString("alimentation.csv | CSV (*.csv);;PNG (*.png);;SVG (*.svg) | csv"));
    QFile file(good);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readLine().startsWith("Temps (s);N\xc5\x93ud 1 (V);"));
    QCOMPARE(dialogs_.errors.size(), 1);
    QVERIFY2(dialogs_.errors[0].contains(bad), qPrintable(dialogs_.errors[0]));
    dialogs_.errors.clear();
  }

  void everyFailureInTheErrorBox_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    const struct {
      const char* field;
      const char* typed;
      const char* message;
    } cases[] = {
        {"edPsVac", "2500",
         "Tension secondaire (V eff.) : la valeur doit être supérieure à 0 et au plus 2000."},
        {"edPsRs", "x",
         "Résistance du secondaire (Ω) : 'x' n'est pas une valeur en virgule flottante correcte."},
        {"edPsC1", "0", "C1 (µF) : la valeur doit être supérieure à 0."},
        {"edPsC2", "", "C2 (µF) : '' n'est pas une valeur en virgule flottante correcte."},
        {"edPsL2", "0", "L2 (H) : la valeur doit être supérieure à 0."},
        {"edPsR2", "-5", "R2 (Ω) : la valeur doit être positive ou nulle."},
        {"edPsR3", "0", "R3 (Ω) : la valeur doit être supérieure à 0."},
        {"edPsC4", "-1", "C4 (µF) : la valeur doit être supérieure à 0."},
        {"edPsI2", "-1", "Charge 2 (mA) : la valeur doit être positive ou nulle."},
        {"edPsT", "61", "Durée max. (s) : la valeur doit être comprise entre 0,5 et 60."},
        {"edPsIf3", "-1", "Pleine puissance 3 : entre 0 et 10 000 mA."},
    };
    for (const auto& c : cases)
      QTest::newRow(c.field) << QString(c.field) << QString::fromUtf8(c.typed)
                             << QString::fromUtf8(c.message);
  }
  void everyFailureInTheErrorBox() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    set(qPrintable(field), typed);
    click("btnPsRun");
    QCOMPARE(takeErrors(), QStringList{message});
    QVERIFY(fake_.netlists.empty());  // nothing started
    QVERIFY(control<QPushButton>("btnPsRun")->isEnabled());
  }

  // Not settled at the maximum: the whole run, its last periods' figures and the line saying
  // so; inputs changed after a run mark the figures until the next run.
  void unsettledRunAndStaleFigures() {
    QCOMPARE(control<QProgressBar>("pbPs")->text(), QString("0 %"));
    QCOMPARE(text("edPsT"), QString("20"));
    fake_.drift = true;
    set("edPsT", "2");
    set("edPsCv2", "390");
    QCOMPARE(text("lbPsStale"), QString());  // nothing shown yet to be stale
    simulate();
    expectTexts({
        {"edPsV4", "339,8"},
        {"edPsRip4", "0,0200"},  // the drift is not ripple
        {"lbPsWarn",
         "Régime non établi après 2 s : chiffres des 5 dernières périodes.\n"
         "C2 : 391 V atteints, au-delà de ses 390 V de service."},
        {"lbPsStale", ""},
    });
    QCOMPARE(control<valvora::ui::Plot>("plPs")->curves()[0].data.x.back(), 2.0);
    const QColor shown = control<QLineEdit>("edPsV1")->palette().color(QPalette::Text);
    for (const char* input : {"edPsVac", "cbPsRect", "edPsC3"}) {
      set(input, input == std::string_view("cbPsRect") ? "5Y3GT" : "300");
      QCOMPARE(text("lbPsStale"), QString::fromUtf8("Résultats à recalculer"));
      QVERIFY(control<QLineEdit>("edPsV1")->palette().color(QPalette::Text) != shown);
      simulate();
      QCOMPARE(text("lbPsStale"), QString());
      QCOMPARE(control<QLineEdit>("edPsV1")->palette().color(QPalette::Text), shown);
    }
    // The view's check box is on the Tab chain, reached from the last input.
    QWidget* w = control("edPsI4");
    for (int i = 0; i < 100 && w->objectName() != "chkPsZoom"; ++i) {
      do w = w->nextInFocusChain();
      while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(window_.get()) ||
             !w->isEnabled());
    }
    QCOMPARE(w->objectName(), QString("chkPsZoom"));
  }

  // Rs from the transformer's data: each way enables its own fields only.
  void rsFromTheTransformer() {
    QVERIFY(control("edPsRsec")->isEnabled());
    QVERIFY(!control("edPsV0")->isEnabled());
    click("btnPsRs");
    QCOMPARE(text("edPsRs"), QString("108,5"));
    click("rbPsFromReg");
    QVERIFY(!control("edPsRsec")->isEnabled());
    QVERIFY(control("edPsV0")->isEnabled());
    click("btnPsRs");
    QCOMPARE(text("edPsRs"), QString("75,0"));
    QCOMPARE(text("edPsVac"), QString("365"));
    set("edPsIn", "0");
    click("btnPsRs");
    QCOMPARE(takeErrors(), QStringList{"Courant nominal : entre 0,1 et 100 000 mA."});
  }

  void simulatorFailureInTheErrorBox() {
    simulate();
    fake_.failure =
        "La simulation n'a pas abouti : doAnalyses: TRAN:  Timestep too small; trouble with node a";
    simulate();
    QCOMPARE(takeErrors(),
             QStringList{"La simulation n'a pas abouti : doAnalyses: TRAN:  Timestep too small; "
                         "trouble with node a."});
    QCOMPARE(text("edPsV1"), QString("400,0"));  // the last results stay
  }

  void stopDuringALongRunKeepsTheOldResults() {
    simulate();
    set("edPsT", "10");
    set("edPsVac", "300");
    fake_.holdUntilStopped = true;
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    timer.start(10);
    click("btnPsRun");
    QVERIFY(!control<QPushButton>("btnPsRun")->isEnabled());
    QVERIFY(control<QPushButton>("btnPsStop")->isEnabled());
    QTRY_COMPARE(control<QProgressBar>("pbPs")->value(), 5);
    QTRY_VERIFY(ticks >= 5);  // the window answers during the run
    QVERIFY(fake_.running());
    click("btnPsStop");
    QVERIFY(!fake_.running());
    QTRY_VERIFY(control<QPushButton>("btnPsRun")->isEnabled());
    QVERIFY(!control<QPushButton>("btnPsStop")->isEnabled());
    QCOMPARE(text("edPsV1"), QString("400,0"));
    QCOMPARE(text("edPsIpk"), QString("500"));
    QCOMPARE(text("edPsT"), QString("10"));
  }

  void closingTheWindowStopsTheRun() {
    fake_.holdUntilStopped = true;
    const int stops = fake_.stops;
    click("btnPsRun");
    QTRY_VERIFY(fake_.running());
    window_->close();
    QVERIFY(!fake_.running());
    QCOMPARE(fake_.stops, stops + 1);
    // Escape hides the dialog without closing it: the run stops all the same.
    window_->show();
    QTRY_VERIFY(control<QPushButton>("btnPsRun")->isEnabled());
    click("btnPsRun");
    QTRY_VERIFY(fake_.running());
    QTest::keyClick(window_.get(), Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
    QVERIFY(!fake_.running());
    window_->show();
    QTRY_VERIFY(control<QPushButton>("btnPsRun")->isEnabled());
    click("btnPsRun");
    QTRY_VERIFY(fake_.running());
    window_.reset();  // and destroying it with a run just halted
  }
};

VALVORA_UI_TEST_MAIN(SupplyTabTest)

#include "supply_test.moc"

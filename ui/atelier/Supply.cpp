#include "ui/atelier/Supply.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "core/atelier/supply.h"
#include "core/failure.h"
#include "platform/spice.h"
#include "ui/CalculatorHost.h"
#include "ui/Dialogs.h"
#include "ui/FormGrid.h"
#include "ui/Plot.h"

namespace valvora::ui::atelier {
namespace {

namespace core = valvora::atelier;

constexpr const char* kNumericFields[] = {
    "edPsVac", "edPsRs",  "edPsC1",  "edPsL2",  "edPsR2",  "edPsC2",  "edPsL3", "edPsR3", "edPsC3",
    "edPsL4",  "edPsR4",  "edPsC4",  "edPsI1",  "edPsI2",  "edPsI3",  "edPsI4", "edPsT",  "edPsCv1",
    "edPsCv2", "edPsCv3", "edPsCv4", "edPsIf1", "edPsIf2", "edPsIf3", "edPsIf4"};

// One row of the filter grid per node; node 1 has no link.
struct NodeDefaults {
  bool choke;
  const char* henries;
  const char* ohms;
  const char* microfarads;
  const char* milliamps;
};
constexpr NodeDefaults kNodes[core::kSupplyNodes] = {
    {false, "", "", "32", "0"},
    {true, "5", "100", "32", "120"},
    {false, "", "1000", "22", "10"},
    {false, "", "10000", "22", "5"},
};

// Node k's curve keeps its colour from run to run; the rectifier current comes last.
const QColor kNodeColours[] = {QColor(0, 70, 170), QColor(0, 140, 60), QColor(200, 110, 0),
                               QColor(130, 40, 160)};
const QColor kCurrentColour(200, 30, 30);
constexpr std::size_t kPlotColumns = 600;

QString nodeName(const char* stem, int k) {
  return QLatin1String(stem) + QString::number(k);
}

QLineEdit* gridEdit(QWidget* owner, const QString& name, const QString& accessible,
                    const char* text, bool result) {
  auto* edit = new QLineEdit(QString::fromUtf8(text), owner);
  edit->setObjectName(name);
  edit->setAccessibleName(accessible);
  edit->setFixedWidth(FormGrid::kFieldWidth);
  if (result) markResult(edit);
  return edit;
}

QGroupBox* buildSource(QWidget* tab) {
  auto* group = new QGroupBox(QStringLiteral("Transformateur"), tab);
  group->setObjectName("gbPsSource");
  FormGrid form(group);
  form.addEdit(QStringLiteral("Tension secondaire (V eff.) :"), "edPsVac", QStringLiteral("350"));
  form.addEdit(fromUtf8("Résistance du secondaire (Ω) :"), "edPsRs", QStringLiteral("100"));
  form.addChoice(fromUtf8("Fréquence secteur (Hz) :"), "cbPsHz",
                 {QStringLiteral("50"), QStringLiteral("60")});
  form.addEdit(fromUtf8("Durée max. (s) :"), "edPsT", QStringLiteral("20"));
  form.addEdit(fromUtf8("Résistance de démarrage (Ω) :"), "edPsRsoft");
  form.addEdit(fromUtf8("court-circuitée après (s) :"), "edPsTsoft", QStringLiteral("1"));
  form.addEdit(fromUtf8("Standby : HT appliquée après (s) :"), "edPsTsb");

  auto* run = new QPushButton(QStringLiteral("Simuler"), group);
  run->setObjectName("btnPsRun");
  auto* stop = new QPushButton(fromUtf8("Arrêter"), group);
  stop->setObjectName("btnPsStop");
  stop->setEnabled(false);
  auto* progress = new QProgressBar(group);
  progress->setObjectName("pbPs");
  progress->setAccessibleName(QStringLiteral("Avancement de la simulation"));
  progress->setRange(0, 100);
  progress->setValue(0);
  progress->setFormat(QStringLiteral("%p %"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(run);
  buttons->addWidget(stop);
  buttons->addWidget(progress, 1);
  auto* stale = new QLabel(group);
  stale->setObjectName("lbPsStale");
  stale->setAccessibleName(QStringLiteral("État des résultats"));

  auto* layout = new QVBoxLayout(group);
  layout->addLayout(form.layout());
  layout->addLayout(buttons);
  layout->addWidget(stale);
  layout->addStretch(1);
  return group;
}

// Rs from the transformer's data sheet or an ohmmeter's readings: only the chosen way's
// fields are enabled.
QGroupBox* buildTransformer(QWidget* tab) {
  auto* group = new QGroupBox(fromUtf8("Données du transformateur"), tab);
  group->setObjectName("gbPsTransformer");
  auto* measured = new QRadioButton(fromUtf8("Résistances mesurées"), group);
  measured->setObjectName("rbPsFromR");
  measured->setChecked(true);
  auto* regulation = new QRadioButton(fromUtf8("Régulation"), group);
  regulation->setObjectName("rbPsFromReg");
  FormGrid form(group);
  const char* captions[] = {"Tension primaire (V eff.) :",    "Résistance du primaire (Ω) :",
                            "Résistance du secondaire (Ω) :", "Tension à vide (V eff.) :",
                            "Tension en charge (V eff.) :",   "Courant nominal (mA eff.) :"};
  std::vector<QLineEdit*> edits;
  for (std::size_t i = 0; i < core::kTransformerFields.size(); ++i) {
    const FieldDef& def = core::kTransformerFields[i];
    QLineEdit* edit =
        form.addEdit(fromUtf8(captions[i]), fromUtf8(def.name), fromUtf8(def.defaultText));
    edit->setEnabled(i < 3);
    edits.push_back(edit);
  }
  QObject::connect(measured, &QRadioButton::toggled, group, [edits](bool byResistance) {
    for (std::size_t i = 0; i < edits.size(); ++i) edits[i]->setEnabled((i < 3) == byResistance);
  });
  form.addButton(QStringLiteral("Calculer Rs"), "btnPsRs");
  auto* ways = new QHBoxLayout;
  ways->addWidget(measured);
  ways->addWidget(regulation);
  auto* layout = new QVBoxLayout(group);
  layout->addLayout(ways);
  layout->addLayout(form.layout());
  layout->addStretch(1);
  return group;
}

QGroupBox* buildFilter(QWidget* tab) {
  auto* group = new QGroupBox(fromUtf8("Redresseur, filtre et charges"), tab);
  group->setObjectName("gbPsFilter");
  // The rectifier's captions are long: its own row, above the nodes.
  FormGrid rectifier(group);
  QStringList rectifiers;
  for (const core::RectifierRow& r : core::kRectifiers) rectifiers << fromUtf8(r.caption);
  QComboBox* kind =
      rectifier.addChoice(QStringLiteral("Redresseur :"), "cbPsRect", rectifiers,
                          static_cast<int>(rectifiers.indexOf(fromUtf8(core::kDefaultRectifier))));
  kind->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  kind->setFixedWidth(kind->sizeHint().width());
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  const char* headers[] = {"Nœud",
                           "Liaison",
                           "L (H)",
                           "R (Ω)",
                           "C (µF)",
                           "Charge (mA)",
                           "Tension de service (V)",
                           "Pleine puissance (mA)"};
  // The long headers wrap over their fields' width, so that the tab fits a 1280-pixel screen.
  for (int c = 0; c < 8; ++c) {
    auto* header = new QLabel(fromUtf8(headers[c]), group);
    header->setWordWrap(true);
    header->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    grid->addWidget(header, 0, c, Qt::AlignBottom);
  }
  for (int k = 1; k <= core::kSupplyNodes; ++k) {
    const NodeDefaults& d = kNodes[k - 1];
    const QString n = QString::number(k);
    grid->addWidget(new QLabel(n, group), k, 0, Qt::AlignCenter);
    if (k > 1) {
      auto* link = new QComboBox(group);
      link->addItems({QStringLiteral("Self"), fromUtf8("Résistance")});
      link->setCurrentIndex(d.choke ? 0 : 1);
      link->setObjectName(nodeName("cbPsLink", k));
      link->setAccessibleName(QStringLiteral("Liaison ") + n);
      auto* henries = gridEdit(group, nodeName("edPsL", k), "L" + n + " (H)", d.henries, false);
      henries->setEnabled(d.choke);
      QObject::connect(link, &QComboBox::currentIndexChanged, henries,
                       [henries](int index) { henries->setEnabled(index == 0); });
      grid->addWidget(link, k, 1);
      grid->addWidget(henries, k, 2);
      grid->addWidget(
          gridEdit(group, nodeName("edPsR", k), "R" + n + fromUtf8(" (Ω)"), d.ohms, false), k, 3);
    }
    grid->addWidget(
        gridEdit(group, nodeName("edPsC", k), "C" + n + fromUtf8(" (µF)"), d.microfarads, false), k,
        4);
    grid->addWidget(
        gridEdit(group, nodeName("edPsI", k), "Charge " + n + " (mA)", d.milliamps, false), k, 5);
    const FieldDef& rated = core::kRatedVoltsFields[static_cast<std::size_t>(k - 1)];
    grid->addWidget(gridEdit(group, fromUtf8(rated.name), fromUtf8(rated.label) + " (V)",
                             rated.defaultText.data(), false),
                    k, 6);
    const FieldDef& full = core::kFullPowerFields[static_cast<std::size_t>(k - 1)];
    grid->addWidget(gridEdit(group, fromUtf8(full.name), fromUtf8(full.label) + " (mA)",
                             full.defaultText.data(), false),
                    k, 7);
  }
  auto* layout = new QVBoxLayout(group);
  layout->addLayout(rectifier.layout());
  layout->addLayout(grid);
  layout->addStretch(1);
  return group;
}

QGroupBox* buildResults(QWidget* tab) {
  auto* group = new QGroupBox(fromUtf8("Résultats"), tab);
  group->setObjectName("gbPsResults");
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  grid->addWidget(new QLabel(fromUtf8("Nœud"), group), 0, 0);
  grid->addWidget(new QLabel(fromUtf8("Tension continue (V)"), group), 0, 1);
  grid->addWidget(new QLabel(fromUtf8("Ondulation c. à c. (V)"), group), 0, 2);
  grid->addWidget(new QLabel(fromUtf8("Tension max (V)"), group), 0, 3);
  grid->addWidget(new QLabel(fromUtf8("Pleine puissance (V)"), group), 0, 4);
  grid->addWidget(new QLabel(fromUtf8("Chute (%)"), group), 0, 5);
  for (int k = 1; k <= core::kSupplyNodes; ++k) {
    const QString n = QString::number(k);
    grid->addWidget(new QLabel(n, group), k, 0, Qt::AlignCenter);
    grid->addWidget(
        gridEdit(group, nodeName("edPsV", k), fromUtf8("Tension continue du nœud ") + n, "", true),
        k, 1);
    grid->addWidget(
        gridEdit(group, nodeName("edPsRip", k), fromUtf8("Ondulation du nœud ") + n, "", true), k,
        2);
    grid->addWidget(
        gridEdit(group, nodeName("edPsVmax", k), fromUtf8("Tension max du nœud ") + n, "", true), k,
        3);
    grid->addWidget(gridEdit(group, nodeName("edPsVf", k),
                             fromUtf8("Tension à pleine puissance du nœud ") + n, "", true),
                    k, 4);
    grid->addWidget(
        gridEdit(group, nodeName("edPsSag", k), fromUtf8("Chute du nœud ") + n, "", true), k, 5);
  }
  FormGrid rectifier(group);
  rectifier.addResult(fromUtf8("Courant crête redresseur (mA) :"), "edPsIpk");
  rectifier.addResult(fromUtf8("Courant crête à l'enclenchement, redresseur chaud (mA) :"),
                      "edPsIsurge");
  rectifier.addResult(fromUtf8("Tension inverse crête (V) :"), "edPsPiv");
  rectifier.addResult(QStringLiteral("Courant efficace secondaire (mA) :"), "edPsIrms");

  auto* warn = new QLabel(group);
  warn->setObjectName("lbPsWarn");
  warn->setAccessibleName(QStringLiteral("Limites du redresseur"));
  warn->setWordWrap(true);
  warn->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette p = warn->palette();
  p.setColor(QPalette::WindowText, QColor(170, 0, 0));
  warn->setPalette(p);

  // Which run the plot shows; a single run leaves it on "Repos".
  FormGrid view(group);
  QComboBox* shown = view.addChoice(fromUtf8("Courbes :"), "cbPsRun",
                                    {QStringLiteral("Repos"), QStringLiteral("Pleine puissance")});
  shown->setEnabled(false);
  shown->setMinimumWidth(shown->sizeHint().width());  // "Pleine puissance" whole
  auto* column = new QVBoxLayout;
  column->addLayout(grid);
  column->addLayout(view.layout());
  column->addStretch(1);

  auto* row = new QHBoxLayout;
  row->addLayout(column);
  row->addSpacing(16);
  row->addLayout(rectifier.layout());
  row->addSpacing(16);
  row->addWidget(warn, 1);
  auto* layout = new QVBoxLayout(group);
  layout->addLayout(row);
  return group;
}

// One simulation at a time: the inputs read in the user-interface thread, ngspice in a worker
// thread, its progress and ending sent back by queued signals.
class SupplyRunner : public QObject {
  Q_OBJECT

 public:
  SupplyRunner(QWidget* tab, CalculatorHost& host, platform::Simulator& simulator, Plot* plot)
      : QObject(tab), tab_(tab), host_(host), simulator_(simulator), plot_(plot) {
    run_ = tab->findChild<QPushButton*>("btnPsRun");
    stop_ = tab->findChild<QPushButton*>("btnPsStop");
    progress_ = tab->findChild<QProgressBar*>("pbPs");
    zoom_ = tab->findChild<QCheckBox*>("chkPsZoom");
    connect(this, &SupplyRunner::progressed, progress_, &QProgressBar::setValue);
    connect(this, &SupplyRunner::simulated, this, &SupplyRunner::onSimulated);
    connect(this, &SupplyRunner::failed, this, &SupplyRunner::onFailed);
    connect(this, &SupplyRunner::halted, this, [this] {
      finish();
      progress_->setValue(0);
    });
    connect(stop_, &QPushButton::clicked, this, &SupplyRunner::halt);
    connect(zoom_, &QCheckBox::toggled, this, &SupplyRunner::showCurves);
    which_ = tab->findChild<QComboBox*>("cbPsRun");
    connect(which_, &QComboBox::currentIndexChanged, this, &SupplyRunner::showCurves);
    stale_ = tab->findChild<QLabel*>("lbPsStale");
    warn_ = tab->findChild<QLabel*>("lbPsWarn");
    results_ = tab->findChild<QWidget*>("gbPsResults")->findChildren<QLineEdit*>();
    // An input changed after a run: the figures shown are no longer those of the inputs.
    for (const char* group : {"gbPsSource", "gbPsFilter"}) {
      QWidget* inputs = tab->findChild<QWidget*>(group);
      for (QLineEdit* edit : inputs->findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::textChanged, this, [this] { markStale(true); });
      for (QComboBox* list : inputs->findChildren<QComboBox*>())
        connect(list, &QComboBox::currentIndexChanged, this, [this] { markStale(true); });
    }
    // Closing the window during a run stops it; so does destroying it with the program.
    tab->window()->installEventFilter(this);
  }

  ~SupplyRunner() override { halt(); }

  // Every input read and checked first: a failure goes to the caller's error box. With a
  // full power load the idle run is followed by a second one, each half of the bar.
  void start(Fields& f) {
    if (running_) return;
    core::SupplyInputs in = core::readSupplyInputs(f);
    std::string netlist = core::supplyNetlist(in);
    fullNetlist_ = in.fullPower ? core::supplyNetlist(core::fullPowerInputs(in)) : std::string();
    join();
    pending_ = std::move(in);
    runs_ = pending_.fullPower ? 2 : 1;
    stage_ = 0;
    halted_ = false;
    running_ = true;
    run_->setEnabled(false);
    stop_->setEnabled(true);
    progress_->setValue(0);
    launch(std::move(netlist));
  }

  // Halts a run in progress and waits for its thread; the fields keep their texts.
  void halt() {
    halted_ = true;  // a first run's result still queued starts no second one
    if (!worker_.joinable()) return;
    simulator_.stop();
    join();
  }

 signals:
  void progressed(int percent);
  void simulated();
  void failed(const QString& message);
  void halted();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Escape hides the dialog without a close event; a minimised window's hide is
    // spontaneous and lets the run go on.
    const bool closing =
        event->type() == QEvent::Close || (event->type() == QEvent::Hide && !event->spontaneous());
    if (closing && watched == tab_->window()) halt();
    return QObject::eventFilter(watched, event);
  }

 private:
  void launch(std::string netlist) {
    auto settle = std::make_shared<core::SettleWatch>(pending_.hertz, pending_.nodes.size(),
                                                      pending_.standbySeconds);
    const int base = stage_ * 100 / runs_;
    const int runs = runs_;
    worker_ = std::thread([this, settle, base, runs, netlist = std::move(netlist)] {
      try {
        // The run goes on to the maximum duration unless the supply settles first.
        const platform::RunHooks hooks{
            [this, base, runs](int percent) { emit progressed(base + percent / runs); },
            [settle](std::span<const std::string> names, std::span<const double> values) {
              return settle->watch(names, values);
            },
            [this] { return halted_.load(); }};
        std::optional<platform::SpiceVectors> v = simulator_.run(netlist, hooks);
        if (!v) {
          emit halted();
          return;
        }
        {
          const std::lock_guard lock(resultMutex_);
          result_ = std::move(*v);
        }
        emit simulated();
      } catch (const CalcError& e) {
        // A worker shows no box: the message goes back to the window's guarded path.
        emit failed(QString::fromStdString(e.message()));
      } catch (const std::bad_alloc&) {
        emit failed(fromUtf8("Mémoire insuffisante pour la simulation"));
      }
    });
  }

  void join() {
    if (worker_.joinable()) worker_.join();
  }

  void finish() {
    join();
    running_ = false;
    run_->setEnabled(true);
    stop_->setEnabled(false);
  }

  void onSimulated() {
    join();
    platform::SpiceVectors v;
    {
      const std::lock_guard lock(resultMutex_);
      v = std::move(result_);
    }
    if (halted_) {  // stopped as it ended: the fields keep their texts
      finish();
      progress_->setValue(0);
      return;
    }
    if (stage_ + 1 < runs_) {
      if (halted_) {
        finish();
        progress_->setValue(0);
        return;
      }
      idle_ = std::move(v);
      ++stage_;
      progress_->setValue(stage_ * 100 / runs_);
      launch(fullNetlist_);
      return;
    }
    finish();
    progress_->setValue(100);
    const bool full = runs_ > 1;
    const platform::SpiceVectors& idle = full ? idle_ : v;
    guarded(tab_->window(), [&] {
      const core::SupplyFigures figures = core::supplyFigures(pending_, idle);
      std::optional<core::SupplyFigures> loaded;
      if (full) loaded = core::supplyFigures(core::fullPowerInputs(pending_), v);
      core::writeSupplyResults(host_.fields(), pending_, figures, loaded ? &*loaded : nullptr);
      shown_ = true;
      markStale(false);
      shownHertz_ = pending_.hertz;
      shownElement_ = pending_.rectifier->tube() ? " (anode 1)" : " (diode D1)";
      whole_[0] = core::supplyCurves(pending_, idle, false, kPlotColumns);
      steady_[0] = core::supplyCurves(pending_, idle, true, kPlotColumns);
      whole_[1] = full ? core::supplyCurves(pending_, v, false, kPlotColumns) : whole_[0];
      steady_[1] = full ? core::supplyCurves(pending_, v, true, kPlotColumns) : steady_[0];
      {
        const QSignalBlocker quiet(which_);
        if (!full) which_->setCurrentIndex(0);
        which_->setEnabled(full);
      }
      showCurves();
    });
    idle_.clear();
  }

  void onFailed(const QString& message) {
    finish();
    progress_->setValue(0);
    showError(message.toStdString(), tab_->window());
  }

  // Greys the figures and says so beside "Simuler"; the next run's figures clear it.
  void markStale(bool stale) {
    if (!shown_) return;
    stale_->setText(stale ? fromUtf8("Résultats à recalculer") : QString());
    for (QLineEdit* edit : results_) {
      markResult(edit);
      if (stale) {
        QPalette p = edit->palette();
        p.setColor(QPalette::Text, QColor(140, 140, 140));
        edit->setPalette(p);
      }
    }
    QPalette p = warn_->palette();
    p.setColor(QPalette::WindowText, stale ? QColor(140, 140, 140) : QColor(170, 0, 0));
    warn_->setPalette(p);
  }

  void showCurves() {
    const bool steady = zoom_->isChecked();
    const std::size_t run = which_->currentIndex() == 1 ? 1 : 0;
    const std::vector<Series>& from = steady ? steady_[run] : whole_[run];
    // The run's own span: round ticks inside it rather than an axis widened past its ends.
    if (!from.empty() && !from.front().x.empty()) {
      const double end = from.front().x.back();
      plot_->setXAxis({QStringLiteral("Temps (s)"), AxisScale::kLinear, false,
                       steady ? end - 5.0 / shownHertz_ : 0.0, end});
    }
    std::vector<PlotCurve> curves;
    for (std::size_t i = 0; i < from.size(); ++i) {
      const bool current = i + 1 == from.size();
      curves.push_back({from[i], current ? kCurrentColour : kNodeColours[i % 4],
                        current ? YAxis::kRight : YAxis::kLeft});
    }
    if (!curves.empty()) {
      // The current behind the voltages, on an axis the steady peaks fill: the turn-on surge
      // runs off the top, its figure is in its field.
      PlotCurve& current = curves.back();
      current.under = true;
      current.alpha = 0.45;
      current.data.name += shownElement_;
      double lo = 0, hi = 0;
      if (!steady_[run].empty())
        for (double v : steady_[run].back().y)
          if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
          }
      PlotAxis axis{QStringLiteral("Courant redresseur (mA)")};
      if (hi > lo) {
        const double step = linearStep(lo, hi * 1.05, 6);
        axis.autoRange = false;
        axis.min = std::floor(lo / step) * step;
        axis.max = std::ceil(hi * 1.05 / step) * step;
      }
      plot_->setRightAxis(axis);
    }
    plot_->setCurves(std::move(curves));
  }

  QWidget* tab_;
  CalculatorHost& host_;
  platform::Simulator& simulator_;
  Plot* plot_;
  QPushButton* run_;
  QPushButton* stop_;
  QProgressBar* progress_;
  QCheckBox* zoom_;
  QLabel* stale_;
  QLabel* warn_;
  QList<QLineEdit*> results_;
  bool shown_ = false;  // figures of a run are shown
  bool running_ = false;
  core::SupplyInputs pending_;
  std::thread worker_;
  std::mutex resultMutex_;
  platform::SpiceVectors result_;
  std::string fullNetlist_;
  int runs_ = 1;   // 2 with a full power run after the idle one
  int stage_ = 0;  // the run going: 0 idle, 1 full power
  // Read by the worker when the run starts: a stop clicked before ngspice marks the run as
  // running is not lost.
  std::atomic<bool> halted_ = false;
  platform::SpiceVectors idle_;  // the idle run's vectors while the full power one goes
  std::array<std::vector<Series>, 2> whole_, steady_;  // idle, full power
  QComboBox* which_;
  int shownHertz_ = 50;
  std::string shownElement_;  // which element's current the last curve shows
};

}  // namespace

void buildSupplyTab(QWidget* tab, const TabContext& context) {
  CalculatorHost& host = context.host;
  auto* top = new QHBoxLayout;
  top->addWidget(buildSource(tab));
  top->addWidget(buildTransformer(tab));
  top->addWidget(buildFilter(tab), 1);

  auto* zoom = new QCheckBox(fromUtf8("Régime établi"), tab);
  zoom->setObjectName("chkPsZoom");
  zoom->setAccessibleName(fromUtf8("Régime établi : les cinq dernières périodes seules"));
  auto* plot = new Plot(tab);
  plot->setObjectName("plPs");
  plot->setAccessibleName(fromUtf8("Tensions des nœuds et courant du redresseur"));
  plot->setXAxis({QStringLiteral("Temps (s)")});
  plot->setLeftAxis({QStringLiteral("Tension (V)")});
  plot->setRightAxis({QStringLiteral("Courant redresseur (mA)")});

  auto* layout = new QVBoxLayout(tab);
  layout->addLayout(top);
  layout->addWidget(buildResults(tab));
  auto* exportButton = new QPushButton(fromUtf8("E&xporter…"), tab);
  exportButton->setObjectName("btnPsExport");
  auto* above = new QHBoxLayout;
  above->addWidget(zoom);
  above->addStretch(1);
  above->addWidget(exportButton);
  layout->addLayout(above);
  layout->addWidget(plot, 1);

  auto* runner = new SupplyRunner(tab, host, context.simulator, plot);
  host.bind("btnPsRun", [runner](Fields& f) { runner->start(f); });
  auto* measured = tab->findChild<QRadioButton*>("rbPsFromR");
  host.bind("btnPsRs",
            [measured](Fields& f) { core::writeRsFromTransformer(f, measured->isChecked()); });
  host.filterDecimalKeys(kNumericFields);
  // Not bound through the host: Enter in the fields computes, it never exports.
  QObject::connect(exportButton, &QPushButton::clicked, tab, [plot, tab] {
    guarded(tab->window(), [&] { askAndExport(*plot, tab, QStringLiteral("alimentation.csv")); });
  });
}

}  // namespace valvora::ui::atelier

#include "Supply.moc"

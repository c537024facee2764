#include "ui/atelier/Stages.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <array>
#include <vector>

#include "core/atelier/stages.h"
#include "core/numtext.h"
#include "ui/CalculatorHost.h"
#include "ui/Dialogs.h"
#include "ui/FormGrid.h"
#include "ui/Plot.h"

namespace valvora::ui::atelier {
namespace {

namespace et = valvora::atelier;

struct Result {
  const char* caption;
  const char* name;
};
constexpr Result kStageResults[] = {
    {"Courant d'anode (mA)", "edEtIa"},
    {"Tension d'anode (V)", "edEtVa"},
    {"Tension de cathode (V)", "edEtVk"},
    {"Pente gm (mA/V)", "edEtGm"},
    {"Résistance interne ra (kΩ)", "edEtRi"},
    {"Facteur µ", "edEtMu"},
    {"Gain", "edEtGain"},
    {"Gain (dB)", "edEtGainDb"},
    {"Impédance de sortie (kΩ)", "edEtZout"},
    {"Coupure Ck (Hz)", "edEtFk"},
    {"Coupure liaison (Hz)", "edEtFc"},
    {"Dissipation anode (W)", "edEtPa"},
    {"Capacité d'entrée (pF)", "edEtCin"},
};
constexpr Result kFollowerResults[] = {
    {"Courant d'anode (mA)", "edEcIa"},
    {"Tension de cathode (V)", "edEcVk"},
    {"Gain", "edEcGain"},
    {"Impédance de sortie (Ω)", "edEcZout"},
    {"Dissipation anode (W)", "edEcPa"},
};

constexpr std::array<const char*, 9> kDecimalFields = {
    "edEtB", "edEtRa", "edEtRk", "edEtCk", "edEtCc", "edEtRg", "edEcB", "edEcVg", "edEcRk"};

const QColor kGridColour(0, 70, 170);
const QColor kDcColour(0, 130, 60);
const QColor kAcColour(200, 110, 0);
const QColor kLimitColour(200, 0, 0);
const char* const kInvalidStyle = "QLineEdit { border: 2px solid #d40000; }";

class StagesTab : public QObject {
 public:
  StagesTab(QWidget* tab, CalculatorHost& host) : QObject(tab), tab_(tab), host_(host) {}
  void build();
  void recompute();

 private:
  QGroupBox* group(const QString& title, const char* name, const char* list,
                   std::span<const FieldDef> defs, std::span<const Result> results);
  // Frames each wrong field of defs; the first message, or none.
  QString check(std::span<const FieldDef> defs);
  void draw(const et::StageRun& run);

  QWidget* tab_;
  CalculatorHost& host_;
  std::vector<std::pair<const FieldDef*, QLineEdit*>> edits_;
  Plot* plot_ = nullptr;
  QLabel* warn_ = nullptr;
};

QGroupBox* StagesTab::group(const QString& title, const char* name, const char* list,
                            std::span<const FieldDef> defs, std::span<const Result> results) {
  auto* box = new QGroupBox(title, tab_);
  box->setObjectName(name);
  FormGrid inputs(box);
  QStringList tubes;
  for (const et::Triode& t : et::kTriodes) tubes << fromUtf8(t.caption);
  auto* tube = inputs.addChoice(QStringLiteral("Lampe :"), list, tubes, 0);
  tube->setMinimumWidth(0);
  tube->setMaximumWidth(QWIDGETSIZE_MAX);
  tube->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  QObject::connect(tube, &QComboBox::currentIndexChanged, this, [this] { recompute(); });
  for (const FieldDef& s : defs) {
    QLineEdit* e =
        inputs.addEdit(fromUtf8(s.label) + " (" + fromUtf8(s.unit) + ") :", fromUtf8(s.name),
                       fromUtf8(s.defaultText));
    edits_.emplace_back(&s, e);
    QObject::connect(e, &QLineEdit::textChanged, this, [this] { recompute(); });
  }
  FormGrid outputs(box);
  for (const Result& r : results) outputs.addResult(fromUtf8(r.caption) + " :", r.name);
  auto* layout = new QHBoxLayout(box);
  layout->addLayout(inputs.layout());
  layout->addSpacing(12);
  layout->addLayout(outputs.layout());
  return box;
}

void StagesTab::build() {
  auto* left = new QVBoxLayout;
  left->addWidget(group(QStringLiteral("Étage à cathode commune"), "gbEtStage", "cbEtTube",
                        et::kStageFields, kStageResults));
  left->addWidget(group(QStringLiteral("Cathode follower"), "gbEcFollower", "cbEcTube",
                        et::kFollowerFields, kFollowerResults));
  left->addStretch(1);

  plot_ = new Plot(tab_);
  plot_->setObjectName("plEt");
  plot_->setAccessibleName(QStringLiteral("Courbes d'anode"));
  plot_->setLeftAxis({QStringLiteral("Ia (mA)"), AxisScale::kLinear, true, 0, 1});

  warn_ = new QLabel(tab_);
  warn_->setObjectName("lbEtWarn");
  warn_->setTextFormat(Qt::PlainText);  // a message quotes what was typed
  warn_->setAccessibleName(QStringLiteral("Avertissements"));
  warn_->setWordWrap(true);
  QPalette red = warn_->palette();
  red.setColor(QPalette::WindowText, QColor(200, 0, 0));
  warn_->setPalette(red);
  warn_->setMinimumHeight(2 * warn_->fontMetrics().height());

  auto* top = new QHBoxLayout;
  top->addLayout(left);
  top->addWidget(plot_, 1);
  auto* layout = new QVBoxLayout(tab_);
  layout->addLayout(top, 1);
  layout->addWidget(warn_);
  host_.filterDecimalKeys(kDecimalFields);
}

QString StagesTab::check(std::span<const FieldDef> defs) {
  QString message;
  for (auto& [def, edit] : edits_) {
    if (def < defs.data() || def >= defs.data() + defs.size()) continue;
    const std::string text = edit->text().toStdString();
    const bool optional = def->name == "edEtCk";  // empty: cathode not bypassed
    const bool ok = (optional && edit->text().trimmed().isEmpty()) ||
                    guarded([&text, field = def] { readDefinedField(*field, text); },
                            [&](const QString& m) {
                              if (message.isEmpty()) message = m;
                            });
    if (ok == edit->property("invalid").toBool()) {
      edit->setStyleSheet(ok ? QString() : QString::fromLatin1(kInvalidStyle));
      edit->setProperty("invalid", !ok);
    }
  }
  return message;
}

void StagesTab::draw(const et::StageRun& run) {
  const et::PlateCurves& c = run.curves;
  std::vector<PlotCurve> curves;
  double lastX = -1, lastY = -1;
  for (const Series& g : c.grid) {
    PlotCurve curve{g, kGridColour, YAxis::kLeft};
    // The curves crowd at the foot of the plot: a label too close to the one above is left
    // out rather than written over it.
    if (lastY < 0 || lastY - g.y.back() > 0.04 * c.topMa ||
        g.x.back() - lastX > 0.08 * c.dcLoad.x[0]) {
      curve.endLabel = QString::fromStdString(g.name);
      lastX = g.x.back();
      lastY = g.y.back();
    }
    curve.data.name.clear();  // labelled at its end, not in the legend
    curves.push_back(std::move(curve));
  }
  curves.push_back({c.dcLoad, kDcColour, YAxis::kLeft});
  curves.push_back({c.acLoad, kAcColour, YAxis::kLeft});
  PlotCurve limit{c.limit, kLimitColour, YAxis::kLeft};
  limit.style = Qt::DashLine;
  curves.push_back(std::move(limit));
  plot_->setXAxis({QStringLiteral("Vpk (V)"), AxisScale::kLinear, false, 0, c.dcLoad.x[0]});
  plot_->setLeftAxis({QStringLiteral("Ia (mA)"), AxisScale::kLinear, false, 0, c.topMa});
  plot_->setCurves(std::move(curves));
  const et::StageFigures& s = run.figures;
  plot_->setMarker(s.vpk, s.ia * 1e3,
                   QString::fromStdString(formatPattern("0.0", s.vpk) + " V ; " +
                                          formatPattern("0.000", s.ia * 1e3) + " mA"));
}

void StagesTab::recompute() {
  QStringList lines;
  auto add = [&](const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) lines << QString::fromStdString(w);
  };
  QString stage = check(et::kStageFields);
  if (stage.isEmpty())
    guarded(
        [&] {
          const et::StageRun run = et::commonCathodeStage(host_.fields());
          add(run.warnings);
          draw(run);
        },
        [&](const QString& m) { stage = m; });
  if (!stage.isEmpty()) lines << stage;
  QString follower = check(et::kFollowerFields);
  if (follower.isEmpty())
    guarded([&] { add(et::cathodeFollower(host_.fields())); },
            [&](const QString& m) { follower = m; });
  if (!follower.isEmpty()) lines << QStringLiteral("Cathode follower : ") + follower;
  warn_->setText(lines.join('\n'));
}

}  // namespace

void buildStagesTab(QWidget* tab, const TabContext& context) {
  auto* state = new StagesTab(tab, context.host);
  state->build();
  state->recompute();
}

}  // namespace valvora::ui::atelier

#include "ui/atelier/ToneStack.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>

#include "core/atelier/tonestack.h"
#include "core/numtext.h"
#include "ui/CalculatorHost.h"
#include "ui/Dialogs.h"
#include "ui/FormGrid.h"
#include "ui/Plot.h"

namespace valvora::ui::atelier {
namespace {

namespace ts = valvora::atelier;

QString u(std::string_view text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

struct Knob {
  const char* slider;
  const char* caption;
  const char* value;
  const char* taper;
  int defaultTaper;  // index in ts::kTaperTexts
};
// In the order of the front panel.
constexpr Knob kKnobs[] = {
    {"dlTsTreble", "Aigus", "lbTsTreble", "cbTsTaperT", 1},
    {"dlTsMid", "Médiums", "lbTsMid", "cbTsTaperM", 0},
    {"dlTsBass", "Graves", "lbTsBass", "cbTsTaperB", 1},
};
constexpr int kPresetTapers[] = {1, 0, 1};

constexpr const char* kComponentFields[] = {"edTsR1", "edTsR2", "edTsR3", "edTsR4", "edTsC1",
                                            "edTsC2", "edTsC3", "edTsRs", "edTsRL"};
static_assert(std::size(kComponentFields) == ts::kToneStackFields.size());

const QColor kCurveColour(0, 70, 170);
const char* const kInvalidStyle = "QLineEdit { border: 2px solid #d40000; }";

// The tab's live state: what a change recomputes, and the preset list kept in step with the
// fields.
class ToneStackTab : public QObject {
 public:
  ToneStackTab(QWidget* tab, CalculatorHost& host) : QObject(tab), tab_(tab), host_(host) {}

  void build();
  void recompute();

 private:
  QGroupBox* buildComponents();
  QGroupBox* buildKnobs();
  QWidget* buildFigures();
  void applyPreset(int index);

  QWidget* tab_;
  CalculatorHost& host_;
  QComboBox* preset_ = nullptr;
  std::array<QLineEdit*, std::size(kComponentFields)> edits_{};
  std::array<QSlider*, std::size(kKnobs)> sliders_{};
  std::array<QLabel*, std::size(kKnobs)> values_{};
  std::array<QComboBox*, std::size(kKnobs)> tapers_{};
  Plot* plot_ = nullptr;
  QLabel* error_ = nullptr;
  bool loading_ = false;                // a preset writes nine fields: one recomputation, not nine
  double lowest_ = 0, heldLowest_ = 0;  // dB, of the current curve and of the held ones
  void scaleLevels();
};

// A passive stack stays at or below 0 dB: the level axis keeps 0 dB at its top and goes
// down by whole 10 dB to the lowest curve, at least to -30 dB, so that a knob move does not
// rescale it at every step.
void ToneStackTab::scaleLevels() {
  const double lo = std::min(-30.0, std::floor(std::min(lowest_, heldLowest_) / 10) * 10);
  plot_->setLeftAxis({QStringLiteral("Niveau (dB)"), AxisScale::kLinear, false, lo, 0});
}

QGroupBox* ToneStackTab::buildComponents() {
  auto* group = new QGroupBox(QStringLiteral("Composants"), tab_);
  group->setObjectName("gbTsParts");
  FormGrid model(group);
  QStringList presets;
  for (const ts::ToneStackPreset& p : ts::kToneStackPresets) presets << u(p.name);
  presets << u(ts::kCustomPreset);
  preset_ = model.addChoice(QStringLiteral("Modèle :"), "cbTsPreset", presets, 0);
  preset_->setMinimumWidth(0);
  preset_->setMaximumWidth(QWIDGETSIZE_MAX);
  preset_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  model.layout()->setColumnStretch(2, 1);

  // Resistors on the left, capacitors then source and load on the right.
  FormGrid columns[2] = {FormGrid(group), FormGrid(group)};
  for (std::size_t i = 0; i < ts::kToneStackFields.size(); ++i) {
    const ts::ToneStackField& field = ts::kToneStackFields[i];
    FormGrid& column = columns[(i >= 4 && i <= 6) || i == 8 ? 1 : 0];
    edits_[i] = column.addEdit(u(field.label) + QStringLiteral(" :"), u(field.name),
                               u(ts::kToneStackPresets[0].texts[i]));
    column.addUnit(u(field.unit), u(field.name).replace(0, 2, QStringLiteral("lb")) + "Unit");
  }
  auto* fields = new QHBoxLayout;
  fields->addLayout(columns[0].layout());
  fields->addSpacing(12);
  fields->addLayout(columns[1].layout());
  auto* layout = new QVBoxLayout(group);
  layout->addLayout(model.layout());
  layout->addLayout(fields);
  layout->addStretch(1);
  return group;
}

QGroupBox* ToneStackTab::buildKnobs() {
  auto* group = new QGroupBox(QStringLiteral("Potentiomètres"), tab_);
  group->setObjectName("gbTsKnobs");
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->addWidget(new QLabel(QStringLiteral("Courbe"), group), 0, 3);
  QStringList tapers;
  for (std::string_view t : ts::kTaperTexts) tapers << u(t);
  for (std::size_t i = 0; i < std::size(kKnobs); ++i) {
    const Knob& k = kKnobs[i];
    const int row = int(i) + 1;
    auto* caption = new QLabel(u(k.caption) + QStringLiteral(" :"), group);
    auto* slider = new QSlider(Qt::Horizontal, group);
    slider->setObjectName(k.slider);
    slider->setAccessibleName(u(k.caption));
    slider->setRange(0, 100);
    slider->setSingleStep(1);
    slider->setPageStep(10);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(10);
    slider->setValue(50);
    slider->setMinimumWidth(140);
    caption->setBuddy(slider);
    auto* value = new QLabel(group);
    value->setObjectName(k.value);
    value->setAccessibleName(QStringLiteral("Position : ") + u(k.caption));
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("10,0")) + 4);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* taper = new QComboBox(group);
    taper->setObjectName(k.taper);
    taper->setAccessibleName(QStringLiteral("Courbe du potentiomètre : ") + u(k.caption));
    taper->addItems(tapers);
    taper->setCurrentIndex(k.defaultTaper);
    grid->addWidget(caption, row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(value, row, 2);
    grid->addWidget(taper, row, 3);
    sliders_[i] = slider;
    values_[i] = value;
    tapers_[i] = taper;
  }
  grid->setColumnStretch(1, 1);

  auto* hold = new QPushButton(QStringLiteral("Figer la courbe"), group);
  hold->setObjectName("btnTsHold");
  auto* clear = new QPushButton(QStringLiteral("Effacer"), group);
  clear->setObjectName("btnTsClear");
  QObject::connect(hold, &QPushButton::clicked, this, [this] {
    plot_->holdCurrent();
    heldLowest_ = std::min(heldLowest_, lowest_);
  });
  QObject::connect(clear, &QPushButton::clicked, this, [this] {
    plot_->clearHeld();
    heldLowest_ = 0;
    scaleLevels();
  });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(hold);
  buttons->addWidget(clear);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(group);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  layout->addStretch(1);
  return group;
}

QWidget* ToneStackTab::buildFigures() {
  auto* row = new QWidget(tab_);
  row->setObjectName("pnTsFigures");
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(2);
  for (std::size_t i = 0; i < ts::kToneStackFigures.size(); ++i) {
    const ts::FigureFrequency& figure = ts::kToneStackFigures[i];
    const QString at = figure.hertz >= 1000
                           ? QString::fromStdString(formatGeneral(figure.hertz / 1000)) + " kHz"
                           : QString::fromStdString(formatGeneral(figure.hertz)) + " Hz";
    auto* head = new QLabel(at, row);
    head->setAlignment(Qt::AlignCenter);
    auto* value = new QLabel(row);
    value->setObjectName(u(figure.name));
    value->setAccessibleName(QStringLiteral("Niveau à ") + at);
    value->setAlignment(Qt::AlignCenter);
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("-88,8 dB")) + 4);
    grid->addWidget(head, 0, int(i));
    grid->addWidget(value, 1, int(i));
  }
  FormGrid notch(row);
  notch.addResult(QStringLiteral("Creux des médiums :"), "edTsNotchF");
  notch.addUnit(QStringLiteral("Hz"), "lbTsNotchFUnit");
  notch.addResult(QStringLiteral("Niveau au creux :"), "edTsNotchDb");
  notch.addUnit(QStringLiteral("dB"), "lbTsNotchDbUnit");
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addLayout(notch.layout());
  return row;
}

void ToneStackTab::build() {
  auto* top = new QHBoxLayout;
  top->addWidget(buildComponents());
  top->addWidget(buildKnobs(), 1);

  plot_ = new Plot(tab_);
  plot_->setObjectName("plTsResponse");
  plot_->setAccessibleName(QStringLiteral("Réponse en fréquence"));
  plot_->setXAxis({QStringLiteral("Fréquence (Hz)"), AxisScale::kLog10, false, 10, 20000});

  error_ = new QLabel(tab_);
  error_->setObjectName("lbTsError");
  error_->setTextFormat(Qt::PlainText);  // the message quotes what was typed, markup and all
  error_->setAccessibleName(QStringLiteral("Erreur"));
  QPalette red = error_->palette();
  red.setColor(QPalette::WindowText, QColor(200, 0, 0));
  error_->setPalette(red);
  error_->setMinimumHeight(error_->fontMetrics().height());  // no jump when a message comes

  auto* layout = new QVBoxLayout(tab_);
  layout->addLayout(top);
  layout->addWidget(plot_, 1);
  layout->addWidget(buildFigures());
  layout->addWidget(error_);

  for (QLineEdit* edit : edits_) {
    QObject::connect(edit, &QLineEdit::textChanged, this, [this] {
      if (!loading_) recompute();
    });
    // Typing makes the stack one's own; a preset's writing does not.
    QObject::connect(edit, &QLineEdit::textEdited, this,
                     [this] { preset_->setCurrentIndex(preset_->count() - 1); });
  }
  QObject::connect(preset_, &QComboBox::currentIndexChanged, this,
                   [this](int index) { applyPreset(index); });
  for (std::size_t i = 0; i < std::size(kKnobs); ++i) {
    QObject::connect(sliders_[i], &QSlider::valueChanged, this, [this] { recompute(); });
    QObject::connect(tapers_[i], &QComboBox::currentIndexChanged, this, [this] { recompute(); });
  }
  host_.filterDecimalKeys(kComponentFields);
}

void ToneStackTab::applyPreset(int index) {
  if (index < 0 || index >= int(ts::kToneStackPresets.size())) return;  // "Personnalisé"
  loading_ = true;
  for (std::size_t i = 0; i < edits_.size(); ++i)
    edits_[i]->setText(u(ts::kToneStackPresets[std::size_t(index)].texts[i]));
  for (std::size_t i = 0; i < tapers_.size(); ++i) tapers_[i]->setCurrentIndex(kPresetTapers[i]);
  loading_ = false;
  recompute();
}

void ToneStackTab::recompute() {
  if (loading_) return;
  for (std::size_t i = 0; i < sliders_.size(); ++i)
    values_[i]->setText(
        QString::fromStdString(formatPattern("0.0", sliders_[i]->value() / Real(10))));

  // Each field is checked on its own, so that every wrong one is framed; the message is the
  // first one's. The curve and figures stay as they were meanwhile.
  QString message;
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    QLineEdit* edit = edits_[i];
    const bool ok = guarded(
        [&] { ts::readToneStackField(ts::kToneStackFields[i], edit->text().toStdString()); },
        [&](const QString& m) {
          if (message.isEmpty()) message = m;
        });
    const bool marked = edit->property("invalid").toBool();
    if (ok == marked) {
      edit->setStyleSheet(ok ? QString() : QString::fromLatin1(kInvalidStyle));
      edit->setProperty("invalid", !ok);
    }
  }
  if (message.isEmpty()) {
    const ts::KnobPositions knobs{sliders_[0]->value(), sliders_[1]->value(), sliders_[2]->value()};
    guarded(
        [&] {
          Series curve = ts::toneStack(host_.fields(), knobs);
          lowest_ = *std::min_element(curve.y.begin(), curve.y.end());
          scaleLevels();
          plot_->setCurves({PlotCurve{std::move(curve), kCurveColour, YAxis::kLeft}});
        },
        [&](const QString& m) { message = m; });
  }
  error_->setText(message);
}

}  // namespace

void buildToneStackTab(QWidget* tab, const TabContext& context) {
  CalculatorHost& host = context.host;
  auto* state = new ToneStackTab(tab, host);
  state->build();
  state->recompute();
}

}  // namespace valvora::ui::atelier

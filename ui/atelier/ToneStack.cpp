#include "ui/atelier/ToneStack.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <vector>

#include "core/atelier/tonestack.h"
#include "core/numtext.h"
#include "ui/CalculatorHost.h"
#include "ui/Dialogs.h"
#include "ui/FormGrid.h"
#include "ui/Plot.h"
#include "ui/Text.h"

namespace valvora::ui::atelier {
namespace {

namespace ts = valvora::atelier;

constexpr std::size_t kKnobCount = ts::kKnobControls.size();
// "Circuit personnalisé" comes after the table's circuits.
// (A function: the table is built at start-up, in another unit.)
int customIndex() {
  return int(ts::kToneCircuits.size());
}

// The controls of every field any circuit has, one of each name: a circuit shows its own.
struct FieldRow {
  std::string_view name;
  QLabel* caption = nullptr;
  QLineEdit* edit = nullptr;
  QLabel* unit = nullptr;
};

// What a circuit was left at, kept for the session.
struct CircuitState {
  QStringList texts;  // in the order of the circuit's fields
  std::array<int, kKnobCount> positions{};
  std::array<int, kKnobCount> tapers{};
  int preset = 0;
};

const QColor kCurveColour(0, 70, 170);
constexpr int kSweepSteps[] = {0, 20, 40, 60, 80, 100};

// The tab's fields read as they are, writes dropped: a sweep's curves write no figures.
class ReadOnlyFields : public Fields {
 public:
  explicit ReadOnlyFields(const Fields& base) : base_(base) {}
  std::string text(std::string_view control) const override { return base_.text(control); }
  void write(std::string_view, std::string) override {}

 private:
  const Fields& base_;
};

// Light to dark in the curve's hue, from the knob at 0 to the knob at 10.
QColor sweepColour(std::size_t step) {
  return QColor::fromHsl(218, 200, 200 - int(step) * 30);
}
const char* const kInvalidStyle = "QLineEdit { border: 2px solid #d40000; }";

// The tab's live state: the chosen circuit, what a change recomputes, and the preset list
// kept in step with the fields.
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
  void showCircuit(int index);
  void keepCircuit();
  const ts::ToneCircuit& circuit() const { return ts::kToneCircuits[std::size_t(circuit_)]; }
  void recomputeCustom();
  FieldRow& row(std::string_view name);

  QWidget* tab_;
  CalculatorHost& host_;
  QComboBox* circuitList_ = nullptr;
  QComboBox* preset_ = nullptr;
  QComboBox* sweep_ = nullptr;
  std::vector<FieldRow> rows_;
  QLineEdit* cl_ = nullptr;
  std::vector<const char*> decimalFields_;
  std::array<QLabel*, kKnobCount> captions_{};
  std::array<QSlider*, kKnobCount> sliders_{};
  std::array<QLabel*, kKnobCount> values_{};
  std::array<QComboBox*, kKnobCount> tapers_{};
  std::vector<CircuitState> states_;
  QPlainTextEdit* netlist_ = nullptr;
  QLabel* drawing_ = nullptr;      // the chosen circuit's picture
  QLabel* taperHeader_ = nullptr;  // above the taper lists, which a typed circuit has not
  std::array<QLabel*, ts::kMaxCustomKnobs> customCaptions_{};
  std::array<QSlider*, ts::kMaxCustomKnobs> customSliders_{};
  std::array<QLabel*, ts::kMaxCustomKnobs> customValues_{};
  std::shared_ptr<const ts::CustomCircuit> custom_;  // the last netlist that read well
  QStringList customTexts_;                          // Rs and RL while another circuit shows
  int circuit_ = 0;
  Plot* plot_ = nullptr;
  QLabel* error_ = nullptr;
  bool loading_ = false;                // a preset writes many fields: one recomputation
  double lowest_ = 0, heldLowest_ = 0;  // dB, of the current curve and of the held ones
  void scaleLevels();
};

FieldRow& ToneStackTab::row(std::string_view name) {
  return *std::find_if(rows_.begin(), rows_.end(),
                       [&](const FieldRow& r) { return r.name == name; });
}

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
  QStringList captions;
  for (const ts::ToneCircuit& c : ts::kToneCircuits) captions << fromUtf8(c.caption);
  captions << QStringLiteral("Circuit personnalisé");
  circuitList_ = model.addChoice(QStringLiteral("Circuit :"), "cbTsCircuit", captions, 0);
  preset_ = model.addChoice(QStringLiteral("Modèle :"), "cbTsPreset", {}, 0);
  for (QComboBox* list : {circuitList_, preset_}) {
    list->setMinimumWidth(0);
    list->setMaximumWidth(QWIDGETSIZE_MAX);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  }
  model.layout()->setColumnStretch(2, 1);

  // Resistors on the left, capacitors and the load on the right; each name once, whichever
  // circuit has it.
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  int rowsIn[2] = {0, 0};
  auto place = [&](std::string_view name, QLabel* caption, QLineEdit* edit, QLabel* unit) {
    const int column = name[4] == 'C' || name == "edTsRL" ? 1 : 0;
    const int r = rowsIn[column]++;
    grid->addWidget(caption, r, column * 4);
    grid->addWidget(edit, r, column * 4 + 1);
    grid->addWidget(unit, r, column * 4 + 2);
  };
  std::vector<std::string_view> names;
  for (const ts::ToneCircuit& c : ts::kToneCircuits)
    for (const ts::ToneStackField& field : c.fields)
      if (std::find(names.begin(), names.end(), field.name) == names.end())
        names.push_back(field.name);
  // Rs and RL after the parts.
  std::stable_partition(names.begin(), names.end(),
                        [](std::string_view n) { return n != "edTsRs" && n != "edTsRL"; });
  for (std::string_view name : names) {
    FieldRow r{name, new QLabel(group), new QLineEdit(group), new QLabel(group)};
    r.edit->setObjectName(fromUtf8(name));
    r.unit->setObjectName(fromUtf8(name).replace(0, 2, QStringLiteral("lb")) + "Unit");
    r.caption->setBuddy(r.edit);
    place(name, r.caption, r.edit, r.unit);
    rows_.push_back(r);
    decimalFields_.push_back(name.data());  // the table's names are literals
  }
  cl_ = new QLineEdit(QStringLiteral("0"), group);
  cl_->setObjectName(fromUtf8(ts::kLoadCapField));
  auto* clCaption = new QLabel(QStringLiteral("CL (pF) :"), group);
  clCaption->setBuddy(cl_);
  grid->addWidget(clCaption, rowsIn[1], 4);
  grid->addWidget(cl_, rowsIn[1], 5);
  decimalFields_.push_back(ts::kLoadCapField.data());
  grid->setColumnMinimumWidth(3, 12);

  netlist_ = new QPlainTextEdit(group);
  netlist_->setObjectName("edTsNetlist");
  netlist_->setAccessibleName(QStringLiteral("Circuit, une ligne par composant"));
  netlist_->setLineWrapMode(QPlainTextEdit::NoWrap);
  netlist_->setMinimumHeight(netlist_->fontMetrics().lineSpacing() * 8);
  netlist_->hide();

  // The circuit's picture beside its parts, each named as its field.
  drawing_ = new QLabel(group);
  drawing_->setObjectName("imTsCircuit");
  drawing_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* parts = new QVBoxLayout;
  parts->addLayout(grid);
  parts->addStretch(1);
  auto* beside = new QHBoxLayout;
  beside->addLayout(parts);
  beside->addSpacing(12);
  beside->addWidget(drawing_, 0, Qt::AlignTop);

  auto* layout = new QVBoxLayout(group);
  layout->addLayout(model.layout());
  layout->addWidget(netlist_, 1);
  layout->addLayout(beside);
  layout->addStretch(1);
  return group;
}

QGroupBox* ToneStackTab::buildKnobs() {
  auto* group = new QGroupBox(QStringLiteral("Potentiomètres"), tab_);
  group->setObjectName("gbTsKnobs");
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  taperHeader_ = new QLabel(QStringLiteral("Courbe"), group);
  grid->addWidget(taperHeader_, 0, 3);
  QStringList tapers;
  for (std::string_view t : ts::kTaperTexts) tapers << fromUtf8(t);
  for (std::size_t i = 0; i < kKnobCount; ++i) {
    const ts::KnobControl& k = ts::kKnobControls[i];
    const int row = int(i) + 1;
    auto* caption = new QLabel(fromUtf8(k.caption) + QStringLiteral(" :"), group);
    auto* slider = new QSlider(Qt::Horizontal, group);
    slider->setObjectName(fromUtf8(k.slider));
    slider->setAccessibleName(fromUtf8(k.caption));
    slider->setRange(0, 100);
    slider->setSingleStep(1);
    slider->setPageStep(10);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(10);
    slider->setValue(50);
    slider->setMinimumWidth(140);
    caption->setBuddy(slider);
    auto* value = new QLabel(group);
    value->setObjectName(fromUtf8(k.value));
    value->setAccessibleName(QStringLiteral("Position : ") + fromUtf8(k.caption));
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("10,0")) + 4);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* taper = new QComboBox(group);
    taper->setObjectName(fromUtf8(k.taper));
    taper->setAccessibleName(QStringLiteral("Courbe du potentiomètre : ") + fromUtf8(k.caption));
    taper->addItems(tapers);
    grid->addWidget(caption, row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(value, row, 2);
    grid->addWidget(taper, row, 3);
    captions_[i] = caption;
    sliders_[i] = slider;
    values_[i] = value;
    tapers_[i] = taper;
  }
  // The custom circuit's knobs, one per POT and VR of its netlist.
  for (std::size_t i = 0; i < ts::kMaxCustomKnobs; ++i) {
    const int row = int(kKnobCount + i) + 1;
    const QString n = QString::number(i + 1);
    auto* caption = new QLabel(group);
    auto* slider = new QSlider(Qt::Horizontal, group);
    slider->setObjectName(QStringLiteral("dlTsK") + n);
    slider->setRange(0, 100);
    slider->setPageStep(10);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(10);
    slider->setValue(50);
    caption->setBuddy(slider);
    auto* value = new QLabel(group);
    value->setObjectName(QStringLiteral("lbTsK") + n);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(caption, row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(value, row, 2);
    for (QWidget* w : std::initializer_list<QWidget*>{caption, slider, value}) w->hide();
    customCaptions_[i] = caption;
    customSliders_[i] = slider;
    customValues_[i] = value;
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
  auto* sweepCaption = new QLabel(QStringLiteral("Balayage :"), group);
  sweep_ = new QComboBox(group);
  sweep_->setObjectName("cbTsSweep");
  sweepCaption->setBuddy(sweep_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(sweepCaption);
  buttons->addWidget(sweep_);
  buttons->addSpacing(12);
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
    value->setObjectName(fromUtf8(figure.name));
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
  PlotAxis frequency{QStringLiteral("Fréquence (Hz)"), AxisScale::kLog10, false, 10, 20000};
  frequency.logUnit = QStringLiteral("Hz");  // "1 kHz", as the figures' row writes it
  plot_->setXAxis(frequency);

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
  auto* exportButton = new QPushButton(QStringLiteral("E&xporter…"), tab_);
  exportButton->setObjectName("btnTsExport");
  auto* below = new QHBoxLayout;
  below->addWidget(error_, 1);
  below->addWidget(exportButton);
  layout->addWidget(plot_, 1);
  layout->addWidget(buildFigures());
  layout->addLayout(below);

  // Every circuit opens on its first preset, its knobs at 5.
  for (const ts::ToneCircuit& c : ts::kToneCircuits) {
    CircuitState state;
    for (std::string_view t : c.presets[0].texts) state.texts << fromUtf8(t);
    state.positions.fill(50);
    for (std::size_t k = 0; k < c.knobs.size(); ++k)
      state.tapers[std::size_t(c.knobs[k].id)] = int(c.presets[0].tapers[k]);
    states_.push_back(state);
  }
  showCircuit(0);

  for (const FieldRow& r : rows_) {
    QObject::connect(r.edit, &QLineEdit::textChanged, this, [this] {
      if (!loading_) recompute();
    });
    // Typing makes the circuit one's own; a preset's writing does not.
    QObject::connect(r.edit, &QLineEdit::textEdited, this,
                     [this] { preset_->setCurrentIndex(preset_->count() - 1); });
  }
  QObject::connect(cl_, &QLineEdit::textChanged, this, [this] { recompute(); });
  QObject::connect(netlist_, &QPlainTextEdit::textChanged, this, [this] {
    if (!loading_) recompute();
  });
  for (QSlider* slider : customSliders_)
    QObject::connect(slider, &QSlider::valueChanged, this, [this] { recompute(); });
  QObject::connect(preset_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!loading_) applyPreset(index);
  });
  QObject::connect(sweep_, &QComboBox::currentIndexChanged, this, [this] { recompute(); });
  QObject::connect(circuitList_, &QComboBox::currentIndexChanged, this, [this](int index) {
    keepCircuit();
    showCircuit(index);
    recompute();
  });
  for (std::size_t i = 0; i < kKnobCount; ++i) {
    QObject::connect(sliders_[i], &QSlider::valueChanged, this, [this] { recompute(); });
    QObject::connect(tapers_[i], &QComboBox::currentIndexChanged, this, [this] { recompute(); });
  }
  host_.filterDecimalKeys(std::span<const char* const>(decimalFields_));
  // Not bound through the host: Enter in the fields computes, it never exports.
  QObject::connect(
      tab_->findChild<QPushButton*>("btnTsExport"), &QPushButton::clicked, this, [this] {
        ui::guarded(tab_->window(),
                    [this] { askAndExport(*plot_, tab_, QStringLiteral("correcteur.csv")); });
      });
}

// The shown circuit's values into its kept state.
void ToneStackTab::keepCircuit() {
  if (circuit_ == customIndex()) {
    customTexts_ = {row("edTsRs").edit->text(), row("edTsRL").edit->text()};
    return;
  }
  CircuitState& state = states_[std::size_t(circuit_)];
  state.texts.clear();
  for (const ts::ToneStackField& field : circuit().fields)
    state.texts << row(field.name).edit->text();
  for (std::size_t i = 0; i < kKnobCount; ++i) {
    state.positions[i] = sliders_[i]->value();
    state.tapers[i] = tapers_[i]->currentIndex();
  }
  state.preset = preset_->currentIndex();
}

// Shows a circuit's own fields and knobs with its kept values; the others are hidden.
void ToneStackTab::showCircuit(int index) {
  loading_ = true;
  const bool custom = index == customIndex();
  netlist_->setVisible(custom);
  drawing_->setVisible(!custom);
  taperHeader_->setVisible(!custom);
  for (std::size_t i = 0; i < ts::kMaxCustomKnobs; ++i)
    for (QWidget* w :
         std::initializer_list<QWidget*>{customCaptions_[i], customSliders_[i], customValues_[i]})
      w->setVisible(custom && custom_ && i < custom_->tapers.size());
  if (custom) {
    // Opened the first time on the first circuit, as a starting point.
    if (netlist_->toPlainText().isEmpty()) {
      const ts::ToneCircuit& first = ts::kToneCircuits[0];
      netlist_->setPlainText(fromUtf8(ts::netlistOf(first, first.presets[0])));
      customTexts_ = {fromUtf8(first.presets[0].texts[first.fields.size() - 2]),
                      fromUtf8(first.presets[0].texts[first.fields.size() - 1])};
    }
    circuit_ = index;
    for (FieldRow& r : rows_) {
      const bool shown = r.name == "edTsRs" || r.name == "edTsRL";
      for (QWidget* w : std::initializer_list<QWidget*>{r.caption, r.edit, r.unit})
        w->setVisible(shown);
    }
    row("edTsRs").edit->setText(customTexts_.value(0));
    row("edTsRL").edit->setText(customTexts_.value(1));
    for (std::size_t i = 0; i < kKnobCount; ++i)
      for (QWidget* w :
           std::initializer_list<QWidget*>{captions_[i], sliders_[i], values_[i], tapers_[i]})
        w->hide();
    preset_->clear();
    preset_->addItem(fromUtf8(ts::kCustomPreset));
    sweep_->clear();
    sweep_->addItem(QStringLiteral("Aucun"));
    loading_ = false;
    return;
  }
  circuit_ = index;
  const ts::ToneCircuit& c = circuit();
  const CircuitState& state = states_[std::size_t(index)];
  const QPixmap picture(QStringLiteral(":/design/") + fromUtf8(c.drawing) + QStringLiteral(".png"));
  drawing_->setPixmap(picture);
  drawing_->setAccessibleName(QStringLiteral("Schéma : ") + fromUtf8(c.caption));
  for (FieldRow& r : rows_) {
    r.caption->hide();
    r.edit->hide();
    r.unit->hide();
  }
  for (std::size_t i = 0; i < c.fields.size(); ++i) {
    FieldRow& r = row(c.fields[i].name);
    r.caption->setText(fromUtf8(c.fields[i].label) + QStringLiteral(" :"));
    r.unit->setText(fromUtf8(c.fields[i].unit));
    r.edit->setText(state.texts[qsizetype(i)]);
    r.edit->setStyleSheet(QString());
    r.edit->setProperty("invalid", false);
    r.caption->show();
    r.edit->show();
    r.unit->show();
  }
  for (std::size_t i = 0; i < kKnobCount; ++i) {
    const auto knob = std::find_if(c.knobs.begin(), c.knobs.end(), [&](const ts::CircuitKnob& k) {
      return std::size_t(k.id) == i;
    });
    const bool shown = knob != c.knobs.end();
    for (QWidget* w :
         std::initializer_list<QWidget*>{captions_[i], sliders_[i], values_[i], tapers_[i]})
      w->setVisible(shown);
    if (shown) {
      captions_[i]->setText(fromUtf8(knob->caption) + QStringLiteral(" :"));
      sliders_[i]->setAccessibleName(fromUtf8(knob->caption));
    }
    sliders_[i]->setValue(state.positions[i]);
    tapers_[i]->setCurrentIndex(state.tapers[i]);
  }
  QStringList presets;
  for (const ts::CircuitPreset& p : c.presets) presets << fromUtf8(p.name);
  presets << fromUtf8(ts::kCustomPreset);
  preset_->clear();
  preset_->addItems(presets);
  preset_->setCurrentIndex(state.preset);
  QStringList sweeps{QStringLiteral("Aucun")};
  for (const ts::CircuitKnob& k : c.knobs) sweeps << fromUtf8(k.caption);
  sweep_->clear();
  sweep_->addItems(sweeps);
  loading_ = false;
}

void ToneStackTab::applyPreset(int index) {
  if (circuit_ == customIndex()) return;
  const ts::ToneCircuit& c = circuit();
  if (index < 0 || index >= int(c.presets.size())) return;  // "Personnalisé"
  const ts::CircuitPreset& preset = c.presets[std::size_t(index)];
  loading_ = true;
  for (std::size_t i = 0; i < c.fields.size(); ++i)
    row(c.fields[i].name).edit->setText(fromUtf8(preset.texts[i]));
  for (std::size_t k = 0; k < c.knobs.size(); ++k)
    tapers_[std::size_t(c.knobs[k].id)]->setCurrentIndex(int(preset.tapers[k]));
  loading_ = false;
  recompute();
}

void ToneStackTab::recompute() {
  if (loading_) return;
  if (circuit_ == customIndex()) {
    recomputeCustom();
    return;
  }
  const ts::ToneCircuit& c = circuit();
  for (std::size_t i = 0; i < kKnobCount; ++i)
    values_[i]->setText(
        QString::fromStdString(formatPattern("0.0", sliders_[i]->value() / Real(10))));

  // Each field is checked on its own, so that every wrong one is framed; the message is the
  // first one's. The curve and figures stay as they were meanwhile.
  QString message;
  for (const ts::ToneStackField& field : c.fields) {
    QLineEdit* edit = row(field.name).edit;
    const bool ok = guarded([&] { ts::readToneStackField(field, edit->text().toStdString()); },
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
    std::vector<int> knobs;
    for (const ts::CircuitKnob& k : c.knobs) knobs.push_back(sliders_[std::size_t(k.id)]->value());
    guarded(
        [&] {
          Series curve = ts::toneCircuit(host_.fields(), c, knobs);
          std::vector<PlotCurve> curves;
          const int swept = sweep_->currentIndex() - 1;  // "Aucun" first
          if (swept >= 0 && swept < int(knobs.size())) {
            // The figures and the notch stay those of the knobs as set.
            ReadOnlyFields fields(host_.fields());
            const QString caption = fromUtf8(c.knobs[std::size_t(swept)].caption);
            for (std::size_t i = 0; i < std::size(kSweepSteps); ++i) {
              std::vector<int> at = knobs;
              at[std::size_t(swept)] = kSweepSteps[i];
              Series s = ts::toneCircuit(fields, c, at);
              s.name = QStringLiteral("%1 %2").arg(caption).arg(kSweepSteps[i] / 10).toStdString();
              curves.push_back(PlotCurve{std::move(s), sweepColour(i), YAxis::kLeft});
            }
          } else {
            curves.push_back(PlotCurve{std::move(curve), kCurveColour, YAxis::kLeft});
          }
          lowest_ = 0;
          for (const PlotCurve& pc : curves)
            lowest_ = std::min(lowest_, *std::min_element(pc.data.y.begin(), pc.data.y.end()));
          scaleLevels();
          plot_->setCurves(std::move(curves));
        },
        [&](const QString& m) { message = m; });
  }
  error_->setText(message);
}

// The netlist follows each keystroke; a faulty one keeps the last curve and says why.
void ToneStackTab::recomputeCustom() {
  QString message;
  guarded([&] { custom_ = ts::parseNetlist(netlist_->toPlainText().toStdString()); },
          [&](const QString& m) { message = m; });
  const std::size_t knobCount = custom_ ? custom_->tapers.size() : 0;
  for (std::size_t i = 0; i < ts::kMaxCustomKnobs; ++i) {
    const bool shown = i < knobCount;
    for (QWidget* w :
         std::initializer_list<QWidget*>{customCaptions_[i], customSliders_[i], customValues_[i]})
      w->setVisible(shown);
    if (shown) {
      const QString name = fromUtf8(custom_->circuit.knobs[i].caption);
      customCaptions_[i]->setText(name + QStringLiteral(" :"));
      customSliders_[i]->setAccessibleName(name);
    }
    customValues_[i]->setText(
        QString::fromStdString(formatPattern("0.0", customSliders_[i]->value() / Real(10))));
  }
  if (message.isEmpty() && custom_) {
    std::vector<int> knobs;
    for (std::size_t i = 0; i < knobCount; ++i) knobs.push_back(customSliders_[i]->value());
    guarded(
        [&] {
          Series curve = ts::customToneCircuit(host_.fields(), *custom_, knobs);
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

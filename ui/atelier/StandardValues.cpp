#include "ui/atelier/StandardValues.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <array>
#include <memory>

#include "core/atelier/standardvalues.h"
#include "ui/CalculatorHost.h"
#include "ui/Dialogs.h"
#include "ui/FormGrid.h"

namespace valvora::ui::atelier {
namespace {

using valvora::atelier::BandCode;
using valvora::atelier::BandColour;
namespace bands = valvora::atelier::bands;

QColor colour(const BandColour& c) {
  return {c.rgb.red, c.rgb.green, c.rgb.blue};
}

// The resistor's body and its bands as picked; nothing is drawn for the temperature band
// with 5 bands.
class ResistorDrawing : public QWidget {
 public:
  explicit ResistorDrawing(QWidget* parent)
      : QWidget(parent), body_(QStringLiteral(":/design/resistance.png")) {
    setFixedSize(body_.size());
  }
  void paintBands(const std::array<QColor, 6>& colours, bool sixBands) {
    colours_ = colours;
    sixBands_ = sixBands;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.drawPixmap(0, 0, body_);
    p.setPen(Qt::black);
    for (int band = 0; band < (sixBands_ ? 6 : 5); ++band) {
      p.setBrush(colours_[std::size_t(band)]);
      p.drawRect(codeBandRect(band).adjusted(0, 0, -1, -1));
    }
  }

 private:
  QPixmap body_;
  std::array<QColor, 6> colours_{};
  bool sixBands_ = false;
};

// A list of colours, each item with its swatch.
QComboBox* colourList(QWidget* owner, const char* name, const QString& accessible) {
  auto* list = new QComboBox(owner);
  list->setObjectName(name);
  list->setAccessibleName(accessible);
  list->setIconSize(QSize(18, 12));
  return list;
}

void addColour(QComboBox* list, const BandColour& c, std::string_view meaning) {
  QPixmap swatch(18, 12);
  swatch.fill(colour(c));
  QPainter p(&swatch);
  p.setPen(QColor(90, 90, 90));
  p.drawRect(0, 0, 17, 11);
  p.end();
  list->addItem(QIcon(swatch), fromUtf8(c.name) + QLatin1Char(' ') + fromUtf8(meaning));
}

QGroupBox* buildSeries(QWidget* tab) {
  auto* box = new QGroupBox(QStringLiteral("Série normalisée"), tab);
  box->setObjectName("gbEsSerie");
  FormGrid form(box);
  form.addEdit(fieldNamed(valvora::atelier::kStandardValueFields, "edEsValue"));
  form.addChoice(QStringLiteral("Série :"), QStringLiteral("cbEsSeries"),
                 {"E6", "E12", "E24", "E48", "E96", "E192"}, 2);
  form.addButton(QStringLiteral("Calcul"), QStringLiteral("btnEsCalc"));
  for (const auto& [label, name] : {std::pair{"Valeur inférieure :", "edEsLow"},
                                    {"Valeur supérieure :", "edEsHigh"},
                                    {"La plus proche :", "edEsNear"},
                                    {"Écart (%) :", "edEsErr"}})
    form.addResult(QString::fromUtf8(label), QString::fromLatin1(name));
  for (int r = 0; r < form.layout()->rowCount(); ++r) form.layout()->setRowStretch(r, 0);
  form.layout()->setRowStretch(form.layout()->rowCount(), 1);
  for (QWidget* w : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QPushButton*>(w))
      w->setFixedWidth(110);
  box->setLayout(form.layout());
  return box;
}

struct ColourRow {
  const char* label;
  const char* name;
};
constexpr ColourRow kColourLists[] = {
    {"1er chiffre :", "cbCcD1"}, {"2e chiffre :", "cbCcD2"},
    {"3e chiffre :", "cbCcD3"},  {"Multiplicateur :", "cbCcMult"},
    {"Tolérance :", "cbCcTol"},  {"Coefficient de température :", "cbCcTc"},
};

QGroupBox* buildColourCode(QWidget* tab, std::array<QComboBox*, 6>& lists) {
  auto* box = new QGroupBox(QStringLiteral("Code couleur 5 et 6 bandes"), tab);
  box->setObjectName("gbCcCode");
  auto* column = new QVBoxLayout(box);

  auto* counts = new QHBoxLayout;
  auto* five = new QRadioButton(QStringLiteral("5 bandes"), box);
  five->setObjectName("rbCc5");
  five->setAccessibleName(five->text());
  five->setChecked(true);
  auto* six = new QRadioButton(QStringLiteral("6 bandes"), box);
  six->setObjectName("rbCc6");
  six->setAccessibleName(six->text());
  counts->addWidget(five);
  counts->addWidget(six);
  counts->addStretch(1);
  column->addLayout(counts);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  for (std::size_t i = 0; i < lists.size(); ++i) {
    auto* label = new QLabel(QString::fromUtf8(kColourLists[i].label), box);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lists[i] = colourList(box, kColourLists[i].name, label->text());
    lists[i]->setFixedWidth(170);
    label->setBuddy(lists[i]);
    grid->addWidget(label, int(i), 0);
    grid->addWidget(lists[i], int(i), 1);
  }
  for (QComboBox* digit : {lists[0], lists[1], lists[2]})
    for (std::size_t d = 0; d < bands::kDigits.size(); ++d)
      addColour(digit, bands::kDigits[d], std::to_string(d));
  for (const auto& m : bands::kMultipliers) addColour(lists[3], m.colour, m.label);
  for (const auto& t : bands::kTolerances) addColour(lists[4], t.colour, t.label);
  for (const auto& t : bands::kTempCos) addColour(lists[5], t.colour, t.label);
  const BandCode initial;
  for (std::size_t i = 0; i < 3; ++i) lists[i]->setCurrentIndex(initial.digits[i]);
  lists[3]->setCurrentIndex(initial.multiplier);
  lists[4]->setCurrentIndex(initial.tolerance);
  lists[5]->setCurrentIndex(initial.tempco);
  lists[5]->setEnabled(false);
  grid->setColumnStretch(2, 1);
  column->addLayout(grid);

  auto* drawing = new ResistorDrawing(box);
  drawing->setObjectName("imgCcResistor");
  drawing->setAccessibleName(QStringLiteral("Dessin de la résistance et de ses bandes"));
  column->addWidget(drawing, 0, Qt::AlignHCenter);

  FormGrid value(box);
  value.addResult(QStringLiteral("Valeur (Ω) :"), QStringLiteral("edCcValue"));
  column->addLayout(value.layout());
  for (const auto& [name, heard] : {std::pair{"lbCcRange", "Encadrement"},
                                    {"lbCcTc", "Coefficient de température"},
                                    {"lbCcSeries", "Série"}}) {
    auto* label = new QLabel(box);
    label->setObjectName(name);
    label->setAccessibleName(QString::fromUtf8(heard));
    label->setTextFormat(Qt::PlainText);
    column->addWidget(label, 0, Qt::AlignHCenter);
  }
  column->addSpacing(8);

  auto* back = new QWidget(box);
  FormGrid toBands(back);
  toBands.addEdit(fieldNamed(valvora::atelier::kStandardValueFields, "edCcIn"));
  toBands.addButton(QStringLiteral("Vers les couleurs"), QStringLiteral("btnCcToBands"))
      ->setFixedWidth(170);
  for (int r = 0; r < toBands.layout()->rowCount(); ++r) toBands.layout()->setRowStretch(r, 0);
  toBands.layout()->setContentsMargins(0, 0, 0, 0);
  back->setLayout(toBands.layout());
  column->addWidget(back);
  for (QLineEdit* e : box->findChildren<QLineEdit*>()) e->setFixedWidth(170);
  column->addStretch(1);
  return box;
}

// The picks, the texts and the drawing of the colour code, kept together.
struct ColourCodeTab {
  std::array<QComboBox*, 6> lists{};
  QRadioButton* six = nullptr;
  ResistorDrawing* drawing = nullptr;
  BandCode code;

  void fromLists() {
    for (std::size_t i = 0; i < 3; ++i) code.digits[i] = lists[i]->currentIndex();
    code.multiplier = lists[3]->currentIndex();
    code.tolerance = lists[4]->currentIndex();
    code.tempco = lists[5]->currentIndex();
    code.sixBands = six->isChecked();
  }
  // Selections made here notify nothing: the caller shows the result once.
  void toLists() {
    std::array<std::unique_ptr<QSignalBlocker>, 4> quiet;
    for (std::size_t i = 0; i < quiet.size(); ++i)
      quiet[i] = std::make_unique<QSignalBlocker>(lists[i]);
    for (std::size_t i = 0; i < 3; ++i) lists[i]->setCurrentIndex(code.digits[i]);
    lists[3]->setCurrentIndex(code.multiplier);
  }
  void show(Fields& f) {
    fromLists();
    lists[5]->setEnabled(code.sixBands);
    valvora::atelier::ColourCode(f, code);
    std::array<QColor, 6> colours;
    for (std::size_t i = 0; i < 3; ++i)
      colours[i] = colour(bands::kDigits.at(std::size_t(code.digits[i])));
    colours[3] = colour(bands::kMultipliers.at(std::size_t(code.multiplier)).colour);
    colours[4] = colour(bands::kTolerances.at(std::size_t(code.tolerance)).colour);
    colours[5] = colour(bands::kTempCos.at(std::size_t(code.tempco)).colour);
    drawing->paintBands(colours, code.sixBands);
  }
};

}  // namespace

QRect codeBandRect(int band) {
  // As on the "Résistances" page: 13 px bands, the caps' taller than the body's.
  constexpr int kCapTop = 3, kCapHeight = 61, kBodyTop = 11, kBodyHeight = 45;
  switch (band) {
    case 0:
      return {60, kCapTop, 13, kCapHeight};
    case 1:
    case 2:
    case 3:
      return {100 + 24 * (band - 1), kBodyTop, 13, kBodyHeight};
    case 4:
      return {184, kBodyTop, 13, kBodyHeight};
    default:
      return {232, kCapTop, 13, kCapHeight};
  }
}

void buildStandardValuesTab(QWidget* tab, const TabContext& context) {
  CalculatorHost& host = context.host;
  auto* row = new QHBoxLayout(tab);
  row->setContentsMargins(6, 6, 6, 6);
  row->setSpacing(8);
  row->addStretch(1);  // centred when the window is wider than the groups
  row->addWidget(buildSeries(tab), 0, Qt::AlignTop);
  auto state = std::make_shared<ColourCodeTab>();
  QGroupBox* code = buildColourCode(tab, state->lists);
  row->addWidget(code, 0, Qt::AlignTop);
  row->addStretch(1);
  state->six = code->findChild<QRadioButton*>("rbCc6");
  state->drawing = static_cast<ResistorDrawing*>(code->findChild<QWidget*>("imgCcResistor"));

  QList<QWidget*> seriesResults;
  for (const char* name : {"edEsLow", "edEsHigh", "edEsNear", "edEsErr"})
    seriesResults.append(tab->findChild<QWidget*>(QLatin1String(name)));
  auto* seriesMark =
      new StaleMark(tab->findChild<QPushButton*>("btnEsCalc"),
                    {tab->findChild<QWidget*>("edEsValue"), tab->findChild<QWidget*>("cbEsSeries")},
                    seriesResults);
  host.bind("btnEsCalc", seriesMark->wrap([](Fields& f) { valvora::atelier::NearestStandard(f); }));
  host.bind("btnCcToBands", [state](Fields& f) {
    valvora::atelier::BandsFromValue(f, state->code);
    state->toLists();
    state->show(f);
  });
  host.filterDecimalKeys({"edEsValue", "edCcIn"});

  // Every pick shows its texts and its drawing at once.
  auto refresh = [state, code, &host] { guarded(code, [&] { state->show(host.fields()); }); };
  for (QComboBox* list : state->lists)
    QObject::connect(list, &QComboBox::currentIndexChanged, code, refresh);
  QObject::connect(state->six, &QRadioButton::toggled, code, refresh);

  guarded(tab, [&] { valvora::atelier::NearestStandard(host.fields()); });
  guarded(tab, [&] { state->show(host.fields()); });
}

}  // namespace valvora::ui::atelier

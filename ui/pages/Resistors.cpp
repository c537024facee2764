#include "ui/pages/Resistors.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <span>

#include "core/failure.h"
#include "ui/Dialogs.h"
#include "ui/FormGrid.h"

namespace valvora::ui::pages {
namespace {

// ---- Colour code group: fixed geometry, the bands lie over the drawing ----

constexpr int kGroupWidth = 313;
constexpr int kGroupHeight = 204;
constexpr int kListWidth = 72;
constexpr int kListGap = 4;
constexpr QSize kImageSize(305, 68);
constexpr QPoint kImagePos((kGroupWidth - 305) / 2, 64);
constexpr int kValueRowTop = 140;
constexpr int kRangeTop = 168;
constexpr int kRangeRoom = kGroupWidth - 8;  // inside the group's frame

struct BandList {
  const char* label;
  const char* labelName;
  std::string_view list;
  std::span<const std::string_view> items;
  int initial;
};
const BandList kBandLists[] = {
    {"Valeur 1", "Label193", code::sign, code::kDigits, 1},
    {"Valeur 2", "Label194", code::sign2, code::kDigits, 0},
    {"Multiplicateur", "Label195", code::mult, code::kMultipliers, 1},
    {"Tolérance", "Label196", code::tole, code::kToleranceColours, 0},
};

QComboBox* makeList(QWidget* parent, std::string_view name, std::span<const std::string_view> items,
                    int initial, const QString& accessible) {
  auto* list = new QComboBox(parent);
  list->setObjectName(fromUtf8(name));
  list->setAccessibleName(accessible);
  for (std::string_view item : items) list->addItem(fromUtf8(item));
  list->setCurrentIndex(initial);
  return list;
}

QGroupBox* buildColourCode() {
  auto* box = new QGroupBox(QStringLiteral("Code couleur"));
  box->setObjectName("GroupBox9");
  box->setFixedSize(kGroupWidth, kGroupHeight);

  int left = (kGroupWidth - 4 * kListWidth - 3 * kListGap) / 2;
  for (const BandList& b : kBandLists) {
    auto* label = new QLabel(QString::fromUtf8(b.label), box);
    label->setObjectName(b.labelName);
    // Centred over its list: "Multiplicateur" is wider than the list.
    label->adjustSize();
    label->move(left + (kListWidth - label->width()) / 2, 18);
    auto* list = makeList(box, b.list, b.items, b.initial, label->text());
    list->setGeometry(left, 34, kListWidth, 24);
    label->setBuddy(list);
    left += kListWidth + kListGap;
  }

  auto* image = new QLabel(box);
  image->setObjectName("Image1");
  image->setGeometry(QRect(kImagePos, kImageSize));
  image->setPixmap(QPixmap(QStringLiteral(":/design/resistance.png")));
  for (int band = 1; band <= 4; ++band) {
    auto* rect = new QWidget(box);
    rect->setObjectName(QStringLiteral("Couleur%1").arg(band));
    rect->setGeometry(bandRect(band).translated(kImagePos));
    rect->setAttribute(Qt::WA_StyledBackground);
    rect->setStyleSheet(QStringLiteral("background: #ffffff; border: 1px solid #000000;"));
  }

  // The value, its unit and the tolerance, centred under the drawing.
  constexpr int kValueWidth = 80, kUnitWidth = 58, kToleranceWidth = 74;
  left = (kGroupWidth - kValueWidth - kUnitWidth - kToleranceWidth - 2 * kListGap) / 2;
  auto* valeur = new QLineEdit(QStringLiteral("1"), box);
  valeur->setObjectName(fromUtf8(code::valeur));
  valeur->setAccessibleName(QStringLiteral("Valeur"));
  valeur->setGeometry(left, kValueRowTop, kValueWidth, 24);
  left += kValueWidth + kListGap;
  makeList(box, code::unite, code::kUnits, 0, QStringLiteral("Unité"))
      ->setGeometry(left, kValueRowTop, kUnitWidth, 24);
  left += kUnitWidth + kListGap;
  makeList(box, code::nbtole, code::kTolerances, 0, QStringLiteral("Tolérance en %"))
      ->setGeometry(left, kValueRowTop, kToleranceWidth, 24);

  auto* range = new QLabel(QStringLiteral("encadrement"), box);
  range->setObjectName(fromUtf8(code::encadrement));
  range->setTextFormat(Qt::PlainText);
  // A range wider than the group, 89,1 MegaOhm to 108,9 MegaOhm for instance, takes a
  // second line rather than losing its ends.
  range->setWordWrap(true);
  range->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  range->move(0, kRangeTop);
  range->adjustSize();
  return box;
}

// ---- Network groups ----

QGroupBox* group(const char* name, const char* caption, QLayout* content) {
  auto* box = new QGroupBox(QString::fromUtf8(caption));
  box->setObjectName(name);
  content->setContentsMargins(8, 4, 8, 6);
  box->setLayout(content);
  return box;
}

// "Calcul Led": two columns of two fields, the button under the result.
QGroupBox* buildLed() {
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  struct Row {
    const char* label;
    const char* labelName;
    const char* field;
    const char* text;
    int row, column;
  };
  const Row rows[] = {
      {"Tension initiale :", "Label40", "edTInit", "9", 0, 0},
      {"Ampérage led (mA) :", "Label42", "edAmpLed", "20", 1, 0},
      {"Tension led :", "Label50", "edTLed", "1,7", 0, 2},
      {"Résistance :", "Label52", "edResistor", "", 1, 2},
  };
  for (const Row& r : rows) {
    auto* label = new QLabel(QString::fromUtf8(r.label));
    label->setObjectName(r.labelName);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* edit = new QLineEdit(QString::fromUtf8(r.text));
    edit->setObjectName(r.field);
    edit->setAccessibleName(label->text());
    edit->setFixedWidth(r.column == 0 ? 50 : 76);
    label->setBuddy(edit);
    grid->addWidget(label, r.row, r.column);
    grid->addWidget(edit, r.row, r.column + 1);
  }
  auto* button = new QPushButton(QStringLiteral("Calcul"));
  button->setObjectName("Button8");
  button->setFixedWidth(76);
  grid->addWidget(button, 2, 3);
  grid->setColumnStretch(2, 1);
  return group("GroupBox19", "Calcul Led", grid);
}

struct Field {
  const char* label;
  const char* name;
  const char* text;
  const char* unit = nullptr;  // label after the field, and its name
  const char* unitName = nullptr;
};

QGroupBox* buildForm(const char* name, const char* caption, std::initializer_list<Field> fields,
                     const char* button, int fieldWidth) {
  FormGrid form;
  form.layout()->setHorizontalSpacing(4);
  for (const Field& f : fields) {
    form.addEdit(QString::fromUtf8(f.label), f.name, QString::fromUtf8(f.text))
        ->setFixedWidth(fieldWidth);
    if (f.unit) form.addUnit(QString::fromUtf8(f.unit), f.unitName);
  }
  form.addButton(QStringLiteral("Calcul"), button)->setFixedWidth(fieldWidth);
  QGroupBox* box = group(name, caption, form.layout());
  form.layout()->setContentsMargins(6, 4, 6, 6);
  return box;
}

// "Montage série/parallèle": the network drawing beside its fields.
QGroupBox* buildSeriesParallel() {
  constexpr int kWidth = 56;  // the drawing and its fields share the column
  auto* row = new QHBoxLayout;
  row->setSpacing(6);
  auto* picture = new QLabel;
  picture->setObjectName("imgSP");
  row->addWidget(picture, 0, Qt::AlignTop);
  FormGrid form;
  const Field fields[] = {{"R1:", "edR1_serpar", "2"},
                          {"R2:", "edR2_serpar", "4"},
                          {"R3 :", "edR3_serpar", "8"},
                          {"R4 :", "edR4_serpar", "12"},
                          {"R :", "edR_serpar", ""}};
  for (const Field& f : fields)
    form.addEdit(QString::fromUtf8(f.label), f.name, QString::fromUtf8(f.text))
        ->setFixedWidth(kWidth);
  form.addButton(QStringLiteral("Calcul"), "Button22")->setFixedWidth(kWidth);
  row->addLayout(form.layout(), 1);
  QGroupBox* box = group("GroupBox18", "Montage série/parallèle", row);
  row->setContentsMargins(6, 4, 6, 6);
  return box;
}

}  // namespace

QRect bandRect(int band) {
  // The first band sits on the left end cap, the others on the narrower body.
  constexpr int kFirstLeft = 60, kCapTop = 3, kBodyTop = 11;
  switch (band) {
    case 1:
      return {kFirstLeft, kCapTop, 13, 61};
    case 2:
      return {kFirstLeft + 40, kBodyTop, 13, 45};
    case 3:
      return {kFirstLeft + 64, kBodyTop, 13, 45};
    default:
      return {kFirstLeft + 88, kBodyTop, 13, 45};
  }
}

void buildResistorsPage(QWidget* page) {
  auto* columns = new QHBoxLayout(page);
  columns->setContentsMargins(4, 4, 4, 4);
  columns->setSpacing(6);

  auto* left = new QVBoxLayout;
  left->setSpacing(6);
  left->addWidget(buildColourCode());
  left->addWidget(buildSeriesParallel());
  left->addStretch(1);
  columns->addLayout(left);

  auto* right = new QVBoxLayout;
  right->setSpacing(6);
  right->addWidget(buildLed());
  // The two-resistor networks in one column, Ohm's law beside them.
  auto* grid = new QGridLayout;
  grid->setSpacing(6);
  grid->addWidget(
      buildForm("GroupBox16", "Montage parallèle",
                {{"R1:", "edR1_par", "12"}, {"R2 :", "edR2_par", "5"}, {"R :", "edR_par", ""}},
                "Button20", 70),
      0, 0);
  grid->addWidget(
      buildForm("GroupBox17", "Montage en série",
                {{"R1:", "edR1_ser", "8"}, {"R2 :", "edR2_ser", "33"}, {"R :", "edR_ser", ""}},
                "Button21", 70),
      1, 0);
  grid->addWidget(buildForm("GroupBox11", "Courant traversant une résistance",
                            {{"Résistance :", "ed_Rt", "10", "Ohms", "Label237"},
                             {"Courant :", "ed_At", "", "A", "Label239"},
                             {"Voltage :", "ed_Vt", "10", "V", "Label238"}},
                            "btn_trC", 56),
                  0, 1);
  grid->addWidget(buildForm("GroupBox24", "Puissance dissipée",
                            {{"Résistance :", "ed_Rpdiss", "10", "Ohms", "Label252"},
                             {"Puissance :", "ed_Wpdiss", "", "W", "Label254"},
                             {"Voltage :", "ed_Vpdiss", "10", "V", "Label253"}},
                            "btn_Pdiss", 56),
                  1, 1);
  grid->setColumnStretch(1, 1);
  right->addLayout(grid);
  right->addStretch(1);
  columns->addLayout(right, 1);
}

// ---- The colour code's widgets ----

ColourCodeWidgets::ColourCodeWidgets(QWidget* page, Fields& fields)
    : fields_(fields),
      group_(page->findChild<QGroupBox*>("GroupBox9")),
      valeur_(group_->findChild<QLineEdit*>(fromUtf8(code::valeur))),
      encadrement_(group_->findChild<QLabel*>(fromUtf8(code::encadrement))) {
  for (std::string_view name :
       {code::sign, code::sign2, code::mult, code::tole, code::nbtole, code::unite})
    lists_.insert(fromUtf8(name), group_->findChild<QComboBox*>(fromUtf8(name)));
  for (int band = 1; band <= 4; ++band)
    bands_[std::size_t(band - 1)] =
        group_->findChild<QWidget*>(QStringLiteral("Couleur%1").arg(band));
}

QComboBox* ColourCodeWidgets::list(std::string_view name) const {
  QComboBox* l = lists_.value(fromUtf8(name));
  if (!l) throw CalcError("Liste introuvable : " + std::string(name));
  return l;
}

int ColourCodeWidgets::selected(std::string_view name) const {
  return list(name)->currentIndex();
}

void ColourCodeWidgets::select(std::string_view name, int index) {
  list(name)->setCurrentIndex(index);
}

void ColourCodeWidgets::paint(int band, Rgb colour) {
  QWidget* rect = bands_.at(std::size_t(band - 1));
  rect->setStyleSheet(QStringLiteral("background: rgb(%1, %2, %3); border: 1px solid #000000;")
                          .arg(colour.red)
                          .arg(colour.green)
                          .arg(colour.blue));
}

void ColourCodeWidgets::centreRange() {
  // Sized to its text, at most as wide as the group's inside, where it wraps.
  const int width =
      std::min(encadrement_->fontMetrics().horizontalAdvance(encadrement_->text()) + 1, kRangeRoom);
  encadrement_->resize(width, encadrement_->heightForWidth(width));
  encadrement_->move((group_->width() - encadrement_->width()) / 2, encadrement_->y());
}

void ColourCodeWidgets::showBox(std::string_view caption, std::string_view text) {
  dialogs().error(group_, fromUtf8(caption), fromUtf8(text));
}

void ColourCodeWidgets::connect(const std::function<void()>& onColours,
                                const std::function<void()>& onValue) {
  for (std::string_view name : {code::sign, code::sign2, code::mult, code::tole})
    QObject::connect(list(name), &QComboBox::activated, group_, [onColours] { onColours(); });
  for (std::string_view name : {code::unite, code::nbtole})
    QObject::connect(list(name), &QComboBox::activated, group_, [onValue] { onValue(); });
  QObject::connect(valeur_, &QLineEdit::textChanged, group_, [onValue] { onValue(); });
}

std::vector<CalculatorRow> resistorCalculators() {
  return {
      {"resistor_led", "Button8", &valvora::resistor_led},
      {"resist_sp", "Button22", &valvora::resist_sp},
      {"resist_par", "Button20", &valvora::resist_par},
      {"resist_ser", "Button21", &valvora::resist_ser},
      {"CourTravRes", "btn_trC", &valvora::CourTravRes},
      {"PuisDisRes", "btn_Pdiss", &valvora::PuisDisRes},
  };
}

}  // namespace valvora::ui::pages

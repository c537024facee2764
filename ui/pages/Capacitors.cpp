#include "ui/pages/Capacitors.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include "core/capacitors.h"

#include "ui/FormGrid.h"

namespace valvora::ui::pages {
namespace {

constexpr QColor kNavy(0, 0, 128);
constexpr int kNarrowField = 62;
constexpr int kResultWidth = 78;

QGroupBox* group(const char* name, const char* caption) {
  auto* box = new QGroupBox(fromUtf8(caption));
  box->setObjectName(name);
  return box;
}

QLabel* label(const char* name, const char* caption) {
  auto* l = new QLabel(fromUtf8(caption));
  l->setObjectName(name);
  l->setTextFormat(Qt::PlainText);
  return l;
}

QLabel* underlined(const char* name, const char* caption) {
  QLabel* l = label(name, caption);
  QFont f = l->font();
  f.setUnderline(true);
  l->setFont(f);
  return l;
}

QLabel* navyItalic(const char* name, const char* caption) {
  QLabel* l = label(name, caption);
  QFont f = l->font();
  f.setItalic(true);
  l->setFont(f);
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, kNavy);
  l->setPalette(p);
  return l;
}

// A result written as a caption; until the first computation it shows its own name.
QLabel* resultLabel(const char* name, int width = kResultWidth) {
  QLabel* l = label(name, name);
  l->setMinimumWidth(width);
  return l;
}

QLineEdit* edit(const char* name, const char* text, const QString& accessible,
                int width = kNarrowField) {
  auto* e = new QLineEdit(fromUtf8(text));
  e->setObjectName(name);
  e->setAccessibleName(accessible);
  e->setFixedWidth(width);
  return e;
}

QPushButton* calcul(const char* name) {
  auto* b = new QPushButton(QStringLiteral("Calcul"));
  b->setObjectName(name);
  b->setFixedWidth(FormGrid::kFieldWidth);
  return b;
}

// "label : field unit" rows of the shared builder, with the unit in a third column.
struct UnitRow {
  const char* label;
  const char* field;
  const char* text;
  const char* unitName;
  const char* unit;
};

template <std::size_t N>
FormGrid unitForm(const UnitRow (&rows)[N]) {
  FormGrid form;
  for (const UnitRow& r : rows) {
    QLineEdit* e = form.addEdit(fromUtf8(r.label), r.field, fromUtf8(r.text));
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    form.layout()->getItemPosition(form.layout()->indexOf(e), &row, &column, &rowSpan, &columnSpan);
    form.layout()->addWidget(label(r.unitName, r.unit), row, 2);
  }
  return form;
}

// --- "Condensateur && Misc." ---

QGroupBox* capacitorCode() {
  QGroupBox* box = group("GroupBox20", "Code condensateur normalisé");
  auto* grid = new QGridLayout(box);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(4);

  grid->addWidget(label("Label218", "2 premiers chiffres"), 0, 0);
  grid->addWidget(label("Label224", "Dernier chiffre"), 0, 1);
  grid->addWidget(label("Label225", "Lettre"), 0, 2);
  grid->addWidget(edit("Edit3", "10", QStringLiteral("2 premiers chiffres")), 1, 0);

  struct List {
    const char* name;
    const char* accessible;
    QStringList items;
    const char* selected;
  };
  const List lists[] = {
      {"ComboBox1", "Dernier chiffre", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, "2"},
      {"ComboBox2", "Lettre", {"B", "C", "D", "F", "G", "H", "J", "K", "M", "R", "S", "Z"}, "F"},
  };
  int column = 1;
  for (const List& l : lists) {
    QComboBox* list = editableList();
    list->setObjectName(l.name);
    list->setAccessibleName(fromUtf8(l.accessible));
    list->addItems(l.items);
    list->setCurrentText(fromUtf8(l.selected));
    list->setFixedWidth(kNarrowField);
    grid->addWidget(list, 1, column++);
  }

  grid->setRowMinimumHeight(2, 6);
  grid->addWidget(underlined("Label226", "Résultats :"), 3, 0);
  grid->addWidget(underlined("Label233", "Tolérance :"), 3, 2, 1, 2);
  struct Unit {
    const char* result;
    const char* name;
    const char* unit;
  };
  const Unit units[] = {
      {"lb_pF", "Label230", "pF"}, {"lb_nF", "Label231", "nF"}, {"lb_uF", "Label232", "µF"}};
  int row = 4;
  for (const Unit& u : units) {
    auto* line = new QHBoxLayout;
    line->setSpacing(4);
    QLabel* value = resultLabel(u.result, 0);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    line->addWidget(value, 1);
    line->addWidget(label(u.name, u.unit));
    grid->addLayout(line, row++, 0, 1, 2);
  }
  grid->addWidget(resultLabel("lb_tolerance"), 4, 2, 1, 2);

  grid->setRowMinimumHeight(row++, 6);
  grid->addWidget(calcul("Button10"), row++, 2);
  grid->setRowStretch(row, 1);
  grid->setColumnStretch(3, 1);
  return box;
}

QGroupBox* conversion() {
  QGroupBox* box = group("GroupBox21", "Conversion");
  auto* grid = new QGridLayout(box);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  grid->addWidget(label("Label227", "pF"), 0, 2);
  grid->addWidget(label("Label228", "nF"), 0, 3);
  grid->addWidget(label("Label229", "µF"), 0, 4);
  struct Row {
    const char* input;
    const char* text;
    const char* unitName;
    const char* unit;
    const char* results[3];
  };
  const Row rows[] = {
      {"edpF", "10", "Label245", "pF", {"lbpFa", "lbnFa", "lbmicFa"}},
      {"ednF", "220", "Label244", "nF", {"lbpFb", "lbnFb", "lbmicFb"}},
      {"edmicF", "0,47", "Label243", "µF", {"lbpFc", "lbnFc", "lbmicFc"}},
  };
  int r = 1;
  for (const Row& row : rows) {
    grid->addWidget(edit(row.input, row.text, fromUtf8(row.unit)), r, 0);
    grid->addWidget(label(row.unitName, row.unit), r, 1);
    for (int c = 0; c < 3; ++c) grid->addWidget(resultLabel(row.results[c], 70), r, 2 + c);
    ++r;
  }
  grid->setRowMinimumHeight(r++, 6);
  grid->addWidget(calcul("Button26"), r++, 0);
  grid->setRowStretch(r, 1);
  grid->setColumnStretch(4, 1);
  return box;
}

QGroupBox* network(const char* box, const char* caption, const char* first, const char* second,
                   const char* result, const char* defaults[2], const char* button) {
  QGroupBox* g = group(box, caption);
  FormGrid form;
  form.addEdit(QStringLiteral("C1 :"), first, fromUtf8(defaults[0]));
  form.addEdit(QStringLiteral("C2 :"), second, fromUtf8(defaults[1]));
  form.addEdit(QStringLiteral("C :"), result);
  form.addButton(QStringLiteral("Calcul"), button);
  g->setLayout(form.layout());
  return g;
}

QGroupBox* potentiometer() {
  QGroupBox* box = group("GroupBox10", "Potentiomètres");
  const UnitRow rows[] = {
      {"Voltage source :", "evsrc", "20", "Label90", "V"},
      {"Valeur maximale :", "epRmax", "100000", "Label97", "Ohms"},
      {"Position (0 - 100%) :", "eppos", "50", "Label101", "%"},
      {"Voltage sortie (Lin) :", "eplin", "", "Label111", "V"},
      {"Voltage sortie (Log) :", "eplog", "", "Label181", "V"},
      {"Puissance dissipée :", "epdiss", "", "Label234", "W"},
  };
  FormGrid form = unitForm(rows);
  form.addButton(QStringLiteral("Calcul"), "btn_pot");
  box->setLayout(form.layout());
  for (const char* result : {"eplin", "eplog", "epdiss"}) {
    auto* e = box->findChild<QLineEdit*>(QLatin1String(result));
    e->setReadOnly(true);
    e->setEnabled(false);
  }
  // One column wide enough for a result of fifteen digits.
  for (QLineEdit* e : box->findChildren<QLineEdit*>()) e->setFixedWidth(120);
  return box;
}

// --- "Filtres && Alimentation" ---

QGroupBox* rcFilter() {
  QGroupBox* box = group("GroupBox25", "Filtre RC");
  auto* row = new QHBoxLayout(box);
  row->setSpacing(12);

  auto* picture = new QLabel;
  picture->setObjectName("Image2");
  picture->setPixmap(QPixmap(QStringLiteral(":/design/filtre-rc.png")));
  picture->setFixedSize(280, 80);
  row->addWidget(picture, 0, Qt::AlignTop);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  struct Filter {
    const char* title;
    const char* titleName;
    const char* headings[3];
    const char* fields[3];
    const char* defaults[3];
  };
  const Filter filters[] = {
      {"Passe bas",
       "Label261",
       {"Label258", "Label259", "Label260"},
       {"edRCr1", "edRCc1", "edRCfc1"},
       {"10000", "0,1", ""}},
      {"Passe haut",
       "Label262",
       {"Label255", "Label256", "Label257"},
       {"edRCr2", "edRCc2", "edRCfc2"},
       {"250000", "0,47", ""}},
  };
  const char* captions[3] = {"R (ohms)", "C (µF)", "Hz"};
  int column = 0;
  for (const Filter& f : filters) {
    grid->addWidget(navyItalic(f.titleName, f.title), 0, column, 1, 3);
    for (int i = 0; i < 3; ++i) {
      grid->addWidget(label(f.headings[i], captions[i]), 1, column + i);
      grid->addWidget(edit(f.fields[i], f.defaults[i],
                           fromUtf8(f.title) + QLatin1Char(' ') + fromUtf8(captions[i])),
                      2, column + i);
    }
    column += 3;
    grid->setColumnMinimumWidth(column, 10);
    ++column;
  }
  grid->setRowMinimumHeight(3, 4);
  grid->addWidget(calcul("btnCalcRC"), 4, column - 2, 1, 1, Qt::AlignRight);
  row->addLayout(grid);
  row->addStretch(1);
  return box;
}

QGroupBox* supply() {
  QGroupBox* box = group("GroupBox26", "Alimentation - 2 secondaires");
  const UnitRow rows[] = {
      {"Tension secondaire : *", "edTS", "9", "Label272", "V"},
      {"Courant nominal  : *", "edCN", "", "Label274", "A"},
      {"Puissance (VA) :", "edP", "75", "Label273", "VA"},
      {"Tension continue :", "edTC", "", "Label275", "V"},
  };
  FormGrid form = unitForm(rows);
  auto* column = new QVBoxLayout(box);
  column->addLayout(form.layout());
  column->addWidget(label("Label276", "* Sur un enroulement"));

  auto* bottom = new QHBoxLayout;
  QGroupBox* choice = group("GroupBox27", "Choix du calcul");
  auto* radios = new QVBoxLayout(choice);
  radios->setSpacing(2);
  auto* current = new QRadioButton(QStringLiteral("Courant "));
  current->setObjectName("rbCourant");
  current->setChecked(true);
  auto* power = new QRadioButton(QStringLiteral("Puissance"));
  power->setObjectName("rbPuis");
  radios->addWidget(current);
  radios->addWidget(power);
  bottom->addWidget(choice);
  bottom->addStretch(1);
  bottom->addWidget(calcul("bntAlim"), 0, Qt::AlignBottom);
  column->addLayout(bottom);
  column->addStretch(1);
  return box;
}

QGroupBox* choke() {
  QGroupBox* box = group("GroupBox28", "Calcul de la self et de la capa mini");
  const UnitRow rows[] = {
      {"Tension en sortie de filtrage :", "Edit4", "265", "Label279", "V"},
      {"Courant utile après filtrage :", "Edit5", "0,1", "Label280", "A"},
      {"Taux d'ondulation :", "Edit8", "1,0", "Label282", "%"},
  };
  FormGrid form = unitForm(rows);
  QGridLayout* grid = form.layout();
  int row = grid->rowCount();
  grid->setRowMinimumHeight(row++, 6);
  const struct {
    const char* name;
    const char* caption;
    const char* result;
  } results[] = {{"Label283", "Inductance de filtrage :", "lbInduc"},
                 {"Label285", "Capacité de filtrage :", "lbCap"}};
  for (const auto& r : results) {
    QLabel* caption = label(r.name, r.caption);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(caption, row, 0);
    grid->addWidget(resultLabel(r.result, 110), row++, 1, 1, 2);
  }
  grid->setRowMinimumHeight(row++, 8);
  grid->addWidget(calcul("btnTransfo"), row++, 1);
  grid->setRowStretch(row, 1);
  box->setLayout(grid);
  return box;
}

class MousePress : public QObject {
 public:
  MousePress(QObject* parent, std::function<void()> action)
      : QObject(parent), action_(std::move(action)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) action_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> action_;
};

// Enter in a list's edit box runs the group's button once. Left to the list, the key would
// also count as choosing the matching item, and the code would run (and fail) two or three
// times for one key.
class EnterClicks : public QObject {
 public:
  EnterClicks(QObject* parent, QAbstractButton* button) : QObject(parent), button_(button) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        button_->click();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QAbstractButton* button_;
};

}  // namespace

void buildCapacitorPage(QWidget* page) {
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(6, 6, 6, 6);
  column->setSpacing(6);

  auto* top = new QHBoxLayout;
  top->addWidget(capacitorCode(), 0);
  top->addWidget(conversion(), 1);
  column->addLayout(top);
  auto* code = page->findChild<QPushButton*>("Button10");
  for (const char* name : {"ComboBox1", "ComboBox2"}) {
    QLineEdit* box = page->findChild<QComboBox*>(name)->lineEdit();
    box->installEventFilter(new EnterClicks(box, code));
  }

  auto* bottom = new QHBoxLayout;
  const char* parallel[2] = {"1,00", "0,47"};
  const char* series[2] = {"2,20", "1,00"};
  bottom->addWidget(network("GroupBox22", "Montage parallèle", "edc1_par", "edc2_par", "edc_par",
                            parallel, "Button27"),
                    0, Qt::AlignTop);
  bottom->addWidget(network("GroupBox23", "Montage série", "edc1_ser", "edc2_ser", "edc_ser",
                            series, "btnCondoSer"),
                    0, Qt::AlignTop);
  bottom->addWidget(potentiometer(), 1, Qt::AlignTop);
  column->addLayout(bottom);
  column->addStretch(1);
}

void buildFilterPage(QWidget* page) {
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(6, 6, 6, 6);
  column->setSpacing(6);
  column->addWidget(rcFilter());
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(supply(), 1, Qt::AlignTop);
  bottom->addWidget(choke(), 1, Qt::AlignTop);
  column->addLayout(bottom);
  column->addStretch(1);
}

void applySupplyMode(QWidget* root, SupplyMode mode) {
  auto* power = root->findChild<QLineEdit*>("edP");
  auto* current = root->findChild<QLineEdit*>("edCN");
  QLineEdit* typed = mode == SupplyMode::Current ? power : current;
  QLineEdit* computed = mode == SupplyMode::Current ? current : power;
  typed->setReadOnly(false);
  typed->setCursor(Qt::IBeamCursor);
  computed->setReadOnly(true);
  computed->setCursor(Qt::ArrowCursor);
}

void onMousePress(QWidget* field, std::function<void()> action) {
  field->installEventFilter(new MousePress(field, std::move(action)));
}

std::vector<CalculatorRow> capacitorCalculators(CapacitorCodeState& code) {
  return {
      {"condonorm", "Button10", [&code](Fields& f) { valvora::condonorm(f, code); }},
      {"convert_condo", "Button26", &valvora::convert_condo},
      {"condo_par", "Button27", &valvora::condo_par},
      {"condo_ser", "btnCondoSer", &valvora::condo_ser},
      {"potentiometre", "btn_pot", &valvora::potentiometre},
  };
}

std::vector<CalculatorRow> filterCalculators(QWidget* page) {
  auto checked = [page](const char* name) {
    return page->findChild<QRadioButton*>(QLatin1String(name))->isChecked();
  };
  return {
      {"RCFilter", "btnCalcRC", &valvora::RCFilter},
      // The supply's "Calcul" runs the calculation of the selected mode.
      {"bntAlim", "bntAlim",
       [checked](Fields& f) {
         if (checked("rbCourant")) valvora::Courant(f);
         if (checked("rbPuis")) valvora::Puissance(f);
       }},
      {"Courant", nullptr, &valvora::Courant},
      {"Transfo", "btnTransfo", &valvora::Transfo},
  };
}

}  // namespace valvora::ui::pages

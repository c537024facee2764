#include "ui/atelier/Safety.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <vector>

#include "core/atelier/discharge.h"
#include "ui/CalculatorHost.h"
#include "ui/Dialogs.h"
#include "ui/FormGrid.h"

namespace valvora::ui::atelier {
namespace {

using valvora::FieldDef;

struct Row {
  const char* label;
  const char* name;
};

constexpr int kFieldWidth = 80;

const FieldDef& def(std::string_view name) {
  return fieldNamed(valvora::atelier::kSafetyFields, name);
}

// Read-only results.
void addResults(FormGrid& form, std::initializer_list<Row> rows) {
  for (const Row& r : rows)
    form.addResult(QString::fromUtf8(r.label), r.name)->setFixedWidth(kFieldWidth);
}

// One calculator of a group: its inputs, its button, its results. Each has its own panel so
// that Enter in an input clicks its own button only.
QWidget* panel(QWidget* owner, std::initializer_list<const char*> inputs, const char* caption,
               const char* button, std::initializer_list<Row> results) {
  auto* p = new QWidget(owner);
  FormGrid form(p);
  for (const char* name : inputs) form.addEdit(def(name))->setFixedWidth(kFieldWidth);
  form.addButton(QString::fromUtf8(caption), button)->setFixedWidth(kFieldWidth);
  addResults(form, results);
  // addButton leaves a stretch under the button: the results follow it closely instead.
  for (int r = 0; r < form.layout()->rowCount(); ++r) form.layout()->setRowStretch(r, 0);
  form.layout()->setContentsMargins(0, 0, 0, 0);
  p->setLayout(form.layout());
  return p;
}

QGroupBox* buildDischarge(QWidget* tab) {
  auto* box = new QGroupBox(QStringLiteral("Décharge des condensateurs de filtrage"), tab);
  box->setObjectName("gbDecharge");
  auto* column = new QVBoxLayout(box);
  column->addWidget(panel(box, {"edDeC", "edDeV0", "edDeVs", "edDeR"}, "Calcul", "btnDeCalc",
                          {{"Constante de temps (s) :", "edDeTau"},
                           {"Temps de décharge (s) :", "edDeTime"},
                           {"Courant permanent (mA) :", "edDeI"},
                           {"Puissance dissipée (W) :", "edDeP"},
                           {"Puissance conseillée (W) :", "edDePr"}}));
  column->addSpacing(8);
  column->addWidget(panel(box, {"edDeTwant"}, "Résistance", "btnDeRes",
                          {{"Résistance calculée (kΩ) :", "edDeRcalc"},
                           {"Valeur E12 (kΩ) :", "edDeRe12"},
                           {"Sa puissance (W) :", "edDePe12"},
                           {"Puissance conseillée (W) :", "edDePr2"}}));
  column->addStretch(1);
  return box;
}

QComboBox* addList(FormGrid& form, const char* name, std::initializer_list<const char*> items) {
  QComboBox* list = form.addList(def(name));
  for (const char* item : items) list->addItem(QString::fromUtf8(item));
  list->setCurrentText(fromUtf8(def(name).defaultText));
  list->setFixedWidth(kFieldWidth);
  return list;
}

QGroupBox* buildTransformer(QWidget* tab) {
  auto* box = new QGroupBox(QStringLiteral("Transformateur de sortie"), tab);
  box->setObjectName("gbTransfo");
  auto* column = new QVBoxLayout(box);
  auto* p = new QWidget(box);
  FormGrid form(p);
  form.addEdit(def("edOtZp"))->setFixedWidth(kFieldWidth);
  addList(form, "cbOtTap", {"4", "8", "16"});
  addList(form, "cbOtLoad", {"0", "2", "4", "8", "16"});
  form.addButton(QStringLiteral("Calcul"), "btnOtCalc")->setFixedWidth(kFieldWidth);
  addResults(form, {{"Rapport de transformation :", "edOtRatio"},
                    {"Impédance vue par les lampes (Ω) :", "edOtZa"},
                    {"Rapport charge / prise :", "edOtMis"}});
  for (int r = 0; r < form.layout()->rowCount(); ++r) form.layout()->setRowStretch(r, 0);
  form.layout()->setContentsMargins(0, 0, 0, 0);
  p->setLayout(form.layout());
  column->addWidget(p);

  auto* verdict = new QLabel(box);
  verdict->setObjectName("lbOtVerdict");
  verdict->setAccessibleName(QStringLiteral("Verdict"));
  verdict->setTextFormat(Qt::PlainText);
  verdict->setWordWrap(true);
  verdict->setMinimumHeight(3 * verdict->fontMetrics().lineSpacing());
  verdict->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  column->addSpacing(6);
  column->addWidget(verdict);
  column->addStretch(1);
  return box;
}

}  // namespace

void buildSafetyTab(QWidget* tab, const TabContext& context) {
  CalculatorHost& host = context.host;
  auto* row = new QHBoxLayout(tab);
  row->setContentsMargins(6, 6, 6, 6);
  row->setSpacing(8);
  row->addStretch(1);  // centred when the window is wider than the groups
  row->addWidget(buildDischarge(tab), 0, Qt::AlignTop);
  QGroupBox* transformer = buildTransformer(tab);
  // The verdict wraps within the group rather than widening it.
  transformer->setFixedWidth(340);
  row->addWidget(transformer, 0, Qt::AlignTop);
  row->addStretch(1);

  auto widgets = [tab](std::initializer_list<const char*> names) {
    QList<QWidget*> out;
    for (const char* n : names) out.append(tab->findChild<QWidget*>(QLatin1String(n)));
    return out;
  };
  auto mark = [&](const char* button, std::initializer_list<const char*> inputs,
                  std::initializer_list<const char*> results) {
    return new StaleMark(tab->findChild<QPushButton*>(QLatin1String(button)), widgets(inputs),
                         widgets(results));
  };
  StaleMark* discharge = mark("btnDeCalc", {"edDeC", "edDeV0", "edDeVs", "edDeR"},
                              {"edDeTau", "edDeTime", "edDeI", "edDeP", "edDePr"});
  StaleMark* bleeder = mark("btnDeRes", {"edDeC", "edDeV0", "edDeVs", "edDeTwant"},
                            {"edDeRcalc", "edDeRe12", "edDePe12", "edDePr2"});
  StaleMark* load = mark("btnOtCalc", {"edOtZp", "cbOtTap", "cbOtLoad"},
                         {"edOtRatio", "edOtZa", "edOtMis", "lbOtVerdict"});
  host.bind("btnDeCalc", discharge->wrap([](Fields& f) { valvora::atelier::Discharge(f); }));
  host.bind("btnDeRes", bleeder->wrap([](Fields& f) { valvora::atelier::BleederFor(f); }));
  host.bind("btnOtCalc", load->wrap([](Fields& f) { valvora::atelier::OtLoad(f); }));
  static const std::vector<const char*> numeric = [] {
    std::vector<const char*> names;
    for (const FieldDef& s : valvora::atelier::kSafetyFields)
      if (s.numeric) names.push_back(s.name.data());
    return names;
  }();
  host.filterDecimalKeys(numeric);

  // The bleeder for a wanted time waits for its button.
  guarded(tab, [&] { valvora::atelier::Discharge(host.fields()); });
  guarded(tab, [&] { valvora::atelier::OtLoad(host.fields()); });
}

}  // namespace valvora::ui::atelier

#include "ui/atelier/Safety.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/atelier/discharge.h"
#include "ui/CalculatorHost.h"
#include "ui/Dialogs.h"
#include "ui/FormGrid.h"

namespace valvora::ui::atelier {
namespace {

struct Row {
  const char* label;
  const char* name;
  const char* text = nullptr;  // an input's default; results have none
};

constexpr int kFieldWidth = 80;

// Rows of a form: inputs with their default, read-only results without.
void addRows(FormGrid& form, std::initializer_list<Row> rows) {
  for (const Row& r : rows) {
    const QString label = QString::fromUtf8(r.label);
    QLineEdit* edit = r.text ? form.addEdit(label, r.name, QString::fromUtf8(r.text))
                             : form.addResult(label, r.name);
    edit->setFixedWidth(kFieldWidth);
  }
}

// One calculator of a group: its inputs, its button, its results. Each has its own panel so
// that Enter in an input clicks its own button only.
QWidget* panel(QWidget* owner, std::initializer_list<Row> inputs, const char* caption,
               const char* button, std::initializer_list<Row> results) {
  auto* p = new QWidget(owner);
  FormGrid form(p);
  addRows(form, inputs);
  form.addButton(QString::fromUtf8(caption), button)->setFixedWidth(kFieldWidth);
  addRows(form, results);
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
  column->addWidget(panel(box,
                          {{"Capacité (µF) :", "edDeC", "47"},
                           {"Tension de départ (V) :", "edDeV0", "450"},
                           {"Tension sans danger (V) :", "edDeVs", "60"},
                           {"Résistance de décharge (kΩ) :", "edDeR", "220"}},
                          "Calcul", "btnDeCalc",
                          {{"Constante de temps (s) :", "edDeTau"},
                           {"Temps de décharge (s) :", "edDeTime"},
                           {"Courant permanent (mA) :", "edDeI"},
                           {"Puissance dissipée (W) :", "edDeP"},
                           {"Puissance conseillée (W) :", "edDePr"}}));
  column->addSpacing(8);
  column->addWidget(panel(box, {{"Temps voulu (s) :", "edDeTwant", "10"}}, "Résistance", "btnDeRes",
                          {{"Résistance calculée (kΩ) :", "edDeRcalc"},
                           {"Valeur E12 (kΩ) :", "edDeRe12"},
                           {"Sa puissance (W) :", "edDePe12"}}));
  column->addStretch(1);
  return box;
}

QComboBox* addList(FormGrid& form, const char* label, const char* name,
                   std::initializer_list<const char*> items, const char* initial) {
  QComboBox* list = form.addList(QString::fromUtf8(label), name);
  for (const char* item : items) list->addItem(QString::fromUtf8(item));
  list->setCurrentText(QString::fromUtf8(initial));
  list->setFixedWidth(kFieldWidth);
  return list;
}

QGroupBox* buildTransformer(QWidget* tab) {
  auto* box = new QGroupBox(QStringLiteral("Transformateur de sortie"), tab);
  box->setObjectName("gbTransfo");
  auto* column = new QVBoxLayout(box);
  auto* p = new QWidget(box);
  FormGrid form(p);
  addRows(form, {{"Impédance primaire nominale (Ω) :", "edOtZp", "6600"}});
  addList(form, "Prise utilisée (Ω) :", "cbOtTap", {"4", "8", "16"}, "8");
  addList(form, "Charge branchée (Ω) :", "cbOtLoad", {"0", "2", "4", "8", "16"}, "8");
  form.addButton(QStringLiteral("Calcul"), "btnOtCalc")->setFixedWidth(kFieldWidth);
  addRows(form, {{"Rapport de transformation :", "edOtRatio"},
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
  row->addWidget(buildDischarge(tab), 0, Qt::AlignTop);
  QGroupBox* transformer = buildTransformer(tab);
  // The verdict wraps within the group rather than widening it.
  transformer->setFixedWidth(340);
  row->addWidget(transformer, 0, Qt::AlignTop);
  row->addStretch(1);

  host.bind("btnDeCalc", [](Fields& f) { valvora::atelier::Discharge(f); });
  host.bind("btnDeRes", [](Fields& f) { valvora::atelier::BleederFor(f); });
  host.bind("btnOtCalc", [](Fields& f) { valvora::atelier::OtLoad(f); });
  host.filterDecimalKeys(
      {"edDeC", "edDeV0", "edDeVs", "edDeR", "edDeTwant", "edOtZp", "cbOtTap", "cbOtLoad"});

  // The bleeder for a wanted time waits for its button: both share the advised rating.
  guarded(tab, [&] { valvora::atelier::Discharge(host.fields()); });
  guarded(tab, [&] { valvora::atelier::OtLoad(host.fields()); });
}

}  // namespace valvora::ui::atelier

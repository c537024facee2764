#include "ui/atelier/BiasSetting.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/atelier/biassetting.h"
#include "core/failure.h"
#include "platform/profile.h"
#include "ui/CalculatorHost.h"
#include "ui/DataSheetUnit.h"
#include "ui/Dialogs.h"
#include "ui/FormGrid.h"

namespace valvora::ui::atelier {
namespace {

using valvora::FieldDef;

using valvora::atelier::BiasMethod;

struct Method {
  const char* name;
  const char* caption;
  BiasMethod method;
  std::initializer_list<const char*> fields;  // enabled with this method only
};
const Method kMethods[] = {
    {"rbAs1ohm", "Résistance de 1 Ω dans la cathode", BiasMethod::OneOhm, {"edAsVk"}},
    {"rbAsShunt",
     "Shunt du transformateur de sortie",
     BiasMethod::Shunt,
     {"edAsVk", "edAsRp", "edAsRm"}},
    {"rbAsDrop", "Chute de tension dans le demi-primaire", BiasMethod::Drop, {"edAsVk", "edAsRp"}},
    // The cathode voltage follows from the current: edAsVk shows it.
    {"rbAsShared", "Résistance de cathode commune", BiasMethod::Shared, {"edAsRk", "edAsN"}},
};
constexpr int kUnitWidth = 28;
constexpr const char* kMethodFields[] = {"edAsVk", "edAsRp", "edAsRm", "edAsRk", "edAsN"};

const FieldDef& def(std::string_view name) {
  return fieldNamed(valvora::atelier::kBiasFields, name);
}

// A label that shows a computed sentence, wrapping within its group.
QLabel* sentence(QWidget* owner, const char* name, const QString& accessible) {
  auto* label = new QLabel(owner);
  label->setObjectName(name);
  label->setAccessibleName(accessible);
  label->setWordWrap(true);
  label->setMinimumHeight(34);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QGroupBox* buildTarget(QWidget* tab, QButtonGroup* methods) {
  auto* group = new QGroupBox(QStringLiteral("Cible"), tab);
  group->setObjectName("gbAsTarget");
  FormGrid inputs(group);
  QStringList tubes;
  for (const char* t : valvora::atelier::kBiasTubes) tubes << fromUtf8(t);
  inputs.addChoice(QStringLiteral("Lampe :"), "cbAsTube", tubes, 2);
  for (const char* name : {"edAsPa", "edAsVa", "edAsVk", "edAsIg2"}) inputs.addEdit(def(name));
  QComboBox* target = inputs.addList(def("cbAsTarget"));
  target->addItems({QStringLiteral("50"), QStringLiteral("60"), QStringLiteral("70")});
  target->setCurrentText(fromUtf8(def("cbAsTarget").defaultText));

  auto* how = new QGroupBox(fromUtf8("Méthode de mesure"), group);
  how->setObjectName("gbAsMethod");
  auto* howLayout = new QVBoxLayout(how);
  for (std::size_t i = 0; i < std::size(kMethods); ++i) {
    auto* radio = new QRadioButton(fromUtf8(kMethods[i].caption), how);
    radio->setObjectName(kMethods[i].name);
    methods->addButton(radio, int(i));
    howLayout->addWidget(radio);
  }
  methods->button(0)->setChecked(true);

  FormGrid method(group);
  for (const char* name : {"edAsRp", "edAsRm", "edAsRk", "edAsN"}) method.addEdit(def(name));
  method.addButton(QStringLiteral("Calcul"), "btnAsCalc");

  FormGrid results(group);
  results.addResult(fromUtf8("Dissipation visée (W) :"), "edAsP");
  results.addResult(fromUtf8("Courant d'anode visé (mA) :"), "edAsIa");
  results.addResult(QStringLiteral("Courant de cathode par lampe (mA) :"), "edAsIk");
  results.addResult(fromUtf8("À lire sur l'appareil :"), "edAsRead");
  results.addUnit(QStringLiteral("mV"), "lbAsUnit")->setFixedWidth(kUnitWidth);

  // One column of fields down the group: every grid keeps the unit's column.
  for (const FormGrid* grid : {&inputs, &method}) {
    auto* room = new QWidget(group);
    room->setFixedSize(kUnitWidth, 1);
    grid->layout()->addWidget(room, 0, 2);
  }
  auto* layout = new QVBoxLayout(group);
  layout->addLayout(inputs.layout());
  layout->addWidget(how);
  layout->addLayout(method.layout());
  layout->addLayout(results.layout());
  layout->addWidget(sentence(group, "lbAsNote", QStringLiteral("Remarque")));
  layout->addStretch(1);
  return group;
}

QGroupBox* buildMatching(QWidget* tab) {
  auto* group = new QGroupBox(QStringLiteral("Appairage"), tab);
  group->setObjectName("gbAsMatch");
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  grid->addWidget(new QLabel(QStringLiteral("Mesure"), group), 0, 1);
  grid->addWidget(new QLabel(fromUtf8("Écart (%)"), group), 0, 2);
  for (int i = 1; i <= 4; ++i) {
    const QString n = QString::number(i);
    const FieldDef& field = def("edAsM" + n.toStdString());
    auto* label = new QLabel(fieldCaption(field), group);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* reading = new QLineEdit(fromUtf8(field.defaultText), group);
    reading->setObjectName(fromUtf8(field.name));
    reading->setAccessibleName(label->text());
    reading->setFixedWidth(FormGrid::kFieldWidth);
    label->setBuddy(reading);
    auto* deviation = new QLineEdit(group);
    deviation->setObjectName(QStringLiteral("edAsD") + n);
    deviation->setAccessibleName(QStringLiteral("Écart de la lampe %1").arg(n));
    deviation->setFixedWidth(FormGrid::kFieldWidth);
    markResult(deviation);
    // Results are read, not visited: Tab goes from reading to reading.
    deviation->setFocusPolicy(Qt::ClickFocus);
    grid->addWidget(label, i, 0);
    grid->addWidget(reading, i, 1);
    grid->addWidget(deviation, i, 2);
  }
  grid->setColumnStretch(0, 1);

  FormGrid rest(group);
  rest.addEdit(def("edAsTol"));
  rest.addButton(QStringLiteral("Comparer"), "btnAsMatch");
  rest.addResult(QStringLiteral("Moyenne :"), "edAsMean");
  rest.addResult(fromUtf8("Écart max/min (%) :"), "edAsSpread");

  auto* layout = new QVBoxLayout(group);
  layout->addLayout(grid);
  layout->addLayout(rest.layout());
  layout->addWidget(sentence(group, "lbAsVerdict", QStringLiteral("Verdict")));
  layout->addStretch(1);
  return group;
}

void enableMethodFields(QWidget* tab, int method) {
  for (const char* name : kMethodFields) {
    const auto& mine = kMethods[method].fields;
    const bool on = std::any_of(mine.begin(), mine.end(),
                                [&](const char* f) { return std::string_view(f) == name; });
    tab->findChild<QLineEdit*>(QLatin1String(name))->setEnabled(on);
  }
}

}  // namespace

void buildBiasSettingTab(QWidget* tab, const TabContext& context) {
  CalculatorHost& host = context.host;
  auto* methods = new QButtonGroup(tab);
  methods->setObjectName("bgAsMethod");
  auto* layout = new QHBoxLayout(tab);
  layout->addWidget(buildTarget(tab, methods), 3);
  layout->addWidget(buildMatching(tab), 2);

  auto widgets = [tab](std::initializer_list<const char*> names) {
    QList<QWidget*> out;
    for (const char* n : names) out.append(tab->findChild<QWidget*>(QLatin1String(n)));
    return out;
  };
  QList<QWidget*> targetInputs = widgets({"cbAsTube", "edAsPa", "edAsVa", "edAsVk", "edAsIg2",
                                          "cbAsTarget", "edAsRp", "edAsRm", "edAsRk", "edAsN"});
  for (QAbstractButton* b : methods->buttons()) targetInputs.append(b);
  auto* targetMark =
      new StaleMark(tab->findChild<QPushButton*>("btnAsCalc"), targetInputs,
                    widgets({"edAsP", "edAsIa", "edAsIk", "edAsRead", "lbAsUnit", "lbAsNote"}));
  auto* matchMark = new StaleMark(
      tab->findChild<QPushButton*>("btnAsMatch"),
      widgets({"edAsM1", "edAsM2", "edAsM3", "edAsM4", "edAsTol"}),
      widgets({"edAsD1", "edAsD2", "edAsD3", "edAsD4", "edAsMean", "edAsSpread", "lbAsVerdict"}));
  host.bind("btnAsCalc", targetMark->wrap([methods](Fields& f) {
    valvora::atelier::BiasTarget(f, kMethods[methods->checkedId()].method);
  }));
  host.bind("btnAsMatch", matchMark->wrap(&valvora::atelier::BiasMatch));
  static const std::vector<const char*> numeric = [] {
    std::vector<const char*> names;
    for (const FieldDef& s : valvora::atelier::kBiasFields)
      if (s.numeric) names.push_back(s.name.data());
    return names;
  }();
  host.filterDecimalKeys(numeric);

  QObject::connect(methods, &QButtonGroup::idToggled, tab, [tab](int id, bool on) {
    if (on) enableMethodFields(tab, id);
  });
  enableMethodFields(tab, 0);

  // The limit comes from the data sheet section as the file holds it at the time of the pick.
  auto* tube = tab->findChild<QComboBox*>("cbAsTube");
  const platform::ProfileFile settings = context.settings;
  // "Autre" has no section: its Pa is the user's to type, not the last tube's.
  auto pick = [tube, &host, settings] {
    return guarded(tube, [&] {
      const std::string name = tube->currentText().toStdString();
      std::string limit;
      try {
        limit = valvora::atelier::dataSheetAnodeLimit(settingsReader(settings.snapshot()), name);
      } catch (const CalcError& e) {
        host.fields().write("edAsPa", "");
        throw CalcError("Fichier de réglages " + settings.path() + " : " + e.message());
      }
      host.fields().write("edAsPa", limit);
    });
  };
  QObject::connect(tube, &QComboBox::currentIndexChanged, tab, pick);
  // The tab opens with the target of its default texts, as the pages open with theirs; a
  // data sheet that cannot be read says so once, and the target waits for a typed Pa.
  if (pick())
    guarded(tab, [&] { valvora::atelier::BiasTarget(host.fields(), BiasMethod::OneOhm); });
  targetMark->markFresh();
  matchMark->markFresh();
}

}  // namespace valvora::ui::atelier

#include "ui/CalculatorHost.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "core/failure.h"
#include "ui/DecimalKeyFilter.h"
#include "ui/Dialogs.h"
#include "ui/FormGrid.h"
#include "ui/WidgetFields.h"

namespace valvora::ui {

CalculatorHost::CalculatorHost(QWidget* root)
    : root_(root),
      fields_(std::make_unique<WidgetFields>(root)),
      decimalKeys_(new DecimalKeyFilter(root)) {}

CalculatorHost::~CalculatorHost() = default;

Fields& CalculatorHost::fields() {
  return *fields_;
}

void CalculatorHost::bind(const char* button, std::function<void(Fields&)> run) {
  auto* b = root_->findChild<QPushButton*>(QLatin1String(button));
  // A row naming a button no builder made is a fault of the program, found by every test.
  if (!b) qFatal("no button named %s", button);
  QObject::connect(b, &QPushButton::clicked, root_,
                   [this, run = std::move(run)] { guarded(root_, [&] { run(*fields_); }); });
  // Each button sits in its group, beside the fields it computes from.
  computeOnEnter(b->parentWidget(), b);
}

void CalculatorHost::add(std::span<const CalculatorRow> rows) {
  for (const CalculatorRow& row : rows) {
    if (row.button) bind(row.button, row.run);
    rows_.push_back(row);
  }
}

void CalculatorHost::filterDecimalKeys(std::initializer_list<const char*> names) {
  filterDecimalKeys(std::span<const char* const>(names.begin(), names.size()));
}

void CalculatorHost::filterDecimalKeys(std::span<const char* const> names) {
  for (const char* name : names) {
    QLineEdit* edit = root_->findChild<QLineEdit*>(QLatin1String(name));
    // An editable list takes the filter in its edit box.
    if (auto* list = root_->findChild<QComboBox*>(QLatin1String(name))) edit = list->lineEdit();
    if (edit) edit->installEventFilter(decimalKeys_);
  }
}

void CalculatorHost::run(std::string_view name) {
  for (const CalculatorRow& row : rows_)
    if (name == row.name) return row.run(*fields_);
  throw CalcError("Calcul introuvable : " + std::string(name));
}

}  // namespace valvora::ui

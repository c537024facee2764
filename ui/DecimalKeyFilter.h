#pragma once

#include <QObject>
#include <initializer_list>

namespace valvora::ui {

// ed6L6anodeKeyPress: a typed comma or full stop becomes the decimal comma; every other key
// passes unchanged. One filter object serves every bound field.
class DecimalKeyFilter : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// The pages' numeric fields that take the filter, bound by the window's CalculatorHost; the
// Atelier tabs bind theirs from their tools' field definitions.
const std::initializer_list<const char*>& decimalKeyFields();

}  // namespace valvora::ui

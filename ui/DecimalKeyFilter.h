#pragma once

#include <QObject>
#include <initializer_list>

class QWidget;

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

// The numeric fields that take the filter, on every page. Names that the window does not
// (yet) have are skipped.
const std::initializer_list<const char*>& decimalKeyFields();

// Binds the filter to those of decimalKeyFields() found under root; returns how many.
int bindDecimalKeys(QWidget* root, DecimalKeyFilter* filter);

}  // namespace valvora::ui

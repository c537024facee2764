#pragma once

#include <QHash>
#include <QString>

#include "core/fields.h"

class QWidget;

namespace valvora::ui {

// The calculators' view of a window: edit fields, the edit boxes of drop-down lists and the
// labels that show results, found by object name once, after the pages are built.
class WidgetFields : public Fields {
 public:
  explicit WidgetFields(QWidget* root);
  std::string text(std::string_view control) const override;
  void write(std::string_view control, std::string text) override;

 private:
  QWidget* find(std::string_view control) const;
  QHash<QString, QWidget*> widgets_;
};

}  // namespace valvora::ui

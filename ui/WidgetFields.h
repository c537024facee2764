#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "core/fields.h"

namespace valvora::ui {

// The calculators' view of a window: edit fields, the edit boxes of drop-down lists and the
// labels that show results, by object name. Widgets made after it (a tab made on first use)
// are found, deleted ones are not; two inputs, or two labels, of one name are a fault of the
// program, reported by name when the calculator asks for it.
class WidgetFields : public Fields {
 public:
  explicit WidgetFields(QWidget* root);
  std::string text(std::string_view control) const override;
  void write(std::string_view control, std::string text) override;

 private:
  QWidget* find(std::string_view control) const;
  void rescan() const;
  QPointer<QWidget> root_;
  // Looked up once and kept while the widget lives under its name; anything else rescans.
  mutable QHash<QString, QPointer<QWidget>> widgets_;
  mutable QHash<QString, int> duplicates_;
};

}  // namespace valvora::ui

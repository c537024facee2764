#pragma once

#include <QObject>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/fields.h"

class QWidget;

namespace valvora::ui {

class DecimalKeyFilter;
class WidgetFields;

// A calculator as a page family declares it: its name, the button that runs it (nullptr for
// one run only by the window), and what it runs over the window's fields.
struct CalculatorRow {
  std::string name;
  const char* button;
  std::function<void(Fields&)> run;
};

// What a window hosting calculators does the same way for each: the fields over its
// widgets, the buttons bound to their calculators through the guarded path (the error box
// over this window), Enter in a group pressing its button, the decimal-key filter, and the
// calculators run by name in the order the window gives.
class CalculatorHost {
 public:
  explicit CalculatorHost(QWidget* root);
  ~CalculatorHost();
  CalculatorHost(const CalculatorHost&) = delete;
  CalculatorHost& operator=(const CalculatorHost&) = delete;

  Fields& fields();
  QWidget* root() const { return root_; }

  // The button's clicks run `run`, guarded; Return or Enter in an input of the button's
  // group clicks it.
  void bind(const char* button, std::function<void(Fields&)> run);
  // A page family's rows: each button bound, each calculator known by its name.
  void add(std::span<const CalculatorRow> rows);
  // The '.' key types the decimal comma in these fields (or editable lists); names the window
  // lacks are skipped.
  void filterDecimalKeys(std::initializer_list<const char*> names);
  void filterDecimalKeys(std::span<const char* const> names);

  // Runs the calculator of that name unguarded: a failure goes to the caller (the
  // preparation stops at its first failure).
  void run(std::string_view name);

 private:
  QWidget* root_;
  std::unique_ptr<WidgetFields> fields_;
  DecimalKeyFilter* decimalKeys_;
  std::vector<CalculatorRow> rows_;
};

}  // namespace valvora::ui

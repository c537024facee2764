#pragma once

#include <QList>
#include <QObject>
#include <QPalette>
#include <QString>
#include <QStringList>
#include <functional>
#include <string_view>

#include "core/fielddef.h"
#include "core/fields.h"
#include "ui/Text.h"

class QAbstractButton;
class QGridLayout;
class QLabel;
class QLineEdit;
class QComboBox;
class QPushButton;
class QWidget;

namespace valvora::ui {

// Rows of "label : field" that every calculator group is made of. Each control gets its
// object name, and each field its label's text as accessible name.
class FormGrid {
 public:
  static constexpr int kFieldWidth = 70;

  // Controls are made as children of owner, the widget that will hold the grid: made there
  // rather than moved there, they skip a round of font and style changes.
  explicit FormGrid(QWidget* owner = nullptr);
  QLineEdit* addEdit(const QString& label, const QString& name, const QString& text = {});
  QComboBox* addList(const QString& label, const QString& name);  // editable drop-down list
  // A list of fixed choices, the one at current selected.
  QComboBox* addChoice(const QString& label, const QString& name, const QStringList& items,
                       int current = 0);
  // A result: read-only, button-face background, navy text.
  QLineEdit* addResult(const QString& label, const QString& name);
  QPushButton* addButton(const QString& caption, const QString& name);
  // A unit ("Ohms", "V") after the field of the last row.
  QLabel* addUnit(const QString& text, const QString& name);
  // A field from a tool's definition: its caption (fieldCaption), name and default text.
  QLineEdit* addEdit(const FieldDef& def);
  QComboBox* addList(const FieldDef& def);
  QGridLayout* layout() const { return grid_; }

 private:
  void addRow(const QString& label, const QString& name, QWidget* field);
  QGridLayout* grid_;
  QWidget* owner_;
  int row_ = 0;
};

// A definition's caption as its row shows it: "Capacité (µF) :", "Tolérance (%) :".
QString fieldCaption(const FieldDef& def);

// Results that no longer answer their inputs. Once an input changes (a text typed or written,
// a pick, a radio button) or the computation fails, the results are shown greyed (dynamic
// property "stale", a grey text; the font is left alone) and a label « Résultats à
// recalculer » (object name "lbStale_" + the button's name) shows beside the button, until
// the next computation that succeeds. A failed computation also empties its results.
class StaleMark : public QObject {
 public:
  StaleMark(QAbstractButton* button, const QList<QWidget*>& inputs, QList<QWidget*> results);
  // The computation to bind to the button: it marks the results fresh when run succeeds,
  // empties them and marks them stale when it fails (the failure goes on to the caller).
  // Writes made while it runs are not changes of the inputs.
  std::function<void(Fields&)> wrap(std::function<void(Fields&)> run);
  void markStale();
  void markFresh();
  bool isStale() const { return stale_; }
  QLabel* label() const { return label_; }

 private:
  void watch(QWidget* input);
  QList<QWidget*> results_;
  QList<QPalette> palettes_;  // each result's own, restored when fresh
  QLabel* label_;
  bool stale_ = false;
  bool running_ = false;
};

// A result field: read-only, button-face background, navy text.
void markResult(QLineEdit* edit);

// An editable drop-down list: the user picks an item or types any text, which is read as
// typed (no completion, no new item).
QComboBox* editableList(QWidget* owner = nullptr);

// Return or keypad Enter in an input field of scope (an edit field, or a list's edit box)
// clicks button, the group's "Calcul"; read-only result fields are left alone.
void computeOnEnter(QWidget* scope, QAbstractButton* button);

}  // namespace valvora::ui

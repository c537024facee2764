#pragma once

#include <QString>
#include <QStringList>

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
  QGridLayout* layout() const { return grid_; }

 private:
  void addRow(const QString& label, const QString& name, QWidget* field);
  QGridLayout* grid_;
  QWidget* owner_;
  int row_ = 0;
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

#pragma once

#include <QString>

class QGridLayout;
class QLineEdit;
class QComboBox;
class QPushButton;
class QWidget;

namespace valvora::ui::pages {

// Rows of "label : field" that every calculator group is made of. Each control gets its
// object name, and each field its label's text as accessible name.
class FormGrid {
 public:
  static constexpr int kFieldWidth = 70;

  FormGrid();
  QLineEdit* addEdit(const QString& label, const QString& name, const QString& text = {});
  QComboBox* addList(const QString& label, const QString& name);  // editable drop-down list
  QPushButton* addButton(const QString& caption, const QString& name);
  QGridLayout* layout() const { return grid_; }

 private:
  void addRow(const QString& label, const QString& name, QWidget* field);
  QGridLayout* grid_;
  int row_ = 0;
};

}  // namespace valvora::ui::pages

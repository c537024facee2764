#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace valvora::ui {

// The bias measurement diagram, shown modally from the bias page.
class TAlimForm : public QDialog {
  Q_OBJECT
 public:
  explicit TAlimForm(QWidget* parent = nullptr);

 private:
  QLabel* Image1;
  QPushButton* Button1;
};

}  // namespace valvora::ui

#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace valvora::ui {

// The borderless splash shown while the windows are built; its creation loads its picture.
class TSplashForm : public QWidget {
  Q_OBJECT
 public:
  explicit TSplashForm(QWidget* parent = nullptr);
  QProgressBar* progressBar() const { return ProgressBar; }

 private:
  QLabel* Image1;
  QLabel* Label2;
  QProgressBar* ProgressBar;
};

}  // namespace valvora::ui

#pragma once

#include <QDialog>

#include "platform/sysinfo.h"

class QFrame;
class QIcon;
class QLabel;
class QPushButton;

namespace valvora::ui {

// The program's icon, built into the program.
QIcon applicationIcon();

// "A propos ...": the program's title, credits, the machine's figures and the licence.
// Created once at start-up, which is when the figures are gathered (the processor speed
// takes half a second); every showing shows those same figures.
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kClientWidth = 358;
  static constexpr int kClientHeight = 328;

  // The clock is the processor's; tests give counts of their own.
  explicit TAboutBox(QWidget* parent = nullptr,
                     const platform::CycleClock& clock = platform::processorClock());

  // Centres the notice panel, each time the window is activated.
  void FormActivate();

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void FormCreate(const platform::CycleClock& clock);
  void openLink();
  void Label2Click();

  QFrame* Panel2;
  QLabel* ProgramIcon;
  QLabel* ProductName;
  QFrame* BvlTitle;
  QLabel* LbCpuSpeed;
  QLabel* LbOsValue;
  QLabel* LbMemAv;
  QLabel* LbMemUse;
  QFrame* Bevel1;
  QFrame* Panel1;
  QLabel* Image1;
  QPushButton* Label2;
  QPushButton* Button1;
};

}  // namespace valvora::ui

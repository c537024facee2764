#pragma once

#include <QDialog>
#include <memory>

#include "platform/profile.h"

namespace valvora::platform {
class Simulator;
}

namespace valvora::ui {

class CalculatorHost;
class PageControl;
class SheetCommands;

// The workshop window: tools that go beyond the pages (bias setting, supply simulation, tone
// stack, small bench calculators), one tab each. Not modal; Escape closes it.
class TAtelierForm : public QDialog {
  Q_OBJECT
 public:
  // The data sheet limits come from settings, as on the bias page; the supply's runs go to
  // simulator (the process's ngspice unless a test hands its fake).
  explicit TAtelierForm(QWidget* parent = nullptr,
                        platform::ProfileFile settings = platform::settingsFile(),
                        platform::Simulator* simulator = nullptr);
  ~TAtelierForm() override;

  PageControl* pageControl() const { return pages_; }
  CalculatorHost& host() { return *host_; }
  // The job sheet's file commands (open, save, the question about changes).
  SheetCommands& sheet() { return *sheet_; }

 protected:
  void reject() override;

 private:
  platform::ProfileFile settings_;
  PageControl* pages_;
  std::unique_ptr<CalculatorHost> host_;
  SheetCommands* sheet_ = nullptr;
};

}  // namespace valvora::ui

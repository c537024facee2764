#pragma once

#include <QDialog>
#include <memory>

#include "platform/profile.h"

namespace valvora::ui {

class CalculatorHost;
class PageControl;

// The workshop window: tools that go beyond the pages (bias setting, supply simulation, tone
// stack, small bench calculators), one tab each. Not modal; Escape closes it.
class TAtelierForm : public QDialog {
  Q_OBJECT
 public:
  // The data sheet limits come from settings, as on the bias page.
  explicit TAtelierForm(QWidget* parent = nullptr,
                        platform::ProfileFile settings = platform::settingsFile());
  ~TAtelierForm() override;

  PageControl* pageControl() const { return pages_; }
  CalculatorHost& host() { return *host_; }
  const platform::ProfileFile& settingsFile() const { return settings_; }

 private:
  platform::ProfileFile settings_;
  PageControl* pages_;
  std::unique_ptr<CalculatorHost> host_;
};

}  // namespace valvora::ui

#pragma once

namespace valvora::platform {
class ProfileFile;
class Simulator;
}  // namespace valvora::platform

namespace valvora::ui {
class CalculatorHost;
}

namespace valvora::ui::atelier {

// All that a tab builder is given: the window's calculator host (fields, bound buttons,
// decimal keys), its settings file (data sheets) and the simulator its runs go to. A
// builder reaches neither up to its window nor out to a global.
struct TabContext {
  CalculatorHost& host;
  const platform::ProfileFile& settings;
  platform::Simulator& simulator;
};

}  // namespace valvora::ui::atelier

#pragma once

class QWidget;

namespace valvora::platform {
class Simulator;
}
namespace valvora::ui {
class CalculatorHost;
}

namespace valvora::ui::atelier {

// "Alimentation HT": the transformer, rectifier and filter simulated by ngspice off the
// user-interface thread, its figures, data sheet checks and plot.
void buildSupplyTab(QWidget* tab, CalculatorHost& host);

// The simulator the tab runs: ngspice, unless a scope installed another (the tests' fake).
platform::Simulator& supplySimulator();

class ScopedSupplySimulator {
 public:
  explicit ScopedSupplySimulator(platform::Simulator& replacement);
  ~ScopedSupplySimulator();
  ScopedSupplySimulator(const ScopedSupplySimulator&) = delete;
  ScopedSupplySimulator& operator=(const ScopedSupplySimulator&) = delete;

 private:
  platform::Simulator* previous_;
};

}  // namespace valvora::ui::atelier

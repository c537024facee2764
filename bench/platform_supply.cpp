// The default HT supply, from its input texts to its result texts: inputs read, netlist
// built, ngspice's transient run, figures and data sheet checks written.

#include <benchmark/benchmark.h>

#include <map>
#include <span>
#include <string>

#include "core/atelier/supply.h"
#include "platform/spice.h"
#include "tests/core/supply_defaults.h"

namespace {

void SupplyDefaultSimulation(benchmark::State& state) {
  valvora::testing::FieldMap fields = valvora::testing::supplyDefaults();
  for (auto _ : state) {
    const valvora::atelier::SupplyInputs in = valvora::atelier::readSupplyInputs(fields);
    // As the tab runs it: on until settled, within the maximum duration.
    valvora::atelier::SettleWatch settle(in.hertz, in.nodes.size());
    const valvora::platform::RunHooks hooks{
        [](int) {}, [&](std::span<const std::string> names,
                        std::span<const double> values) { return settle.watch(names, values); }};
    const auto v = valvora::platform::ngspice().run(valvora::atelier::supplyNetlist(in), hooks);
    if (!v) {
      state.SkipWithError("halted");
      break;
    }
    valvora::atelier::writeSupplyResults(fields, in, valvora::atelier::supplyFigures(in, *v));
  }
  state.SetLabel("V1 " + fields["edPsV1"] + " V");
}
BENCHMARK(SupplyDefaultSimulation)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

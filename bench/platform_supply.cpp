// The default HT supply, from its input texts to its result texts: inputs read, netlist
// built, ngspice's transient run, figures and data sheet checks written.

#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "core/atelier/supply.h"
#include "platform/spice.h"

namespace {

class MapFields : public valvora::Fields {
 public:
  std::string text(std::string_view control) const override {
    const auto it = f.find(control);
    return it == f.end() ? std::string() : it->second;
  }
  void write(std::string_view control, std::string text) override {
    f[std::string(control)] = std::move(text);
  }
  std::map<std::string, std::string, std::less<>> f;
};

void SupplyDefaultSimulation(benchmark::State& state) {
  MapFields fields;
  fields.f = {{"edPsVac", "350"},
              {"edPsRs", "100"},
              {"cbPsHz", "50"},
              {"cbPsRect", "GZ34 / 5AR4"},
              {"edPsC1", "32"},
              {"cbPsLink2", "Self"},
              {"edPsL2", "5"},
              {"edPsR2", "100"},
              {"edPsC2", "32"},
              {"cbPsLink3", "Résistance"},
              {"edPsR3", "1000"},
              {"edPsC3", "22"},
              {"cbPsLink4", "Résistance"},
              {"edPsR4", "10000"},
              {"edPsC4", "22"},
              {"edPsI1", "0"},
              {"edPsI2", "120"},
              {"edPsI3", "10"},
              {"edPsI4", "5"},
              {"edPsT", "2"}};
  for (auto _ : state) {
    const valvora::atelier::SupplyInputs in = valvora::atelier::readSupplyInputs(fields);
    const auto v =
        valvora::platform::ngspice().run(valvora::atelier::supplyNetlist(in), [](int) {});
    if (!v) {
      state.SkipWithError("halted");
      break;
    }
    valvora::atelier::writeSupplyResults(fields, in, valvora::atelier::supplyFigures(in, *v));
  }
  state.SetLabel("V1 " + fields.f["edPsV1"] + " V");
}
BENCHMARK(SupplyDefaultSimulation)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

// The default HT supply, from its input texts to its result texts: inputs read, netlist
// built, ngspice's transient run, figures and data sheet checks written; and, to compare
// with, the ngspice command line running the same netlist over the same duration.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <string>

#include "core/atelier/supply.h"
#include "platform/spice.h"
#include "tests/core/supply_defaults.h"

namespace {

namespace atelier = valvora::atelier;

// One run as the tab does it: on until settled, within the maximum duration.
std::optional<atelier::Vectors> settledRun(const atelier::SupplyInputs& in) {
  atelier::SettleWatch settle(in.hertz, in.nodes.size());
  const valvora::platform::RunHooks hooks{
      [](int) {}, [&](std::span<const std::string> names,
                      std::span<const double> values) { return settle.watch(names, values); }};
  return valvora::platform::ngspice().run(atelier::supplyNetlist(in), hooks);
}

// Processor time of the finished child processes, user and system.
double childSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void SupplyDefaultSimulation(benchmark::State& state) {
  valvora::testing::FieldMap fields = valvora::testing::supplyDefaults();
  for (auto _ : state) {
    const atelier::SupplyInputs in = atelier::readSupplyInputs(fields);
    const auto v = settledRun(in);
    if (!v) {
      state.SkipWithError("halted");
      break;
    }
    atelier::writeSupplyResults(fields, in, atelier::supplyFigures(in, *v));
  }
  state.SetLabel("V1 " + fields["edPsV1"] + " V");
}
BENCHMARK(SupplyDefaultSimulation)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);

// `ngspice -b` on the default netlist, its duration the one the settled run above reached,
// its vectors written to a raw file (without an output it simulates nothing): the figure the
// tab's run is held to. "cpu" is the command's own processor time, steadier than the wall
// clock on a loaded machine.
void SupplyCommandLine(benchmark::State& state) {
  atelier::SupplyInputs in = atelier::readSupplyInputs(valvora::testing::supplyDefaults());
  const auto v = settledRun(in);
  if (!v) {
    state.SkipWithError("halted");
    return;
  }
  in.seconds = v->at("time").back();
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::filesystem::path netlist = dir / "valvora_supply_bench.cir";
  const std::filesystem::path raw = dir / "valvora_supply_bench.raw";
  std::ofstream(netlist) << atelier::supplyNetlist(in);
  const std::string command =
      "ngspice -b -r '" + raw.string() + "' '" + netlist.string() + "' >/dev/null 2>&1";
  const double before = childSeconds();
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("ngspice -b failed (package ngspice)");
      break;
    }
  }
  state.counters["cpu"] =
      benchmark::Counter((childSeconds() - before) * 1000, benchmark::Counter::kAvgIterations);
  std::filesystem::remove(netlist);
  std::filesystem::remove(raw);
  state.SetLabel(std::to_string(static_cast<int>(in.seconds * 1000)) + " ms simulated");
}
BENCHMARK(SupplyCommandLine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

#pragma once

// The one door to the circuit simulator: a netlist in, named sampled vectors out.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/series.h"

namespace valvora::platform {

using valvora::SpiceVectors;

// What a run tells its caller while it goes, both called from the simulating thread.
struct RunHooks {
  // 0 to 100, once per new percent; a finished run's 100 may come from the calling thread.
  std::function<void(int)> progress;
  // After each accepted point: the vectors' names (lower case, as in SpiceVectors) and that
  // point's values in the same order. Returning true ends the run there as finished (a
  // supply that has settled): run() returns the vectors up to that point.
  std::function<bool(std::span<const std::string> names, std::span<const double> values)> watch;
};

class Simulator {
 public:
  virtual ~Simulator() = default;

  // Runs the netlist's analysis to its end (or until hooks.watch says so), blocking the
  // calling thread (a worker, never the user interface).
  // Returns the vectors of the analysis, or nothing when stop() halted it. A circuit the
  // simulator cannot load or finish throws CalcError « La simulation n'a pas abouti : »
  // followed by the simulator's last error line. One run at a time: a second caller waits.
  virtual std::optional<SpiceVectors> run(std::string_view netlist, const RunHooks& hooks) = 0;
  std::optional<SpiceVectors> run(std::string_view netlist,
                                  const std::function<void(int)>& progress) {
    return run(netlist, RunHooks{progress, {}});
  }

  // From any thread: halts the run in progress, if any, and returns once it has stopped.
  virtual void stop() = 0;
};

// The process's one ngspice (its shared library holds a single instance).
Simulator& ngspice();

}  // namespace valvora::platform

#pragma once

// The one door to the circuit simulator: a netlist in, named sampled vectors out.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace valvora::platform {

// By the simulator's own names ("time", a node "1", a branch "va#branch"), in lower case.
using SpiceVectors = std::map<std::string, std::vector<double>, std::less<>>;

class Simulator {
 public:
  virtual ~Simulator() = default;

  // Runs the netlist's analysis to its end, blocking the calling thread (a worker, never the
  // user interface). progress gets 0 to 100, once per new percent, from the simulating
  // thread; a finished run's 100 may come from the calling one.
  // Returns the vectors of the analysis, or nothing when stop() halted it. A circuit the
  // simulator cannot load or finish throws CalcError « La simulation n'a pas abouti : »
  // followed by the simulator's last error line. One run at a time: a second caller waits.
  virtual std::optional<SpiceVectors> run(std::string_view netlist,
                                          const std::function<void(int)>& progress) = 0;

  // From any thread: halts the run in progress, if any, and returns once it has stopped.
  virtual void stop() = 0;
};

// The process's one ngspice (its shared library holds a single instance).
Simulator& ngspice();

}  // namespace valvora::platform

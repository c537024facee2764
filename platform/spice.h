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
  // After each accepted point: the vectors' names (lower case, as in SpiceVectors: "time", a
  // node "v(1)", a branch "va#branch") and that point's values in the same order, in buffers
  // made once per run. Returning true ends the run there as finished (a supply that has
  // settled): run() returns the vectors up to and with that point.
  std::function<bool(std::span<const std::string> names, std::span<const double> values)> watch;
  // True once the caller wants the run stopped. Read as the run starts, under the lock stop()
  // takes: a caller that sets it and then calls stop() stops the run whether or not it had
  // begun.
  std::function<bool()> cancelled = nullptr;
};

class Simulator {
 public:
  virtual ~Simulator() = default;

  // Runs the netlist's analysis to its end (or until hooks.watch says so), blocking the
  // calling thread (a worker, never the user interface).
  // Returns the vectors of the analysis, or nothing when stop() halted it. Throws CalcError:
  // a circuit the simulator cannot load « Le circuit n'a pas pu être chargé : », one it cannot
  // finish « La simulation n'a pas abouti : », each followed by the simulator's last error
  // line; « Le simulateur ngspice n'est pas installé (paquet libngspice0). » without its
  // library; « Le simulateur ne démarre pas. » when its thread has not started within 5 s;
  // « Le simulateur ne peut pas lire les nombres : réglage régional incompatible. » when the
  // C library's decimal point cannot be made '.' (a comma locale is set back to "C" for
  // LC_NUMERIC). One run at a time: a second caller waits.
  virtual std::optional<SpiceVectors> run(std::string_view netlist, const RunHooks& hooks) = 0;
  std::optional<SpiceVectors> run(std::string_view netlist,
                                  const std::function<void(int)>& progress) {
    return run(netlist, RunHooks{progress, {}});
  }

  // From any thread: halts the run in progress, if any (also one still loading its circuit or
  // starting), and returns once it has stopped, or after 0,5 s at most.
  virtual void stop() = 0;
};

// The process's one ngspice (its shared library holds a single instance), loaded at the first
// run: libngspice.so.0, or the library VALVORA_NGSPICE_LIBRARY names (for tests). It starts in
// an empty private folder, so that no .spiceinit of the user's folders is run.
Simulator& ngspice();

}  // namespace valvora::platform

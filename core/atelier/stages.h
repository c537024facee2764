#pragma once

// A preamp triode on its plate curves: the common-cathode stage and the cathode follower,
// their operating points found from the circuit with a triode model, their small-signal
// figures, and the curves the tab draws.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fielddef.h"
#include "core/fields.h"
#include "core/series.h"

namespace valvora::atelier {

// A triode as its published model parameters and its data sheet's limits.
struct Triode {
  std::string_view caption;
  double mu, ex, kg1, kp, kvb;
  double cgkPf, cgaPf;  // grid-cathode and grid-plate capacitances
  double paMaxW;        // the data sheet's maximum plate dissipation
};
extern const std::array<Triode, 6> kTriodes;
// The row of that caption; an unknown caption fails with its message.
const Triode& triodeNamed(std::string_view caption);

// Plate current in amperes at vpk, vgk in volts (zero where the model's E1 is not positive).
double plateCurrent(const Triode& t, double vpk, double vgk);

// The small-signal parameters at a point: gm in A/V, ra in ohms, mu = gm ra.
struct Slopes {
  double gm = 0, ra = 0, mu = 0;
};
Slopes slopesAt(const Triode& t, double vpk, double vgk);

// The common-cathode stage, values in volts, ohms and farads; no ck: cathode not bypassed.
struct StageCircuit {
  double b = 250, ra = 100e3, rk = 1500;
  std::optional<double> ck = 22e-6;
  double cc = 22e-9, rg = 1e6;
};
// Ia with the grid at 0 V through its leak, by bisection to 1e-13 A.
double stageCurrent(const Triode& t, const StageCircuit& c);

struct StageFigures {
  double ia = 0, va = 0, vk = 0, vpk = 0, vgk = 0;
  Slopes slopes;
  double gain = 0, zout = 0, fc = 0, pa = 0, cinPf = 0;
  std::optional<double> fk;  // none without Ck (or without Rk)
  bool blocked = false;      // no current at the printed digits: the slopes mean nothing
};
StageFigures stageFigures(const Triode& t, const StageCircuit& c);

// The cathode follower: grid at vg, cathode to ground through rk, plate at b.
struct FollowerFigures {
  double ia = 0, vk = 0, gain = 0, zout = 0, pa = 0;
  bool blocked = false;
};
double followerCurrent(const Triode& t, double b, double vg, double rk);
FollowerFigures followerFigures(const Triode& t, double b, double vg, double rk);

// What the plot shows, in V and mA: the plate curves from Vgk = 0 down by 0,5 V to the
// first under 1 % of the largest current (each named by its Vgk, "-1,5 V"), the DC and AC
// load lines and the dissipation limit, cut to the plot's height.
struct PlateCurves {
  std::vector<Series> grid;
  Series dcLoad, acLoad, limit;
  double topMa = 0;
};
inline constexpr int kCurvePoints = 121;
PlateCurves plateCurves(const Triode& t, const StageCircuit& c, const StageFigures& s);

// The tab's input fields, in its order.
extern const std::array<FieldDef, 6> kStageFields;     // edEtB, edEtRa, ... edEtRg
extern const std::array<FieldDef, 3> kFollowerFields;  // edEcB, edEcVg, edEcRk

// Reads cbEtTube and the stage's fields, writes every figure, and gives the warnings (one
// line each) with the curves. A field that fails, fails before anything is written.
struct StageRun {
  std::vector<std::string> warnings;
  PlateCurves curves;
  StageFigures figures;
};
StageRun commonCathodeStage(Fields& f);
// The same for the follower's group; its warnings are returned.
std::vector<std::string> cathodeFollower(Fields& f);

}  // namespace valvora::atelier

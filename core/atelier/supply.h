#pragma once

// The high-voltage supply: its inputs read from the tab, the circuit handed to the simulator
// as a netlist text, and the figures and data sheet checks drawn from the sampled waveforms.

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/fields.h"
#include "core/series.h"

namespace valvora::atelier {

enum class Rectifier {
  kSiliconCentreTap,
  kSiliconBridge,
  kSiliconHalfWave,
  kGz34,
  kU4g,
  kY3gt,
  kEz81,
};

// The captions of cbPsRect, in the order of Rectifier.
inline constexpr std::array<std::string_view, 7> kRectifierCaptions = {
    "Diodes silicium, double alternance (point milieu)",
    "Pont de diodes silicium",
    "Diode silicium, simple alternance",
    "GZ34 / 5AR4",
    "5U4G / 5U4GB",
    "5Y3GT",
    "EZ81 / 6CA4",
};

inline constexpr int kSupplyNodes = 4;

struct SupplyNode {
  bool choke = false;  // link from the previous node: a choke (L + its R) or a resistor
  double henries = 0;
  double ohms = 0;
  double microfarads = 0;
  double milliamps = 0;  // the stage's load
};

struct SupplyInputs {
  double vac = 0;  // RMS, per half-winding for a centre tap
  double rs = 0;
  int hertz = 50;
  Rectifier rectifier = Rectifier::kGz34;
  std::vector<SupplyNode> nodes;  // the present ones, 2 to 4; nodes[0]'s link is unused
  double seconds = 0;
};

// Every input read and checked; a failure names the field.
SupplyInputs readSupplyInputs(const Fields& f);

std::string supplyNetlist(const SupplyInputs& in);

// Sampled vectors by their simulator names: "time", the nodes "v(1)" ... "v(4)", the first
// element's anode "k1", the winding's current "va#branch", the element's "vi1#branch".
using Vectors = std::map<std::string, std::vector<double>, std::less<>>;

struct SupplyFigures {
  std::array<double, kSupplyNodes> volts{};   // mean in steady state
  std::array<double, kSupplyNodes> ripple{};  // peak to peak in steady state
  double peakMilliamps = 0;                   // one element, steady state
  double surgeMilliamps = 0;                  // one element, whole run
  double pivVolts = 0;                        // one element, steady state
  double rmsMilliamps = 0;                    // one (half-)winding, steady state
};

// Fails when a vector the figures need is missing or the run is shorter than five periods.
SupplyFigures supplyFigures(const SupplyInputs& in, const Vectors& v);

// One French line per data sheet limit the circuit exceeds; none when all hold.
std::vector<std::string> dataSheetWarnings(const SupplyInputs& in, const SupplyFigures& r);

// The result fields and lbPsWarn; absent nodes' fields emptied.
void writeSupplyResults(Fields& f, const SupplyInputs& in, const SupplyFigures& r);

// The plot's curves: each present node's voltage (V), then one element's current (mA), over
// the whole run or (steadyOnly) the last five periods. Each keeps the lowest and highest
// sample of at most `columns` equal slices of time, so that a redraw stays cheap whatever the
// simulator's step, and no peak is lost.
std::vector<Series> supplyCurves(const SupplyInputs& in, const Vectors& v, bool steadyOnly,
                                 std::size_t columns);

}  // namespace valvora::atelier

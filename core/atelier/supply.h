#pragma once

// The high-voltage supply: its inputs read from the tab, the circuit handed to the simulator
// as a netlist text, and the figures and data sheet checks drawn from the sampled waveforms.

#include <array>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/fielddef.h"
#include "core/fields.h"
#include "core/series.h"

namespace valvora::atelier {

enum class Topology { kCentreTap, kBridge, kHalfWave };

// One row per choice of cbPsRect, in its order: a new rectifier is one row.
struct RectifierRow {
  std::string_view caption;
  Topology topology;
  double dropVolts;        // a tube: its data sheet drop at atAmps, per anode
  double atAmps;           //
  std::string_view diode;  // silicon: the diode's model parameters; empty for a tube
  double microfarads;      // data sheet limits; 0: none on the reservoir
  double dcMilliamps;
  double peakMilliamps;  // a tube: steady state; silicon: the surge
  double pivVolts;
  std::string_view by;  // as the warnings name it
  bool tube() const { return diode.empty(); }
};

inline constexpr std::string_view kSilicon = "IS=7.02767n RS=0.0341512 N=1.80803";
inline constexpr std::string_view kSiliconBy = "les diodes silicium (classe 1N4007)";
inline constexpr std::array<RectifierRow, 7> kRectifiers = {{
    {"Diodes silicium, double alternance (point milieu)", Topology::kCentreTap, 0, 0, kSilicon, 0,
     1000, 30000, 1000, kSiliconBy},
    {"Pont de diodes silicium", Topology::kBridge, 0, 0, kSilicon, 0, 1000, 30000, 1000,
     kSiliconBy},
    {"Diode silicium, simple alternance", Topology::kHalfWave, 0, 0, kSilicon, 0, 1000, 30000, 1000,
     kSiliconBy},
    {"GZ34 / 5AR4", Topology::kCentreTap, 17, 0.25, "", 60, 250, 750, 1500, "le GZ34 / 5AR4"},
    {"5U4G / 5U4GB", Topology::kCentreTap, 50, 0.2, "", 40, 275, 1000, 1550, "le 5U4G / 5U4GB"},
    {"5Y3GT", Topology::kCentreTap, 60, 0.125, "", 20, 125, 440, 1400, "le 5Y3GT"},
    {"EZ81 / 6CA4", Topology::kCentreTap, 10, 0.06, "", 50, 150, 450, 1300, "l'EZ81 / 6CA4"},
}};
// The list opens on it.
inline constexpr std::string_view kDefaultRectifier = "GZ34 / 5AR4";

inline constexpr int kSupplyNodes = 4;

struct SupplyNode {
  bool choke = false;  // link from the previous node: a choke (L + its R) or a resistor
  double henries = 0;
  double ohms = 0;
  double microfarads = 0;
  double milliamps = 0;       // the stage's load
  double ratedVolts = 0;      // the capacitor's working voltage; 0: no check
  double fullMilliamps = -1;  // the stage's load at full power; negative: its idle load
};

// The capacitors' working voltages, edPsCv1 ... edPsCv4 (empty: no check).
inline constexpr std::array<FieldDef, kSupplyNodes> kRatedVoltsFields = {{
    {"edPsCv1", "Tension de service C1", "V", "500", true, 1, 10000},
    {"edPsCv2", "Tension de service C2", "V", "500", true, 1, 10000},
    {"edPsCv3", "Tension de service C3", "V", "450", true, 1, 10000},
    {"edPsCv4", "Tension de service C4", "V", "450", true, 1, 10000},
}};

// The loads at full power, edPsIf1 ... edPsIf4 (empty: the idle load).
inline constexpr std::array<FieldDef, kSupplyNodes> kFullPowerFields = {{
    {"edPsIf1", "Pleine puissance 1", "mA", "", true, 0, 10000},
    {"edPsIf2", "Pleine puissance 2", "mA", "", true, 0, 10000},
    {"edPsIf3", "Pleine puissance 3", "mA", "", true, 0, 10000},
    {"edPsIf4", "Pleine puissance 4", "mA", "", true, 0, 10000},
}};

struct SupplyInputs {
  double vac = 0;  // RMS, per half-winding for a centre tap
  double rs = 0;
  int hertz = 50;
  const RectifierRow* rectifier = &kRectifiers[3];
  std::vector<SupplyNode> nodes;  // the present ones, 2 to 4; nodes[0]'s link is unused
  double seconds = 0;             // the longest run
  double softOhms = 0;            // soft start resistor in series with each winding; 0: none
  double softSeconds = 0;         // ... shorted at that time
  double standbySeconds = 0;      // node 1 connected to the rectifier at that time; 0: at once
  bool fullPower = false;         // a present node has a full power load: a second run
};

// The same circuit with the full power loads in place of the idle ones where given.
SupplyInputs fullPowerInputs(const SupplyInputs& in);

// Soft start and standby, both optional times below the longest run.
inline constexpr std::array<FieldDef, 3> kSwitchFields = {{
    {"edPsRsoft", "Résistance de démarrage", "Ω", "", true, 0.001, 1e6},
    {"edPsTsoft", "Court-circuitée après", "s", "1", true, 0.001, 60},
    {"edPsTsb", "Standby : HT appliquée après", "s", "", true, 0.001, 60},
}};

// Every input read and checked; a failure names the field.
SupplyInputs readSupplyInputs(const Fields& f);

// "Données du transformateur": Rs from the windings' resistances (measured) or from the
// off-load and rated voltages at the rated current (regulation).
inline constexpr std::array<FieldDef, 6> kTransformerFields = {{
    {"edPsVp", "Tension primaire", "V", "230", true, 1, 1000},
    {"edPsRp", "Résistance du primaire", "Ω", "8", true, 0.001, 10000},
    {"edPsRsec", "Résistance du secondaire", "Ω", "90", true, 0.001, 100000},
    {"edPsV0", "Tension à vide", "V", "365", true, 1, 2000},
    {"edPsVn", "Tension en charge", "V", "350", true, 1, 2000},
    {"edPsIn", "Courant nominal", "mA", "200", true, 0.1, 100000},
}};

// Writes edPsRs: measured, Rs = Rsec + Rp × (Vac / Vp)²; by regulation, Rs = (V0 − Vn) / In
// and edPsVac takes V0, the model's source being the off-load voltage.
void writeRsFromTransformer(Fields& f, bool measured);

std::string supplyNetlist(const SupplyInputs& in);

// Sampled vectors by their simulator names: "time", the nodes "v(1)" ... "v(4)", the first
// element's anode "k1", the winding's current "va#branch", the element's "vi1#branch".
using Vectors = std::map<std::string, std::vector<double>, std::less<>>;

// Follows a run point by point and tells when the supply has settled: at the end of every
// mains period from the tenth on, each node's mean over the last five periods is compared
// with its mean over the five before; settled when each differs by less than 0,01 % of the
// mean or 1 mV, whichever is larger. It keeps one sum per node per period: cheap enough to
// watch every accepted point of the simulator.
class SettleWatch {
 public:
  // Periods are counted from `from` on (the standby switch thrown), earlier points ignored.
  SettleWatch(int hertz, std::size_t nodes, double from = 0);

  // One point: its time and the voltages of nodes 1 to `nodes`. True once settled.
  bool add(double t, std::span<const double> volts);
  // The same from the simulator's names ("time", "v(1)" ...) and that point's values.
  bool watch(std::span<const std::string> names, std::span<const double> values);
  bool settled() const { return settled_; }

 private:
  void closePeriod();

  double period_;
  std::size_t nodes_;
  std::vector<std::array<double, kSupplyNodes>> means_;  // one per finished period
  std::array<double, kSupplyNodes> sum_{}, last_{};
  double lastT_ = 0;
  double from_;
  double periodEnd_;
  bool started_ = false;
  bool settled_ = false;
  std::vector<std::size_t> columns_;  // time, then the nodes, in the simulator's order
};

// The settled rule over the means of the finished periods, node by node.
bool settledMeans(std::span<const std::array<double, kSupplyNodes>> periodMeans, std::size_t nodes);

struct SupplyFigures {
  std::array<double, kSupplyNodes> volts{};     // mean in steady state
  std::array<double, kSupplyNodes> ripple{};    // periodic part, peak to peak, last period
  double peakMilliamps = 0;                     // one element, steady state
  double surgeMilliamps = 0;                    // one element, whole run
  double pivVolts = 0;                          // one element, steady state
  double rmsMilliamps = 0;                      // one (half-)winding, steady state
  std::array<double, kSupplyNodes> maxVolts{};  // whole run: the turn-on peak
  bool settled = true;                          // the run ended settled
};

// Fails when a vector the figures need is missing or the run is shorter than five periods.
SupplyFigures supplyFigures(const SupplyInputs& in, const Vectors& v);

// One French line per data sheet limit the circuit exceeds; none when all hold.
std::vector<std::string> dataSheetWarnings(const SupplyInputs& in, const SupplyFigures& r);

// The result fields and lbPsWarn; absent nodes' fields emptied. With the full power run's
// figures, also edPsVf and edPsSag (the fall from idle, %), and that run's own checks;
// without, those fields are emptied.
void writeSupplyResults(Fields& f, const SupplyInputs& in, const SupplyFigures& r,
                        const SupplyFigures* full = nullptr);

// The plot's curves: each present node's voltage (V), then one element's current (mA), over
// the whole run or (steadyOnly) the last five periods. Each keeps the lowest and highest
// sample of at most `columns` equal slices of time, so that a redraw stays cheap whatever the
// simulator's step, and no peak is lost.
std::vector<Series> supplyCurves(const SupplyInputs& in, const Vectors& v, bool steadyOnly,
                                 std::size_t columns);

}  // namespace valvora::atelier

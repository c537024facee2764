#pragma once

// Passive tone circuits driven by a source of resistance Rs and loaded by RL in parallel with
// CL: each circuit is data (parts, knobs, netlist, presets), all solved by one nodal analysis;
// the pots' tapers, and the calculator over the tab's fields.

#include <array>
#include <complex>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/fielddef.h"
#include "core/fields.h"
#include "core/series.h"

namespace valvora::atelier {

// Values in ohms and farads. rs = 0 is an ideal source; rl infinite is no load.
struct ToneStackParts {
  double r1 = 0, r2 = 0, r3 = 0, r4 = 0;
  double c1 = 0, c2 = 0, c3 = 0;
  double rs = 0, rl = 0;
};

// Wiper fractions in [0, 1]: treble t ((1 - t) R1 above the wiper), mid m (m R3 to ground),
// bass l (l R2 in series).
struct PotFractions {
  double treble = 0.5, mid = 0.5, bass = 0.5;
};

// V(out) / V(generator) at a frequency in Hz.
std::complex<double> toneStackGain(const ToneStackParts& parts, const PotFractions& pots,
                                   double hertz);

// 20 log10 |H| at `points` log-spaced frequencies from 10 Hz to 20 kHz, both ends included.
inline constexpr int kCurvePoints = 300;
Series toneStackCurve(const ToneStackParts& parts, const PotFractions& pots,
                      int points = kCurvePoints);

// The lowest point of the response between 100 Hz and 5 kHz (an end when it is monotonic).
struct Notch {
  double hertz = 0, db = 0;
};
Notch toneStackNotch(const ToneStackParts& parts, const PotFractions& pots);

// kLogA is 30 % of the track at mid travel, kLogB 10 %.
enum class Taper { kLinear, kLogA, kLogB };
inline constexpr std::array<std::string_view, 3> kTaperTexts = {"Linéaire", "Log 30 %", "Log 10 %"};
// The wiper fraction at knob position k of the 0-10 scale.
double taperFraction(Taper taper, double k);
Taper taperFromText(std::string_view text);

// A part's field: its definition (name, label which messages name, unit, and the plausible
// range in that unit) and the factor from that unit to ohms or farads.
struct ToneStackField : FieldDef {
  double factor = 1;
};
// The first circuit's fields, in the tab's order.
extern const std::array<ToneStackField, 9> kToneStackFields;

// Reads one component field: its value in ohms or farads, or the failure naming it
// (« R1 (aigus) : entre 1 et 10 000 kΩ. »).
double readToneStackField(const ToneStackField& field, std::string_view text);

struct ToneStackPreset {
  std::string_view name;
  std::array<std::string_view, 9> texts;  // in the order of kToneStackFields
};
// Every preset has Log A tapers on treble and bass, linear on mid.
extern const std::array<ToneStackPreset, 3> kToneStackPresets;
inline constexpr std::string_view kCustomPreset = "Personnalisé";

// The frequencies of the figures row, with their labels' names.
struct FigureFrequency {
  std::string_view name;
  double hertz;
};
extern const std::array<FigureFrequency, 10> kToneStackFigures;

// Knob positions in tenths of the 0-10 scale (0..100).
struct KnobPositions {
  int treble = 50, mid = 50, bass = 50;
};

// Reads every field and taper list, then writes the figures and the notch, and gives the
// curve. A failing field fails before anything is written.
Series toneStack(Fields& f, const KnobPositions& knobs);

// ---- Circuits as data ----

// A netlist line. POT a b w: (1 - x) R from a to the wiper w, x R from w to b. VR a b: x R.
// x is the knob's taper at its position. `part` is the value field's name less "edTs".
enum class PartKind { kR, kC, kPot, kVR };
struct NetElement {
  PartKind kind;
  std::string_view part, a, b, w;
};

// The knobs every circuit draws from; the tab's slider and taper list keep their names.
enum class KnobId { kTreble, kMid, kBass, kTone, kVolume, kVolume2 };
struct KnobControl {
  std::string_view slider, caption, value, taper;
};
extern const std::array<KnobControl, 6> kKnobControls;  // indexed by KnobId

struct CircuitKnob {
  KnobId id;
  std::string_view caption;  // "Volume normal" where the circuit has two
  std::string_view part;     // the POT or VR it turns
  Taper taper;               // as the circuit opens
};

struct CircuitPreset {
  std::string_view name;
  std::vector<std::string_view> texts;  // in the order of the circuit's fields
  std::vector<Taper> tapers;            // in the order of its knobs
};

struct ToneCircuit {
  std::string_view caption;
  // Its picture, drawn from art/design/<drawing>.svg into the resource ":/design/<drawing>.png".
  std::string_view drawing;
  std::vector<ToneStackField> fields;  // parts, then Rs and RL last
  std::vector<CircuitKnob> knobs;
  std::vector<NetElement> netlist;  // nodes by name, with in, out and 0
  std::vector<CircuitPreset> presets;
};
// The first is the three-knob stack of the fields above.
extern const std::vector<ToneCircuit> kToneCircuits;

// "CL (pF) :", empty or 0 for none.
inline constexpr std::string_view kLoadCapField = "edTsCL";
extern const ToneStackField kLoadCap;

// A circuit with its values in ohms and farads, knobs as wiper fractions, solved as a
// matrix of named nodes. Rs = 0 is an ideal source, RL infinite no load, CL 0 none.
struct SolvedValues {
  std::vector<double> values;     // in the order of the circuit's fields, Rs and RL last
  std::vector<double> fractions;  // in the order of its knobs
  double cl = 0;
};
std::complex<double> circuitGain(const ToneCircuit& circuit, const SolvedValues& v, double hertz);

// The whole calculator for one circuit: knob positions in tenths (0..100) in the order of its
// knobs. The notch fields stay empty when the response has no dip inside 100 Hz - 5 kHz.
Series toneCircuit(Fields& f, const ToneCircuit& circuit, std::span<const int> knobs);

// ---- The user's own circuit ----

// A netlist typed by the user, one part a line: "R name a b value", "C name a b value",
// "POT name a b wiper value [lin|log30|log10]", "VR name a b value [taper]"; values with
// an SI suffix, "*" starts a comment. Each POT and VR is a knob, in the order of the lines.
struct CustomCircuit {
  ToneCircuit circuit;            // fields named "edTs" + part, then Rs and RL
  std::vector<double> values;     // the parts' values in ohms and farads
  std::vector<Taper> tapers;      // per knob
  std::deque<std::string> names;  // what the circuit's names point into
  bool isolated = false;          // some parts reach neither in nor ground: no solution
};
inline constexpr std::size_t kMaxCustomKnobs = 6;
// Fails with the first fault, naming its line: « Ligne 3 : valeur illisible « 4k7x ». »
std::shared_ptr<const CustomCircuit> parseNetlist(std::string_view text);
// A circuit written as a netlist, on a preset's values: the custom circuit's starting point.
std::string netlistOf(const ToneCircuit& circuit, const CircuitPreset& preset);
// As toneCircuit, Rs, RL and CL from their fields, knobs in the order of the netlist's.
Series customToneCircuit(Fields& f, const CustomCircuit& circuit, std::span<const int> knobs);

}  // namespace valvora::atelier

#pragma once

// The classic three-knob tone stack driven by a source of resistance Rs and loaded by RL:
// its response by nodal analysis, the pots' tapers, and the calculator over the tab's fields.

#include <array>
#include <complex>
#include <string>
#include <string_view>

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

enum class Taper { kLinear, kLogA, kLogB };
inline constexpr std::array<std::string_view, 3> kTaperTexts = {"Linéaire", "Log A (30 %)",
                                                                "Log B (10 %)"};
// The wiper fraction at knob position k of the 0-10 scale.
double taperFraction(Taper taper, double k);
Taper taperFromText(std::string_view text);

// The component fields, in the tab's order: name, label (which messages name), unit, the
// factor to ohms or farads, and whether zero is allowed.
struct ToneStackField {
  std::string_view name, label, unit;
  double factor;
  bool zeroAllowed;
};
extern const std::array<ToneStackField, 9> kToneStackFields;

// Reads one component field: its value in ohms or farads, or the failure naming it.
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

}  // namespace valvora::atelier

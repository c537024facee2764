#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/fielddef.h"
#include "core/fields.h"
#include "core/numtext.h"
#include "core/resistors.h"

namespace valvora::atelier {

// ---- E series (IEC 60063) ----

enum class ESeries { E6, E12, E24, E48, E96, E192 };

// The series' mantissas from 1 to below 10, times 100 (E24: 100, 110 ... 910; E192: 100,
// 101 ... 988), ascending. One table per series for the whole program.
std::span<const int> mantissas(ESeries series);
// "E6" ... "E192"; an unknown name gives nothing.
std::optional<ESeries> seriesNamed(std::string_view name);

// A standard value: mantissa (100 to 999) x 10^(decade - 2).
struct StandardValue {
  int mantissa = 100;
  int decade = 0;
  Real value() const;  // the nearest extended real to the decimal
  friend bool operator==(const StandardValue&, const StandardValue&) = default;
};

// The largest and the smallest member of the series not above and not below a positive
// value, compared as exact decimals: the value is taken as its 15 significant digits, the
// digits its text has, so that a typed 4700 or 0,47 meets its member exactly. A value that
// is not a positive finite number fails with kValueNotPositive.
StandardValue standardBelow(ESeries series, double value);
StandardValue standardAbove(ESeries series, double value);

// The tab's two typed values, edEsValue and edCcIn.
extern const std::array<FieldDef, 2> kStandardValueFields;

// The smallest series from E6 to E192 that holds the mantissa (100 to 999); none for a
// mantissa of no series.
std::optional<ESeries> smallestSeriesHolding(int mantissa);

// "Série normalisée" (edEsValue, cbEsSeries) into edEsLow, edEsHigh, edEsNear, edEsErr.
void NearestStandard(Fields& f);

namespace msg {
inline constexpr std::string_view kValueNotPositive = "La valeur doit être positive.";
inline constexpr std::string_view kValueTooLarge = "Valeur trop grande.";
inline constexpr std::string_view kOutsideColourCode =
    "Valeur hors du code couleur (de 1 Ω à 999 GΩ).";
}  // namespace msg

// ---- Colour code of 5 and 6 bands ----

// A band's colour: its French name and the colour in which the drawing paints it.
struct BandColour {
  std::string_view name;
  Rgb rgb;
};

// The lists of the group, in their order: each item is a colour and what it means.
namespace bands {
struct Multiplier {
  BandColour colour;
  std::string_view label;  // "×0,01" ... "×1 G"
  int exponent;            // the value's power of ten
};
struct Tolerance {
  BandColour colour;
  std::string_view label;  // "±1 %"
  Real percent;
};
struct TempCo {
  BandColour colour;
  std::string_view label;  // "100 ppm/K"
};
extern const std::array<BandColour, 10> kDigits;  // Noir 0 ... Blanc 9
extern const std::array<Multiplier, 12> kMultipliers;
extern const std::array<Tolerance, 10> kTolerances;
extern const std::array<TempCo, 9> kTempCos;
}  // namespace bands

// The picks of the group, by list index.
struct BandCode {
  std::array<int, 3> digits{4, 7, 0};  // Jaune Violet Noir
  int multiplier = 3;                  // Marron, ×10
  int tolerance = 0;                   // Marron, ±1 %
  int tempco = 1;                      // Marron, 100 ppm/K
  bool sixBands = false;
};

// Colours to texts: edCcValue, lbCcRange, lbCcTc (empty with 5 bands) and lbCcSeries.
void ColourCode(Fields& f, const BandCode& code);
// edCcIn to the three digits and the multiplier of code, the value rounded to three
// significant digits; tolerance and temperature are left as they are. Fails with
// kOutsideColourCode below 1 Ω or above 999 GΩ (after the rounding).
void BandsFromValue(Fields& f, BandCode& code);

}  // namespace valvora::atelier

#include "core/atelier/standardvalues.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace valvora::atelier {
namespace {

// Not rounded powers of ten: 2,7 3,0 3,3 3,6 3,9 4,3 4,7 8,2 differ from them.
constexpr std::array<int, 24> kE24 = {100, 110, 120, 130, 150, 160, 180, 200, 220, 240, 270, 300,
                                      330, 360, 390, 430, 470, 510, 560, 620, 680, 750, 820, 910};

std::vector<int> everyNth(std::span<const int> from, std::size_t step) {
  std::vector<int> out;
  for (std::size_t i = 0; i < from.size(); i += step) out.push_back(from[i]);
  return out;
}

// 10^(i/n) rounded to two decimals, times 100.
std::vector<int> roundedPowers(int n) {
  std::vector<int> out;
  out.reserve(static_cast<std::size_t>(std::max(n, 0)));
  for (int i = 0; i < n; ++i)
    out.push_back(int(truncate(add(multiply(power(10, divide(i, n)), 100), 0.5L))));
  return out;
}

std::vector<int> e192() {
  std::vector<int> out = roundedPowers(192);
  // The standard prints 9,20 where the rounding gives 9,19.
  std::replace(out.begin(), out.end(), 919, 920);
  return out;
}

// A positive value as its 15 significant digits: digits x 10^(decade - 14), digits from
// 10^14 to below 10^15, so that digits / 10^14 is the mantissa from 1 to below 10.
struct Exact {
  std::uint64_t digits;
  int decade;
};
constexpr std::uint64_t k1e12 = 1000000000000ULL, k1e14 = 100 * k1e12, k1e15 = 1000 * k1e12;

Exact exact(double value) {
  const Decimal18 d = toDecimal18(value);  // digits x 10^(exponent - 17)
  std::uint64_t digits = d.digits / 1000;
  if (d.digits % 1000 >= 500) ++digits;  // halves away from zero
  int decade = d.exponent;
  if (digits == k1e15) {
    digits = k1e14;
    ++decade;
  }
  return {digits, decade};
}

std::uint64_t scaled(int mantissa) {
  return std::uint64_t(mantissa) * k1e12;
}

// The nearest in ratio of two neighbours: low x high against value², an exact tie taking
// the higher. 10^30 is beyond 64 bits, not beyond 128.
__extension__ typedef unsigned __int128 Wide;

StandardValue nearer(const Exact& v, StandardValue low, StandardValue high) {
  if (low == high) return low;
  // high is at most one decade above low: bring it to low's decade (mantissa up to 1000).
  const Wide h = Wide(high.mantissa) * (high.decade > low.decade ? 10 : 1);
  const Wide square = Wide(v.digits) * v.digits;
  const Wide product = Wide(low.mantissa) * h * Wide(k1e12) * Wide(k1e12);
  return square >= product ? high : low;
}

double readStored(const Fields& f, std::string_view control) {
  return store(readDefinedField(f, fieldNamed(kStandardValueFields, control)));
}

void requirePositive(double value) {
  if (!(value > 0) || !std::isfinite(value)) throw CalcError(std::string(msg::kValueNotPositive));
}

// mantissa x 10^exponent from integers: one rounding, so that the general form gives back
// the decimal.
Real decimalValue(std::int64_t mantissa, int exponent) {
  return exponent >= 0 ? multiply(mantissa, power(10, exponent))
                       : divide(mantissa, power(10, -exponent));
}

}  // namespace

const std::array<FieldDef, 2> kStandardValueFields = {{
    // Up to the largest value the series' search keeps exact.
    {"edEsValue", "Valeur", "Ω", "4321", true, 0, 1e15},
    {"edCcIn", "Valeur", "Ω", "4700", true, 0, 1e15},
}};

std::span<const int> mantissas(ESeries series) {
  static const std::vector<int> e96 = roundedPowers(96);
  static const std::vector<int> e48 = everyNth(e96, 2);
  static const std::vector<int> e192Table = e192();
  static const std::vector<int> e12 = everyNth(kE24, 2);
  static const std::vector<int> e6 = everyNth(kE24, 4);
  switch (series) {
    case ESeries::E6:
      return e6;
    case ESeries::E12:
      return e12;
    case ESeries::E24:
      return kE24;
    case ESeries::E48:
      return e48;
    case ESeries::E96:
      return e96;
    case ESeries::E192:
      break;
  }
  return e192Table;
}

namespace {
constexpr std::pair<std::string_view, ESeries> kSeriesNames[] = {
    {"E6", ESeries::E6},   {"E12", ESeries::E12}, {"E24", ESeries::E24},
    {"E48", ESeries::E48}, {"E96", ESeries::E96}, {"E192", ESeries::E192}};
std::string seriesName(ESeries series) {
  for (const auto& [n, s] : kSeriesNames)
    if (s == series) return std::string(n);
  return {};
}
}  // namespace

std::optional<ESeries> seriesNamed(std::string_view name) {
  for (const auto& [n, s] : kSeriesNames)
    if (n == name) return s;
  return std::nullopt;
}

std::optional<ESeries> smallestSeriesHolding(int mantissa) {
  for (ESeries s :
       {ESeries::E6, ESeries::E12, ESeries::E24, ESeries::E48, ESeries::E96, ESeries::E192}) {
    const std::span<const int> m = mantissas(s);
    if (std::binary_search(m.begin(), m.end(), mantissa)) return s;
  }
  return std::nullopt;
}

Real StandardValue::value() const {
  return decimalValue(mantissa, decade - 2);
}

StandardValue standardBelow(ESeries series, double value) {
  requirePositive(value);
  const Exact v = exact(value);
  const std::span<const int> m = mantissas(series);
  // The first mantissa is 100 and a positive value's digits are at least 10^14: some member
  // of the decade is never above the value.
  auto it = std::upper_bound(m.begin(), m.end(), v.digits,
                             [](std::uint64_t d, int x) { return d < scaled(x); });
  if (it == m.begin()) throw CalcError(std::string(msg::kValueNotPositive));
  return {*(it - 1), v.decade};
}

StandardValue standardAbove(ESeries series, double value) {
  requirePositive(value);
  const Exact v = exact(value);
  const std::span<const int> m = mantissas(series);
  auto it = std::lower_bound(m.begin(), m.end(), v.digits,
                             [](int x, std::uint64_t d) { return scaled(x) < d; });
  if (it == m.end()) return {m.front(), v.decade + 1};
  return {*it, v.decade};
}

void NearestStandard(Fields& f) {
  const double value = readStored(f, "edEsValue");
  const std::string name = f.text("cbEsSeries");
  const std::optional<ESeries> series = seriesNamed(name);
  if (!series) throw CalcError("Série inconnue : " + name);
  if (!(value > 0)) throw CalcError(std::string(msg::kValueNotPositive));
  if (value >= 1E15) throw CalcError(std::string(msg::kValueTooLarge));

  const StandardValue low = standardBelow(*series, value);
  const StandardValue high = standardAbove(*series, value);
  const StandardValue near = nearer(exact(value), low, high);
  const Real nearValue = near.value();
  const double err = store(multiply(divide(subtract(nearValue, value), value), 100));
  const std::string text = formatPattern("0.00", err);
  // Written once all is known: a failure leaves no mixture of old and new figures.
  f.write("edEsLow", formatGeneral(low.value()));
  f.write("edEsHigh", formatGeneral(high.value()));
  f.write("edEsNear", formatGeneral(nearValue));
  f.write("edEsErr", text.front() == '-' ? text : "+" + text);
}

// ---- Colour code ----

namespace bands {
namespace {
constexpr BandColour kNoir{"Noir", {0, 0, 0}}, kMarron{"Marron", {128, 64, 0}},
    kRouge{"Rouge", {220, 0, 0}}, kOrange{"Orange", {255, 128, 0}}, kJaune{"Jaune", {255, 220, 0}},
    kVert{"Vert", {0, 140, 0}}, kBleu{"Bleu", {0, 0, 230}}, kViolet{"Violet", {140, 0, 200}},
    kGris{"Gris", {128, 128, 128}}, kBlanc{"Blanc", {255, 255, 255}}, kOr{"Or", {212, 175, 55}},
    kArgent{"Argent", {192, 192, 192}};
}  // namespace

const std::array<BandColour, 10> kDigits = {kNoir, kMarron, kRouge,  kOrange, kJaune,
                                            kVert, kBleu,   kViolet, kGris,   kBlanc};
const std::array<Multiplier, 12> kMultipliers = {{
    {kArgent, "×0,01", -2},
    {kOr, "×0,1", -1},
    {kNoir, "×1", 0},
    {kMarron, "×10", 1},
    {kRouge, "×100", 2},
    {kOrange, "×1 k", 3},
    {kJaune, "×10 k", 4},
    {kVert, "×100 k", 5},
    {kBleu, "×1 M", 6},
    {kViolet, "×10 M", 7},
    {kGris, "×100 M", 8},
    {kBlanc, "×1 G", 9},
}};
// IEC 60062.
const std::array<Tolerance, 10> kTolerances = {{
    {kMarron, "±1 %", 1},
    {kRouge, "±2 %", 2},
    {kOrange, "±0,05 %", 0.05L},
    {kJaune, "±0,02 %", 0.02L},
    {kVert, "±0,5 %", 0.5L},
    {kBleu, "±0,25 %", 0.25L},
    {kViolet, "±0,1 %", 0.1L},
    {kGris, "±0,01 %", 0.01L},
    {kOr, "±5 %", 5},
    {kArgent, "±10 %", 10},
}};
const std::array<TempCo, 9> kTempCos = {{
    {kNoir, "250 ppm/K"},
    {kMarron, "100 ppm/K"},
    {kRouge, "50 ppm/K"},
    {kOrange, "15 ppm/K"},
    {kJaune, "25 ppm/K"},
    {kVert, "20 ppm/K"},
    {kBleu, "10 ppm/K"},
    {kViolet, "5 ppm/K"},
    {kGris, "1 ppm/K"},
}};
}  // namespace bands

void ColourCode(Fields& f, const BandCode& code) {
  int digits = 0;
  for (int d : code.digits) digits = 10 * digits + d;
  const int exponent = bands::kMultipliers.at(std::size_t(code.multiplier)).exponent;
  const Real value = decimalValue(digits, exponent);
  f.write("edCcValue", formatGeneral(value));

  const Real p = divide(bands::kTolerances.at(std::size_t(code.tolerance)).percent, 100);
  f.write("lbCcRange", "Résistance comprise entre " + formatGeneral(multiply(value, 1 - p)) +
                           " Ω et " + formatGeneral(multiply(value, 1 + p)) + " Ω");
  f.write("lbCcTc", code.sixBands ? std::string(bands::kTempCos.at(std::size_t(code.tempco)).label)
                                  : std::string());

  // The three digits as a mantissa from 100 to 999, leading zeros shifted out.
  std::string series = "aucune";
  if (digits != 0) {
    int mantissa = digits;
    while (mantissa < 100) mantissa *= 10;
    if (const std::optional<ESeries> s = smallestSeriesHolding(mantissa)) series = seriesName(*s);
  }
  f.write("lbCcSeries", "Série : " + series);
}

void BandsFromValue(Fields& f, BandCode& code) {
  const double value = readStored(f, "edCcIn");
  if (!(value > 0)) throw CalcError(std::string(msg::kOutsideColourCode));
  // Three significant digits, halves away from zero, from the value's decimal digits.
  const Exact v = exact(value);
  int mantissa = int(v.digits / k1e12);
  int exponent = v.decade - 2;
  if (v.digits % k1e12 >= k1e12 / 2 && ++mantissa == 1000) {
    mantissa = 100;
    ++exponent;
  }
  if (exponent < bands::kMultipliers.front().exponent ||
      exponent > bands::kMultipliers.back().exponent)
    throw CalcError(std::string(msg::kOutsideColourCode));
  code.digits = {mantissa / 100, mantissa / 10 % 10, mantissa % 10};
  code.multiplier = exponent - bands::kMultipliers.front().exponent;
}

}  // namespace valvora::atelier

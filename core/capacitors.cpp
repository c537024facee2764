#include "core/capacitors.h"

#include <cstdint>
#include <numbers>
#include <optional>
#include <string_view>

#include "core/numtext.h"

namespace valvora {
namespace {

constexpr Real kPi = std::numbers::pi_v<Real>;

// The third digit of the code: a power of ten; 8 and 9 mark values below 10 pF.
std::optional<double> multiplier(std::int32_t digit) {
  switch (digit) {
    case 0:
      return 1.0;
    case 1:
      return 10.0;
    case 2:
      return 100.0;
    case 3:
      return 1000.0;
    case 4:
      return 10000.0;
    case 5:
      return 100000.0;
    case 8:
      return 0.01;
    case 9:
      return 0.1;
    default:
      return std::nullopt;
  }
}

// Below 10 pF a letter gives an absolute tolerance, from 10 pF up a relative one; "-" where
// the letter means nothing in that range. The texts are printed markings: decimal point.
struct Tolerance {
  std::string_view letter;
  std::string_view small;
  std::string_view large;
};
constexpr Tolerance kTolerances[] = {
    {"B", "+/- 0.1 pF", "-"},      {"C", "+/- 0.25 pF", "-"},     {"D", "+/- 0.5 pF", "+/- 0.5%"},
    {"F", "+/- 1 pF", "+/- 1%"},   {"G", "+/- 2 pF", "+/- 2%"},   {"H", "-", "+/- 2.5%"},
    {"J", "-", "+/- 5%"},          {"K", "-", "+/- 10%"},         {"M", "-", "+/- 20%"},
    {"R", "-", "(+ 30 / - 20) %"}, {"S", "-", "(+ 50 / - 20) %"}, {"Z", "-", "(+ 80 / - 20) %"},
};

double readStored(const Fields& f, std::string_view control) {
  return store(readReal(f.text(control)));
}

// Rectified voltage of a secondary: peak value less the drop of two diodes.
double rectified(std::int32_t vs) {
  return store(subtract(multiply(squareRoot(2), vs), 1.2L));
}

void rcFilter(Fields& f, std::string_view r, std::string_view c, std::string_view fc) {
  const std::int32_t ohms = readInteger(f.text(r));
  const double microfarads = readStored(f, c);
  const double q = store(divide(1, multiply(multiply(ohms, 2 * kPi), microfarads)));
  f.write(fc, formatPattern("0.000", multiply(q, 1000000)));
}

}  // namespace

void condonorm(Fields& f, CapacitorCodeState& state) {
  if (f.text("Edit3").empty()) f.write("Edit3", "0");
  const std::int32_t digits = readInteger(f.text("Edit3"));
  const std::int32_t digit = readInteger(f.text("ComboBox1"));
  const std::string letter = f.text("ComboBox2");

  const std::optional<double> m = multiplier(digit);
  if (!m) {
    // No such code: nothing to show rather than a figure from an undefined multiplier.
    state.tolerance.clear();
    for (std::string_view label : {"lb_pF", "lb_nF", "lb_uF", "lb_tolerance"}) f.write(label, "");
    return;
  }
  const double c = store(multiply(digits, *m));
  f.write("lb_pF", formatGeneral(c));
  f.write("lb_nF", formatGeneral(divide(c, 1000)));
  f.write("lb_uF", formatGeneral(divide(c, 1000000)));

  // Exactly 10 pF takes the relative column, which starts there.
  const bool small = c < 10;
  for (const Tolerance& t : kTolerances) {
    if (letter == t.letter) {
      state.tolerance = small ? t.small : t.large;
      break;
    }
  }
  f.write("lb_tolerance", state.tolerance);
}

void convert_condo(Fields& f) {
  const double p = readStored(f, "edpF");
  f.write("lbpFa", formatGeneral(p));
  f.write("lbnFa", formatGeneral(divide(p, 1000)));
  f.write("lbmicFa", formatGeneral(divide(p, 1000000)));
  const double n = readStored(f, "ednF");
  f.write("lbpFb", formatGeneral(multiply(n, 1000)));
  f.write("lbnFb", formatGeneral(n));
  f.write("lbmicFb", formatGeneral(divide(n, 1000)));
  const double u = readStored(f, "edmicF");
  f.write("lbpFc", formatGeneral(multiply(u, 1000000)));
  f.write("lbnFc", formatGeneral(multiply(u, 1000)));
  f.write("lbmicFc", formatGeneral(u));
}

void condo_par(Fields& f) {
  const double c1 = readStored(f, "edc1_par");
  const double c2 = readStored(f, "edc2_par");
  f.write("edc_par", formatPattern("0.00", store(add(c1, c2))));
}

void condo_ser(Fields& f) {
  const double c1 = readStored(f, "edc1_ser");
  const double c2 = readStored(f, "edc2_ser");
  f.write("edc_ser", formatPattern("0.00", store(divide(multiply(c1, c2), add(c1, c2)))));
}

void potentiometre(Fields& f) {
  const double v = readStored(f, "evsrc");
  const double rmax = readStored(f, "epRmax");
  const double x = readStored(f, "eppos");
  f.write("epdiss", formatGeneral(store(divide(multiply(v, v), rmax))));
  f.write("eplin", formatGeneral(store(multiply(divide(x, 100), v))));
  f.write("eplog", formatGeneral(store(multiply(power(divide(x, 100), kPi), v))));
}

void RCFilter(Fields& f) {
  rcFilter(f, "edRCr1", "edRCc1", "edRCfc1");
  rcFilter(f, "edRCr2", "edRCc2", "edRCfc2");
}

void Courant(Fields& f) {
  const std::int32_t vs = readInteger(f.text("edTS"));
  const double p = readStored(f, "edP");
  const double in = store(divide(p, vs));
  const double vdc = rectified(vs);
  f.write("edCN", formatPattern("0.00", in));
  f.write("edTC", formatPattern("0.00", vdc));
}

void Puissance(Fields& f) {
  const std::int32_t vs = readInteger(f.text("edTS"));
  const double in = readStored(f, "edCN");
  const double p = store(multiply(vs, in));
  const double vdc = rectified(vs);
  f.write("edP", formatPattern("0.00", p));
  f.write("edTC", formatPattern("0.00", vdc));
}

void Transfo(Fields& f) {
  const std::int32_t u = readInteger(f.text("Edit4"));
  const double i = readStored(f, "Edit5");
  const double r = readStored(f, "Edit8");
  // 628 as the workshop rule has it, not 200 pi.
  const double l = store(divide(divide(u, 2), multiply(628, i)));
  const double cmin = store(divide(119.3L, multiply(l, r)));
  f.write("lbInduc", formatPattern("0.00000", l) + " Henry");
  f.write("lbCap", formatPattern("0.00000", cmin) + " µF");
}

}  // namespace valvora

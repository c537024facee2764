#include "core/attenuators.h"

#include <array>
#include <string_view>

#include "core/numtext.h"

namespace valvora {
namespace {

constexpr std::string_view kFourDecimals = "0.0000";

double readStored(const Fields& f, std::string_view control) {
  return store(readReal(f.text(control)));
}

// Keeps a result as a double and shows that double with four decimals.
double put(Fields& f, std::string_view control, Real value) {
  const double kept = store(value);
  f.write(control, formatPattern(kFourDecimals, kept));
  return kept;
}

struct Inputs {
  double z = 0;
  double pa = 0;
  double third = 0;  // wanted power, or attenuation in dB
};

Inputs readInputs(const Fields& f, std::string_view z, std::string_view pa,
                  std::string_view third) {
  Inputs in;
  in.z = readStored(f, z);
  in.pa = readStored(f, pa);
  in.third = readStored(f, third);
  return in;
}

// One column of the L pad's table: each value of a row is computed from the resistor and its
// count, and the four are kept before the first is shown, so a zero count in the power
// column leaves that whole column as it was.
using Counts = std::array<double, 4>;
using Names = std::array<std::string_view, 4>;

template <typename Op>
void tableColumn(Fields& f, const Counts& n, double value, Op op, const Names& names) {
  std::array<double, 4> kept{};
  for (std::size_t i = 0; i < n.size(); ++i) kept[i] = store(op(value, n[i]));
  for (std::size_t i = 0; i < n.size(); ++i) f.write(names[i], formatGeneral(kept[i]));
}

}  // namespace

void attenuateur(Fields& f) {
  const Inputs in = readInputs(f, "cbAS_ImpHP", "edp_amp", "edp_souhait");
  const double z = in.z, pa = in.pa, ps = in.third;

  const double r1 = put(f, "edR1", multiply(subtract(1, squareRoot(divide(ps, pa))), z));
  const double r2 = put(f, "edR2", divide(z, subtract(squareRoot(divide(pa, ps)), 1)));
  const double i = put(f, "edI", squareRoot(divide(pa, z)));
  const double ur1 = put(f, "edUR1", multiply(i, r1));
  const double ihp = put(f, "ediHP", squareRoot(divide(ps, z)));
  const double pr1 = put(f, "edPuisR1", multiply(i, ur1));
  const double ir2 = put(f, "ediR2", subtract(i, ihp));
  const double ur2 = put(f, "edUR2", multiply(r2, ir2));
  const double pr2 = put(f, "edPuisR2", multiply(ur2, ir2));

  constexpr Names kCounts = {"edRx4", "edRx3", "edRx2", "edRx1"};
  Counts n{};
  for (std::size_t k = 0; k < n.size(); ++k) n[k] = readStored(f, kCounts[k]);
  auto times = [](Real r, Real count) { return multiply(r, count); };
  auto share = [](Real p, Real count) { return divide(p, count); };
  tableColumn(f, n, r1, times, {"edR1x4", "edR1x3", "edR1x2", "edR1x1"});
  tableColumn(f, n, pr1, share, {"edR1x4puis", "edR1x3puis", "edR1x2puis", "edR1x1puis"});
  tableColumn(f, n, r2, times, {"edR2x4", "edR2x3", "edR2x2", "edR2x1"});
  tableColumn(f, n, pr2, share, {"edR2x4puis", "edR2x3puis", "edR2x2puis", "edR2x1puis"});
}

void attenuateur_sp(Fields& f) {
  const Inputs in = readInputs(f, "cbImpHP_sp", "edp_amp_sp", "edp_souhait_sp");
  const double z = in.z, pa = in.pa, ps = in.third;

  const double r1 =
      put(f, "edR1_sp", multiply(multiply(subtract(1, squareRoot(divide(ps, pa))), z), 2));
  const double r2 = put(f, "edR2_sp", r1);
  const double r3 = put(f, "edR3_sp", divide(z, subtract(squareRoot(divide(pa, ps)), 1)));
  const double it = put(f, "edi_transfo", squareRoot(divide(pa, z)));
  const double ir1 = put(f, "edIR1_sp", divide(it, 2));
  const double ur1 = put(f, "edUR1_sp", multiply(r1, ir1));
  const double ir2 = put(f, "edIR2_sp", divide(it, 2));
  const double ur2 = put(f, "edUR2_sp", multiply(r2, ir2));
  const double ihp = put(f, "ediHP_sp", squareRoot(divide(ps, z)));
  const double ir3 = put(f, "edIR3_sp", subtract(it, ihp));
  const double ur3 = put(f, "edUR3_sp", multiply(r3, ir3));
  put(f, "edPuisR1_sp", multiply(ur1, ir1));
  put(f, "edPuisR2_sp", multiply(ur2, ir2));
  put(f, "edPuisR3_sp", multiply(ur3, ir3));
}

void attenuateur_t(Fields& f) {
  const Inputs in = readInputs(f, "cbImpHP_t", "edp_amp_t", "ed_atten_t");
  const double z = in.z, pa = in.pa, a = in.third;

  const double r34 = store(z);
  f.write("edR3R4_t", formatGeneral(r34));
  const double k = store(power(10, divide(-Real(a), 20)));
  const double r1 = put(f, "edR1_t", divide(z, subtract(k, 1)));
  const double r2 = put(f, "edR2_t", multiply(subtract(k, 1), z));
  const double ia = put(f, "ediampli_t", squareRoot(divide(pa, z)));
  // The amplifier current splits between R2 and R3 in inverse proportion to them.
  auto part = [&](double r) {
    return divide(multiply(subtract(100, divide(multiply(r, 100), add(r2, r34))), ia), 100);
  };
  const double ir2 = put(f, "ediR2_t", part(r2));
  const double ir3 = put(f, "ediR3_t", part(r34));
  put(f, "ediR1_t", ir3);
  const double ua = put(f, "eduampli_t", multiply(ia, z));
  const double ur1 = put(f, "edu_r1_t", multiply(r1, ir3));
  put(f, "edu_r2_t", divide(ua, squareRoot(-Real(a))));
  const double pr1 = put(f, "edp_r1_t", multiply(ur1, ir3));
  const double pr2 = put(f, "edp_r2_t", multiply(multiply(r2, ir2), ir2));
  const double pr3 = put(f, "edp_r3_t", multiply(multiply(r34, ir3), ir3));
  const double php = put(f, "edp_hp_t", multiply(power(10, divide(a, 10)), pa));
  put(f, "edu_r3_t", subtract(ua, divide(pr3, ir3)));
  const double ihp = put(f, "edi_hp_t", squareRoot(divide(php, z)));
  const double uhp = put(f, "edu_hp_t", multiply(z, ihp));
  const double ur4 = put(f, "edu_r4_t", uhp);
  const double pr4 = put(f, "edp_r4_t", subtract(pa, add(add(add(pr3, pr2), pr1), php)));
  put(f, "edi_r4_t", divide(pr4, ur4));
}

}  // namespace valvora

#include "core/atelier/tonestack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <random>
#include <string>

#include "core/failure.h"
#include "tests/core/fieldmap.h"

namespace valvora::atelier {
namespace {

using testing::FieldMap;

// Yeh and Smith's transfer function of the stack with an ideal source and no load, written
// from the paper's coefficients.
std::complex<double> closedForm(const ToneStackParts& p, const PotFractions& k, double hz) {
  const double R1 = p.r1, R2 = p.r2, R3 = p.r3, R4 = p.r4, C1 = p.c1, C2 = p.c2, C3 = p.c3;
  const double t = k.treble, m = k.mid, l = k.bass;
  const double b1 = t * C1 * R1 + m * C3 * R3 + l * (C1 * R2 + C2 * R2) + (C1 * R3 + C2 * R3);
  const double b2 = t * (C1 * C2 * R1 * R4 + C1 * C3 * R1 * R4) -
                    m * m * (C1 * C3 * R3 * R3 + C2 * C3 * R3 * R3) +
                    m * (C1 * C3 * R1 * R3 + C1 * C3 * R3 * R3 + C2 * C3 * R3 * R3) +
                    l * (C1 * C2 * R1 * R2 + C1 * C2 * R2 * R4 + C1 * C3 * R2 * R4) +
                    l * m * (C1 * C3 * R2 * R3 + C2 * C3 * R2 * R3) +
                    (C1 * C2 * R1 * R3 + C1 * C2 * R3 * R4 + C1 * C3 * R3 * R4);
  const double C123 = C1 * C2 * C3;
  const double b3 = l * m * C123 * (R1 * R2 * R3 + R2 * R3 * R4) -
                    m * m * C123 * (R1 * R3 * R3 + R3 * R3 * R4) +
                    m * C123 * (R1 * R3 * R3 + R3 * R3 * R4) + t * C123 * R1 * R3 * R4 -
                    t * m * C123 * R1 * R3 * R4 + t * l * C123 * R1 * R2 * R4;
  const double a1 =
      (C1 * R1 + C1 * R3 + C2 * R3 + C2 * R4 + C3 * R4) + m * C3 * R3 + l * (C1 * R2 + C2 * R2);
  const double a2 =
      m * (C1 * C3 * R1 * R3 - C2 * C3 * R3 * R4 + C1 * C3 * R3 * R3 + C2 * C3 * R3 * R3) +
      l * m * (C1 * C3 * R2 * R3 + C2 * C3 * R2 * R3) -
      m * m * (C1 * C3 * R3 * R3 + C2 * C3 * R3 * R3) +
      l * (C1 * C2 * R2 * R4 + C1 * C2 * R1 * R2 + C1 * C3 * R2 * R4 + C2 * C3 * R2 * R4) +
      (C1 * C2 * R1 * R4 + C1 * C3 * R1 * R4 + C1 * C2 * R3 * R4 + C1 * C2 * R1 * R3 +
       C1 * C3 * R3 * R4 + C2 * C3 * R3 * R4);
  const double a3 = l * m * C123 * (R1 * R2 * R3 + R2 * R3 * R4) -
                    m * m * C123 * (R1 * R3 * R3 + R3 * R3 * R4) +
                    m * C123 * (R3 * R3 * R4 + R1 * R3 * R3 - R1 * R3 * R4) +
                    l * C123 * R1 * R2 * R4 + C123 * R1 * R3 * R4;
  const std::complex<double> s(0, 2 * std::numbers::pi * hz);
  return (b1 * s + b2 * s * s + b3 * s * s * s) / (1.0 + a1 * s + a2 * s * s + a3 * s * s * s);
}

TEST(ToneStack, NodalSolveMatchesTheClosedFormWithIdealSourceAndNoLoad) {
  std::mt19937 gen(20);
  auto logUniform = [&](double lo, double hi) {
    return lo * std::pow(hi / lo, std::uniform_real_distribution<double>(0, 1)(gen));
  };
  std::uniform_real_distribution<double> fraction(0.001, 0.999);
  for (int run = 0; run < 200; ++run) {
    ToneStackParts p{logUniform(10e3, 1e6),
                     logUniform(10e3, 2e6),
                     logUniform(1e3, 100e3),
                     logUniform(10e3, 220e3),
                     logUniform(47e-12, 1e-9),
                     logUniform(4.7e-9, 220e-9),
                     logUniform(4.7e-9, 220e-9),
                     0,
                     std::numeric_limits<double>::infinity()};
    const PotFractions k{fraction(gen), fraction(gen), fraction(gen)};
    for (double hz : {10.0, 63.0, 400.0, 1234.5, 8000.0, 20000.0}) {
      const std::complex<double> expected = closedForm(p, k, hz);
      const std::complex<double> got = toneStackGain(p, k, hz);
      ASSERT_LT(std::abs(got - expected), 1e-9 * std::abs(expected))
          << "run " << run << " at " << hz;
    }
  }
}

FieldMap presetFields(int preset) {
  FieldMap f;
  for (std::size_t i = 0; i < kToneStackFields.size(); ++i)
    f[std::string(kToneStackFields[i].name)] = std::string(kToneStackPresets[preset].texts[i]);
  f["cbTsTaperT"] = std::string(kTaperTexts[1]);
  f["cbTsTaperB"] = std::string(kTaperTexts[1]);
  f["cbTsTaperM"] = std::string(kTaperTexts[0]);
  return f;
}

// The Bassman preset (Rs 1,3 kΩ, RL 1 MΩ) at three settings, against an independent nodal
// solve written separately in another language (notch on a 0,02 % grid).
TEST(ToneStack, BassmanFiguresAtThreeSettings) {
  const struct {
    KnobPositions knobs;
    const char *db20, *db100, *db1k, *db10k, *notchHz, *notchDb;
  } cases[] = {
      {{50, 50, 50}, "-6,5 dB", "-4,3 dB", "-13,2 dB", "-7,9 dB", "880", "-13,3"},
      {{100, 0, 100}, "-4,3 dB", "-4,6 dB", "-14,4 dB", "-0,7 dB", "606", "-23,9"},
      {{20, 80, 70}, "-4,0 dB", "-3,5 dB", "-10,9 dB", "-8,9 dB", "1022", "-10,9"},
  };
  for (const auto& c : cases) {
    FieldMap f = presetFields(0);
    const Series curve = toneStack(f, c.knobs);
    EXPECT_EQ(f["lbTsDb20"], c.db20);
    EXPECT_EQ(f["lbTsDb100"], c.db100);
    EXPECT_EQ(f["lbTsDb1k"], c.db1k);
    EXPECT_EQ(f["lbTsDb10k"], c.db10k);
    EXPECT_EQ(f["edTsNotchF"], c.notchHz);
    EXPECT_EQ(f["edTsNotchDb"], c.notchDb);
    ASSERT_EQ(curve.x.size(), 300u);
    EXPECT_EQ(curve.x.front(), 10);
    EXPECT_EQ(curve.x.back(), 20000);
  }
}

TEST(ToneStack, Tapers) {
  const struct {
    double k, linear, logA, logB;
  } cases[] = {
      {0, 0, 0, 0},  {2.5, 0.25, 0.15, 0.05}, {5, 0.5, 0.3, 0.1}, {7.5, 0.75, 0.65, 0.55},
      {10, 1, 1, 1},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(taperFraction(Taper::kLinear, c.k), c.linear, 1e-12) << c.k;
    EXPECT_NEAR(taperFraction(Taper::kLogA, c.k), c.logA, 1e-12) << c.k;
    EXPECT_NEAR(taperFraction(Taper::kLogB, c.k), c.logB, 1e-12) << c.k;
  }
  for (std::size_t i = 0; i < kTaperTexts.size(); ++i)
    EXPECT_EQ(taperFromText(kTaperTexts[i]), Taper(i));
}

TEST(ToneStack, FailuresNameTheField) {
  const struct {
    const char *field, *text, *message;
  } cases[] = {
      {"edTsR1", "abc", "R1 (aigus) : 'abc' n'est pas une valeur en virgule flottante correcte"},
      {"edTsR2", "", "R2 (graves) : '' n'est pas une valeur en virgule flottante correcte"},
      {"edTsR3", "0", "La valeur de R3 (médiums) doit être supérieure à zéro"},
      {"edTsR4", "-56", "La valeur de R4 (pente) doit être supérieure à zéro"},
      {"edTsC1", "1E-4000", "La valeur de C1 doit être supérieure à zéro"},
      {"edTsC2", "1E400", "C2 : Débordement en virgule flottante"},
      {"edTsC3", "-0,1", "La valeur de C3 doit être supérieure à zéro"},
      {"edTsRs", "-1,3", "La valeur de Rs (source) ne peut pas être négative"},
      {"edTsRL", "0", "La valeur de RL (charge) doit être supérieure à zéro"},
      {"edTsC3", "1E300", "Les valeurs des composants ne permettent pas de calculer la réponse"},
  };
  for (const auto& c : cases) {
    FieldMap f = presetFields(0);
    f[c.field] = c.text;
    try {
      toneStack(f, {});
      ADD_FAILURE() << c.field << " " << c.text;
    } catch (const CalcError& e) {
      EXPECT_EQ(e.message(), c.message);
    }
    EXPECT_EQ(f["lbTsDb1k"], "") << "nothing written before the failure";
  }
  // An ideal source is allowed.
  FieldMap f = presetFields(0);
  f["edTsRs"] = "0";
  EXPECT_NO_THROW(toneStack(f, {}));
}

}  // namespace
}  // namespace valvora::atelier

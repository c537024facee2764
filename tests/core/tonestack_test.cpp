#include "core/atelier/tonestack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <vector>

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
      {"edTsR1", "abc", "R1 (aigus) : 'abc' n'est pas un nombre."},
      {"edTsR2", "", "R2 (graves) : '' n'est pas un nombre."},
      {"edTsR3", "0", "R3 (médiums) : entre 0,1 et 10 000 kΩ."},
      {"edTsR4", "-56", "R4 (pente) : entre 0,1 et 10 000 kΩ."},
      {"edTsR1", "1E300", "R1 (aigus) : entre 0,1 et 10 000 kΩ."},
      {"edTsC1", "1E-4000", "C1 : entre 1 et 100 000 pF."},
      {"edTsC2", "1E400", "C2 : entre 0,01 et 10 000 nF."},
      {"edTsC3", "-0,1", "C3 : entre 0,01 et 10 000 nF."},
      {"edTsRs", "-1,3", "Rs (source) : entre 0 et 1000 kΩ."},
      {"edTsRL", "0", "RL (charge) : entre 1 et 100 000 kΩ."},
      {"edTsC3", "1E300", "C3 : entre 0,01 et 10 000 nF."},
      {"edTsCL", "1E6", "CL : entre 0 et 100 000 pF."},
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

// Each circuit written again from its schematic, in ohms and farads, with the knob (by its
// position in the circuit's knobs) turning each pot, solved by plain Gaussian elimination.
struct Line {
  char kind;  // R, C, P (pot a b wiper), V (variable resistor)
  const char *a, *b, *w;
  double value;
  int knob;
};
struct Schematic {
  const char* caption;
  double rs, rl;
  std::vector<Line> lines;
};

std::complex<double> solveSchematic(const Schematic& s, const std::vector<double>& x, double hz) {
  std::vector<std::string> nodes{"in", "out"};
  auto index = [&](const char* n) {
    if (std::string(n) == "0") return -1;
    for (std::size_t i = 0; i < nodes.size(); ++i)
      if (nodes[i] == n) return int(i);
    nodes.push_back(n);
    return int(nodes.size() - 1);
  };
  const std::complex<double> jw(0, 2 * std::numbers::pi * hz);
  std::vector<std::tuple<int, int, std::complex<double>>> y;
  auto resistor = [](double r) { return 1 / std::max(r, 1e-3); };
  for (const Line& l : s.lines) {
    const int a = index(l.a), b = index(l.b);
    if (l.kind == 'R') y.emplace_back(a, b, 1 / l.value);
    if (l.kind == 'C') y.emplace_back(a, b, jw * l.value);
    if (l.kind == 'V') y.emplace_back(a, b, resistor(x[l.knob] * l.value));
    if (l.kind == 'P') {
      const int w = index(l.w);
      y.emplace_back(a, w, resistor((1 - x[l.knob]) * l.value));
      y.emplace_back(w, b, resistor(x[l.knob] * l.value));
    }
  }
  y.emplace_back(0, -1, 1 / s.rs);
  y.emplace_back(1, -1, 1 / s.rl);
  const std::size_t n = nodes.size();
  std::vector<std::vector<std::complex<double>>> m(n, std::vector<std::complex<double>>(n + 1));
  for (auto [a, b, g] : y) {
    if (a >= 0) m[a][a] += g;
    if (b >= 0) m[b][b] += g;
    if (a >= 0 && b >= 0) {
      m[a][b] -= g;
      m[b][a] -= g;
    }
  }
  m[0][n] = 1 / s.rs;
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::abs(m[r][c]) > std::abs(m[pivot][c])) pivot = r;
    std::swap(m[c], m[pivot]);
    for (std::size_t r = 0; r < n; ++r) {
      if (r == c) continue;
      const std::complex<double> k = m[r][c] / m[c][c];
      for (std::size_t j = c; j <= n; ++j) m[r][j] -= k * m[c][j];
    }
  }
  return m[1][n] / m[1][1];
}

const std::vector<Schematic>& schematics() {
  static const std::vector<Schematic> all = {
      {"Bassman / Marshall (TMB)",
       1.3e3,
       1e6,
       {{'R', "in", "n1", "", 56e3, 0},
        {'C', "in", "t", "", 250e-12, 0},
        {'C', "n1", "b", "", 20e-9, 0},
        {'C', "n1", "mw", "", 20e-9, 0},
        {'P', "t", "b", "out", 250e3, 0},
        {'V', "b", "m", "", 1e6, 2},
        {'P', "m", "0", "mw", 25e3, 1}}},
      {"Fender blackface (TMB)",
       38e3,
       1e6,
       {{'R', "in", "n1", "", 100e3, 0},
        {'C', "in", "t", "", 250e-12, 0},
        {'C', "n1", "b", "", 100e-9, 0},
        {'C', "n1", "m", "", 47e-9, 0},
        {'P', "t", "b", "out", 250e3, 0},
        {'V', "b", "m", "", 250e3, 2},
        {'V', "m", "0", "", 10e3, 1}}},
      {"Fender blackface (TB)",
       38e3,
       1e6,
       {{'R', "in", "n1", "", 100e3, 0},
        {'C', "in", "t", "", 250e-12, 0},
        {'C', "n1", "b", "", 100e-9, 0},
        {'C', "n1", "m", "", 47e-9, 0},
        {'P', "t", "b", "out", 250e3, 0},
        {'V', "b", "m", "", 250e3, 1},
        {'R', "m", "0", "", 6.8e3, 0}}},
      {"Vox AC30 Top Boost",
       717,
       600e3,
       {{'R', "in", "n1", "", 100e3, 0},
        {'C', "in", "t", "", 47e-12, 0},
        {'C', "n1", "b", "", 22e-9, 0},
        {'C', "n1", "bw", "", 22e-9, 0},
        {'R', "bw", "0", "", 10e3, 0},
        {'P', "t", "b", "out", 1e6, 0},
        {'P', "0", "b", "bw", 1e6, 1}}},
      {"Fender 5E3 Deluxe",
       20e3,
       1e6,
       {{'C', "in", "vnw", "", 100e-9, 0},
        {'P', "out", "0", "vnw", 1e6, 0},
        {'R', "bin", "0", "", 20e3, 0},
        {'C', "bin", "vbw", "", 100e-9, 0},
        {'P', "out", "0", "vbw", 1e6, 1},
        {'C', "vbw", "tt", "", 500e-12, 0},
        {'P', "tt", "tb", "out", 1e6, 2},
        {'C', "tb", "0", "", 5e-9, 0}}},
      {"Fender Princeton 5F2-A",
       38e3,
       1e6,
       {{'C', "in", "c1", "", 22e-9, 0},
        {'P', "c1", "0", "out", 1e6, 0},
        {'P', "tbr", "tcut", "c1", 1e6, 1},
        {'C', "tbr", "out", "", 500e-12, 0},
        {'C', "tcut", "0", "", 4.7e-9, 0}}},
      {"James passif",
       600,
       100e3,
       {{'R', "in", "bt", "", 2.2e3, 0},
        {'P', "bt", "bb", "bw", 10e3, 1},
        {'C', "bt", "bb", "", 220e-9, 0},
        {'R', "bb", "0", "", 2.2e3, 0},
        {'R', "bw", "out", "", 2.2e3, 0},
        {'C', "in", "tt", "", 10e-9, 0},
        {'P', "tt", "tb", "out", 10e3, 0},
        {'C', "tb", "0", "", 10e-9, 0}}},
      {"Baxandall passif",
       600,
       100e3,
       {{'R', "in", "bt", "", 2.2e3, 0},
        {'P', "bt", "bb", "bw", 10e3, 1},
        {'C', "bt", "bb", "", 220e-9, 0},
        {'R', "bb", "0", "", 2.2e3, 0},
        {'R', "bw", "out", "", 2.2e3, 0},
        {'R', "in", "tt", "", 1e3, 0},
        {'P', "tt", "tb", "tw", 10e3, 0},
        {'R', "tb", "0", "", 1e3, 0},
        {'C', "tw", "out", "", 10e-9, 0}}},
      {"Big Muff",
       15e3,
       100e3,
       {{'R', "in", "lp", "", 39e3, 0},
        {'C', "lp", "0", "", 10e-9, 0},
        {'C', "in", "hp", "", 4e-9, 0},
        {'R', "hp", "0", "", 22e3, 0},
        {'P', "hp", "lp", "tw", 100e3, 0},
        {'C', "tw", "out", "", 1e-6, 0}}},
      {"Hiwatt DR103",
       48.4e3,
       220e3,
       {{'R', "in", "b", "", 100e3, 0},
        {'C', "b", "0", "", 47e-9, 0},
        {'C', "in", "p", "", 1e-9, 0},
        {'C', "p", "t", "", 220e-12, 0},
        {'R', "p", "q", "", 220e3, 0},
        {'P', "t", "q", "tw", 220e3, 0},
        {'R', "tw", "out", "", 22e3, 0},
        {'R', "q", "m", "", 22e3, 0},
        {'C', "m", "n", "", 1e-9, 0},
        {'C', "b", "n", "", 47e-9, 0},
        {'V', "m", "n", "", 100e3, 1},
        {'V', "n", "0", "", 470e3, 2}}},
  };
  return all;
}

// Every circuit on its first preset and tapers, against its schematic solved apart.
TEST(ToneStack, EveryCircuitMatchesItsSchematic) {
  const int settings[][3] = {{0, 0, 0}, {100, 100, 100}, {50, 30, 70}, {20, 80, 10}, {75, 5, 45}};
  ASSERT_EQ(kToneCircuits.size(), schematics().size());
  for (std::size_t c = 0; c < kToneCircuits.size(); ++c) {
    const ToneCircuit& circuit = kToneCircuits[c];
    const Schematic& schematic = schematics()[c];
    ASSERT_EQ(circuit.caption, schematic.caption);
    for (const auto& setting : settings) {
      FieldMap f;
      for (std::size_t i = 0; i < circuit.fields.size(); ++i)
        f[std::string(circuit.fields[i].name)] = std::string(circuit.presets[0].texts[i]);
      std::vector<double> x;
      for (std::size_t k = 0; k < circuit.knobs.size(); ++k) {
        const Taper taper = circuit.presets[0].tapers[k];
        f[std::string(kKnobControls[std::size_t(circuit.knobs[k].id)].taper)] =
            std::string(kTaperTexts[std::size_t(taper)]);
        x.push_back(taperFraction(taper, setting[k] / 10.0));
      }
      const Series curve = toneCircuit(f, circuit, setting);
      for (std::size_t i = 0; i < curve.x.size(); i += 23) {
        const double expected = 20 * std::log10(std::abs(solveSchematic(schematic, x, curve.x[i])));
        ASSERT_NEAR(curve.y[i], expected, 0.01)
            << circuit.caption << " " << setting[0] << " at " << curve.x[i];
      }
    }
  }
}

// The notch is a dip strictly inside 100 Hz - 5 kHz, else nothing; a load capacitance
// takes treble away.
TEST(ToneStack, NotchAndLoadCapacitance) {
  const struct {
    KnobPositions knobs;
    const char *cl, *notchHz, *db10k;
  } cases[] = {
      {{100, 0, 0}, "", "", "-0,7 dB"},
      {{50, 50, 50}, "0", "880", "-7,9 dB"},
      {{50, 50, 50}, "1000", "", ""},
  };
  for (const auto& c : cases) {
    FieldMap f = presetFields(0);
    f["edTsCL"] = c.cl;
    toneStack(f, c.knobs);
    EXPECT_EQ(f["edTsNotchF"], c.notchHz) << c.cl;
    EXPECT_EQ(f["edTsNotchDb"] == "", std::string(c.notchHz).empty()) << c.cl;
    if (*c.db10k) {
      EXPECT_EQ(f["lbTsDb10k"], c.db10k) << c.cl;
    }
  }
}

// Each circuit typed as a netlist gives the same response as its table entry.
TEST(ToneStack, EveryCircuitAsANetlist) {
  const int settings[][3] = {{0, 0, 0}, {100, 100, 100}, {20, 80, 10}};
  for (const ToneCircuit& circuit : kToneCircuits) {
    const auto custom = parseNetlist(netlistOf(circuit, circuit.presets[0]));
    for (const auto& setting : settings) {
      FieldMap f, g;
      for (std::size_t i = 0; i < circuit.fields.size(); ++i)
        f[std::string(circuit.fields[i].name)] = std::string(circuit.presets[0].texts[i]);
      for (std::size_t k = 0; k < circuit.knobs.size(); ++k)
        f[std::string(kKnobControls[std::size_t(circuit.knobs[k].id)].taper)] =
            std::string(kTaperTexts[std::size_t(circuit.presets[0].tapers[k])]);
      g["edTsRs"] = f["edTsRs"];
      g["edTsRL"] = f["edTsRL"];
      // The netlist's knobs come in the order of its lines.
      std::vector<int> positions;
      for (const CircuitKnob& k : custom->circuit.knobs) {
        std::size_t own = 0;
        while (circuit.knobs[own].part != k.part) ++own;
        positions.push_back(setting[own]);
      }
      const Series expected = toneCircuit(f, circuit, setting);
      const Series got = customToneCircuit(g, *custom, positions);
      for (std::size_t i = 0; i < got.y.size(); i += 29)
        ASSERT_NEAR(got.y[i], expected.y[i], 1e-9) << circuit.caption;
      EXPECT_EQ(g["lbTsDb1k"], f["lbTsDb1k"]);
      EXPECT_EQ(g["edTsNotchF"], f["edTsNotchF"]);
    }
  }
}

TEST(ToneStack, NetlistFaults) {
  const std::string ok = "R R1 in a 10k\nC C1 a out 4.7n\nR R2 out 0 1M\n";
  const struct {
    std::string text;
    const char* message;
  } cases[] = {
      {"R R1 in a 10k\n* note\nR R2 a out 4k7x\nR R3 out 0 1k",
       "Ligne 3 : valeur illisible « 4k7x »."},
      {"R R1 in out 1k\n\nC C1 out 0 1n\n\nR R2 in 1k", "Ligne 5 : nœud manquant."},
      {"R R1 in out 1k\nR R1 out 0 1k", "Ligne 2 : le nom R1 est déjà pris."},
      {"R R1 in out 1k\nR R2 out 0 1k\nC C1 out x 1n",
       "Le nœud « x » ne touche qu'un seul composant."},
      {"R R1 in a 1k\nR R2 a 0 1k\nR R3 out 0 1k\nR R4 out 0 2k", "Pas de chemin de in vers out."},
      {"R R1 in 0 1k\nC C1 out a 1n\nC C2 a 0 1n\nC C3 out 0 1n\nR R2 a out 1k",
       "Pas de chemin de in vers out."},
      {"L L1 in out 1m", "Ligne 1 : type inconnu « L » (R, C, POT ou VR)."},
      {"POT P1 in out 0 10k log20", "Ligne 1 : courbe inconnue « log20 » (lin, log30 ou log10)."},
      {"R R1 in out 1k\nC C1 out 1n", "Ligne 2 : nœud manquant."},
      {"R R1 in out 1k", "Le nœud « 0 » manque."},
      {"R R1 in out 1k 2k\nR R2 out 0 1k", "Ligne 1 : texte en trop « 2k »."},
      {ok + "VR V1 a 0 1k\nVR V2 a 0 1k\nVR V3 a 0 1k\nVR V4 a 0 1k\nVR V5 a 0 1k\n"
            "VR V6 a 0 1k\nVR V7 a 0 1k",
       "Ligne 10 : plus de 6 potentiomètres."},
      {std::string(10001, '*'), "Le texte dépasse 10 000 caractères."},
      {ok + std::string(200, '\n'), "Le texte dépasse 200 lignes."},
  };
  for (const auto& c : cases) {
    try {
      parseNetlist(c.text);
      ADD_FAILURE() << c.text;
    } catch (const CalcError& e) {
      EXPECT_EQ(e.message(), c.message) << c.text;
    }
  }
  // Values in every form, a floating pair solved nowhere.
  const auto values = parseNetlist("R R1 in a 4k7\nC C1 a out 4,7n\nR R2 out 0 1.5M\nC C2 a 0 10µ");
  const double expected[] = {4.7e3, 4.7e-9, 1.5e6, 10e-6};
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_NEAR(values->values[i], expected[i], expected[i] * 1e-12);
  FieldMap f;
  f["edTsRs"] = "1";
  f["edTsRL"] = "1000";
  const auto floating = parseNetlist(ok + "R R3 p q 1k\nR R4 q p 1k");
  try {
    customToneCircuit(f, *floating, {});
    ADD_FAILURE();
  } catch (const CalcError& e) {
    EXPECT_EQ(e.message(), "Circuit insoluble à 10 Hz (nœud isolé ou boucle de condensateurs).");
  }
  // A value no field would take (R4 of 1E-20 kΩ) loses the solve's precision: a gain above
  // 0 dB is refused rather than drawn.
  std::string tiny = netlistOf(kToneCircuits[0], kToneCircuits[0].presets[0]);
  tiny.replace(tiny.find(" 56k"), 4, " 0,00000000000000000001k");
  f["edTsRs"] = "1,3";
  try {
    customToneCircuit(f, *parseNetlist(tiny), std::vector<int>{100, 100, 100});
    ADD_FAILURE();
  } catch (const CalcError& e) {
    EXPECT_EQ(e.message(), "Circuit insoluble : valeurs trop éloignées.");
  }
}

}  // namespace
}  // namespace valvora::atelier

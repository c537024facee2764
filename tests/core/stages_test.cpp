#include "core/atelier/stages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/failure.h"
#include "tests/core/fieldmap.h"

namespace valvora::atelier {
namespace {

using testing::FieldMap;

FieldMap defaultStage(std::string_view tube = "12AX7 / ECC83") {
  FieldMap f{{"cbEtTube", std::string(tube)}, {"cbEcTube", std::string(tube)}};
  for (const FieldDef& s : kStageFields) f[std::string(s.name)] = std::string(s.defaultText);
  for (const FieldDef& s : kFollowerFields) f[std::string(s.name)] = std::string(s.defaultText);
  return f;
}

// The default stage (250 V, Ra 100 kΩ, Rk 1500 Ω bypassed by 22 µF, 22 nF into 1 MΩ) of
// each tube, as ngspice 42 computed it once: the model as a B source in a subcircuit,
//   I = uramp(V(p,k)/kp*ln(1+exp(kp*(1/mu+V(g,k)/sqrt(kvb+V(p,k)^2)))))**ex*2/kg1,
// the grid at 0 V through 1 MΩ; `.op` for the point, `.ac` at 1 kHz (1 V at the grid)
// for the gain at the next grid.
struct SpiceFigures {
  const char* tube;
  double iaMa, va, vk, gain;
};
constexpr SpiceFigures kSpice[] = {
    {"12AX7 / ECC83", 0.798983, 170.1017, 1.198474, 58.6056},
    {"12AT7 / ECC81", 1.24854, 125.1457, 1.872814, 41.03144},
    {"12AU7 / ECC82", 1.76318, 73.68218, 2.644767, 15.72958},
    {"12AY7 / 6072", 1.29257, 120.7433, 1.938850, 33.64494},
    {"6SN7GT", 1.70639, 79.36140, 2.559579, 17.98025},
    {"12BH7A", 1.81864, 68.13560, 2.727966, 15.49201},
};

TEST(Stages, DefaultStageOfEachTubeAgreesWithNgspice) {
  for (const SpiceFigures& e : kSpice) {
    SCOPED_TRACE(e.tube);
    const StageFigures s = stageFigures(triodeNamed(e.tube), StageCircuit{});
    EXPECT_NEAR(s.ia * 1e3, e.iaMa, 1e-5 * e.iaMa);
    EXPECT_NEAR(s.va, e.va, 1e-5 * e.va);
    EXPECT_NEAR(s.vk, e.vk, 1e-5 * e.vk);
    // ngspice's 1 kHz still sees Ck's few ohms; the figure is the midband one.
    EXPECT_NEAR(s.gain, e.gain, 1e-3 * e.gain);
  }
}

// The plate current's rise for a grid step dv, solved on the AC load R' with the model.
double stepGain(const Triode& t, const StageCircuit& c, const StageFigures& s, double dv) {
  const double rl = c.ra * c.rg / (c.ra + c.rg);
  double lo = -s.ia, hi = s.ia;
  for (int i = 0; i < 200; ++i) {
    const double d = (lo + hi) / 2;
    if (plateCurrent(t, s.vpk - d * rl, s.vgk + dv) > s.ia + d)
      lo = d;
    else
      hi = d;
  }
  return (lo + hi) / 2 * rl / dv;
}

TEST(Stages, GainWithCkIsTheModelsOwnSmallStepResponse) {
  std::mt19937 gen(28);
  auto logUniform = [&](double lo, double hi) {
    return lo * std::pow(hi / lo, std::uniform_real_distribution<double>(0, 1)(gen));
  };
  std::uniform_int_distribution<std::size_t> tube(0, kTriodes.size() - 1);
  int checked = 0;
  while (checked < 500) {
    const Triode& t = kTriodes[tube(gen)];
    StageCircuit c{
        logUniform(100, 450),  logUniform(10e3, 470e3), logUniform(220, 10e3), 22e-6, 22e-9,
        logUniform(100e3, 2e6)};
    const StageFigures s = stageFigures(t, c);
    if (s.blocked) continue;
    ++checked;
    const double step = (stepGain(t, c, s, 1e-4) + stepGain(t, c, s, -1e-4)) / 2;
    ASSERT_NEAR(s.gain, step, 1e-3 * step) << t.caption << " " << c.b << " " << c.ra << " " << c.rk;
    // The point found satisfies the circuit.
    ASSERT_NEAR(plateCurrent(t, s.vpk, s.vgk), s.ia, 1e-11);
  }
}

struct MessageCase {
  const char* what;
  std::vector<std::pair<std::string, std::string>> typed;
  std::vector<std::string> expected;  // the warnings, or the one failure
};

TEST(Stages, WarningsAndFieldMessages) {
  const MessageCase cases[] = {
      {"default", {}, {}},
      {"not bypassed", {{"edEtCk", ""}}, {}},
      {"cut off",
       {{"edEtB", "1"}, {"edEtRa", "10000"}},
       {"La lampe est bloquée : aucun courant avec ces valeurs."}},
      {"too hot",
       {{"cbEtTube", "12AX7 / ECC83"}, {"edEtB", "500"}, {"edEtRa", "47"}, {"edEtRk", "820"}},
       {"Dissipation de 1,04 W au-delà des 1,0 W admis par la 12AX7 / ECC83."}},
      {"half-watt tube",
       {{"cbEtTube", "12AU7 / ECC82"}, {"edEtB", "600"}, {"edEtRa", "20"}, {"edEtRk", "1000"}},
       {"Dissipation de 4,22 W au-delà des 2,75 W admis par la 12AU7 / ECC82."}},
      {"near zero bias",
       {{"edEtRk", "39"}},
       {"Polarisation de -0,06 V : la grille conduira sur les crêtes."}},
      {"Rk zero",
       {{"edEtRk", "0"}},
       {"Rk nul : la grille est à 0 V, l'étage conduit en courant grille."}},
      {"HT over 600", {{"edEtB", "601"}}, {"HT : entre 1 et 600 V."}},
      {"negative Rk", {{"edEtRk", "-1"}}, {"Rk : entre 0 et 100 000 Ω."}},
      {"no Ra", {{"edEtRa", ""}}, {"Ra : '' n'est pas un nombre."}},
      {"Ck text", {{"edEtCk", "22u"}}, {"Ck : '22u' n'est pas un nombre."}},
      {"Cc zero", {{"edEtCc", "0"}}, {"Liaison : entre 0,1 et 10 000 nF."}},
      {"Rg zero", {{"edEtRg", "0"}}, {"Grille suivante : entre 1 et 100 000 kΩ."}},
      {"unknown tube", {{"cbEtTube", "EF86"}}, {"Lampe inconnue : 'EF86'."}},
      {"follower cut off",
       {{"edEcVg", "0"}, {"edEcB", "1"}, {"edEcRk", "10000"}},
       {"Cathode follower : la lampe est bloquée, aucun courant avec ces valeurs."}},
      {"follower too hot",
       {{"edEcB", "600"}, {"edEcVg", "300"}, {"edEcRk", "47"}},
       {"Cathode follower : dissipation de 1,91 W au-delà des 1,0 W admis par la 12AX7 / ECC83."}},
      {"follower grid over 600", {{"edEcVg", "700"}}, {"Tension de grille : entre 0 et 600 V."}},
      {"follower Rk", {{"edEcRk", "0,01"}}, {"Rk : entre 0,1 et 10 000 kΩ."}},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.what);
    FieldMap f = defaultStage();
    for (const auto& [name, text] : c.typed) f[name] = text;
    std::vector<std::string> got;
    try {
      got = commonCathodeStage(f).warnings;
      for (std::string& w : cathodeFollower(f)) got.push_back(std::move(w));
    } catch (const CalcError& e) {
      got = {e.message()};
    }
    EXPECT_EQ(got, c.expected);
  }
}

TEST(Stages, DefaultTextsOfEveryResult) {
  const std::pair<const char*, const char*> expected[] = {
      {"edEtIa", "0,799"},  {"edEtVa", "170,1"}, {"edEtVk", "1,20"},   {"edEtGm", "1,755"},
      {"edEtRi", "52,8"},   {"edEtMu", "92,6"},  {"edEtGain", "58,6"}, {"edEtGainDb", "35,4"},
      {"edEtZout", "34,5"}, {"edEtFk", "9,5"},   {"edEtFc", "7,0"},    {"edEtPa", "0,135"},
      {"edEtCin", "145"},   {"edEcIa", "1,009"}, {"edEcVk", "100,9"},  {"edEcGain", "0,985"},
      {"edEcZout", "486"},  {"edEcPa", "0,150"},
  };
  FieldMap f = defaultStage();
  commonCathodeStage(f);
  cathodeFollower(f);
  for (const auto& [name, text] : expected) EXPECT_EQ(f.text(name), text) << name;
  f["edEtCk"] = "";
  commonCathodeStage(f);
  EXPECT_EQ(f.text("edEtFk"), "");
}

TEST(Stages, AnalyticSlopesMatchCentralDifferences) {
  for (const Triode& t : kTriodes)
    for (const auto& [vpk, vgk] : {std::pair{250.0, -2.0}, {100.0, -0.5}, {30.0, -1.0}}) {
      SCOPED_TRACE(std::string(t.caption));
      const Slopes s = slopesAt(t, vpk, vgk);
      const double h = 1e-4;
      const double gm = (plateCurrent(t, vpk, vgk + h) - plateCurrent(t, vpk, vgk - h)) / (2 * h);
      const double ga = (plateCurrent(t, vpk + h, vgk) - plateCurrent(t, vpk - h, vgk)) / (2 * h);
      EXPECT_NEAR(s.gm, gm, 1e-6 * gm);
      EXPECT_NEAR(1 / s.ra, ga, 1e-6 * ga);
    }
}

TEST(Stages, CurvesStopUnderOnePercentAndLinesMeetAtThePoint) {
  for (const char* tube : {"12AX7 / ECC83", "12AU7 / ECC82", "6SN7GT"}) {
    SCOPED_TRACE(tube);
    const Triode& t = triodeNamed(tube);
    const StageCircuit c;
    const StageFigures s = stageFigures(t, c);
    const PlateCurves p = plateCurves(t, c, s);
    const double largest = plateCurrent(t, c.b, 0) * 1e3;
    ASSERT_GE(p.grid.size(), 2u);
    EXPECT_LT(p.grid.back().y.back(), 0.01 * largest);
    EXPECT_GE(p.grid[p.grid.size() - 2].y.back(), 0.01 * largest);
    EXPECT_EQ(p.grid[1].name, "-0,5 V");
    // The AC line passes through the point; the DC line holds it too.
    const Series& ac = p.acLoad;
    const double t01 = (s.vpk - ac.x[0]) / (ac.x[1] - ac.x[0]);
    EXPECT_NEAR(ac.y[0] + t01 * (ac.y[1] - ac.y[0]), s.ia * 1e3, 1e-9);
    EXPECT_NEAR((c.b - s.vpk) / (c.ra + c.rk) * 1e3, s.ia * 1e3, 1e-6);
    for (std::size_t i = 0; i < p.limit.x.size(); ++i)
      EXPECT_NEAR(p.limit.x[i] * p.limit.y[i] / 1e3, t.paMaxW, 1e-9);
    EXPECT_LE(p.limit.y.front(), p.topMa + 1e-9);
    for (const Series& g : p.grid) EXPECT_LE(g.y.back(), p.topMa + 1e-9) << g.name;
  }
}

}  // namespace
}  // namespace valvora::atelier

#include "core/atelier/supply.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "core/failure.h"
#include "core/numtext.h"
#include "tests/core/supply_defaults.h"

namespace valvora::atelier {
namespace {

using testing::FieldMap;
using testing::supplyDefaults;

std::string failureOf(const FieldMap& f) {
  try {
    readSupplyInputs(f);
  } catch (const CalcError& e) {
    return e.message();
  }
  return "";
}

TEST(SupplyInputs, EveryFailureNamesItsField) {
  const struct {
    const char* control;
    const char* text;
    const char* message;
  } cases[] = {
      {"edPsVac", "abc",
       "Tension secondaire (V eff.) : 'abc' n'est pas une valeur en virgule "
       "flottante correcte"},
      {"edPsVac", "0",
       "Tension secondaire (V eff.) : la valeur doit être supérieure à 0 et au "
       "plus 2000"},
      {"edPsVac", "2000,1",
       "Tension secondaire (V eff.) : la valeur doit être supérieure à 0 et "
       "au plus 2000"},
      {"edPsVac", "1E400", "Tension secondaire (V eff.) : Débordement en virgule flottante"},
      {"edPsRs", "0", "Résistance du secondaire (Ω) : la valeur doit être supérieure à 0"},
      {"edPsRs", "",
       "Résistance du secondaire (Ω) : '' n'est pas une valeur en virgule "
       "flottante correcte"},
      {"cbPsHz", "55", "Fréquence secteur (Hz) : '55' n'est pas un choix de la liste"},
      {"cbPsRect", "6X4", "Redresseur : '6X4' n'est pas un choix de la liste"},
      {"edPsC1", "", "C1 (µF) : '' n'est pas une valeur en virgule flottante correcte"},
      {"edPsC1", "-1", "C1 (µF) : la valeur doit être supérieure à 0"},
      {"edPsC2", "", "C2 (µF) : '' n'est pas une valeur en virgule flottante correcte"},
      {"edPsC3", "0", "C3 (µF) : la valeur doit être supérieure à 0"},
      {"cbPsLink2", "Fil", "Liaison 2 : 'Fil' n'est pas un choix de la liste"},
      {"edPsL2", "0", "L2 (H) : la valeur doit être supérieure à 0"},
      {"edPsR2", "-1", "R2 (Ω) : la valeur doit être positive ou nulle"},
      {"edPsR3", "0", "R3 (Ω) : la valeur doit être supérieure à 0"},
      {"edPsR4", "x", "R4 (Ω) : 'x' n'est pas une valeur en virgule flottante correcte"},
      {"edPsI1", "-0,5", "Charge 1 (mA) : la valeur doit être positive ou nulle"},
      {"edPsI4", "", "Charge 4 (mA) : '' n'est pas une valeur en virgule flottante correcte"},
      {"edPsCv2", "0", "Tension de service C2 : entre 1 et 10 000 V."},
      {"edPsCv4", "x", "Tension de service C4 : 'x' n'est pas un nombre."},
      {"edPsIf2", "-1", "Pleine puissance 2 : entre 0 et 10 000 mA."},
      {"edPsIf4", "20000", "Pleine puissance 4 : entre 0 et 10 000 mA."},
      {"edPsRsoft", "0", "Résistance de démarrage : entre 0,001 et 1 000 000 Ω."},
      {"edPsTsb", "20",
       "Standby : HT appliquée après : la valeur doit être inférieure à la durée max. (20 s)"},
      {"edPsT", "0,49", "Durée max. (s) : la valeur doit être comprise entre 0,5 et 60"},
      {"edPsT", "60,5", "Durée max. (s) : la valeur doit être comprise entre 0,5 et 60"},
  };
  EXPECT_EQ(failureOf(supplyDefaults()), "");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.control) + " = " + c.text);
    FieldMap f = supplyDefaults();
    f[c.control] = c.text;
    EXPECT_EQ(failureOf(f), c.message);
  }
}

TEST(SupplyInputs, AbsentNodesAndFieldsNotRead) {
  FieldMap f = supplyDefaults();
  f["edPsC3"] = "";
  f["edPsR4"] = "x";  // after an absent node: not read
  f["edPsL3"] = "x";  // a resistor link has no L
  EXPECT_EQ(readSupplyInputs(f).nodes.size(), 2U);
  f = supplyDefaults();
  f["edPsC4"] = "";
  f["edPsI4"] = "x";
  EXPECT_EQ(readSupplyInputs(f).nodes.size(), 3U);
}

constexpr const char* kGz34Defaults = R"(* Alimentation HT
VA sa 0 SIN(0 494.974746830583 50)
RA sa a 100
VI1 a k1 0
B1 k1 1 I=0.00356670036818137*pow(max(V(k1,1),0),1.5)
VB sb 0 SIN(0 -494.974746830583 50)
RB sb b 100
B2 b 1 I=0.00356670036818137*pow(max(V(b,1),0),1.5)
C1 1 0 32u
L2 1 m2 5
R2 m2 2 100
C2 2 0 32u
BL2 2 0 I=0.12*min(1,max(V(2),0)/20)
R3 2 3 1000
C3 3 0 22u
BL3 3 0 I=0.01*min(1,max(V(3),0)/20)
R4 3 4 10000
C4 4 0 22u
BL4 4 0 I=0.005*min(1,max(V(4),0)/20)
.tran 20u 20 0 20u
.end
)";

// Soft start and standby: resistors that follow time, in the windings and before node 1.
TEST(SupplyNetlist, GoldenSwitchLines) {
  const struct {
    const char* rectifier;
    std::initializer_list<std::pair<const char*, const char*>> changes;
    const char* lines;  // the netlist's lines up to C1
  } cases[] = {
      {"Diodes silicium, double alternance (point milieu)",
       {{"edPsRsoft", "47"}, {"edPsTsoft", "0,5"}},
       R"(VA sa 0 SIN(0 494.974746830583 50)
RSA sa ta R='time < 0.5 ? 47 : 1m'
RA ta a 100
VI1 a k1 0
D1 k1 1 DSI
VB sb 0 SIN(0 -494.974746830583 50)
RSB sb tb R='time < 0.5 ? 47 : 1m'
RB tb b 100
D2 b 1 DSI
)"},
      {"GZ34 / 5AR4",
       {{"edPsTsb", "2"}},
       R"(VA sa 0 SIN(0 494.974746830583 50)
RA sa a 100
VI1 a k1 0
B1 k1 h I=0.00356670036818137*pow(max(V(k1,h),0),1.5)
VB sb 0 SIN(0 -494.974746830583 50)
RB sb b 100
B2 b h I=0.00356670036818137*pow(max(V(b,h),0),1.5)
RSB h 1 R='time < 2 ? 1G : 1m'
)"},
      {"Pont de diodes silicium",
       {{"edPsRsoft", "100"}, {"edPsTsb", "1,5"}},
       R"(VA sa b SIN(0 494.974746830583 50)
RSA sa ta R='time < 1 ? 100 : 1m'
RA ta a 100
VI1 a k1 0
D1 k1 h DSI
D2 b h DSI
D3 0 a DSI
D4 0 b DSI
RGA a 0 10MEG
RGB b 0 10MEG
RSB h 1 R='time < 1.5 ? 1G : 1m'
)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rectifier);
    FieldMap f = supplyDefaults();
    f["cbPsRect"] = c.rectifier;
    for (const auto& [control, text] : c.changes) f[control] = text;
    const std::string n = supplyNetlist(readSupplyInputs(f));
    const std::size_t from = n.find('\n') + 1;
    EXPECT_EQ(n.substr(from, n.find("C1 ") - from), c.lines);
  }
}

TEST(SupplyNetlist, GoldenTextPerRectifierKind) {
  const struct {
    const char* rectifier;
    std::initializer_list<std::pair<const char*, const char*>> changes;
    const char* netlist;
  } cases[] = {
      {"GZ34 / 5AR4", {}, kGz34Defaults},
      {"Diodes silicium, double alternance (point milieu)",
       {{"edPsC3", ""}, {"edPsR2", "0"}, {"edPsI1", "2,5"}, {"cbPsHz", "60"}},
       R"(* Alimentation HT
VA sa 0 SIN(0 494.974746830583 60)
RA sa a 100
VI1 a k1 0
D1 k1 1 DSI
VB sb 0 SIN(0 -494.974746830583 60)
RB sb b 100
D2 b 1 DSI
C1 1 0 32u
BL1 1 0 I=0.0025*min(1,max(V(1),0)/20)
L2 1 2 5
C2 2 0 32u
BL2 2 0 I=0.12*min(1,max(V(2),0)/20)
.model DSI D(IS=7.02767n RS=0.0341512 N=1.80803)
.tran 20u 20 0 20u
.end
)"},
      {"Pont de diodes silicium",
       {{"edPsC3", ""}, {"cbPsLink2", "Résistance"}, {"edPsVac", "300"}, {"edPsT", "0,5"}},
       R"(* Alimentation HT
VA sa b SIN(0 424.264068711929 50)
RA sa a 100
VI1 a k1 0
D1 k1 1 DSI
D2 b 1 DSI
D3 0 a DSI
D4 0 b DSI
RGA a 0 10MEG
RGB b 0 10MEG
C1 1 0 32u
R2 1 2 100
C2 2 0 32u
BL2 2 0 I=0.12*min(1,max(V(2),0)/20)
.model DSI D(IS=7.02767n RS=0.0341512 N=1.80803)
.tran 20u 0.5 0 20u
.end
)"},
      {"Diode silicium, simple alternance",
       {{"edPsC3", ""}, {"edPsC1", "4,7"}, {"edPsRs", "12,5"}},
       R"(* Alimentation HT
VA sa 0 SIN(0 494.974746830583 50)
RA sa a 12.5
VI1 a k1 0
D1 k1 1 DSI
C1 1 0 4.7u
L2 1 m2 5
R2 m2 2 100
C2 2 0 32u
BL2 2 0 I=0.12*min(1,max(V(2),0)/20)
.model DSI D(IS=7.02767n RS=0.0341512 N=1.80803)
.tran 20u 20 0 20u
.end
)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rectifier);
    FieldMap f = supplyDefaults();
    f["cbPsRect"] = c.rectifier;
    for (const auto& [control, text] : c.changes) f[control] = text;
    EXPECT_EQ(supplyNetlist(readSupplyInputs(f)), c.netlist);
  }
}

TEST(SupplyNetlist, TubeLawFromEachDataSheetDrop) {
  const struct {
    const char* rectifier;
    double volts, amps;
  } cases[] = {{"GZ34 / 5AR4", 17, 0.25},
               {"5U4G / 5U4GB", 50, 0.2},
               {"5Y3GT", 60, 0.125},
               {"EZ81 / 6CA4", 10, 0.06}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rectifier);
    FieldMap f = supplyDefaults();
    f["cbPsRect"] = c.rectifier;
    const std::string n = supplyNetlist(readSupplyInputs(f));
    const std::size_t at = n.find("B1 k1 1 I=") + 10;
    std::string k = n.substr(at, n.find('*', at) - at);
    std::ranges::replace(k, '.', ',');
    EXPECT_NEAR(static_cast<double>(readReal(k)) * std::pow(c.volts, 1.5), c.amps, 1e-12);
  }
}

// Two nodes, 50 Hz, 1 s of samples; the steady window is the last 0,1 s.
Vectors twoNodeRun() {
  Vectors v;
  std::vector<double>& t = v["time"];
  // Crowded samples in the first half of each period: a plain average would lean there.
  for (double p = 0; p < 50; ++p)
    for (int i = 0; i < 100; ++i)
      t.push_back((p + (i < 75 ? i / 150.0 : 0.5 + (i - 75) / 50.0)) / 50);
  t.push_back(1.0);
  for (const double s : t) {
    const double phase = 2 * std::numbers::pi * 50 * s;
    v["v(1)"].push_back(400 + 10 * std::sin(phase));
    v["v(2)"].push_back(s < 0.5 ? 0 : 380);
    v["k1"].push_back(-500 * std::sin(phase));
    const double i = std::max(0.0, std::sin(phase)) * (s < 0.1 ? 2.0 : 0.5);
    v["vi1#branch"].push_back(i);
    v["va#branch"].push_back(-i);
  }
  return v;
}

TEST(SupplyFigures, TimeWeightedOverTheLastFivePeriods) {
  FieldMap f = supplyDefaults();
  f["edPsC3"] = "";
  const SupplyInputs in = readSupplyInputs(f);
  const SupplyFigures r = supplyFigures(in, twoNodeRun());
  EXPECT_NEAR(r.volts[0], 400, 0.05);  // a plain sample average gives about 403
  EXPECT_NEAR(r.ripple[0], 20, 0.1);
  EXPECT_DOUBLE_EQ(r.volts[1], 380);
  EXPECT_DOUBLE_EQ(r.ripple[1], 0);
  EXPECT_NEAR(r.peakMilliamps, 500, 1);
  EXPECT_NEAR(r.surgeMilliamps, 2000, 5);
  EXPECT_NEAR(r.pivVolts, 910, 1);
  // RMS of a half sine of 0,5 A: 0,5 / 2.
  EXPECT_NEAR(r.rmsMilliamps, 250, 3);

  Vectors missing = twoNodeRun();
  missing.erase("k1");
  EXPECT_THROW(supplyFigures(in, missing), CalcError);
}

TEST(SupplyChecks, EachDataSheetLimit) {
  const SupplyFigures ok{{409, 395, 380, 330}, {28, 1, 0.5, 0.1}, 400, 3000, 850, 300};
  const struct {
    const char* rectifier;
    const char* line;
    const char* control = nullptr;  // an input changed ...
    const char* text = nullptr;
    double peak = 350, surge = 3000, piv = 850;  // ... or a figure
  } cases[] = {
      {"GZ34 / 5AR4", "C1 (68 µF) dépasse les 60 µF admis par le GZ34 / 5AR4.", "edPsC1", "68"},
      {"5U4G / 5U4GB", "C1 (47 µF) dépasse les 40 µF admis par le 5U4G / 5U4GB.", "edPsC1", "47"},
      {"5Y3GT", "C1 (22 µF) dépasse les 20 µF admis par le 5Y3GT.", "edPsC1", "22"},
      {"EZ81 / 6CA4", "C1 (50,5 µF) dépasse les 50 µF admis par l'EZ81 / 6CA4.", "edPsC1", "50,5"},
      {"GZ34 / 5AR4", "La charge totale (255 mA) dépasse les 250 mA admis par le GZ34 / 5AR4.",
       "edPsI2", "240"},
      {"5Y3GT", "La charge totale (126 mA) dépasse les 125 mA admis par le 5Y3GT.", "edPsI2",
       "111"},
      {"Pont de diodes silicium",
       "La charge totale (1005 mA) dépasse les 1000 mA admis par les diodes silicium (classe "
       "1N4007).",
       "edPsI2", "990"},
      {"GZ34 / 5AR4",
       "Le courant crête redresseur (751 mA) dépasse les 750 mA admis par le GZ34 / 5AR4.", nullptr,
       nullptr, 751},
      {"EZ81 / 6CA4",
       "Le courant crête redresseur (460 mA) dépasse les 450 mA admis par l'EZ81 / 6CA4.", nullptr,
       nullptr, 460},
      {"Diode silicium, simple alternance",
       "Le courant crête à la mise sous tension (30500 mA) dépasse les 30000 mA admis par les "
       "diodes silicium (classe 1N4007).",
       nullptr, nullptr, 400, 30500},
      {"5U4G / 5U4GB",
       "La tension inverse crête (1560 V) dépasse les 1550 V admis par le 5U4G / 5U4GB.", nullptr,
       nullptr, 400, 3000, 1560},
      {"Diodes silicium, double alternance (point milieu)",
       "La tension inverse crête (1001 V) dépasse les 1000 V admis par les diodes silicium "
       "(classe 1N4007).",
       nullptr, nullptr, 400, 3000, 1001},
  };
  for (const char* rectifier : {"GZ34 / 5AR4", "Pont de diodes silicium"}) {
    FieldMap f = supplyDefaults();
    f["cbPsRect"] = rectifier;
    EXPECT_TRUE(dataSheetWarnings(readSupplyInputs(f), ok).empty()) << rectifier;
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    FieldMap f = supplyDefaults();
    f["cbPsRect"] = c.rectifier;
    f["edPsC1"] = "15";  // within every tube's limits, none within 10 % of one
    f["edPsI2"] = "80";
    if (c.control) f[c.control] = c.text;
    SupplyFigures r = ok;
    r.peakMilliamps = c.peak;
    r.surgeMilliamps = c.surge;
    r.pivVolts = c.piv;
    const auto lines = dataSheetWarnings(readSupplyInputs(f), r);
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0], c.line);
  }
}

TEST(SupplyChecks, AFigureWithinTheLimitsLastTenthSaysHowClose) {
  const struct {
    const char* rectifier;
    double piv;
    const char* line;  // none: ""
  } cases[] = {
      {"Pont de diodes silicium", 989,
       "La tension inverse crête (989 V) est à 99 % de la limite de 1000 V admise par les diodes "
       "silicium (classe 1N4007)."},
      {"GZ34 / 5AR4", 1400,
       "La tension inverse crête (1400 V) est à 93 % de la limite de 1500 V admise par le GZ34 / "
       "5AR4."},
      {"GZ34 / 5AR4", 1350, ""},  // exactly 90 %
      {"GZ34 / 5AR4", 1500,
       "La tension inverse crête (1500 V) est à 100 % de la limite de 1500 V admise par le GZ34 / "
       "5AR4."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.piv);
    FieldMap f = supplyDefaults();
    f["cbPsRect"] = c.rectifier;
    SupplyFigures r;
    r.peakMilliamps = 400;
    r.surgeMilliamps = 3000;
    r.pivVolts = c.piv;
    const auto lines = dataSheetWarnings(readSupplyInputs(f), r);
    EXPECT_EQ(lines.empty() ? "" : lines.front(), std::string(c.line));
    EXPECT_LE(lines.size(), 1U);
  }
}

TEST(SupplyChecks, TurnOnPeakAgainstEachCapacitorsRating) {
  const struct {
    const char* rated;  // edPsCv2
    double peak;        // node 2's maximum
    const char* line;   // none: ""
  } cases[] = {
      {"500", 561.4, "C2 : 561 V atteints, au-delà de ses 500 V de service."},
      {"500", 500, ""},
      {"", 900, ""},  // no rating, no check
      {"400,5", 401, "C2 : 401 V atteints, au-delà de ses 400,5 V de service."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.peak);
    FieldMap f = supplyDefaults();
    f["edPsCv2"] = c.rated;
    SupplyFigures r;
    r.maxVolts = {450, c.peak, 440, 449};
    const auto lines = dataSheetWarnings(readSupplyInputs(f), r);
    EXPECT_EQ(lines.empty() ? "" : lines.front(), std::string(c.line));
    EXPECT_LE(lines.size(), 1U);
  }
}

TEST(SupplyRs, FromTheTransformersData) {
  const struct {
    bool measured;
    const char* control;  // one text changed ...
    const char* text;
    const char* rs;  // ... and edPsRs, or the failure
    const char* vac = "350";
  } cases[] = {
      {true, nullptr, nullptr, "108,5"},  // 90 + 8 × (350 / 230)²
      {true, "edPsVac", "175", "94,6", "175"},
      {false, nullptr, nullptr, "75,0", "365"},  // (365 − 350) / 0,2 A
      {false, "edPsIn", "150", "100,0", "365"},
      {true, "edPsVp", "0", "Tension primaire : entre 1 et 1000 V."},
      {true, "edPsRp", "-8", "Résistance du primaire : entre 0,001 et 10 000 Ω."},
      {true, "edPsRsec", "x", "Résistance du secondaire : 'x' n'est pas un nombre."},
      {true, "edPsVac", "0",
       "Tension secondaire (V eff.) : la valeur doit être supérieure à 0 et au plus 2000"},
      {false, "edPsV0", "", "Tension à vide : '' n'est pas un nombre."},
      {false, "edPsVn", "365", "Tension à vide : elle doit dépasser la tension en charge."},
      {false, "edPsIn", "0", "Courant nominal : entre 0,1 et 100 000 mA."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rs);
    FieldMap f = supplyDefaults();
    for (const FieldDef& def : kTransformerFields)
      f[std::string(def.name)] = std::string(def.defaultText);
    f["edPsVp"] = "230";
    if (c.control) f[c.control] = c.text;
    try {
      writeRsFromTransformer(f, c.measured);
      EXPECT_EQ(f.text("edPsRs"), c.rs);
      EXPECT_EQ(f.text("edPsVac"), c.vac);
    } catch (const CalcError& e) {
      EXPECT_EQ(e.message(), c.rs);
    }
  }
}

TEST(SupplyResults, PatternsAndAbsentNodesEmptied) {
  FieldMap f = supplyDefaults();
  f["edPsC4"] = "";
  f["edPsV4"] = "old";
  f["edPsRip4"] = "old";
  FieldMap in = f;
  const SupplyFigures r{
      {409.44, 395.06, 380.0, 0}, {27.96, 0.3694, 0.02674, 0}, 559.6, 3456.4, 909.5, 301.2};
  writeSupplyResults(f, readSupplyInputs(in), r);
  const std::pair<const char*, const char*> expected[] = {
      {"edPsV1", "409,4"}, {"edPsRip1", "28,0"},   {"edPsV2", "395,1"}, {"edPsRip2", "0,369"},
      {"edPsV3", "380,0"}, {"edPsRip3", "0,0267"}, {"edPsV4", ""},      {"edPsRip4", ""},
      {"edPsIpk", "560"},  {"edPsIsurge", "3456"}, {"edPsPiv", "910"},  {"edPsIrms", "301"},
      {"lbPsWarn", ""},
  };
  for (const auto& [control, text] : expected) EXPECT_EQ(f.text(control), text) << control;
}

// The full power run: only the loads given change, an empty field keeping the idle one; its
// figures beside the idle ones, and its checks, each said once.
TEST(SupplyResults, FullPowerLoadsSagAndChecks) {
  FieldMap f = supplyDefaults();
  f["edPsIf2"] = "250";
  f["edPsIf3"] = "0";
  const SupplyInputs idle = readSupplyInputs(f);
  EXPECT_TRUE(idle.fullPower);
  std::string expected = kGz34Defaults;
  expected.replace(expected.find("I=0.12*"), 7, "I=0.25*");
  expected.erase(expected.find("BL3 "), expected.find("R4 ") - expected.find("BL3 "));
  EXPECT_EQ(supplyNetlist(fullPowerInputs(idle)), expected);
  EXPECT_EQ(supplyNetlist(idle), kGz34Defaults);
  FieldMap none = supplyDefaults();
  EXPECT_FALSE(readSupplyInputs(none).fullPower);

  SupplyFigures rest{{409.4, 395.1, 380.0, 330.0}, {}, 560, 3000, 910, 301};
  rest.maxVolts = {440, 430, 400, 350};
  SupplyFigures full = rest;
  full.volts = {380.0, 355.6, 342.0, 297.0};
  full.peakMilliamps = 800;  // past the GZ34's 750 mA at full power only
  full.settled = false;
  writeSupplyResults(f, idle, rest, &full);
  const std::pair<const char*, const char*> shown[] = {
      {"edPsV2", "395,1"},
      {"edPsVf2", "355,6"},
      {"edPsSag1", "7,2"},
      {"edPsSag2", "10,0"},
      {"edPsSag4", "10,0"},
      {"lbPsWarn",
       "Pleine puissance : régime non établi après 20 s : chiffres des 5 dernières périodes.\n"
       "Pleine puissance : la charge totale (255 mA) dépasse les 250 mA admis par le GZ34 / "
       "5AR4.\n"
       "Pleine puissance : le courant crête redresseur (800 mA) dépasse les 750 mA admis par le "
       "GZ34 / 5AR4."},
  };
  for (const auto& [control, text] : shown) EXPECT_EQ(f.text(control), text) << control;
  writeSupplyResults(f, idle, rest);
  EXPECT_EQ(f.text("edPsVf2"), "");
  EXPECT_EQ(f.text("edPsSag2"), "");
}

TEST(SupplyCurves, SlicesKeepEveryPeakAndTheZoomKeepsFivePeriods) {
  FieldMap f = supplyDefaults();
  f["edPsC3"] = "";
  const SupplyInputs in = readSupplyInputs(f);
  const Vectors v = twoNodeRun();  // 5001 samples over 1 s
  const struct {
    bool steady;
    std::size_t columns;
    double from;
  } cases[] = {{false, 100, 0.0}, {true, 100, 0.9}, {false, 10000, 0.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steady);
    const std::vector<Series> curves = supplyCurves(in, v, c.steady, c.columns);
    ASSERT_EQ(curves.size(), 3U);
    EXPECT_EQ(curves[0].name, "Nœud 1");
    EXPECT_EQ(curves[2].name, "Courant redresseur");
    for (const Series& s : curves) {
      EXPECT_LE(s.x.size(), std::min(2 * c.columns + 2, v.at("time").size()));
      EXPECT_TRUE(std::ranges::is_sorted(s.x));
      EXPECT_NEAR(s.x.front(), c.from, 0.001);
      EXPECT_DOUBLE_EQ(s.x.back(), 1.0);
    }
    const auto [lo, hi] = std::ranges::minmax(curves[0].y);
    EXPECT_NEAR(hi - lo, 20, 0.1);
    EXPECT_NEAR(std::ranges::max(curves[2].y), c.steady ? 500 : 2000, 5);  // in mA
  }
}

// Synthetic runs at 50 Hz, 20 samples a period: node 1 as given, node 2 steady at 300 V.
TEST(SupplySettle, StopsAtThePeriodEndWhenBothMeansAgree) {
  const struct {
    const char* run;
    double (*volts)(double t);
    double settledBy;  // in s; 0: never within 3 s
  } cases[] = {
      {"constant with ripple: the 10th period",
       [](double t) { return 400 + 5 * std::sin(314.159 * t); }, 0.2},
      {"RC charge, tau 0,1 s", [](double t) { return 400 * (1 - std::exp(-t / 0.1)); }, 1.3},
      {"drift of 1 V/s", [](double t) { return 400 + t; }, 0},
      {"drift of 0,5 mV/s: under 1 mV", [](double t) { return 0.0005 * t; }, 0.2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.run);
    SettleWatch watch(50, 2);
    double at = 0;
    for (int i = 0; i <= 3000 && at == 0; ++i) {
      const double t = i / 1000.0;
      const double volts[] = {c.volts(t), 300};
      if (watch.add(t, volts)) at = t;
    }
    if (c.settledBy == 0) {
      EXPECT_EQ(at, 0);
    } else {
      EXPECT_GT(at, 0);
      EXPECT_LE(at, c.settledBy);
      EXPECT_NEAR(std::remainder(at, 0.02), 0, 1e-9);  // at a period's end
    }
  }
  // The simulator's names in its own order; a vector missing never settles.
  const std::string names[] = {"v(2)", "time", "v(1)"};
  SettleWatch byName(50, 2);
  bool settled = false;
  for (int i = 0; i <= 300; ++i)
    settled = byName.watch(names, std::vector{300.0, i / 1000.0, 400.0});
  EXPECT_TRUE(settled);
  SettleWatch missing(50, 3);
  for (int i = 0; i <= 300; ++i)
    settled = missing.watch(names, std::vector{300.0, i / 1000.0, 400.0});
  EXPECT_FALSE(settled);
}

TEST(SupplyFigures, RippleLessTheDriftAndTheLineWhenNotSettled) {
  FieldMap f = supplyDefaults();
  f["edPsC3"] = "";
  f["edPsT"] = "1";
  const SupplyInputs in = readSupplyInputs(f);
  Vectors v = twoNodeRun();
  for (std::size_t i = 0; i < v["time"].size(); ++i) v["v(2)"][i] = 300 + 50 * v["time"][i];
  const SupplyFigures r = supplyFigures(in, v);
  EXPECT_FALSE(r.settled);
  EXPECT_NEAR(r.ripple[0], 20, 0.1);
  EXPECT_NEAR(r.ripple[1], 0, 1e-9);  // a straight drift of 1 V a period is no ripple
  writeSupplyResults(f, in, r);
  EXPECT_EQ(f.text("lbPsWarn"), "Régime non établi après 1 s : chiffres des 5 dernières périodes.");
  EXPECT_TRUE(supplyFigures(in, twoNodeRun()).settled);
}

}  // namespace
}  // namespace valvora::atelier

#include "platform/spice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <clocale>
#include <iostream>
#include <optional>
#include <span>
#include <thread>

#include "core/atelier/supply.h"
#include "core/failure.h"
#include "core/numtext.h"
#include "tests/core/supply_defaults.h"

namespace valvora::platform {
namespace {

using valvora::testing::FieldMap;
using valvora::testing::supplyDefaults;

// The figures this ngspice gives with the tab's defaults; a wrong model, source phase or
// window would move them far beyond these margins.
TEST(Ngspice, DefaultSupplyFigures) {
  FieldMap f = supplyDefaults();
  f["edPsT"] = "2";  // the figures of a 2 s run, whether or not the run stops once settled
  const atelier::SupplyInputs in = atelier::readSupplyInputs(f);
  std::vector<int> seen;
  const auto v = ngspice().run(atelier::supplyNetlist(in), [&](int p) { seen.push_back(p); });
  ASSERT_TRUE(v);
  const atelier::SupplyFigures r = atelier::supplyFigures(in, *v);
  const struct {
    const char* figure;
    double value, expected, margin;
  } cases[] = {
      {"V1", r.volts[0], 409, 3},  {"ondulation 1", r.ripple[0], 28, 1},
      {"V2", r.volts[1], 395, 3},  {"V3", r.volts[2], 380, 3},
      {"V4", r.volts[3], 330, 3},  {"crête", r.peakMilliamps, 560, 10},
      {"PIV", r.pivVolts, 910, 5},
  };
  for (const auto& c : cases) EXPECT_NEAR(c.value, c.expected, c.margin) << c.figure;
  EXPECT_GT(r.surgeMilliamps, r.peakMilliamps);
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::ranges::is_sorted(seen));
  EXPECT_EQ(seen.back(), 100);
}

// Under a comma locale ngspice would read "1.5e-3" as 1: the run restores the point and gives
// the very vectors of the C locale.
TEST(Ngspice, CommaLocalesGiveTheFiguresOfTheCLocale) {
  FieldMap f = supplyDefaults();
  f["edPsT"] = "1";
  const std::string netlist = atelier::supplyNetlist(atelier::readSupplyInputs(f));
  const auto inC = ngspice().run(netlist, [](int) {});
  ASSERT_TRUE(inC);
  for (const char* locale : {"fr_FR.UTF-8", "de_DE.UTF-8"}) {
    if (!std::setlocale(LC_NUMERIC, locale)) {
      std::cout << "locale " << locale << " missing: case skipped\n";
      continue;
    }
    SCOPED_TRACE(locale);
    const auto v = ngspice().run(netlist, [](int) {});
    std::setlocale(LC_NUMERIC, "C");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, *inC);
  }
}

// The default circuit settles within 3 s, its last node's ripple then the RC filter's; 0,5 s
// is too short for it.
TEST(Ngspice, DefaultSupplySettlesBeforeThreeSeconds) {
  const struct {
    const char* seconds;
    bool settled;
  } cases[] = {{"3", true}, {"0,5", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    FieldMap f = supplyDefaults();
    f["edPsT"] = c.seconds;
    const atelier::SupplyInputs in = atelier::readSupplyInputs(f);
    atelier::SettleWatch settle(in.hertz, in.nodes.size());
    const RunHooks hooks{[](int) {}, [&](std::span<const std::string> n,
                                         std::span<const double> v) { return settle.watch(n, v); }};
    const auto v = ngspice().run(atelier::supplyNetlist(in), hooks);
    ASSERT_TRUE(v);
    const atelier::SupplyFigures r = atelier::supplyFigures(in, *v);
    EXPECT_EQ(r.settled, c.settled);
    if (c.settled) {
      EXPECT_LT(r.ripple[3], 0.002);
    }
  }
}

// A silicon supply with a choke overshoots at switch-on, past its second capacitor's rating.
TEST(Ngspice, TurnOnPeakPastTheRating) {
  FieldMap f = supplyDefaults();
  const std::pair<const char*, const char*> circuit[] = {
      {"edPsVac", "345"},
      {"edPsRs", "30"},
      {"cbPsRect", "Diodes silicium, double alternance (point milieu)"},
      {"edPsC1", "50"},
      {"edPsL2", "3"},
      {"edPsR2", "100"},
      {"edPsC2", "50"},
      {"edPsI1", "80"},
      {"edPsI2", "15"},
      {"edPsC3", ""},
      {"edPsT", "2"}};
  for (const auto& [name, text] : circuit) f[name] = text;
  const atelier::SupplyInputs in = atelier::readSupplyInputs(f);
  const auto v = ngspice().run(atelier::supplyNetlist(in), [](int) {});
  ASSERT_TRUE(v);
  const atelier::SupplyFigures r = atelier::supplyFigures(in, *v);
  EXPECT_NEAR(r.maxVolts[1], 561, 6);
  EXPECT_NEAR(r.volts[1], 462, 5);
  const auto lines = atelier::dataSheetWarnings(in, r);
  EXPECT_TRUE(std::ranges::any_of(lines, [&](const std::string& line) {
    return line == "C2 : " + formatPattern("0", r.maxVolts[1]) +
                       " V atteints, au-delà de ses 500 V de service.";
  })) << ::testing::PrintToString(lines);
}

// The switches' time-dependent resistors as this ngspice takes them: the soft start holds B+
// down until shorted; with standby node 1 stays near 0 V until the switch.
TEST(Ngspice, SoftStartAndStandbyFollowTime) {
  const struct {
    const char* field;
    const char* text;
    double before;  // node 1 at 0,4 s, below
  } cases[] = {{"edPsRsoft", "5000", 300}, {"edPsTsb", "0,5", 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    FieldMap f = supplyDefaults();
    f["edPsT"] = "1";
    f["edPsTsoft"] = "0,5";
    f[c.field] = c.text;
    const atelier::SupplyInputs in = atelier::readSupplyInputs(f);
    const auto v = ngspice().run(atelier::supplyNetlist(in), [](int) {});
    ASSERT_TRUE(v);
    const auto& t = v->at("time");
    const std::size_t at = static_cast<std::size_t>(std::ranges::lower_bound(t, 0.4) - t.begin());
    EXPECT_LT(v->at("v(1)")[at], c.before);
    EXPECT_GT(v->at("v(1)").back(), 380);
  }
}

// Idle, then 250 mA at node 2: both runs settled, B+ falling as a GZ34 supply's does.
TEST(Ngspice, FullPowerRunSagsTheSupply) {
  FieldMap f = supplyDefaults();
  f["edPsIf2"] = "250";
  const atelier::SupplyInputs idle = atelier::readSupplyInputs(f);
  const atelier::SupplyInputs full = atelier::fullPowerInputs(idle);
  std::array<atelier::SupplyFigures, 2> r;
  for (std::size_t run = 0; run < 2; ++run) {
    const atelier::SupplyInputs& in = run == 0 ? idle : full;
    atelier::SettleWatch settle(in.hertz, in.nodes.size());
    const RunHooks hooks{[](int) {}, [&](std::span<const std::string> n,
                                         std::span<const double> v) { return settle.watch(n, v); }};
    const auto v = ngspice().run(atelier::supplyNetlist(in), hooks);
    ASSERT_TRUE(v);
    r[run] = atelier::supplyFigures(in, *v);
    EXPECT_TRUE(r[run].settled) << run;
  }
  atelier::writeSupplyResults(f, idle, r[0], &r[1]);
  const struct {
    const char* figure;
    double value, expected, margin;
  } cases[] = {
      {"V1", r[0].volts[0], 409, 3},
      {"V1 pleine puissance", r[1].volts[0], 365, 3},
      {"V2 pleine puissance", r[1].volts[1], 338, 3},
      {"V4 pleine puissance", r[1].volts[3], 273, 3},
  };
  for (const auto& c : cases) EXPECT_NEAR(c.value, c.expected, c.margin) << c.figure;
  const std::optional<Real> sag = tryReadReal(f.text("edPsSag2"));
  ASSERT_TRUE(sag);
  EXPECT_NEAR(static_cast<double>(*sag), 14.4, 1);
  EXPECT_NE(f.text("lbPsWarn").find("Pleine puissance : la charge totale (265 mA) dépasse"),
            std::string::npos)
      << f.text("lbPsWarn");
}

TEST(Ngspice, FailuresGiveTheSimulatorsLastErrorLine) {
  const struct {
    const char* netlist;
    const char* message;
  } cases[] = {
      {"* t\nV1 1 0 SIN(0 1 50)\nD1 1 2 DX\nC1 2 0 1u\n.tran 1u 10m\n.end\n",
       "Le circuit n'a pas pu être chargé : could not find a valid modelname"},
      {"* t\nV1 1 0 1\nV2 1 0 2\n.tran 1u 1m\n.end\n",
       "La simulation n'a pas abouti : doAnalyses: TRAN:  Timestep too small; initial timepoint: "
       "cause unrecorded."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.netlist);
    try {
      ngspice().run(c.netlist, [](int) {});
      ADD_FAILURE() << "no failure";
    } catch (const CalcError& e) {
      EXPECT_EQ(e.message(), c.message);
    }
  }
}

// A watch that says "settled" past a time ends a long run there, with the vectors up to that
// point; the next run watches afresh.
TEST(Ngspice, WatchEndsTheRunAtItsPoint) {
  FieldMap f = supplyDefaults();
  f["edPsT"] = "10";
  const std::string netlist = atelier::supplyNetlist(atelier::readSupplyInputs(f));
  for (const double until : {0.05, 0.12}) {
    double stoppedAt = -1;
    std::size_t timeAt = 99;
    RunHooks hooks;
    hooks.watch = [&](std::span<const std::string> names, std::span<const double> values) {
      timeAt = std::ranges::find(names, "time") - names.begin();
      if (timeAt >= values.size() || values[timeAt] <= until) return false;
      stoppedAt = values[timeAt];
      return true;
    };
    const auto v = ngspice().run(netlist, hooks);
    ASSERT_TRUE(v);
    ASSERT_GT(stoppedAt, until);
    EXPECT_EQ(v->at("time").back(), stoppedAt);
    EXPECT_EQ(v->at("v(1)").size(), v->at("time").size());
  }
}

TEST(Ngspice, StopHaltsALongRunAndTheNextRunStartsAfresh) {
  FieldMap f = supplyDefaults();
  f["edPsT"] = "10";
  const atelier::SupplyInputs in = atelier::readSupplyInputs(f);
  std::atomic<int> percent = -1;
  std::optional<SpiceVectors> halted = SpiceVectors{};
  std::thread worker(
      [&] { halted = ngspice().run(atelier::supplyNetlist(in), [&](int p) { percent = p; }); });
  while (percent < 1) std::this_thread::yield();
  ngspice().stop();
  EXPECT_LT(percent, 50);  // halted, not run to its end
  worker.join();
  EXPECT_FALSE(halted);
  ngspice().stop();  // nothing running: returns at once

  f["edPsT"] = "0,5";
  const atelier::SupplyInputs shortRun = atelier::readSupplyInputs(f);
  const auto v = ngspice().run(atelier::supplyNetlist(shortRun), [](int) {});
  ASSERT_TRUE(v);
  EXPECT_NEAR(v->at("time").back(), 0.5, 1e-9);
  EXPECT_NEAR(v->at("time").front(), 0, 1e-12);
}

// A stop while the circuit loads or the thread starts is not lost, nor one asked before the
// run begins (the caller's flag, read as it starts); a run that would go on for seconds gives
// nothing.
TEST(Ngspice, StopInTheFirstMillisecondsHaltsTheRun) {
  FieldMap f = supplyDefaults();
  f["edPsT"] = "10";
  const std::string netlist = atelier::supplyNetlist(atelier::readSupplyInputs(f));
  for (const int micros : {0, 200, 1000, 3000, 10000}) {
    SCOPED_TRACE(micros);
    std::atomic<bool> started = false, ended = false, stopAsked = false;
    std::optional<SpiceVectors> result = SpiceVectors{};
    std::thread worker([&] {
      started = true;
      result = ngspice().run(netlist, RunHooks{[](int) {}, {}, [&] { return stopAsked.load(); }});
      ended = true;
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::microseconds(micros));
    stopAsked = true;
    ngspice().stop();
    for (int i = 0; i < 100 && !ended; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(ended) << "stop lost";
    while (!ended) ngspice().stop();
    worker.join();
    EXPECT_FALSE(result);
  }
}

}  // namespace
}  // namespace valvora::platform

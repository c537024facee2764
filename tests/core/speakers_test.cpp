#include "core/speakers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/numtext.h"
#include "tests/core/fieldmap.h"

namespace valvora {
namespace {

using testing::FieldMap;
using Calculator = void (*)(Fields&);

struct Group {
  const char* suffix;
  Calculator run;
  int speakers;
};

const Group kGroups[] = {
    {"_2ser", hp_2ser, 2}, {"_2par", hp_2par, 2}, {"_3ser", hp_3ser, 3}, {"_3par", hp_3par, 3},
    {"_4ser", hp_4ser, 4}, {"_4par", hp_4par, 4}, {"_3HA", hp_3HA, 3},   {"_3HB", hp_3HB, 3},
    {"_4HA", hp_4HA, 4},   {"_4HB", hp_4HB, 4},
};

const Group& group(const std::string& suffix) {
  for (const Group& g : kGroups)
    if (suffix == g.suffix) return g;
  throw std::logic_error("no group " + suffix);
}

std::string z(int speaker, const std::string& suffix) {
  return std::string("cbHP") + char('a' + speaker) + suffix;
}
std::string p(int speaker, const std::string& suffix) {
  return std::string("edPHP") + char('a' + speaker) + suffix;
}

FieldMap inputs(const std::string& suffix, const std::string& amp,
                const std::vector<std::string>& impedances) {
  FieldMap f;
  f["edAmp" + suffix] = amp;
  for (size_t i = 0; i < impedances.size(); ++i) f[z(int(i), suffix)] = impedances[i];
  return f;
}

struct Case {
  std::string suffix;
  std::string amp;
  std::vector<std::string> impedances;
  std::string total;
  std::vector<std::string> powers;
};

// Readable test names: the group and what was typed.
std::string describe(const std::string& suffix, const std::string& amp,
                     const std::vector<std::string>& impedances) {
  std::string d = suffix + " P=" + amp + " Z=";
  for (const std::string& z : impedances) d += z + ";";
  return d;
}
void PrintTo(const Case& c, std::ostream* os) {
  *os << describe(c.suffix, c.amp, c.impedances);
}

class SpeakerResults : public ::testing::TestWithParam<Case> {};

TEST_P(SpeakerResults, WritesTotalAndPowers) {
  const Case& c = GetParam();
  FieldMap f = inputs(c.suffix, c.amp, c.impedances);
  group(c.suffix).run(f);
  EXPECT_EQ(f.text("edHPtotale" + c.suffix), c.total);
  for (size_t i = 0; i < c.powers.size(); ++i)
    EXPECT_EQ(f.text(p(int(i), c.suffix)), c.powers[i]) << "speaker " << char('A' + i);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, SpeakerResults,
    ::testing::Values(
        Case{"_2ser", "100", {"8", "8"}, "16", {"50,00", "50,00"}},
        Case{"_2par", "100", {"8", "8"}, "4,00", {"50,00", "50,00"}},
        Case{"_2ser", "100", {"4", "8"}, "12", {"33,33", "66,67"}},
        Case{"_2par", "100", {"4", "8"}, "2,67", {"66,67", "33,33"}},
        Case{"_3ser", "100", {"8", "8", "8"}, "24", {"33,33", "33,33", "33,33"}},
        Case{"_3par", "100", {"8", "8", "8"}, "2,67", {"33,33", "33,33", "33,33"}},
        Case{"_4ser", "100", {"8", "8", "8", "8"}, "32,00", {"25,00", "25,00", "25,00", "25,00"}},
        Case{"_4par", "100", {"8", "8", "8", "8"}, "2,00", {"25,00", "25,00", "25,00", "25,00"}},
        // Decimal impedances where the group reads reals; the series total keeps its digits.
        Case{"_3ser", "100", {"8,5", "8", "8,1"}, "24,6", {"34,55", "32,52", "32,93"}},
        Case{"_4par", " 50", {"4", "8,0", "16", "1E1"}, "1,86", {"23,26", "11,63", "5,81", "9,30"}},
        Case{"_3HA", "100", {"8", "8", "8"}, "12,00", {"16,67", "16,67", "66,67"}},
        Case{"_3HB", "100", {"8", "8", "8"}, "5,33", {"16,67", "16,67", "66,67"}},
        Case{"_4HA", "100", {"8", "8", "8", "8"}, "8,00", {"25,00", "25,00", "25,00", "25,00"}},
        Case{"_4HB", "100", {"8", "8", "8", "8"}, "8,00", {"25,00", "25,00", "25,00", "25,00"}},
        Case{"_3HA", "100", {"8", "8", "16"}, "20,00", {"10,00", "10,00", "80,00"}},
        Case{"_3HB", "100", {"4", "4", "8"}, "4,00", {"25,00", "25,00", "50,00"}},
        Case{"_4HA", "100", {"4", "4", "16", "16"}, "10,00", {"10,00", "10,00", "40,00", "40,00"}},
        Case{"_4HB", "100", {"4", "8", "4", "8"}, "5,33", {"33,33", "16,67", "33,33", "16,67"}},
        // Negative values are not rejected: they flow through the formulas.
        Case{"_2ser", "-100", {"4", "4"}, "8", {"-50,00", "-50,00"}},
        Case{"_2ser", "$64", {"4", "12"}, "16", {"25,00", "75,00"}}));

struct Failure {
  std::string suffix;
  std::string amp;
  std::vector<std::string> impedances;
  std::string message;
  bool totalWritten;  // the total is written before the failing share
};

void PrintTo(const Failure& c, std::ostream* os) {
  *os << describe(c.suffix, c.amp, c.impedances);
}

class SpeakerFailures : public ::testing::TestWithParam<Failure> {};

TEST_P(SpeakerFailures, StopAtTheFailingStep) {
  const Failure& c = GetParam();
  const Group& g = group(c.suffix);
  FieldMap f = inputs(c.suffix, c.amp, c.impedances);
  f["edHPtotale" + c.suffix] = "old";
  for (int i = 0; i < g.speakers; ++i) f[p(i, c.suffix)] = "old";
  try {
    g.run(f);
    FAIL() << "no failure";
  } catch (const CalcError& e) {
    EXPECT_EQ(e.what(), c.message);
  }
  EXPECT_EQ(f.text("edHPtotale" + c.suffix) != "old", c.totalWritten);
  for (int i = 0; i < g.speakers; ++i) EXPECT_EQ(f.text(p(i, c.suffix)), "old");
}

const std::string kZeroDivide(msg::kFloatZeroDivide);
const std::string kInvalid(msg::kFloatInvalid);

INSTANTIATE_TEST_SUITE_P(
    Pages, SpeakerFailures,
    ::testing::Values(
        Failure{
            "_2ser", "100,5", {"8", "8"}, "'100,5' n'est pas une valeur entière correcte", false},
        Failure{"_2ser", "", {"8", "8"}, "'' n'est pas une valeur entière correcte", false},
        Failure{"_2ser", "100", {"8,5", "8"}, "'8,5' n'est pas une valeur entière correcte", false},
        Failure{"_3par",
                "100",
                {"8", "8,5", "8"},
                "'8,5' n'est pas une valeur entière correcte",
                false},
        Failure{"_4par",
                "100",
                {"8", "8", "8 ohms", "8.5"},
                "'8 ohms' n'est pas une valeur en virgule flottante correcte",
                false},
        Failure{"_3HB",
                "100",
                {"8.5", "8", "8"},
                "'8.5' n'est pas une valeur en virgule flottante correcte",
                false},
        // A series total of zero is written, then the first share divides by it.
        Failure{"_2ser", "100", {"0", "0"}, kInvalid, true},
        Failure{"_2ser", "100", {"4", "-4"}, kZeroDivide, true},
        Failure{"_3ser", "0", {"4", "-4", "0"}, kInvalid, true},
        Failure{"_3ser", "100", {"4", "-4", "0"}, kZeroDivide, true},
        Failure{"_4ser", "100", {"0", "0", "0", "0"}, kInvalid, true},
        // A zero impedance in parallel fails before anything is written.
        Failure{"_2par", "100", {"0", "8"}, kZeroDivide, false},
        Failure{"_3par", "100", {"8", "8", "0"}, kZeroDivide, false},
        Failure{"_4par", "100", {"8", "-8", "4", "-4"}, kZeroDivide, false},
        Failure{"_3HA", "100", {"0", "8", "8"}, kZeroDivide, false},
        Failure{"_3HA", "0", {"8", "8", "-4"}, kInvalid, false},
        Failure{"_3HB", "100", {"8", "8", "0"}, kZeroDivide, false},
        Failure{"_3HB", "100", {"8", "-8", "8"}, kZeroDivide, false},
        Failure{"_4HA", "100", {"8", "8", "8", "0"}, kZeroDivide, false},
        Failure{"_4HB", "100", {"4", "8", "-4", "8"}, kZeroDivide, false}));

// Whatever the wiring, the speakers share the amplifier's power between them, and nothing the
// readings accept leads to "nan" or "inf" in a field.
TEST(SpeakerProperties, PowersAddUpToTheAmplifierPower) {
  std::mt19937 gen(20261207);
  std::uniform_int_distribution<int> amp(1, 2000);
  std::uniform_int_distribution<int> ohms(1, 64);
  for (const Group& g : kGroups) {
    for (int round = 0; round < 300; ++round) {
      std::vector<std::string> imp;
      for (int i = 0; i < g.speakers; ++i) imp.push_back(std::to_string(ohms(gen)));
      const int watts = amp(gen);
      FieldMap f = inputs(g.suffix, std::to_string(watts), imp);
      g.run(f);
      double sum = 0;
      for (int i = 0; i < g.speakers; ++i) {
        const std::string t = f.text(p(i, g.suffix));
        ASSERT_EQ(t.find_first_of("ni."), std::string::npos) << t;
        sum += static_cast<double>(readReal(t));
      }
      EXPECT_NEAR(sum, watts, 0.005 * g.speakers + 1e-9) << g.suffix;
    }
  }
}

TEST(SpeakerProperties, ExtremeReadingsFailInsteadOfWritingInfinity) {
  for (const Group& g : kGroups) {
    std::vector<std::string> imp(g.speakers, "1E300");
    FieldMap f = inputs(g.suffix, "2147483647", imp);
    f["edHPtotale" + std::string(g.suffix)] = "old";
    try {
      g.run(f);
    } catch (const CalcError&) {
    }
    for (const std::string& name : {"edHPtotale" + std::string(g.suffix), p(0, g.suffix)}) {
      const std::string t = f.text(name);
      EXPECT_EQ(t.find("inf"), std::string::npos) << name << " " << t;
      EXPECT_EQ(t.find("nan"), std::string::npos) << name << " " << t;
    }
  }
}

}  // namespace
}  // namespace valvora

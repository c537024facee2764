#include "core/attenuators.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/numtext.h"
#include "tests/core/fieldmap.h"

namespace valvora {
namespace {

using testing::FieldMap;
using Calculator = void (*)(Fields&);
using Texts = std::vector<std::pair<std::string, std::string>>;

struct Pad {
  const char* name;
  Calculator run;
  std::vector<std::string> inputs;   // Z, Pa, then Ps or the attenuation
  std::vector<std::string> results;  // every field the pad writes, in order
};

const Pad kL{
    "L",
    attenuateur,
    {"cbAS_ImpHP", "edp_amp", "edp_souhait"},
    {"edR1",       "edR2",       "edI",        "edUR1",     "ediHP",  "edPuisR1", "ediR2",
     "edUR2",      "edPuisR2",   "edR1x4",     "edR1x3",    "edR1x2", "edR1x1",   "edR1x4puis",
     "edR1x3puis", "edR1x2puis", "edR1x1puis", "edR2x4",    "edR2x3", "edR2x2",   "edR2x1",
     "edR2x4puis", "edR2x3puis", "edR2x2puis", "edR2x1puis"}};
const Pad kSP{
    "S+P",
    attenuateur_sp,
    {"cbImpHP_sp", "edp_amp_sp", "edp_souhait_sp"},
    {"edR1_sp", "edR2_sp", "edR3_sp", "edi_transfo", "edIR1_sp", "edUR1_sp", "edIR2_sp", "edUR2_sp",
     "ediHP_sp", "edIR3_sp", "edUR3_sp", "edPuisR1_sp", "edPuisR2_sp", "edPuisR3_sp"}};
const Pad kT{
    "T",
    attenuateur_t,
    {"cbImpHP_t", "edp_amp_t", "ed_atten_t"},
    {"edR3R4_t",   "edR1_t",   "edR2_t",   "ediampli_t", "ediR2_t",  "ediR3_t",  "ediR1_t",
     "eduampli_t", "edu_r1_t", "edu_r2_t", "edp_r1_t",   "edp_r2_t", "edp_r3_t", "edp_hp_t",
     "edu_r3_t",   "edi_hp_t", "edu_hp_t", "edu_r4_t",   "edp_r4_t", "edi_r4_t"}};

// The pad's inputs, the L table's counts at their design texts, every result at "old".
FieldMap page(const Pad& pad, const std::vector<std::string>& in) {
  FieldMap f;
  for (std::size_t i = 0; i < in.size(); ++i) f[pad.inputs[i]] = in[i];
  if (pad.run == attenuateur) {
    f["edRx4"] = "4";
    f["edRx3"] = "3";
    f["edRx2"] = "2";
    f["edRx1"] = "1";
  }
  for (const std::string& r : pad.results) f[r] = "old";
  return f;
}

void expectTexts(const FieldMap& f, const Texts& expected) {
  for (const auto& [name, text] : expected) EXPECT_EQ(f.text(name), text) << name;
}

TEST(AttenuatorWorkedValues, LPad) {
  FieldMap f = page(kL, {"8", "6,00", "0,68"});
  attenuateur(f);
  expectTexts(f, {{"edR1", "5,3068"},
                  {"edR2", "4,0600"},
                  {"edI", "0,8660"},
                  {"edUR1", "4,5958"},
                  {"ediHP", "0,2915"},
                  {"edPuisR1", "3,9801"},
                  {"ediR2", "0,5745"},
                  {"edUR2", "2,3324"},
                  {"edPuisR2", "1,3399"},
                  // twice each resistor and half each power, to 15 significant digits
                  {"edR1x2", "10,6135973662069"},
                  {"edR1x2puis", "1,99004950616379"},
                  {"edR2x2", "8,12000297044336"},
                  {"edR2x2puis", "0,669950493836208"},
                  {"edR1x3", "15,9203960493103"},
                  {"edR2x3puis", "0,446633662557472"}});
  // A count of 1 repeats the resistor and its power in the general form.
  EXPECT_EQ(f.text("edR1x1"), "5,30679868310345");
  EXPECT_EQ(f.text("edR2x4"), "16,2400059408867");
}

TEST(AttenuatorWorkedValues, SeriesParallelPad) {
  FieldMap f = page(kSP, {"8", "8,00", "2,00"});
  attenuateur_sp(f);
  Texts expected;
  for (const char* r : {"edR1_sp", "edR2_sp", "edR3_sp"}) expected.emplace_back(r, "8,0000");
  expected.emplace_back("edi_transfo", "1,0000");
  for (const char* i : {"edIR1_sp", "edIR2_sp", "edIR3_sp", "ediHP_sp"})
    expected.emplace_back(i, "0,5000");
  for (const char* u : {"edUR1_sp", "edUR2_sp", "edUR3_sp"}) expected.emplace_back(u, "4,0000");
  for (const char* p : {"edPuisR1_sp", "edPuisR2_sp", "edPuisR3_sp"})
    expected.emplace_back(p, "2,0000");
  expectTexts(f, expected);
}

TEST(AttenuatorWorkedValues, TPad) {
  FieldMap f = page(kT, {"8", "10", "-6"});
  attenuateur_t(f);
  expectTexts(f, {{"edR3R4_t", "8"},        {"edR1_t", "8,0381"},     {"edR2_t", "7,9621"},
                  {"ediampli_t", "1,1180"}, {"ediR2_t", "0,5603"},    {"ediR3_t", "0,5577"},
                  {"ediR1_t", "0,5577"},    {"eduampli_t", "8,9443"}, {"edu_r1_t", "4,4828"},
                  {"edu_r2_t", "3,6515"},   {"edp_r1_t", "2,5000"},   {"edp_r2_t", "2,5000"},
                  {"edp_r3_t", "2,4881"},   {"edp_hp_t", "2,5119"},   {"edu_r3_t", "4,4828"},
                  {"edi_hp_t", "0,5603"},   {"edu_hp_t", "4,4828"},   {"edu_r4_t", "4,4828"},
                  {"edp_r4_t", "0,0000"},   {"edi_r4_t", "0,0000"}});
}

// Beyond the amplifier's power the pads are not refused: the resistors come out negative.
TEST(AttenuatorWorkedValues, WantedPowerAboveTheAmplifiers) {
  FieldMap l = page(kL, {"8", "2", "8"});
  attenuateur(l);
  expectTexts(l, {{"edR1", "-8,0000"}, {"edR2", "-16,0000"}, {"ediR2", "-0,5000"}});
  FieldMap sp = page(kSP, {"8", "2", "8"});
  attenuateur_sp(sp);
  expectTexts(sp, {{"edR1_sp", "-16,0000"}, {"edR3_sp", "-16,0000"}, {"edIR3_sp", "-0,5000"}});
  // Counts are used as typed.
  FieldMap counts = page(kL, {"8", "6,00", "0,68"});
  counts["edRx3"] = "-0,5";
  attenuateur(counts);
  EXPECT_EQ(counts.text("edR2x3"), "-2,03000074261084");
}

struct Failure {
  const Pad* pad;
  std::vector<std::string> in;
  std::string message;
  std::vector<std::string> changed;  // the results written before the failing step
  std::string count;                 // for the L pad: the text of edRx2
};

void PrintTo(const Failure& c, std::ostream* os) {
  *os << c.pad->name;
  for (const std::string& s : c.in) *os << " " << s;
  if (!c.count.empty()) *os << " N2=" << c.count;
}

// Readable test names: what was typed, "8_6_0v68" for 8, 6 and 0,68.
std::string caseName(const ::testing::TestParamInfo<Failure>& info) {
  std::string name;
  auto add = [&](const std::string& text) {
    if (!name.empty()) name += '_';
    if (text.empty()) name += "vide";
    for (char c : text) {
      if (std::isalnum(static_cast<unsigned char>(c)) || c == '_')
        name += c;
      else
        name += c == ',' ? 'v' : c == '-' ? 'm' : c == '.' ? 'p' : 'x';
    }
  };
  for (const std::string& s : info.param.in) add(s);
  if (!info.param.count.empty()) add("N2_" + info.param.count);
  return name;
}

class AttenuatorFailures : public ::testing::TestWithParam<Failure> {};

TEST_P(AttenuatorFailures, StopAtTheFailingStep) {
  const Failure& c = GetParam();
  FieldMap f = page(*c.pad, c.in);
  if (!c.count.empty()) f["edRx2"] = c.count;
  try {
    c.pad->run(f);
    FAIL() << "no failure";
  } catch (const CalcError& e) {
    EXPECT_EQ(e.message(), c.message);
  }
  std::vector<std::string> changed;
  for (const std::string& r : c.pad->results)
    if (f.text(r) != "old") changed.push_back(r);
  EXPECT_EQ(changed, c.changed);
}

const std::string kZeroDivide(msg::kFloatZeroDivide);
const std::string kInvalid(msg::kFloatInvalid);
const std::vector<std::string> kNothing;
const std::vector<std::string> kLUpper(kL.results.begin(), kL.results.begin() + 9);

std::vector<std::string> firstOf(const Pad& pad, std::size_t n) {
  return {pad.results.begin(), pad.results.begin() + n};
}

INSTANTIATE_TEST_SUITE_P(
    L, AttenuatorFailures,
    ::testing::Values(Failure{&kL, {"8", "0", "0,68"}, kZeroDivide, kNothing, ""},
                      Failure{&kL, {"8", "6", "0"}, kZeroDivide, {"edR1"}, ""},
                      Failure{&kL, {"8", "6", "6"}, kZeroDivide, {"edR1"}, ""},
                      Failure{&kL, {"0", "6", "6"}, kInvalid, {"edR1"}, ""},
                      Failure{&kL, {"0", "6", "0,68"}, kZeroDivide, {"edR1", "edR2"}, ""},
                      Failure{&kL, {"8", "-6", "0,68"}, kInvalid, kNothing, ""},
                      Failure{&kL, {"8", "6", "0.68"}, notARealMessage("0.68"), kNothing, ""},
                      Failure{&kL, {"", "6", "0,68"}, notARealMessage(""), kNothing, ""},
                      // A bad count stops after the upper results; a zero one writes its row's
                      // values and stops before any power of R1.
                      Failure{&kL, {"8", "6", "0,68"}, notARealMessage("deux"), kLUpper, "deux"},
                      Failure{&kL, {"8", "6", "0,68"}, kZeroDivide, firstOf(kL, 13), "0"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    SeriesParallel, AttenuatorFailures,
    ::testing::Values(Failure{&kSP, {"8", "0", "2"}, kZeroDivide, kNothing, ""},
                      Failure{&kSP, {"8", "8", "0"}, kZeroDivide, {"edR1_sp", "edR2_sp"}, ""},
                      Failure{&kSP, {"8", "8", "8"}, kZeroDivide, {"edR1_sp", "edR2_sp"}, ""},
                      Failure{&kSP, {"0", "8", "8"}, kInvalid, {"edR1_sp", "edR2_sp"}, ""},
                      Failure{&kSP, {"0", "8", "2"}, kZeroDivide, firstOf(kSP, 3), ""},
                      Failure{&kSP, {"8", "8", "-2"}, kInvalid, kNothing, ""},
                      Failure{&kSP, {"8", "8", "2W"}, notARealMessage("2W"), kNothing, ""}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    T, AttenuatorFailures,
    ::testing::Values(Failure{&kT, {"8", "10", "0"}, kZeroDivide, {"edR3R4_t"}, ""},
                      Failure{&kT, {"8", "10", "6"}, kInvalid, firstOf(kT, 9), ""},
                      Failure{&kT, {"0", "10", "-6"}, kZeroDivide, firstOf(kT, 3), ""},
                      Failure{&kT, {"8", "0", "-6"}, kInvalid, firstOf(kT, 14), ""},
                      Failure{&kT, {"8", "-10", "-6"}, kInvalid, firstOf(kT, 3), ""},
                      Failure{&kT, {"8", "10", "-6.5"}, notARealMessage("-6.5"), kNothing, ""}),
    caseName);

// Generated loudspeakers, amplifiers and wanted powers (Z, Pa > Ps > 0) with two decimals.
struct Generated {
  std::string z, pa, ps;
};

std::vector<Generated> generate(int count) {
  std::mt19937 gen(8042026);
  std::uniform_int_distribution<int> ohms(100, 3200);  // 1,00 to 32,00
  std::uniform_int_distribution<int> watts(2, 20000);  // 0,02 to 200,00
  std::vector<Generated> out;
  auto text = [](int hundredths) {
    std::string s = std::to_string(hundredths / 100) + ",";
    const int c = hundredths % 100;
    return s + char('0' + c / 10) + char('0' + c % 10);
  };
  while (int(out.size()) < count) {
    const int pa = watts(gen);
    std::uniform_int_distribution<int> below(1, pa - 1);
    out.push_back({text(ohms(gen)), text(pa), text(below(gen))});
  }
  return out;
}

double value(const FieldMap& f, const std::string& name) {
  return static_cast<double>(readReal(f.text(name)));
}

// The amplifier keeps seeing the loudspeaker: R1 + R2 // Z for the L pad, and
// (R1 // R2) + (R3 // Z) for the series-parallel pad, within the four decimals shown.
TEST(AttenuatorProperties, PadsPresentTheLoudspeakerImpedance) {
  for (const Generated& g : generate(2000)) {
    FieldMap l = page(kL, {g.z, g.pa, g.ps});
    attenuateur(l);
    const double z = value(l, "cbAS_ImpHP");
    const double r1 = value(l, "edR1"), r2 = value(l, "edR2");
    // R2 may be large for a small loss, so its rounding counts relative to Z/R2.
    const double tol = 1e-4 * (1 + z * z / ((r2 + z) * (r2 + z)));
    EXPECT_NEAR(r1 + r2 * z / (r2 + z), z, tol) << g.z << " " << g.pa << " " << g.ps;

    FieldMap sp = page(kSP, {g.z, g.pa, g.ps});
    attenuateur_sp(sp);
    const double a = value(sp, "edR1_sp"), b = value(sp, "edR2_sp"), r3 = value(sp, "edR3_sp");
    EXPECT_NEAR(a * b / (a + b) + r3 * z / (r3 + z), z, 1e-4 * (1 + z * z / ((r3 + z) * (r3 + z))))
        << g.z << " " << g.pa << " " << g.ps;
    EXPECT_EQ(sp.text("edR1_sp"), sp.text("edR2_sp"));
    EXPECT_EQ(sp.text("edIR1_sp"), sp.text("edIR2_sp"));
    // Its series branch is twice the L pad's series resistor, its shunt the L pad's.
    EXPECT_NEAR(a, 2 * r1, 2e-4);
    EXPECT_EQ(sp.text("edR3_sp"), l.text("edR2"));
  }
}

TEST(AttenuatorProperties, TPadEqualTexts) {
  std::mt19937 gen(1995);
  std::uniform_int_distribution<int> ohms(1, 32);
  std::uniform_int_distribution<int> watts(1, 400);
  std::uniform_int_distribution<int> tenthsOfDb(1, 400);  // -0,1 to -40 dB
  for (int round = 0; round < 2000; ++round) {
    const int db = tenthsOfDb(gen);
    const std::string a = "-" + std::to_string(db / 10) + "," + std::to_string(db % 10);
    FieldMap f = page(kT, {std::to_string(ohms(gen)), std::to_string(watts(gen)), a});
    attenuateur_t(f);
    EXPECT_EQ(f.text("edu_r4_t"), f.text("edu_hp_t"));
    EXPECT_EQ(f.text("ediR1_t"), f.text("ediR3_t"));
    // The amplifier current splits between R2 and R3.
    EXPECT_NEAR(value(f, "ediR2_t") + value(f, "ediR3_t"), value(f, "ediampli_t"), 1.5e-4);
    for (const std::string& r : kT.results)
      ASSERT_EQ(f.text(r).find_first_of("ni"), std::string::npos);
  }
}

// Readings at the edges of the double range fail at the overflowing step instead of
// showing an infinity, and the fields after it keep their texts.
TEST(AttenuatorProperties, ExtremeReadingsFailInsteadOfWritingInfinity) {
  const std::vector<std::vector<std::string>> extremes = {{"1E308", "1E308", "1E-308"},
                                                          {"1E-308", "1E308", "1E-300"},
                                                          {"8", "1E308", "-1E300"},
                                                          {"1E300", "1E-300", "1E-310"}};
  for (const Pad* pad : {&kL, &kSP, &kT}) {
    for (const auto& in : extremes) {
      FieldMap f = page(*pad, in);
      try {
        pad->run(f);
      } catch (const CalcError&) {
      }
      for (const std::string& r : pad->results)
        EXPECT_EQ(f.text(r).find_first_of("in"), std::string::npos)
            << pad->name << " " << in[0] << " " << in[1] << " " << in[2] << ": " << r;
    }
  }
}

}  // namespace
}  // namespace valvora

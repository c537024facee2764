#include "core/capacitors.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/numtext.h"
#include "tests/core/fieldmap.h"

namespace valvora {
namespace {

using testing::FieldMap;
using Texts = std::map<std::string, std::string>;

enum class Calc { Code, Convert, Par, Ser, Pot, RC, Courant, Puissance, Transfo };

// Every control each calculator may write; before a run each holds "old", so a case says
// exactly which ones changed.
const std::map<Calc, std::vector<std::string>> kResults = {
    {Calc::Code, {"Edit3", "lb_pF", "lb_nF", "lb_uF", "lb_tolerance"}},
    {Calc::Convert,
     {"lbpFa", "lbnFa", "lbmicFa", "lbpFb", "lbnFb", "lbmicFb", "lbpFc", "lbnFc", "lbmicFc"}},
    {Calc::Par, {"edc_par"}},
    {Calc::Ser, {"edc_ser"}},
    {Calc::Pot, {"epdiss", "eplin", "eplog"}},
    {Calc::RC, {"edRCfc1", "edRCfc2"}},
    {Calc::Courant, {"edCN", "edTC"}},
    {Calc::Puissance, {"edP", "edTC"}},
    {Calc::Transfo, {"lbInduc", "lbCap"}},
};

// The pages' default texts.
const std::map<Calc, Texts> kDefaults = {
    {Calc::Code, {{"Edit3", "10"}, {"ComboBox1", "2"}, {"ComboBox2", "F"}}},
    {Calc::Convert, {{"edpF", "10"}, {"ednF", "220"}, {"edmicF", "0,47"}}},
    {Calc::Par, {{"edc1_par", "1,00"}, {"edc2_par", "0,47"}}},
    {Calc::Ser, {{"edc1_ser", "2,20"}, {"edc2_ser", "1,00"}}},
    {Calc::Pot, {{"evsrc", "20"}, {"epRmax", "100000"}, {"eppos", "50"}}},
    {Calc::RC, {{"edRCr1", "10000"}, {"edRCc1", "0,1"}, {"edRCr2", "250000"}, {"edRCc2", "0,47"}}},
    {Calc::Courant, {{"edTS", "9"}, {"edP", "75"}}},
    {Calc::Puissance, {{"edTS", "9"}, {"edCN", "8,33"}}},
    {Calc::Transfo, {{"Edit4", "265"}, {"Edit5", "0,1"}, {"Edit8", "1,0"}}},
};

struct Case {
  std::string name;
  Calc calc;
  Texts typed;    // over the defaults
  Texts written;  // every result control not named here keeps "old"
  std::string message;
  std::string toleranceBefore = "avant";
  std::string toleranceAfter = "";  // the kept text after a run of the code
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}
std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

struct Outcome {
  FieldMap fields;
  std::string message;
  CapacitorCodeState state;
};

Outcome run(const Case& c) {
  Outcome o;
  for (const std::string& r : kResults.at(c.calc)) o.fields[r] = "old";
  for (const auto& [k, v] : kDefaults.at(c.calc)) o.fields[k] = v;
  for (const auto& [k, v] : c.typed) o.fields[k] = v;
  o.state.tolerance = c.toleranceBefore;
  try {
    switch (c.calc) {
      case Calc::Code:
        condonorm(o.fields, o.state);
        break;
      case Calc::Convert:
        convert_condo(o.fields);
        break;
      case Calc::Par:
        condo_par(o.fields);
        break;
      case Calc::Ser:
        condo_ser(o.fields);
        break;
      case Calc::Pot:
        potentiometre(o.fields);
        break;
      case Calc::RC:
        RCFilter(o.fields);
        break;
      case Calc::Courant:
        Courant(o.fields);
        break;
      case Calc::Puissance:
        Puissance(o.fields);
        break;
      case Calc::Transfo:
        Transfo(o.fields);
        break;
    }
  } catch (const CalcError& e) {
    o.message = e.message();
  }
  return o;
}

class CapacitorPages : public ::testing::TestWithParam<Case> {};

TEST_P(CapacitorPages, WritesExactlyTheseFields) {
  const Case& c = GetParam();
  Outcome o = run(c);
  EXPECT_EQ(o.message, c.message);
  for (const std::string& r : kResults.at(c.calc)) {
    auto it = c.written.find(r);
    const std::string expected =
        it != c.written.end() ? it->second : (r == "Edit3" ? o.fields.text("Edit3") : "old");
    EXPECT_EQ(o.fields.text(r), expected) << r;
  }
  if (c.calc == Calc::Code) {
    EXPECT_EQ(o.state.tolerance, c.toleranceAfter);
  }
}

const std::string kZero(msg::kFloatZeroDivide);
const std::string kInvalid(msg::kFloatInvalid);
std::string notInt(const std::string& t) {
  return notAnIntegerMessage(t);
}
std::string notReal(const std::string& t) {
  return notARealMessage(t);
}

Texts code(const std::string& pF, const std::string& nF, const std::string& uF,
           const std::string& tol) {
  return {{"lb_pF", pF}, {"lb_nF", nF}, {"lb_uF", uF}, {"lb_tolerance", tol}};
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Code, CapacitorPages, ::testing::Values(
    Case{"defaults", Calc::Code, {}, code("1000", "1", "0,001", "+/- 1%"), "", "", "+/- 1%"},
    Case{"small_C", Calc::Code, {{"Edit3", "47"}, {"ComboBox1", "9"}, {"ComboBox2", "C"}},
         code("4,7", "0,0047", "4,7E-6", "+/- 0.25 pF"), "", "avant", "+/- 0.25 pF"},
    Case{"small_K", Calc::Code, {{"Edit3", "47"}, {"ComboBox1", "9"}, {"ComboBox2", "K"}},
         code("4,7", "0,0047", "4,7E-6", "-"), "", "avant", "-"},
    Case{"small_D", Calc::Code, {{"Edit3", "99"}, {"ComboBox1", "8"}, {"ComboBox2", "D"}},
         code("0,99", "0,00099", "9,9E-7", "+/- 0.5 pF"), "", "avant", "+/- 0.5 pF"},
    Case{"large_J", Calc::Code, {{"Edit3", "10"}, {"ComboBox1", "1"}, {"ComboBox2", "J"}},
         code("100", "0,1", "0,0001", "+/- 5%"), "", "avant", "+/- 5%"},
    Case{"large_B", Calc::Code, {{"Edit3", "10"}, {"ComboBox1", "1"}, {"ComboBox2", "B"}},
         code("100", "0,1", "0,0001", "-"), "", "avant", "-"},
    Case{"large_Z", Calc::Code, {{"Edit3", "22"}, {"ComboBox1", "5"}, {"ComboBox2", "Z"}},
         code("2200000", "2200", "2,2", "(+ 80 / - 20) %"), "", "avant", "(+ 80 / - 20) %"},
    // Exactly 10 pF reads the relative column.
    Case{"ten_pF_B", Calc::Code, {{"Edit3", "10"}, {"ComboBox1", "0"}, {"ComboBox2", "B"}},
         code("10", "0,01", "1E-5", "-"), "", "avant", "-"},
    Case{"ten_pF_D", Calc::Code, {{"Edit3", "10"}, {"ComboBox1", "0"}, {"ComboBox2", "D"}},
         code("10", "0,01", "1E-5", "+/- 0.5%"), "", "avant", "+/- 0.5%"},
    // A letter without a row keeps the previous text, shown again.
    Case{"lower_case", Calc::Code, {{"ComboBox2", "f"}},
         code("1000", "1", "0,001", "avant"), "", "avant", "avant"},
    Case{"two_letters", Calc::Code, {{"ComboBox2", "FF"}},
         code("1000", "1", "0,001", "avant"), "", "avant", "avant"},
    Case{"no_letter_first_run", Calc::Code, {{"ComboBox2", ""}},
         code("1000", "1", "0,001", ""), "", "", ""},
    Case{"empty_Edit3", Calc::Code, {{"Edit3", ""}},
         {{"Edit3", "0"}, {"lb_pF", "0"}, {"lb_nF", "0"}, {"lb_uF", "0"}, {"lb_tolerance", "+/- 1 pF"}},
         "", "avant", "+/- 1 pF"},
    Case{"negative", Calc::Code, {{"Edit3", "-47"}, {"ComboBox2", "M"}},
         code("-4700", "-4,7", "-0,0047", "-"), "", "avant", "-"},
    // No multiplier for these digits: nothing is shown.
    Case{"digit_6", Calc::Code, {{"ComboBox1", "6"}}, code("", "", "", ""), "", "avant", ""},
    Case{"digit_7", Calc::Code, {{"ComboBox1", "7"}}, code("", "", "", ""), "", "avant", ""},
    Case{"digit_10", Calc::Code, {{"ComboBox1", "10"}}, code("", "", "", ""), "", "avant", ""},
    Case{"digit_minus_1", Calc::Code, {{"ComboBox1", "-1"}}, code("", "", "", ""), "", "avant", ""},
    Case{"decimal_Edit3", Calc::Code, {{"Edit3", "2,5"}}, {}, notInt("2,5"), "avant", "avant"},
    Case{"decimal_digit", Calc::Code, {{"ComboBox1", "2,5"}}, {}, notInt("2,5"), "avant", "avant"},
    Case{"empty_digit", Calc::Code, {{"ComboBox1", ""}}, {}, notInt(""), "avant", "avant"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Conversion, CapacitorPages, ::testing::Values(
    Case{"defaults", Calc::Convert, {},
         {{"lbpFa", "10"}, {"lbnFa", "0,01"}, {"lbmicFa", "1E-5"},
          {"lbpFb", "220000"}, {"lbnFb", "220"}, {"lbmicFb", "0,22"},
          {"lbpFc", "470000"}, {"lbnFc", "470"}, {"lbmicFc", "0,47"}}, ""},
    Case{"bad_pF", Calc::Convert, {{"edpF", "10.5"}}, {}, notReal("10.5")},
    Case{"bad_nF", Calc::Convert, {{"ednF", "x"}},
         {{"lbpFa", "10"}, {"lbnFa", "0,01"}, {"lbmicFa", "1E-5"}}, notReal("x")},
    Case{"bad_uF", Calc::Convert, {{"edmicF", ""}},
         {{"lbpFa", "10"}, {"lbnFa", "0,01"}, {"lbmicFa", "1E-5"},
          {"lbpFb", "220000"}, {"lbnFb", "220"}, {"lbmicFb", "0,22"}}, notReal("")}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Networks, CapacitorPages, ::testing::Values(
    Case{"par_defaults", Calc::Par, {}, {{"edc_par", "1,47"}}, ""},
    Case{"ser_defaults", Calc::Ser, {}, {{"edc_ser", "0,69"}}, ""},
    Case{"par_bad", Calc::Par, {{"edc2_par", ""}}, {}, notReal("")},
    Case{"ser_opposite", Calc::Ser, {{"edc2_ser", "-2,2"}}, {}, kZero},
    Case{"ser_zeros", Calc::Ser, {{"edc1_ser", "0"}, {"edc2_ser", "0"}}, {}, kInvalid},
    Case{"pot_defaults", Calc::Pot, {},
         {{"epdiss", "0,004"}, {"eplin", "10"}, {"eplog", "2,26629464593522"}}, ""},
    Case{"pot_0", Calc::Pot, {{"eppos", "0"}},
         {{"epdiss", "0,004"}, {"eplin", "0"}, {"eplog", "0"}}, ""},
    Case{"pot_100", Calc::Pot, {{"eppos", "100"}},
         {{"epdiss", "0,004"}, {"eplin", "20"}, {"eplog", "20"}}, ""},
    Case{"pot_200", Calc::Pot, {{"eppos", "200"}},
         {{"epdiss", "0,004"}, {"eplin", "40"}, {"eplog", "176,499556541526"}}, ""},
    Case{"pot_negative", Calc::Pot, {{"eppos", "-10"}},
         {{"epdiss", "0,004"}, {"eplin", "-2"}}, kInvalid},
    Case{"pot_Rmax_0", Calc::Pot, {{"epRmax", "0"}}, {}, kZero},
    Case{"pot_all_0", Calc::Pot, {{"evsrc", "0"}, {"epRmax", "0"}}, {}, kInvalid}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Filters, CapacitorPages, ::testing::Values(
    Case{"rc_defaults", Calc::RC, {}, {{"edRCfc1", "159,155"}, {"edRCfc2", "1,355"}}, ""},
    Case{"rc_R0", Calc::RC, {{"edRCr1", "0"}}, {}, kZero},
    Case{"rc_right_C0", Calc::RC, {{"edRCc2", "0"}}, {{"edRCfc1", "159,155"}}, kZero},
    Case{"rc_decimal_R", Calc::RC, {{"edRCr2", "2,5"}}, {{"edRCfc1", "159,155"}}, notInt("2,5")},
    Case{"rc_point", Calc::RC, {{"edRCc1", "0.1"}}, {}, notReal("0.1")},
    Case{"courant_defaults", Calc::Courant, {}, {{"edCN", "8,33"}, {"edTC", "11,53"}}, ""},
    Case{"courant_Vs0", Calc::Courant, {{"edTS", "0"}}, {}, kZero},
    Case{"courant_Vs0_P0", Calc::Courant, {{"edTS", "0"}, {"edP", "0"}}, {}, kInvalid},
    Case{"courant_decimal_Vs", Calc::Courant, {{"edTS", "9,5"}}, {}, notInt("9,5")},
    // In read back from its two-decimal text.
    Case{"puissance_after_courant", Calc::Puissance, {},
         {{"edP", "74,97"}, {"edTC", "11,53"}}, ""},
    Case{"puissance_Vs0", Calc::Puissance, {{"edTS", "0"}},
         {{"edP", "0,00"}, {"edTC", "-1,20"}}, ""},
    Case{"puissance_empty_In", Calc::Puissance, {{"edCN", ""}}, {}, notReal("")},
    Case{"transfo_defaults", Calc::Transfo, {},
         {{"lbInduc", "2,10987 Henry"}, {"lbCap", "56,54370 µF"}}, ""},
    Case{"transfo_I0", Calc::Transfo, {{"Edit5", "0"}}, {}, kZero},
    Case{"transfo_r0", Calc::Transfo, {{"Edit8", "0"}}, {}, kZero},
    Case{"transfo_U0", Calc::Transfo, {{"Edit4", "0"}}, {}, kZero},
    Case{"transfo_U0_I0", Calc::Transfo, {{"Edit4", "0"}, {"Edit5", "0"}}, {}, kInvalid}),
    caseName);
// clang-format on

// Whatever is typed, a result is a number or nothing: never "nan" or "inf".
TEST(CapacitorPagesProperty, ExtremeInputsNeverWriteNonNumbers) {
  const std::vector<std::string> texts = {"0",           "-0",        "1E4000", "-1E4000",
                                          "1E-4000",     "1E308",     "1E-308", "2147483647",
                                          "-2147483648", "$7FFFFFFF", ",",      "1E4931"};
  for (const auto& [calc, defaults] : kDefaults) {
    for ([[maybe_unused]] const auto& [field, text] : defaults) {
      for (const std::string& t : texts) {
        Case c{"p", calc, {{field, t}}, {}, ""};
        Outcome o = run(c);
        for (const std::string& r : kResults.at(calc)) {
          const std::string v = o.fields.text(r);
          EXPECT_EQ(v.find("nan"), std::string::npos) << field << "=" << t << " " << r;
          EXPECT_EQ(v.find("inf"), std::string::npos) << field << "=" << t << " " << r;
        }
      }
    }
  }
}

// The code's tolerance follows its run: a matching letter replaces it, others keep it.
TEST(CapacitorCode, ToleranceOutlivesRuns) {
  CapacitorCodeState state;
  FieldMap f{{"Edit3", "47"}, {"ComboBox1", "3"}, {"ComboBox2", "K"}};
  condonorm(f, state);
  EXPECT_EQ(f.text("lb_tolerance"), "+/- 10%");
  f["ComboBox2"] = "k";
  f["ComboBox1"] = "9";
  condonorm(f, state);
  EXPECT_EQ(f.text("lb_pF"), "4,7");
  EXPECT_EQ(f.text("lb_tolerance"), "+/- 10%");
  f["ComboBox2"] = "G";
  condonorm(f, state);
  EXPECT_EQ(state.tolerance, "+/- 2 pF");
}

}  // namespace
}  // namespace valvora

#include "core/atelier/discharge.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/numtext.h"
#include "tests/core/fieldmap.h"

namespace valvora::atelier {
namespace {

using testing::FieldMap;
using Texts = std::map<std::string, std::string>;

const Texts kDefaults = {{"edDeC", "47"},  {"edDeV0", "450"},   {"edDeVs", "60"},
                         {"edDeR", "220"}, {"edDeTwant", "10"}, {"edOtZp", "6600"},
                         {"cbOtTap", "8"}, {"cbOtLoad", "8"}};
const char* const kResults[] = {"edDeTau",   "edDeTime", "edDeI",      "edDeP",   "edDePr",
                                "edDeRcalc", "edDeRe12", "edDePe12",   "edDePr2", "edOtRatio",
                                "edOtZa",    "edOtMis",  "lbOtVerdict"};

struct Case {
  const char* name;
  void (*run)(Fields&);
  Texts typed;    // over the defaults
  Texts written;  // every other result keeps "old"
  std::string message;
};
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

FieldMap run(const Case& c, std::string& message) {
  FieldMap f;
  for (const char* r : kResults) f[r] = "old";
  for (const auto& [k, v] : kDefaults) f[k] = v;
  for (const auto& [k, v] : c.typed) f[k] = v;
  try {
    c.run(f);
  } catch (const CalcError& e) {
    message = e.message();
  }
  return f;
}

class Calculators : public ::testing::TestWithParam<Case> {};

TEST_P(Calculators, WriteTheirTextsOrFail) {
  const Case& c = GetParam();
  std::string message;
  FieldMap f = run(c, message);
  EXPECT_EQ(message, c.message);
  for (const char* r : kResults) {
    auto it = c.written.find(r);
    EXPECT_EQ(f.text(r), it == c.written.end() ? "old" : it->second) << r;
  }
}

const Texts kMatched8 = {{"edOtRatio", "28,72"}, {"edOtZa", "6600"}, {"edOtMis", "1,00"}};
Texts verdict(Texts t, std::string_view v) {
  t["lbOtVerdict"] = std::string(v);
  return t;
}

const Case kCases[] = {
    {"WorkedDischarge",
     Discharge,
     {},
     {{"edDeTau", "10,3"},
      {"edDeTime", "20,8"},
      {"edDeI", "2,05"},
      {"edDeP", "0,92"},
      {"edDePr", "2"}},
     ""},
    {"WorkedBleeder",
     BleederFor,
     {},
     {{"edDeRcalc", "105,6"}, {"edDeRe12", "100"}, {"edDePe12", "2,02"}, {"edDePr2", "5"}},
     ""},
    // Exactly twice the dissipation is enough; above 10 W no rating is offered.
    {"RatingAtTwice",
     Discharge,
     {{"edDeV0", "50"}, {"edDeVs", "10"}, {"edDeR", "20"}},
     {{"edDeTau", "0,9"},
      {"edDeTime", "1,5"},
      {"edDeI", "2,50"},
      {"edDeP", "0,13"},
      {"edDePr", "0,25"}},
     ""},
    {"RatingAboveTen",
     Discharge,
     {{"edDeR", "10"}},
     {{"edDeTau", "0,5"},
      {"edDeTime", "0,9"},
      {"edDeI", "45,00"},
      {"edDeP", "20,25"},
      {"edDePr", "plus de 10"}},
     ""},
    // The E12 value one decade down, below 1 kΩ.
    {"BleederBelowOneKilohm",
     BleederFor,
     {{"edDeTwant", "0,09"}},
     {{"edDeRcalc", "1,0"},
      {"edDeRe12", "0,82"},
      {"edDePe12", "246,95"},
      {"edDePr2", "plus de 10"}},
     ""},
    {"NoCapacitance", Discharge, {{"edDeC", "0"}}, {}, "Capacité : entre 0,001 et 100 000 µF."},
    {"HugeCapacitance",
     Discharge,
     {{"edDeC", "1E300"}},
     {},
     "Capacité : entre 0,001 et 100 000 µF."},
    {"NoBleeder", Discharge, {{"edDeR", "0"}}, {}, std::string(msg::kResistance)},
    {"NegativeBleeder",
     Discharge,
     {{"edDeR", "-1"}},
     {},
     "Résistance de décharge : entre 0 et 10 000 000 kΩ."},
    {"PastedPoint",
     Discharge,
     {{"edDeC", "47.0"}},
     {{"edDeTau", "10,3"},
      {"edDeTime", "20,8"},
      {"edDeI", "2,05"},
      {"edDeP", "0,92"},
      {"edDePr", "2"}},
     ""},
    {"PastedLineBreak",
     Discharge,
     {{"edDeC", "47\n"}},
     {},
     "Capacité : le texte doit tenir sur une ligne."},
    {"TimeRoundingTheBleederAway",
     BleederFor,
     {{"edDeC", "100000"}, {"edDeTwant", "4,9E-324"}},
     {},
     std::string(msg::kBleederTooSmall)},
    {"HugeBankOfCapacitors",
     BleederFor,
     {{"edDeC", "1000000"}, {"edDeTwant", "4,9E-324"}},
     {},
     "Capacité : entre 0,001 et 100 000 µF."},
    {"OtHugePrimary",
     OtLoad,
     {{"edOtZp", "1E300"}},
     {},
     "Impédance primaire nominale : entre 0 et 100 000 Ω."},
    {"NoStartVoltage", Discharge, {{"edDeV0", "0"}}, {}, std::string(msg::kStartVoltage)},
    {"SafeEqualsStart", Discharge, {{"edDeVs", "450"}}, {}, std::string(msg::kSafeVoltage)},
    {"SafeZero", BleederFor, {{"edDeVs", "0"}}, {}, std::string(msg::kSafeVoltage)},
    {"NoWantedTime", BleederFor, {{"edDeTwant", "0"}}, {}, std::string(msg::kWantedTime)},
    {"BleederIgnoresR",
     BleederFor,
     {{"edDeR", "0"}},
     {{"edDeRcalc", "105,6"}, {"edDeRe12", "100"}, {"edDePe12", "2,02"}, {"edDePr2", "5"}},
     ""},
    {"Unreadable", Discharge, {{"edDeC", "4x7"}}, {}, "Capacité : '4x7' n'est pas un nombre."},
    {"EmptyNamesItsField",
     Discharge,
     {{"edDeV0", ""}},
     {},
     "Tension de départ : '' n'est pas un nombre."},

    {"OtDefaults", OtLoad, {}, verdict(kMatched8, msg::kMatched), ""},
    {"OtNoSpeaker",
     OtLoad,
     {{"cbOtLoad", "0"}},
     verdict({{"edOtRatio", "28,72"}, {"edOtZa", "infinie"}, {"edOtMis", "0,00"}}, msg::kNoLoad),
     ""},
    {"OtJustBelowHalf",
     OtLoad,
     {{"cbOtLoad", "3,99"}},
     verdict({{"edOtRatio", "28,72"}, {"edOtZa", "3292"}, {"edOtMis", "0,50"}}, msg::kFarTooLow),
     ""},
    {"OtHalf",
     OtLoad,
     {{"cbOtLoad", "4"}},
     verdict({{"edOtRatio", "28,72"}, {"edOtZa", "3300"}, {"edOtMis", "0,50"}}, msg::kLow),
     ""},
    {"OtJustBelow08",
     OtLoad,
     {{"cbOtLoad", "6,39"}},
     verdict({{"edOtRatio", "28,72"}, {"edOtZa", "5272"}, {"edOtMis", "0,80"}}, msg::kLow),
     ""},
    {"Ot08",
     OtLoad,
     {{"cbOtLoad", "6,4"}},
     verdict({{"edOtRatio", "28,72"}, {"edOtZa", "5280"}, {"edOtMis", "0,80"}}, msg::kMatched),
     ""},
    // 8 / 10 has no exact binary quotient: still exactly 0,8.
    {"Ot08Decimal",
     OtLoad,
     {{"cbOtTap", "10"}},
     verdict({{"edOtRatio", "25,69"}, {"edOtZa", "5280"}, {"edOtMis", "0,80"}}, msg::kMatched),
     ""},
    {"Ot125",
     OtLoad,
     {{"cbOtLoad", "10"}},
     verdict({{"edOtRatio", "28,72"}, {"edOtZa", "8250"}, {"edOtMis", "1,25"}}, msg::kMatched),
     ""},
    {"OtJustAbove125",
     OtLoad,
     {{"cbOtLoad", "10,01"}},
     verdict({{"edOtRatio", "28,72"}, {"edOtZa", "8258"}, {"edOtMis", "1,25"}}, msg::kHigh),
     ""},
    {"Ot2",
     OtLoad,
     {{"cbOtLoad", "16"}},
     verdict({{"edOtRatio", "28,72"}, {"edOtZa", "13200"}, {"edOtMis", "2,00"}}, msg::kHigh),
     ""},
    {"OtJustAbove2",
     OtLoad,
     {{"cbOtLoad", "16,01"}},
     verdict({{"edOtRatio", "28,72"}, {"edOtZa", "13208"}, {"edOtMis", "2,00"}}, msg::kFarTooHigh),
     ""},
    {"OtNoPrimary", OtLoad, {{"edOtZp", "0"}}, {}, std::string(msg::kPrimary)},
    {"OtNoTap", OtLoad, {{"cbOtTap", "0"}}, {}, std::string(msg::kTap)},
    {"OtNegativeLoad", OtLoad, {{"cbOtLoad", "-4"}}, {}, "Charge branchée : entre 0 et 64 Ω."},
};
INSTANTIATE_TEST_SUITE_P(Atelier, Calculators, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The bleeder offered never discharges slower than wanted: the discharge time the page
// shows for the E12 value is never above the wanted time shown the same way.
TEST(Bleeder, E12ValueNeverExceedsTheWantedTime) {
  int checked = 0;
  for (const char* c : {"1", "4,7", "22", "47", "100", "470", "2200"})
    for (const char* v0 : {"50", "300", "450", "720"})
      for (const char* vs : {"5", "42", "60"})
        for (const char* t : {"0,3", "1", "5", "10", "17", "60", "600"}) {
          if (readReal(vs) >= readReal(v0)) continue;
          FieldMap f;
          for (const auto& [k, v] : kDefaults) f[k] = v;
          f["edDeC"] = c;
          f["edDeV0"] = v0;
          f["edDeVs"] = vs;
          f["edDeTwant"] = t;
          BleederFor(f);
          f["edDeR"] = f.text("edDeRe12");
          Discharge(f);
          EXPECT_LE(readReal(f.text("edDeTime")), readReal(formatPattern("0.0", readReal(t))))
              << c << " µF " << v0 << " V " << vs << " V " << t << " s: " << f.text("edDeRe12");
          ++checked;
        }
  EXPECT_EQ(checked, 7 * (4 * 3 - 1) * 7);
}

}  // namespace
}  // namespace valvora::atelier

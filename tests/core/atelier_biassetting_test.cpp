#include "core/atelier/biassetting.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/bias.h"
#include "core/failure.h"
#include "core/numtext.h"
#include "tests/core/fieldmap.h"

namespace valvora::atelier {
namespace {

using testing::FieldMap;

FieldMap target(std::string pa, std::string va, std::string vk, std::string ig2,
                std::string percent) {
  return FieldMap{{"edAsPa", pa},   {"edAsVa", va},          {"edAsVk", vk},
                  {"edAsIg2", ig2}, {"cbAsTarget", percent}, {"edAsRp", "41"},
                  {"edAsRm", "5"},  {"edAsRk", "220"},       {"edAsN", "2"}};
}

struct TargetCase {
  const char* what;
  FieldMap fields;
  BiasMethod method;
  std::vector<std::pair<std::string, std::string>> expected;
};

TEST(BiasTarget, WorkedValues) {
  const std::vector<TargetCase> cases = {
      {"EL34 at 450 V, 70 %",
       target("25,00", "450", "0", "0", "70"),
       BiasMethod::OneOhm,
       {{"edAsP", "17,50"},
        {"edAsIa", "38,9"},
        {"edAsIk", "38,9"},
        {"edAsRead", "38,9"},
        {"lbAsUnit", "mV"}}},
      {"the 1 ohm reading carries the screen current",
       target("25", "450", "0", "3,5", "70"),
       BiasMethod::OneOhm,
       {{"edAsIa", "38,9"}, {"edAsIk", "42,4"}, {"edAsRead", "42,4"}}},
      {"a shunt reads low by Rm / (Rp + Rm)",
       target("25", "450", "0", "3,5", "70"),
       BiasMethod::Shunt,
       {{"edAsRead", "34,7"},
        {"lbAsUnit", "mA"},
        {"lbAsNote",
         "L'appareil court-circuite le demi-primaire et lit 10,9 % de moins que "
         "le courant d'anode réel."}}},
      {"drop along the half-primary",
       target("25", "450", "0", "3,5", "70"),
       BiasMethod::Drop,
       {{"edAsRead", "1,594"}, {"lbAsUnit", "V"}}},
      {"two EL84 on a shared cathode resistor: the typed Vk is not read",
       target("12", "334", "11,6", "0", "70"),
       BiasMethod::Shared,
       {{"edAsP", "8,40"},
        {"edAsIa", "26,0"},
        {"edAsIk", "26,0"},
        {"edAsRead", "11,46"},
        {"edAsVk", "11,46"},
        {"lbAsUnit", "V"}}},
      {"the cathode takes its share of Va: 470 ohms under two tubes",
       [] {
         FieldMap f = target("23", "420", "0", "0", "70");
         f["edAsRk"] = "470";
         return f;
       }(),
       BiasMethod::Shared,
       {{"edAsIa", "42,3"}, {"edAsRead", "39,81"}, {"edAsVk", "39,81"}}},
      {"the screen current flows through the shared resistor too",
       [] {
         FieldMap f = target("23", "420", "0", "5", "70");
         f["edAsRk"] = "470";
         return f;
       }(),
       BiasMethod::Shared,
       {{"edAsIa", "42,9"}, {"edAsIk", "47,9"}, {"edAsVk", "45,06"}}},
  };
  for (TargetCase c : cases) {
    BiasTarget(c.fields, c.method);
    for (const auto& [field, text] : c.expected) EXPECT_EQ(c.fields[field], text) << c.what;
  }
}

struct FailureCase {
  FieldMap fields;
  BiasMethod method;
  const char* message;
};

TEST(BiasTarget, FailuresWriteNothing) {
  auto with = [](FieldMap f, const std::string& field, const std::string& text) {
    f[field] = text;
    return f;
  };
  const FieldMap ok = target("25", "450", "0", "0", "70");
  const std::vector<FailureCase> cases = {
      {with(ok, "edAsPa", "0"), BiasMethod::OneOhm, "La dissipation maximale doit être positive."},
      {with(ok, "cbAsTarget", "0"), BiasMethod::OneOhm,
       "La cible doit être comprise entre 0 et 100 %."},
      {with(ok, "cbAsTarget", "100,5"), BiasMethod::OneOhm, "Cible : entre 0 et 100 % de Pa max."},
      {with(ok, "edAsVk", "450"), BiasMethod::OneOhm,
       "La tension d'anode doit dépasser la tension de cathode."},
      {with(ok, "edAsIg2", "-1"), BiasMethod::OneOhm, "Courant grille 2 : entre 0 et 100 mA."},
      {with(ok, "edAsRp", "0"), BiasMethod::Shunt,
       "La résistance du demi-primaire doit être positive."},
      {with(ok, "edAsRm", "-1"), BiasMethod::Shunt,
       "Résistance de l'appareil de mesure : entre 0 et 10 000 Ω."},
      {with(ok, "edAsRp", "-41"), BiasMethod::Drop,
       "Résistance du demi-primaire : entre 0 et 1000 Ω."},
      {with(ok, "edAsRk", "0"), BiasMethod::Shared, "La résistance de cathode doit être positive."},
      {with(ok, "edAsN", "9"), BiasMethod::Shared,
       "Le nombre de lampes doit être compris entre 1 et 8."},
      {with(ok, "edAsN", "0"), BiasMethod::Shared,
       "Le nombre de lampes doit être compris entre 1 et 8."},
      {with(ok, "edAsVa", "abc"), BiasMethod::OneOhm, "Tension anode : 'abc' n'est pas un nombre."},
      {with(ok, "edAsVa", "0"), BiasMethod::Shared, "La tension d'anode doit être positive."},
      {with(with(ok, "edAsVa", "200"), "edAsRk", "1000"), BiasMethod::Shared,
       "Cible impossible avec cette résistance de cathode : la tension d'anode ne suffit pas."},
      {with(ok, "edAsN", "1,5"), BiasMethod::Shared,
       "Le nombre de lampes doit être compris entre 1 et 8."},
  };
  for (FailureCase c : cases) {
    try {
      BiasTarget(c.fields, c.method);
      ADD_FAILURE() << "no failure for " << c.message;
    } catch (const CalcError& e) {
      EXPECT_EQ(e.message(), c.message);
    }
    for (const char* field : {"edAsP", "edAsIa", "edAsIk", "edAsRead"})
      EXPECT_TRUE(c.fields[field].empty()) << field << ": " << c.message;
  }
}

// The bias page, given the assistant's current as its 1 ohm reading, finds the target again.
TEST(BiasTarget, TheBiasPageReadsTheTargetBack) {
  std::mt19937 random(20261208);
  std::uniform_real_distribution<double> pa(5, 60), va(150, 700), vk(0, 40), ig2(0, 10),
      percent(30, 100);
  for (int i = 0; i < 2000; ++i) {
    const long double p = pa(random), a = va(random), k = vk(random), g = ig2(random),
                      t = percent(random);
    const long double ia = targetAnodeCurrent(p, t, a - k);
    FieldMap page;
    for (const std::string tube : {"6L6", "6V6", "EL34", "6L6gc", "EL84", "KT88"}) {
      page["ed" + tube + "anode"] = formatGeneral(a);
      page["ed" + tube + "cathode"] = formatGeneral(k);
      // The screen current as the page derives it: the drop over its 2200 ohms.
      page["ed" + tube + "grille2"] = "200";
      page["ed" + tube + "VC9"] = formatGeneral(200 + g * 2.2L);
      page["ed" + tube + "VborneR19"] = formatGeneral(ia + g);
    }
    BiasRecords records;
    for (TMesureLampe& tube : records.tubes) tube.PaMax = double(p);
    Bias(page, records);
    ASSERT_EQ(page["edEL34txbias"], formatPattern("0.0000", t)) << "Pa " << double(p);
  }
}

struct MatchCase {
  const char* what;
  std::array<const char*, 5> inputs;  // edAsM1 ... edAsM4, edAsTol
  std::array<const char*, 4> deviations;
  const char* mean;
  const char* spread;
  const char* verdict;
};

TEST(BiasMatch, Cases) {
  const std::vector<MatchCase> cases = {
      {"two tubes",
       {"40", "42", "", "", "5"},
       {"-2,4", "+2,4", "", ""},
       "41,00",
       "5,0",
       "Lampes appairées : écart de 5,0 % entre la plus forte et la plus faible (5 % admis)."},
      {"three tubes, a skipped middle field",
       {"30", "  ", "31", "29", "2,5"},
       {"+0,0", "", "+3,3", "-3,3"},
       "30,00",
       "6,9",
       "Hors tolérance : écart de 6,9 % entre la plus forte et la plus faible (2,5 % admis)."},
      {"four tubes, two outside",
       {"40", "40", "44", "36", "5"},
       {"+0,0", "+0,0", "+10,0", "-10,0"},
       "40,00",
       "22,2",
       "Hors tolérance : écart de 22,2 % entre la plus forte et la plus faible (5 % admis)."},
      {"each tube within 5 % of the mean, the gap twice that",
       {"105", "95", "", "", "5"},
       {"+5,0", "-5,0", "", ""},
       "100,00",
       "10,5",
       "Hors tolérance : écart de 10,5 % entre la plus forte et la plus faible (5 % admis)."},
      {"a gap of 7 % that the mean hides",
       {"38,5", "41,2", "", "", "5"},
       {"-3,4", "+3,4", "", ""},
       "39,85",
       "7,0",
       "Hors tolérance : écart de 7,0 % entre la plus forte et la plus faible (5 % admis)."},
      {"the gap as shown is judged: 5,04 % reads 5,0",
       {"100", "105,04", "", "", "5"},
       {"-2,5", "+2,5", "", ""},
       "102,52",
       "5,0",
       "Lampes appairées : écart de 5,0 % entre la plus forte et la plus faible (5 % admis)."},
      {"a tolerance in the general form",
       {"10", "10,1", "", "", "0,5"},
       {"-0,5", "+0,5", "", ""},
       "10,05",
       "1,0",
       "Hors tolérance : écart de 1,0 % entre la plus forte et la plus faible (0,5 % admis)."},
  };
  for (const MatchCase& c : cases) {
    FieldMap f{{"edAsM1", c.inputs[0]}, {"edAsM2", c.inputs[1]},  {"edAsM3", c.inputs[2]},
               {"edAsM4", c.inputs[3]}, {"edAsTol", c.inputs[4]}, {"edAsD2", "old"}};
    BiasMatch(f);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(f["edAsD" + std::to_string(i + 1)], c.deviations[i]) << c.what;
    EXPECT_EQ(f["edAsMean"], c.mean) << c.what;
    EXPECT_EQ(f["edAsSpread"], c.spread) << c.what;
    EXPECT_EQ(f["lbAsVerdict"], c.verdict) << c.what;
  }
}

TEST(BiasMatch, Messages) {
  const std::vector<std::pair<std::array<const char*, 5>, const char*>> cases = {
      {{"40", "0", "", "", "5"}, "La mesure de la lampe 2 doit être positive."},
      {{"40", "", "", "-3", "5"}, "Lampe 4 : entre 0 et 10 000."},
      {{"40", "", " ", "", "5"}, "Entrez au moins deux mesures."},
      {{"", "", "", "", "5"}, "Entrez au moins deux mesures."},
      {{"40", "41", "", "", "0"}, "La tolérance doit être positive."},
      {{"40", "4x", "", "", "5"}, "Lampe 2 : '4x' n'est pas un nombre."},
      {{"40", "41", "", "", "1E300"}, "Tolérance : entre 0 et 100 %."},
  };
  for (const auto& [inputs, message] : cases) {
    FieldMap f{{"edAsM1", inputs[0]},
               {"edAsM2", inputs[1]},
               {"edAsM3", inputs[2]},
               {"edAsM4", inputs[3]},
               {"edAsTol", inputs[4]}};
    try {
      BiasMatch(f);
      ADD_FAILURE() << "no failure for " << message;
    } catch (const CalcError& e) {
      EXPECT_EQ(e.message(), message);
    }
    for (const char* field : {"edAsMean", "edAsD1", "edAsSpread", "lbAsVerdict"})
      EXPECT_TRUE(f[field].empty()) << field << ": " << message;
  }
}

TEST(BiasTarget, DataSheetLimitAsTheFileHoldsIt) {
  const ProfileReader read = [](std::string_view section, std::string_view key) {
    return section == "KT88DataSheet" && key == "Pa" ? std::string("35") : std::string("1,5");
  };
  EXPECT_EQ(dataSheetAnodeLimit(read, "KT88"), "35,00");
  EXPECT_EQ(dataSheetAnodeLimit(read, "6L6GC"), "1,50");
  EXPECT_EQ(dataSheetAnodeLimit(read, "Autre"), "");
  const ProfileReader corrupt = [](std::string_view, std::string_view) {
    return std::string("abc");
  };
  try {
    dataSheetAnodeLimit(corrupt, "EL34");
    ADD_FAILURE() << "a corrupt Pa passed";
  } catch (const CalcError& e) {
    EXPECT_EQ(e.message(), "Pa de la EL34 : 'abc' n'est pas un nombre.");
  }
}

}  // namespace
}  // namespace valvora::atelier

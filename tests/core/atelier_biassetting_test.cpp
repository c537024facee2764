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
      {"two EL84 on a shared cathode resistor",
       target("12", "334", "11,6", "0", "70"),
       BiasMethod::Shared,
       {{"edAsP", "8,40"},
        {"edAsIa", "26,1"},
        {"edAsIk", "26,1"},
        {"edAsRead", "11,46"},
        {"lbAsUnit", "V"}}},
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
  std::vector<std::string> written;  // results written before the failure
};

TEST(BiasTarget, FailuresStopAtTheirStep) {
  auto with = [](FieldMap f, const std::string& field, const std::string& text) {
    f[field] = text;
    return f;
  };
  const FieldMap ok = target("25", "450", "0", "0", "70");
  const std::vector<FailureCase> cases = {
      {with(ok, "edAsPa", "0"),
       BiasMethod::OneOhm,
       "La dissipation maximale doit être positive.",
       {}},
      {with(ok, "cbAsTarget", "0"),
       BiasMethod::OneOhm,
       "La cible doit être comprise entre 0 et 100 %.",
       {}},
      {with(ok, "cbAsTarget", "100,5"),
       BiasMethod::OneOhm,
       "La cible doit être comprise entre 0 et 100 %.",
       {}},
      {with(ok, "edAsVk", "450"),
       BiasMethod::OneOhm,
       "La tension d'anode doit dépasser la tension de cathode.",
       {}},
      {with(ok, "edAsIg2", "-1"),
       BiasMethod::OneOhm,
       "Le courant de grille 2 ne peut pas être négatif.",
       {}},
      {with(ok, "edAsRp", "0"),
       BiasMethod::Shunt,
       "La résistance du demi-primaire doit être positive.",
       {"edAsP", "edAsIa", "edAsIk"}},
      {with(ok, "edAsRm", "-1"),
       BiasMethod::Shunt,
       "La résistance de l'appareil ne peut pas être négative.",
       {"edAsIk"}},
      {with(ok, "edAsRp", "-41"),
       BiasMethod::Drop,
       "La résistance du demi-primaire doit être positive.",
       {"edAsIk"}},
      {with(ok, "edAsRk", "0"),
       BiasMethod::Shared,
       "La résistance de cathode doit être positive.",
       {"edAsIk"}},
      {with(ok, "edAsN", "9"),
       BiasMethod::Shared,
       "Le nombre de lampes doit être compris entre 1 et 8.",
       {"edAsIk"}},
      {with(ok, "edAsN", "0"),
       BiasMethod::Shared,
       "Le nombre de lampes doit être compris entre 1 et 8.",
       {"edAsIk"}},
      {with(ok, "edAsVa", "abc"),
       BiasMethod::OneOhm,
       "'abc' n'est pas une valeur en virgule flottante correcte",
       {}},
  };
  for (FailureCase c : cases) {
    try {
      BiasTarget(c.fields, c.method);
      ADD_FAILURE() << "no failure for " << c.message;
    } catch (const CalcError& e) {
      EXPECT_EQ(e.message(), c.message);
    }
    for (const std::string& field : c.written) EXPECT_FALSE(c.fields[field].empty()) << field;
    EXPECT_TRUE(c.fields["edAsRead"].empty()) << c.message;
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
       "Lampes appairées : toutes à moins de 5 % de la moyenne."},
      {"three tubes, a skipped middle field",
       {"30", "  ", "31", "29", "2,5"},
       {"+0,0", "", "+3,3", "-3,3"},
       "30,00",
       "6,9",
       "Hors tolérance : lampe 3 (+3,3 %), lampe 4 (-3,3 %)."},
      {"four tubes, two outside",
       {"40", "40", "44", "36", "5"},
       {"+0,0", "+0,0", "+10,0", "-10,0"},
       "40,00",
       "22,2",
       "Hors tolérance : lampe 3 (+10,0 %), lampe 4 (-10,0 %)."},
      {"exactly at the tolerance is within it",
       {"105", "95", "", "", "5"},
       {"+5,0", "-5,0", "", ""},
       "100,00",
       "10,5",
       "Lampes appairées : toutes à moins de 5 % de la moyenne."},
      {"a tolerance in the general form",
       {"10", "10,1", "", "", "0,5"},
       {"-0,5", "+0,5", "", ""},
       "10,05",
       "1,0",
       "Lampes appairées : toutes à moins de 0,5 % de la moyenne."},
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
      {{"40", "", "", "-3", "5"}, "La mesure de la lampe 4 doit être positive."},
      {{"40", "", " ", "", "5"}, "Entrez au moins deux mesures."},
      {{"", "", "", "", "5"}, "Entrez au moins deux mesures."},
      {{"40", "41", "", "", "0"}, "La tolérance doit être positive."},
      {{"40", "4x", "", "", "5"}, "'4x' n'est pas une valeur en virgule flottante correcte"},
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
    EXPECT_TRUE(f["edAsMean"].empty()) << message;
  }
}

TEST(BiasTarget, DataSheetLimitAsTheFileHoldsIt) {
  const ProfileReader read = [](std::string_view section, std::string_view key) {
    return section == "KT88DataSheet" && key == "Pa" ? std::string("35") : std::string("1,5");
  };
  EXPECT_EQ(dataSheetAnodeLimit(read, "KT88"), "35,00");
  EXPECT_EQ(dataSheetAnodeLimit(read, "6L6GC"), "1,50");
  EXPECT_EQ(dataSheetAnodeLimit(read, "Autre"), "");
}

}  // namespace
}  // namespace valvora::atelier

#include "core/bias.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "tests/core/fieldmap.h"

namespace valvora {
namespace {

using testing::FieldMap;

const std::vector<std::string> kPrefixes = {"6L6", "6V6", "EL34", "6L6gc", "EL84", "KT88"};
const std::vector<std::string> kInputs = {"anode", "cathode", "grille2", "VC9", "VborneR19"};
const std::vector<std::string> kResults = {"ResCatR20", "Imp", "disanode", "disgrille", "txbias"};

std::string name(const std::string& prefix, const std::string& row) {
  return "ed" + prefix + row;
}

// The page's default texts, and "old" in every result field to see which ones a run wrote.
FieldMap page() {
  const std::map<std::string, std::vector<std::string>> defaults = {
      {"6L6", {"235", "11,5", "233", "242", "70"}},
      {"6V6", {"252", "11,8", "243", "255", "52"}},
      {"EL34", {"236", "11,66", "226", "242", "69,1"}},
      {"6L6gc", {"248", "11,94", "244", "261", "99"}},
      {"EL84", {"286", "10,67", "282", "290", "45"}},
      {"KT88", {"286", "10,67", "282", "290", "45"}},
  };
  FieldMap f;
  for (const auto& [prefix, texts] : defaults) {
    for (size_t i = 0; i < kInputs.size(); ++i) f[name(prefix, kInputs[i])] = texts[i];
    for (const std::string& r : kResults) f[name(prefix, r)] = "old";
  }
  return f;
}

BiasRecords withLimits() {
  BiasRecords r;
  for (TMesureLampe& t : r.tubes) t.PaMax = 25;
  return r;
}

TEST(Bias, DefaultTextsGiveTheTableFigures) {
  FieldMap f = page();
  BiasRecords r = withLimits();
  Bias(f, r);
  const std::map<std::string, std::vector<std::string>> expected = {
      {"6L6", {"164", "3,3571", "14,7307", "0,9061"}},
      {"6V6", {"227", "4,8462", "11,1802", "1,2611"}},
      {"EL34", {"169", "3,4153", "13,8703", "1,5588"}},
      {"6L6gc", {"121", "2,5051", "21,5458", "1,7932"}},
      // 11,38865 exactly in decimals: the stored currents put the double just below it.
      {"EL84", {"237", "6,3556", "11,3886", "0,9867"}},
      {"KT88", {"237", "6,3556", "11,3886", "0,9867"}},
  };
  for (const auto& [prefix, texts] : expected)
    for (size_t i = 0; i < texts.size(); ++i)
      EXPECT_EQ(f[name(prefix, kResults[i])], texts[i]) << prefix << " " << kResults[i];
  EXPECT_EQ(f["edEL34txbias"], "55,4813");
  // The records hold the stored figures that the texts were formatted from.
  EXPECT_EQ(r[Tube::EL34].VborneR19, 69.1);
  EXPECT_EQ(r[Tube::EL34].txbias, r[Tube::EL34].disanode / 25 * 100);
}

TEST(Bias, EachColumnUsesItsOwnFieldsAndLimit) {
  FieldMap f = page();
  f["ed6L6gcanode"] = "400";
  BiasRecords r = withLimits();
  r[Tube::T6L6GC].PaMax = 50;
  Bias(f, r);
  EXPECT_EQ(f["ed6L6anode"], "235");
  EXPECT_EQ(f["ed6L6disanode"], "14,7307");
  EXPECT_EQ(r[Tube::T6L6GC].anode, 400);
  EXPECT_EQ(f["ed6L6gcImp"], "4,0404");
  EXPECT_EQ(f["ed6L6gctxbias"], "70,8386");  // 388,06 V x 91,27 mA against 50 W
}

TEST(Bias, HalfOhmCathodeResistorRoundsAwayFromZero) {
  FieldMap f = page();
  f["ed6L6cathode"] = "329";
  f["ed6L6VborneR19"] = "2000";
  BiasRecords r = withLimits();
  Bias(f, r);
  EXPECT_EQ(r[Tube::T6L6].ResCatR20, 164.5);
  EXPECT_EQ(f["ed6L6ResCatR20"], "165");
}

struct Failure {
  const char* what;
  std::vector<std::pair<std::string, std::string>> typed;
  Tube zeroLimit;
  bool zeroLimitSet;
  std::string message;
  // Result fields written, per column in computing order: how many of the five.
  std::vector<std::pair<std::string, int>> written;
};

class BiasFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(BiasFailure, StopsAtTheFailingStep) {
  const Failure& c = GetParam();
  FieldMap f = page();
  for (const auto& [field, text] : c.typed) f[field] = text;
  BiasRecords r = withLimits();
  if (c.zeroLimitSet) r[c.zeroLimit].PaMax = 0;
  try {
    Bias(f, r);
    FAIL() << "no failure";
  } catch (const CalcError& e) {
    EXPECT_EQ(e.what(), c.message);
  }
  std::map<std::string, int> written(c.written.begin(), c.written.end());
  for (const std::string& prefix : kPrefixes)
    for (size_t i = 0; i < kResults.size(); ++i) {
      const bool changed = f[name(prefix, kResults[i])] != "old";
      EXPECT_EQ(changed, int(i) < written[prefix]) << prefix << kResults[i];
    }
}

const std::vector<std::pair<std::string, int>> kFiveColumnsDone = {
    {"6L6", 5}, {"6V6", 5}, {"EL34", 5}, {"EL84", 5}, {"KT88", 5}};

INSTANTIATE_TEST_SUITE_P(
    Bias, BiasFailure,
    ::testing::Values(Failure{"EmptyAnode6V6",
                              {{"ed6V6anode", ""}},
                              Tube::T6L6,
                              false,
                              "'' n'est pas une valeur en virgule flottante correcte",
                              {{"6L6", 5}}},
                      Failure{"FullStop6L6GC",
                              {{"ed6L6gccathode", "11.94"}},
                              Tube::T6L6,
                              false,
                              "'11.94' n'est pas une valeur en virgule flottante correcte",
                              kFiveColumnsDone},
                      Failure{"ZeroR4EL34",
                              {{"edEL34VborneR19", "0"}},
                              Tube::T6L6,
                              false,
                              "Division par zéro en virgule flottante",
                              {{"6L6", 5}, {"6V6", 5}}},
                      Failure{"ZeroR4AndCathode",
                              {{"ed6L6VborneR19", "0"}, {"ed6L6cathode", "0"}},
                              Tube::T6L6,
                              false,
                              "Opération en virgule flottante incorrecte",
                              {}},
                      Failure{"ZeroLimitEL84",
                              {},
                              Tube::EL84,
                              true,
                              "Division par zéro en virgule flottante",
                              {{"6L6", 5}, {"6V6", 5}, {"EL34", 5}, {"EL84", 4}}},
                      Failure{"Overflow6V6",
                              {{"ed6V6cathode", "1E306"}, {"ed6V6VborneR19", "1"}},
                              Tube::T6L6,
                              false,
                              "Débordement en virgule flottante",
                              {{"6L6", 5}}}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.what); });

// A settings file as a map; a missing key reads as the empty text.
ProfileReader reader(std::map<std::string, std::string> values) {
  return [values = std::move(values)](std::string_view section, std::string_view key) {
    auto it = values.find(std::string(section) + "/" + std::string(key));
    return it == values.end() ? std::string() : it->second;
  };
}

std::map<std::string, std::string> shipped() {
  return {
      {"6L6DataSheet/Pa", "19"},     {"6L6DataSheet/Pg2", "2,50"},  {"6V6DataSheet/Pa", "12"},
      {"6V6DataSheet/Pg2", "2,20"},  {"EL34DataSheet/Pa", "25"},    {"EL34DataSheet/Pg2", "8,00"},
      {"EL84DataSheet/Pa", "12"},    {"EL84DataSheet/Pg2", "2,00"}, {"KT88DataSheet/Pa", "35"},
      {"KT88DataSheet/Pg2", "6,00"}, {"6L6GCDataSheet/Pa", "30,5"}, {"6L6GCDataSheet/Pg2", "5,00"}};
}

struct LimitCase {
  const char* what;
  std::map<std::string, std::string> changes;  // an empty value removes the key
  std::string message;                         // empty: no failure
  std::vector<double> paMax;                   // 6L6, 6V6, EL34, 6L6GC, EL84, KT88
};

class DataSheetLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(DataSheetLimits, SetsThePaMaxOfTheTubesReadBeforeAFailure) {
  const LimitCase& c = GetParam();
  std::map<std::string, std::string> file = shipped();
  for (const auto& [key, value] : c.changes)
    if (value.empty())
      file.erase(key);
    else
      file[key] = value;
  BiasRecords r;
  std::string message;
  try {
    DataSheetLoadIni(reader(file), r);
  } catch (const CalcError& e) {
    message = e.what();
  }
  EXPECT_EQ(message, c.message);
  for (size_t i = 0; i < r.tubes.size(); ++i) EXPECT_EQ(r.tubes[i].PaMax, c.paMax[i]) << i;
}

const std::string kEmptyText = "'' n'est pas une valeur en virgule flottante correcte";

INSTANTIATE_TEST_SUITE_P(
    Bias, DataSheetLimits,
    ::testing::Values(
        LimitCase{"Shipped", {}, "", {19, 12, 25, 30.5, 12, 35}},
        LimitCase{"MissingFirstKey", {{"6L6DataSheet/Pa", ""}}, kEmptyText, {0, 0, 0, 0, 0, 0}},
        LimitCase{"DecimalPoint",
                  {{"EL34DataSheet/Pa", "8.00"}},
                  "'8.00' n'est pas une valeur en virgule flottante correcte",
                  {19, 12, 0, 0, 0, 0}},
        // A missing key does not take the value read before it.
        LimitCase{"MissingPg2", {{"EL84DataSheet/Pg2", ""}}, kEmptyText, {19, 12, 25, 0, 12, 0}},
        LimitCase{"ZeroConverts", {{"KT88DataSheet/Pa", "0"}}, "", {19, 12, 25, 30.5, 12, 0}}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace valvora

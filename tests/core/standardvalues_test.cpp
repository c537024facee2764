#include "core/atelier/standardvalues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <string>
#include <vector>

#include "tests/core/fieldmap.h"

namespace valvora::atelier {
namespace {

using testing::FieldMap;

std::vector<int> list(ESeries s) {
  const std::span<const int> m = mantissas(s);
  return {m.begin(), m.end()};
}

// The tables as IEC 60063 prints them (mantissas x 100).
const std::vector<int> kPrintedE96 = {
    100, 102, 105, 107, 110, 113, 115, 118, 121, 124, 127, 130, 133, 137, 140, 143,
    147, 150, 154, 158, 162, 165, 169, 174, 178, 182, 187, 191, 196, 200, 205, 210,
    215, 221, 226, 232, 237, 243, 249, 255, 261, 267, 274, 280, 287, 294, 301, 309,
    316, 324, 332, 340, 348, 357, 365, 374, 383, 392, 402, 412, 422, 432, 442, 453,
    464, 475, 487, 499, 511, 523, 536, 549, 562, 576, 590, 604, 619, 634, 649, 665,
    681, 698, 715, 732, 750, 768, 787, 806, 825, 845, 866, 887, 909, 931, 953, 976};
const std::vector<int> kPrintedE48 = {100, 105, 110, 115, 121, 127, 133, 140, 147, 154, 162, 169,
                                      178, 187, 196, 205, 215, 226, 237, 249, 261, 274, 287, 301,
                                      316, 332, 348, 365, 383, 402, 422, 442, 464, 487, 511, 536,
                                      562, 590, 619, 649, 681, 715, 750, 787, 825, 866, 909, 953};
const std::vector<int> kPrintedE192 = {
    100, 101, 102, 104, 105, 106, 107, 109, 110, 111, 113, 114, 115, 117, 118, 120, 121, 123,
    124, 126, 127, 129, 130, 132, 133, 135, 137, 138, 140, 142, 143, 145, 147, 149, 150, 152,
    154, 156, 158, 160, 162, 164, 165, 167, 169, 172, 174, 176, 178, 180, 182, 184, 187, 189,
    191, 193, 196, 198, 200, 203, 205, 208, 210, 213, 215, 218, 221, 223, 226, 229, 232, 234,
    237, 240, 243, 246, 249, 252, 255, 258, 261, 264, 267, 271, 274, 277, 280, 284, 287, 291,
    294, 298, 301, 305, 309, 312, 316, 320, 324, 328, 332, 336, 340, 344, 348, 352, 357, 361,
    365, 370, 374, 379, 383, 388, 392, 397, 402, 407, 412, 417, 422, 427, 432, 437, 442, 448,
    453, 459, 464, 470, 475, 481, 487, 493, 499, 505, 511, 517, 523, 530, 536, 542, 549, 556,
    562, 569, 576, 583, 590, 597, 604, 612, 619, 626, 634, 642, 649, 657, 665, 673, 681, 690,
    698, 706, 715, 723, 732, 741, 750, 759, 768, 777, 787, 796, 806, 816, 825, 835, 845, 856,
    866, 876, 887, 898, 909, 920, 931, 942, 953, 965, 976, 988};

TEST(Series, AgreeWithThePrintedTables) {
  EXPECT_EQ(list(ESeries::E192), kPrintedE192);
  EXPECT_EQ(list(ESeries::E96), kPrintedE96);
  EXPECT_EQ(list(ESeries::E48), kPrintedE48);
  EXPECT_EQ(list(ESeries::E24),
            (std::vector<int>{100, 110, 120, 130, 150, 160, 180, 200, 220, 240, 270, 300,
                              330, 360, 390, 430, 470, 510, 560, 620, 680, 750, 820, 910}));
  EXPECT_EQ(list(ESeries::E12),
            (std::vector<int>{100, 120, 150, 180, 220, 270, 330, 390, 470, 560, 680, 820}));
  EXPECT_EQ(list(ESeries::E6), (std::vector<int>{100, 150, 220, 330, 470, 680}));
}

struct NearCase {
  const char* value;
  const char* series;
  const char* low;  // or the message
  const char* high = "";
  const char* near = "";
  const char* err = "";
};
void PrintTo(const NearCase& c, std::ostream* os) {
  *os << c.value << " " << c.series;
}

class Nearest : public ::testing::TestWithParam<NearCase> {};

TEST_P(Nearest, WritesTheNeighboursOrFails) {
  const NearCase& c = GetParam();
  FieldMap f{{"edEsValue", c.value}, {"cbEsSeries", c.series}};
  for (const char* r : {"edEsLow", "edEsHigh", "edEsNear", "edEsErr"}) f[r] = "old";
  try {
    NearestStandard(f);
  } catch (const CalcError& e) {
    EXPECT_EQ(e.message(), c.low);
    EXPECT_EQ(f.text("edEsLow"), "old");
    return;
  }
  EXPECT_EQ(f.text("edEsLow"), c.low);
  EXPECT_EQ(f.text("edEsHigh"), c.high);
  EXPECT_EQ(f.text("edEsNear"), c.near);
  EXPECT_EQ(f.text("edEsErr"), c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Nearest,
    ::testing::Values(
        // Exact members, however their decimal has no binary form.
        NearCase{"4700", "E24", "4700", "4700", "4700", "+0,00"},
        NearCase{"0,47", "E24", "0,47", "0,47", "0,47", "+0,00"},
        NearCase{"68000", "E6", "68000", "68000", "68000", "+0,00"},
        NearCase{"3E9", "E24", "3000000000", "3000000000", "3000000000", "+0,00"},
        NearCase{"9,2", "E192", "9,2", "9,2", "9,2", "+0,00"},
        NearCase{"7,5", "E48", "7,5", "7,5", "7,5", "+0,00"},
        NearCase{"4321", "E24", "4300", "4700", "4300", "-0,49"},
        NearCase{"4321", "E96", "4320", "4420", "4320", "-0,02"},
        // Either side of the geometric mean of 4700 and 5100 (4895,9167...).
        NearCase{"4895,91", "E24", "4700", "5100", "4700", "-4,00"},
        NearCase{"4895,92", "E24", "4700", "5100", "5100", "+4,17"},
        // Across the top of a decade; 9,19 is no E192 member (9,20 is).
        NearCase{"9,5", "E24", "9,1", "10", "9,1", "-4,21"},
        NearCase{"9,19", "E192", "9,09", "9,2", "9,2", "+0,11"},
        // Below 1 Ω, above 1 MΩ, and up to the largest value accepted.
        NearCase{"0,05", "E12", "0,047", "0,056", "0,047", "-6,00"},
        NearCase{"0,0001234", "E192", "0,000123", "0,000124", "0,000123", "-0,32"},
        NearCase{"1,234E-7", "E96", "1,21E-7", "1,24E-7", "1,24E-7", "+0,49"},
        NearCase{"2500000", "E6", "2200000", "3300000", "2200000", "-12,00"},
        NearCase{"9,99E14", "E24", "910000000000000", "1E15", "1E15", "+0,10"},
        NearCase{"999999999999999", "E48", "953000000000000", "1E15", "1E15", "+0,00"},
        NearCase{"0", "E24", "La valeur doit être positive."},
        NearCase{"-4700", "E24", "Valeur : entre 0 et 1E15 Ω."},
        NearCase{"1E15", "E24", "Valeur trop grande."},
        NearCase{"4k7", "E24", "Valeur : '4k7' n'est pas un nombre."}));

// No member of a series is below zero or below a value the search cannot hold: refused,
// never a read before the table.
TEST(Series, RefuseValuesWithoutAMember) {
  const double kValues[] = {0, -1, 4.9e-324, std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
  for (const double v : kValues)
    for (const ESeries s : {ESeries::E6, ESeries::E12, ESeries::E192}) {
      SCOPED_TRACE(v);
      if (v > 0 && std::isfinite(v)) {
        EXPECT_NO_THROW(standardBelow(s, v));
        continue;
      }
      EXPECT_THROW(standardBelow(s, v), CalcError);
      EXPECT_THROW(standardAbove(s, v), CalcError);
    }
}

// ---- Colour code ----

struct Texts {
  std::string value, range, tc, series;
};
struct CodeCase {
  BandCode code;
  Texts texts;
};

TEST(ColourCode, BandsToTexts) {
  const CodeCase cases[] = {
      {{}, {"4700", "entre 4653 Ω et 4747 Ω", "", "E6"}},
      {{{4, 7, 0}, 3, 0, 1, true}, {"4700", "entre 4653 Ω et 4747 Ω", "100 ppm/K", "E6"}},
      {{{1, 0, 0}, 0, 8, 8, true}, {"1", "entre 0,95 Ω et 1,05 Ω", "1 ppm/K", "E6"}},
      {{{1, 2, 0}, 4, 0, 0, false}, {"12000", "entre 11880 Ω et 12120 Ω", "", "E12"}},
      {{{1, 3, 0}, 4, 0, 0, false}, {"13000", "entre 12870 Ω et 13130 Ω", "", "E24"}},
      {{{4, 6, 4}, 5, 6, 0, false}, {"464000", "entre 463536 Ω et 464464 Ω", "", "E48"}},
      {{{4, 3, 2}, 4, 2, 0, false}, {"43200", "entre 43178,4 Ω et 43221,6 Ω", "", "E96"}},
      {{{1, 0, 1}, 1, 7, 0, true}, {"10,1", "entre 10,09899 Ω et 10,10101 Ω", "250 ppm/K", "E192"}},
      {{{4, 3, 1}, 2, 1, 0, false}, {"431", "entre 422,38 Ω et 439,62 Ω", "", "aucune"}},
      {{{0, 4, 7}, 2, 9, 0, false}, {"47", "entre 42,3 Ω et 51,7 Ω", "", "E6"}},
      {{{0, 0, 0}, 6, 0, 0, false}, {"0", "entre 0 Ω et 0 Ω", "", "aucune"}},
      {{{9, 9, 9}, 11, 9, 0, false},
       {"999000000000", "entre 899100000000 Ω et 1098900000000 Ω", "", "aucune"}},
  };
  for (const CodeCase& c : cases) {
    FieldMap f;
    ColourCode(f, c.code);
    EXPECT_EQ(f.text("edCcValue"), c.texts.value);
    EXPECT_EQ(f.text("lbCcRange"), "Résistance comprise " + c.texts.range);
    EXPECT_EQ(f.text("lbCcTc"), c.texts.tc);
    EXPECT_EQ(f.text("lbCcSeries"), "Série : " + c.texts.series);
  }
}

TEST(ColourCode, ValueToBands) {
  struct Case {
    const char* typed;
    std::array<int, 3> digits;
    int multiplier;                 // -1: the message
    const char* message = nullptr;  // the colour code's own when none
  };
  const Case cases[] = {
      {"1", {1, 0, 0}, 0},
      {"0,9995", {1, 0, 0}, 0},
      {"4705", {4, 7, 1}, 3},
      {"4,705", {4, 7, 1}, 0},
      {"4,7049", {4, 7, 0}, 0},
      {"9995", {1, 0, 0}, 4},
      {"999E9", {9, 9, 9}, 11},
      {"999,4E9", {9, 9, 9}, 11},
      {"999,5E9", {}, -1},
      {"0,9994", {}, -1},
      {"0", {}, -1},
      {"-47", {}, -1, "Valeur : entre 0 et 1E15 Ω."},
      {"1E300", {}, -1, "Valeur : entre 0 et 1E15 Ω."},
  };
  for (const Case& c : cases) {
    FieldMap f{{"edCcIn", c.typed}};
    BandCode code{{2, 2, 2}, 2, 5, 7, true};
    try {
      BandsFromValue(f, code);
      EXPECT_EQ(code.digits, c.digits) << c.typed;
      EXPECT_EQ(code.multiplier, c.multiplier) << c.typed;
    } catch (const CalcError& e) {
      EXPECT_EQ(c.multiplier, -1) << c.typed;
      EXPECT_EQ(e.message(), c.message ? c.message : msg::kOutsideColourCode);
      EXPECT_EQ(code.digits, (std::array<int, 3>{2, 2, 2}));
    }
    EXPECT_EQ(code.tolerance, 5);
    EXPECT_EQ(code.tempco, 7);
  }
}

// Bands -> value text -> bands gives the same bands, for every E192 value in three decades.
TEST(ColourCode, RoundTripOverE192) {
  for (int multiplier : {0, 4, 11})  // ×0,01, ×100, ×1 G
    for (int m : mantissas(ESeries::E192)) {
      const BandCode code{{m / 100, m / 10 % 10, m % 10}, multiplier, 0, 1, false};
      FieldMap f;
      ColourCode(f, code);
      f["edCcIn"] = f.text("edCcValue");
      BandCode back{{0, 0, 0}, 2, 0, 1, false};
      BandsFromValue(f, back);
      EXPECT_EQ(back.digits, code.digits) << f.text("edCcIn");
      EXPECT_EQ(back.multiplier, multiplier) << f.text("edCcIn");
    }
}

}  // namespace
}  // namespace valvora::atelier

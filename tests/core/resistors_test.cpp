#include "core/resistors.h"

#include <gtest/gtest.h>

#include <map>
#include <span>
#include <string>
#include <vector>

#include "core/numtext.h"
#include "tests/core/fieldmap.h"

namespace valvora {
namespace {

using testing::FieldMap;

// ---- Networks ----

FieldMap defaults() {
  return {{"edTInit", "9"},     {"edAmpLed", "20"},   {"edTLed", "1,7"},     {"edR1_serpar", "2"},
          {"edR2_serpar", "4"}, {"edR3_serpar", "8"}, {"edR4_serpar", "12"}, {"edR1_par", "12"},
          {"edR2_par", "5"},    {"edR1_ser", "8"},    {"edR2_ser", "33"},    {"ed_Rt", "10"},
          {"ed_Vt", "10"},      {"ed_Rpdiss", "10"},  {"ed_Vpdiss", "10"}};
}

struct Network {
  const char* name;
  void (*run)(Fields&);
  const char* result;
};
const Network kNetworks[] = {
    {"led", resistor_led, "edResistor"}, {"sp", resist_sp, "edR_serpar"},
    {"par", resist_par, "edR_par"},      {"ser", resist_ser, "edR_ser"},
    {"courant", CourTravRes, "ed_At"},   {"puissance", PuisDisRes, "ed_Wpdiss"},
};
const Network& network(std::string_view name) {
  for (const Network& n : kNetworks)
    if (name == n.name) return n;
  throw std::logic_error("no network");
}

struct NetworkCase {
  const char* network;
  std::map<std::string, std::string> inputs;  // over the defaults
  std::string result;                         // or the failure message
  bool fails = false;
};

class Networks : public ::testing::TestWithParam<NetworkCase> {};

TEST_P(Networks, ResultOrFailure) {
  const NetworkCase& c = GetParam();
  const Network& n = network(c.network);
  FieldMap f = defaults();
  f[n.result] = "avant";
  for (const auto& [k, v] : c.inputs) f[k] = v;
  if (c.fails) {
    try {
      n.run(f);
      FAIL() << "no failure";
    } catch (const CalcError& e) {
      EXPECT_EQ(e.message(), c.result);
    }
    EXPECT_EQ(f.text(n.result), "avant");
  } else {
    n.run(f);
    EXPECT_EQ(f.text(n.result), c.result);
  }
}

const std::string kZeroDivide(msg::kFloatZeroDivide);
const std::string kInvalid(msg::kFloatInvalid);

INSTANTIATE_TEST_SUITE_P(Defaults, Networks,
                         ::testing::Values(NetworkCase{"led", {}, "365 Ohms", false},
                                           NetworkCase{"sp", {}, "13,714", false},
                                           NetworkCase{"par", {}, "3,53", false},
                                           NetworkCase{"ser", {}, "41,00", false},
                                           NetworkCase{"courant", {}, "1,0000", false},
                                           NetworkCase{"puissance", {}, "10,0000", false}));

INSTANTIATE_TEST_SUITE_P(
    Edges, Networks,
    ::testing::Values(
        // Swapped voltages give the same resistor.
        NetworkCase{"led", {{"edTInit", "1,7"}, {"edTLed", "9"}}, "365 Ohms", false},
        NetworkCase{"led", {{"edAmpLed", "0"}}, kZeroDivide, true},
        NetworkCase{"led", {{"edAmpLed", "0"}, {"edTLed", "9"}}, kInvalid, true},
        NetworkCase{"led", {{"edTLed", ""}}, notARealMessage(""), true},
        NetworkCase{"sp", {{"edR1_serpar", "0"}}, kZeroDivide, true},
        NetworkCase{"sp", {{"edR2_serpar", "4"}, {"edR3_serpar", "-4"}}, kZeroDivide, true},
        NetworkCase{"sp", {{"edR1_serpar", "-12"}}, kZeroDivide, true},
        NetworkCase{"sp", {{"edR4_serpar", "4,7"}}, "6,414", false},
        NetworkCase{"par", {{"edR2_par", "-12"}}, kZeroDivide, true},
        NetworkCase{"par", {{"edR1_par", "0"}, {"edR2_par", "0"}}, kInvalid, true},
        NetworkCase{"par", {{"edR1_par", "4,7"}}, "2,42", false},
        NetworkCase{"ser", {{"edR1_ser", "-8"}}, "25,00", false},
        NetworkCase{"ser", {{"edR2_ser", "33 "}}, "41,00", false},
        NetworkCase{"ser", {{"edR2_ser", "3.3"}}, notARealMessage("3.3"), true},
        // Whole ohms only in the current and power groups; the voltage may be decimal.
        NetworkCase{"courant", {{"ed_Rt", "4,7"}}, notAnIntegerMessage("4,7"), true},
        NetworkCase{"courant", {{"ed_Rt", ""}}, notAnIntegerMessage(""), true},
        NetworkCase{"courant", {{"ed_Rt", "0"}}, kZeroDivide, true},
        NetworkCase{"courant", {{"ed_Vt", "9,5"}}, "0,9500", false},
        NetworkCase{"puissance", {{"ed_Rpdiss", "4,7"}}, notAnIntegerMessage("4,7"), true},
        NetworkCase{"puissance", {{"ed_Rpdiss", "0"}}, kZeroDivide, true},
        NetworkCase{"puissance", {{"ed_Rpdiss", "0"}, {"ed_Vpdiss", "0"}}, kInvalid, true},
        NetworkCase{"puissance", {{"ed_Vpdiss", "9,5"}}, "9,0250", false},
        NetworkCase{"puissance", {{"ed_Rpdiss", "-10"}}, "-10,0000", false}));

// ---- Colour code ----

// The group without widgets: a write into valeur notifies like typing when the text
// changes, selections notify nothing, the user's picks run the handlers.
class Group : public ColourCodeControls, public Fields {
 public:
  ColourCodeState state;
  std::map<std::string, int, std::less<>> lists = {{"sign", 1}, {"sign2", 0},  {"mult", 1},
                                                   {"tole", 0}, {"nbtole", 0}, {"unite", 0}};
  std::string valeur = "1";
  std::string encadrement = "encadrement";
  std::array<Rgb, 4> bands = {
      Rgb{255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}};
  std::vector<std::string> boxes;  // "caption: text"

  Fields& fields() override { return *this; }
  int selected(std::string_view list) const override { return lists.find(list)->second; }
  void select(std::string_view list, int index) override { lists.find(list)->second = index; }
  void paint(int band, Rgb colour) override { bands.at(std::size_t(band - 1)) = colour; }
  void centreRange() override {}
  void showBox(std::string_view caption, std::string_view text) override {
    boxes.push_back(std::string(caption) + ": " + std::string(text));
  }
  std::string text(std::string_view control) const override {
    return control == code::valeur ? valeur : encadrement;
  }
  void write(std::string_view control, std::string text) override {
    if (control == code::encadrement) {
      encadrement = std::move(text);
    } else if (text != valeur) {
      valeur = std::move(text);
      valeurChange(state, *this);
    }
  }

  void type(const std::string& text) {
    valeur = text;
    valeurChange(state, *this);
  }
  void pick(const std::string& list, int index) {
    lists[list] = index;
    if (list == "sign" || list == "sign2" || list == "mult" || list == "tole")
      coulchange(state, *this);
    else
      valeurChange(state, *this);
  }
  std::string rangeEnd() const { return encadrement.substr(encadrement.find("entre ") + 6); }
};

Rgb colourOf(std::string_view name) {
  const std::map<std::string_view, std::string_view> texts = {
      {"noir", "clBlack"},   {"marron", "clMaroon"}, {"rouge", "clRed"},  {"orange", "$000080FF"},
      {"jaune", "clYellow"}, {"vert", "clGreen"},    {"bleu", "clBlue"},  {"violet", "clFuchsia"},
      {"gris", "clGray"},    {"blanc", "clWhite"},   {"or", "$0089D1CF"}, {"argent", "clSilver"}};
  return colourFromText(texts.at(name));
}

int indexOf(std::span<const std::string_view> items, std::string_view name) {
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == name) return int(i);
  throw std::logic_error("no item " + std::string(name));
}

// Bands by name; each list shows them and each rectangle is painted with them.
void expectBands(const Group& g, const std::array<std::string_view, 4>& names) {
  EXPECT_EQ(g.selected("sign"), indexOf(code::kDigits, names[0]));
  EXPECT_EQ(g.selected("sign2"), indexOf(code::kDigits, names[1]));
  EXPECT_EQ(g.selected("mult"), indexOf(code::kMultipliers, names[2]));
  EXPECT_EQ(g.selected("tole"), indexOf(code::kToleranceColours, names[3]));
  EXPECT_EQ(g.selected("nbtole"), g.selected("tole"));
  for (int b = 0; b < 4; ++b) EXPECT_EQ(g.bands[b], colourOf(names[b])) << "band " << b + 1;
}

TEST(ColourTable, TextsGiveRedGreenBlue) {
  EXPECT_EQ(colourFromText("clred"), (Rgb{255, 0, 0}));
  EXPECT_EQ(colourFromText("CLMAROON"), (Rgb{128, 0, 0}));
  EXPECT_EQ(colourFromText("$000080FF"), (Rgb{255, 128, 0}));
  EXPECT_EQ(colourFromText("$0089D1CF"), (Rgb{207, 209, 137}));
  EXPECT_EQ(colourFromText("clSilver"), (Rgb{192, 192, 192}));
  EXPECT_EQ(colourFromText("clFuchsia"), (Rgb{255, 0, 255}));
}

TEST(ColourCode, InitialisationConvertsBothWays) {
  Group g;
  initialiseColourCode(g.state, g);
  expectBands(g, {"marron", "noir", "or", "argent"});
  EXPECT_EQ(g.valeur, "1");
  EXPECT_EQ(g.selected("unite"), 0);
  EXPECT_EQ(g.encadrement, "Résistance comprise entre 0,9 Ohm et 1,1 Ohm");
  EXPECT_TRUE(g.state.guardOpen);
  EXPECT_TRUE(g.boxes.empty());
}

TEST(ColourCode, UninitialisedConvertsNothing) {
  Group g;
  g.type("47");
  g.pick("sign", 4);
  EXPECT_EQ(g.encadrement, "Résistance comprise entre 0  et 0 ");
  EXPECT_EQ(g.valeur, "47");
  EXPECT_EQ(g.selected("mult"), 1);
  EXPECT_EQ(g.bands[0], (Rgb{255, 255, 255}));
}

struct Pick {
  std::string list;  // empty: type the text
  int index = 0;
  std::string text;
};
struct CodeCase {
  const char* name;
  std::vector<Pick> steps;
  std::array<std::string_view, 4> bands;
  std::string valeur;
  int unite;
  std::string rangeEnd;
  std::vector<std::string> boxes;
};
void PrintTo(const CodeCase& c, std::ostream* os) {
  *os << c.name;
}

Pick pick(const std::string& list, int index) {
  return {list, index, {}};
}
Pick type(const std::string& text) {
  return {{}, 0, text};
}
const std::string kAbove = std::string(code::kLimitCaption) + ": " + std::string(code::kAboveLimit);
const std::string kBelow = std::string(code::kLimitCaption) + ": " + std::string(code::kBelowLimit);
const std::string kNaN =
    std::string(code::kNotANumberCaption) + ": " + std::string(code::kNotANumber);

class ColourCodeCases : public ::testing::TestWithParam<CodeCase> {};

TEST_P(ColourCodeCases, BandsValueAndRange) {
  const CodeCase& c = GetParam();
  Group g;
  initialiseColourCode(g.state, g);
  for (const Pick& p : c.steps) {
    if (p.list.empty())
      g.type(p.text);
    else
      g.pick(p.list, p.index);
  }
  expectBands(g, c.bands);
  EXPECT_EQ(g.valeur, c.valeur);
  EXPECT_EQ(g.selected("unite"), c.unite);
  EXPECT_EQ(g.rangeEnd(), c.rangeEnd);
  EXPECT_EQ(g.boxes, c.boxes);
  EXPECT_TRUE(g.state.guardOpen);
}

// Band indexes: sign/sign2 digit; mult argent 0, or 1, noir 2 ... bleu 8.
INSTANTIATE_TEST_SUITE_P(
    Colours, ColourCodeCases,
    ::testing::Values(CodeCase{"marron noir or",
                               {pick("mult", 1)},
                               {"marron", "noir", "or", "argent"},
                               "1",
                               0,
                               "0,9 Ohm et 1,1 Ohm",
                               {}},
                      CodeCase{"jaune violet argent",
                               {pick("sign", 4), pick("sign2", 7), pick("mult", 0)},
                               {"jaune", "violet", "argent", "argent"},
                               "0,47",
                               0,
                               "0,423 Ohm et 0,517 Ohm",
                               {}},
                      CodeCase{"jaune violet rouge",
                               {pick("sign", 4), pick("sign2", 7), pick("mult", 4)},
                               {"jaune", "violet", "rouge", "argent"},
                               "4,7",
                               1,
                               "4,23 KiloOhm et 5,17 KiloOhm",
                               {}},
                      CodeCase{"blanc blanc bleu",
                               {pick("sign", 9), pick("sign2", 9), pick("mult", 8)},
                               {"blanc", "blanc", "bleu", "argent"},
                               "99",
                               2,
                               "89,1 MegaOhm et 108,9 MegaOhm",
                               {}},
                      CodeCase{"noir noir",
                               {pick("sign", 0), pick("mult", 6)},
                               {"noir", "noir", "jaune", "argent"},
                               "0",
                               0,
                               "0 Ohm et 0 Ohm",
                               {}},
                      CodeCase{"noir noir then unit",
                               {pick("sign", 0), pick("unite", 1)},
                               {"marron", "noir", "argent", "argent"},
                               "0,1",
                               0,
                               "0,09 Ohm et 0,11 Ohm",
                               {kBelow}},
                      CodeCase{"noir marron argent",
                               {pick("sign", 0), pick("sign2", 1), pick("mult", 0)},
                               {"noir", "marron", "argent", "argent"},
                               "0,01",
                               0,
                               "0,009 Ohm et 0,011 Ohm",
                               {}},
                      CodeCase{"tole rouge",
                               {pick("tole", 3)},
                               {"marron", "noir", "or", "rouge"},
                               "1",
                               0,
                               "0,98 Ohm et 1,02 Ohm",
                               {}},
                      CodeCase{"marron noir rouge",
                               {pick("mult", 4)},
                               {"marron", "noir", "rouge", "argent"},
                               "1",
                               1,
                               "0,9 KiloOhm et 1,1 KiloOhm",
                               {}}));

INSTANTIATE_TEST_SUITE_P(Values, ColourCodeCases,
                         ::testing::Values(CodeCase{"4.7 KΩ",
                                                    {pick("unite", 1), type("4.7")},
                                                    {"jaune", "violet", "rouge", "argent"},
                                                    "4.7",
                                                    1,
                                                    "4,23 KiloOhm et 5,17 KiloOhm",
                                                    {}},
                                           CodeCase{"4,7 KΩ",
                                                    {pick("unite", 1), type("4,7")},
                                                    {"jaune", "violet", "rouge", "argent"},
                                                    "4,7",
                                                    1,
                                                    "4,23 KiloOhm et 5,17 KiloOhm",
                                                    {}},
                                           CodeCase{"4,75 KΩ cut to 4,7",
                                                    {type("4,75"), pick("unite", 1)},
                                                    {"jaune", "violet", "rouge", "argent"},
                                                    "4,75",
                                                    1,
                                                    "4,23 KiloOhm et 5,17 KiloOhm",
                                                    {}},
                                           CodeCase{"99 MΩ",
                                                    {pick("unite", 2), type("99")},
                                                    {"blanc", "blanc", "bleu", "argent"},
                                                    "99",
                                                    2,
                                                    "89,1 MegaOhm et 108,9 MegaOhm",
                                                    {}},
                                           CodeCase{"99,1 MΩ",
                                                    {pick("unite", 2), type("99,1")},
                                                    {"blanc", "blanc", "bleu", "argent"},
                                                    "99",
                                                    2,
                                                    "89,1 MegaOhm et 108,9 MegaOhm",
                                                    {kAbove}},
                                           CodeCase{"99000001 Ω",
                                                    {type("99000001")},
                                                    {"blanc", "blanc", "bleu", "argent"},
                                                    "99",
                                                    2,
                                                    "89,1 MegaOhm et 108,9 MegaOhm",
                                                    {kAbove}},
                                           CodeCase{"beyond any unit",
                                                    {pick("unite", 2), type("1E4930")},
                                                    {"blanc", "blanc", "bleu", "argent"},
                                                    "99",
                                                    2,
                                                    "89,1 MegaOhm et 108,9 MegaOhm",
                                                    {kAbove}},
                                           CodeCase{"0,1 Ω",
                                                    {type("0,1")},
                                                    {"marron", "noir", "argent", "argent"},
                                                    "0,1",
                                                    0,
                                                    "0,09 Ohm et 0,11 Ohm",
                                                    {}},
                                           CodeCase{"0,09 Ω",
                                                    {type("0,09")},
                                                    {"marron", "noir", "argent", "argent"},
                                                    "0,1",
                                                    0,
                                                    "0,09 Ohm et 0,11 Ohm",
                                                    {kBelow}},
                                           CodeCase{"0,09 from MΩ",
                                                    {pick("unite", 2), type("0,00000001")},
                                                    {"marron", "noir", "argent", "argent"},
                                                    "0,1",
                                                    0,
                                                    "0,09 Ohm et 0,11 Ohm",
                                                    {kBelow}},
                                           CodeCase{"negative",
                                                    {type("-5")},
                                                    {"marron", "noir", "argent", "argent"},
                                                    "0,1",
                                                    0,
                                                    "0,09 Ohm et 0,11 Ohm",
                                                    {kBelow}},
                                           CodeCase{"last character deleted",
                                                    {pick("unite", 2), type("4"), type("")},
                                                    {"marron", "noir", "or", "argent"},
                                                    "1",
                                                    0,
                                                    "0,9 Ohm et 1,1 Ohm",
                                                    {}},
                                           CodeCase{"not a number",
                                                    {pick("unite", 1), type("4k7")},
                                                    {"marron", "noir", "or", "argent"},
                                                    "1",
                                                    0,
                                                    "0,9 Ohm et 1,1 Ohm",
                                                    {kNaN}},
                                           CodeCase{"tolerance 0,05 %",
                                                    {pick("nbtole", 7)},
                                                    {"marron", "noir", "or", "gris"},
                                                    "1",
                                                    0,
                                                    "0,9995 Ohm et 1,0005 Ohm",
                                                    {}},
                                           CodeCase{"tolerance 0,25 % kept by a reset",
                                                    {pick("nbtole", 5), type("x")},
                                                    {"marron", "noir", "or", "bleu"},
                                                    "1",
                                                    0,
                                                    "0,9975 Ohm et 1,0025 Ohm",
                                                    {kNaN}},
                                           CodeCase{"1000 Ω",
                                                    {type("1000")},
                                                    {"marron", "noir", "rouge", "argent"},
                                                    "1000",
                                                    0,
                                                    "0,9 KiloOhm et 1,1 KiloOhm",
                                                    {}},
                                           CodeCase{"1 KΩ",
                                                    {pick("unite", 1)},
                                                    {"marron", "noir", "rouge", "argent"},
                                                    "1",
                                                    1,
                                                    "0,9 KiloOhm et 1,1 KiloOhm",
                                                    {}},
                                           CodeCase{"680 Ω",
                                                    {type("680")},
                                                    {"bleu", "gris", "marron", "argent"},
                                                    "680",
                                                    0,
                                                    "612 Ohm et 748 Ohm",
                                                    {}}));

// Colours -> value -> colours keeps the bands, for every code the value path can reach
// (a first digit of noir has no two-digit form of its own).
TEST(ColourCodeProperty, RoundTripKeepsTheBands) {
  Group g;
  initialiseColourCode(g.state, g);
  for (int d1 = 1; d1 <= 9; ++d1) {
    for (int d2 = 0; d2 <= 9; ++d2) {
      for (int m = 0; m <= 8; ++m) {
        g.lists["sign"] = d1;
        g.lists["sign2"] = d2;
        g.pick("mult", m);
        const std::string range = g.encadrement;
        const auto bands = g.bands;
        // Scramble the bands, then convert back from the value and unit the colours wrote.
        g.lists["sign"] = 0;
        g.lists["sign2"] = 0;
        g.lists["mult"] = 0;
        g.pick("unite", g.selected("unite"));
        ASSERT_EQ(g.selected("sign"), d1) << d1 << d2 << m;
        ASSERT_EQ(g.selected("sign2"), d2) << d1 << d2 << m;
        ASSERT_EQ(g.selected("mult"), m) << d1 << d2 << m;
        ASSERT_EQ(g.bands, bands);
        ASSERT_EQ(g.encadrement, range);
      }
    }
  }
  EXPECT_TRUE(g.boxes.empty());
}

}  // namespace
}  // namespace valvora

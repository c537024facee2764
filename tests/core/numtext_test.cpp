#include "core/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace valvora {
namespace {

constexpr auto kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr auto kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr Real kExtendedMax = std::numeric_limits<Real>::max();
constexpr Real kExtendedTiny = std::numeric_limits<Real>::denorm_min();

// The message of the CalcError that f throws, or "" when it returns.
std::string failureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const CalcError& e) {
    return e.what();
  }
  return "";
}

TEST(ReadInteger, DecimalAndHexadecimalForms) {
  const struct {
    std::string_view text;
    std::optional<std::int32_t> value;  // empty: the reading fails
  } cases[] = {
      {" 12", 12},
      {"12 ", {}},
      {"+8", 8},
      {"-8", -8},
      {"007", 7},
      {"-0", 0},
      {"$1F", 31},
      {"0x1F", 31},
      {"x1f", 31},
      {"X1F", 31},
      {"0X1f", 31},
      {"-$1F", -31},
      {"$FFFFFFFF", -1},
      {"$7FFFFFFF", kInt32Max},
      {"$80000000", kInt32Min},
      {"-$80000000", kInt32Min},
      {"$000000001F", 31},
      {"$100000000", {}},
      {"2147483647", kInt32Max},
      {"-2147483648", kInt32Min},
      {"2147483648", {}},
      {"-2147483649", {}},
      {"99999999999999999999", {}},
      {"12,0", {}},
      {"", {}},
      {" ", {}},
      {"+", {}},
      {"-", {}},
      {"$", {}},
      {"0x", {}},
      {"$G", {}},
      {"- 5", {}},
      {"1 000", {}},
      {"\t12", {}},
      {"12a", {}},
      {"+-1", {}},
      {"$-1", {}},
      {"1e3", {}},
      {"0", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.value) {
      EXPECT_EQ(readInteger(c.text), *c.value);
    } else {
      EXPECT_EQ(failureOf([&] { readInteger(c.text); }), notAnIntegerMessage(c.text));
    }
  }
}

TEST(ReadInteger, MessageQuotesTheTextAsTyped) {
  EXPECT_EQ(failureOf([] { readInteger(""); }), "'' n'est pas une valeur entière correcte");
  EXPECT_EQ(failureOf([] { readInteger(" 12 "); }), "' 12 ' n'est pas une valeur entière correcte");
}

TEST(ReadReal, AcceptedAndRefusedTexts) {
  // Expected values are the compiler's own correctly rounded extended literals.
  const struct {
    std::string_view text;
    std::optional<Real> value;
  } cases[] = {
      {"8,5", 8.5L},
      {" 8,5 ", 8.5L},
      {"+8,5", 8.5L},
      {"-8,5", -8.5L},
      {"1e3", 1000.0L},
      {"1E3", 1000.0L},
      {",", 0.0L},
      {"8,", 8.0L},
      {",5", 0.5L},
      {"1E", 1.0L},
      {"1E+", 1.0L},
      {"1e-", 1.0L},
      {"-,", 0.0L},
      {"0,1", 0.1L},
      {"0,3", 0.3L},
      {"0,00001", 0.00001L},
      {"1,5E20", 1.5e20L},
      {"-0,5", -0.5L},
      {"12,5e-1", 1.25L},
      {"0008,50", 8.5L},
      {"1,005", 1.005L},
      {"123456789,123456789", 123456789.123456789L},
      {"12345678901234567890123", 12345678901234567890123.0L},
      {"1E-30", 1e-30L},
      {"3,14159265358979323846264338327950288", 3.14159265358979323846264338327950288L},
      {"1E4932", 1e4932L},
      {"1,18973149535723176502E4932", kExtendedMax},
      {"3,6E-4951", kExtendedTiny},
      {"1E-4952", 0.0L},
      {"0E999999999999999999999", 0.0L},
      {"1E5000", {}},
      {"-1E5000", {}},
      {"1,2E4932", {}},
      {"8.5", {}},
      {"-", {}},
      {"- 5", {}},
      {"1 000", {}},
      {"8 ohms", {}},
      {"", {}},
      {" ", {}},
      {"E5", {}},
      {"1E 5", {}},
      {"1,5 E3", {}},
      {"1,2,3", {}},
      {"0x1F", {}},
      {"$1F", {}},
      {"\t1", {}},
      {"1\t", {}},
      {"1E5,5", {}},
      {"++1", {}},
      {"nan", {}},
      {"inf", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.value) {
      EXPECT_EQ(readReal(c.text), *c.value);
    } else {
      EXPECT_EQ(failureOf([&] { readReal(c.text); }), notARealMessage(c.text));
    }
  }
  EXPECT_EQ(failureOf([] { readReal("8.5"); }),
            "'8.5' n'est pas une valeur en virgule flottante correcte");
}

TEST(FormatGeneral, FifteenDigitsFixedOrScientific) {
  const struct {
    Real value;
    std::string_view text;
  } cases[] = {
      {12, "12"},
      {12.5L, "12,5"},
      {1.0L / 3, "0,333333333333333"},
      {2.0L / 3, "0,666666666666667"},
      {0.1L + 0.2L, "0,3"},
      {0.1 + 0.2, "0,3"},
      {100, "100"},
      {0.0001L, "0,0001"},
      {0.000123L, "0,000123"},
      {0.00001L, "1E-5"},
      {0.00009999999999999999L, "0,0001"},
      {1e15L, "1E15"},
      {999999999999999.9L, "1E15"},
      {123456789012345.0L, "123456789012345"},
      {100000000000000.0L, "100000000000000"},
      {1234567890123456.0L, "1,23456789012346E15"},
      {1.5e20L, "1,5E20"},
      {-0.5L, "-0,5"},
      {-1e-20L, "-1E-20"},
      {12345.678L, "12345,678"},
      {0, "0"},
      {-0.0L, "0"},
      {1e100L, "1E100"},
      {kExtendedMax, "1,18973149535723E4932"},
      {kExtendedTiny, "3,64519953188247E-4951"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(formatGeneral(c.value), c.text);
  }
}

TEST(FormatPattern, DecimalPlacesAndHalvesAwayFromZero) {
  const std::string_view kb = "#,###\" KB\"";
  const struct {
    std::string_view pattern;
    Real value;
    std::string_view text;
    std::string_view separator = " ";
  } cases[] = {
      {"0.00", 0.125L, "0,13"},
      {"0.00", 0.005L, "0,01"},
      {"0.00", -0.005L, "-0,01"},
      {"0.00", -0.004L, "0,00"},
      {"0.00", -0.001L, "0,00"},
      {"0.00", -1e-30L, "0,00"},
      {"0.00", 7, "7,00"},
      {"0.00", 0.5L, "0,50"},
      {"0.00", 12345.678L, "12345,68"},
      {"0.00", 9.996L, "10,00"},
      {"0.00", -9.996L, "-10,00"},
      {"0.00", 1.005, "1,00"},   // the double just below 1,005
      {"0.00", 1.005L, "1,01"},  // the extended just above it
      {"0.00", 999999999999999999.0L, "999999999999999999,00"},
      {"0.00", 1e18L, "1E18"},
      {"0.00", -1.5e20L, "-1,5E20"},
      {"0", 2.5L, "3"},
      {"0", -2.5L, "-3"},
      {"0", 164.5L, "165"},
      {"0", 0.4L, "0"},
      {"0", -0.4L, "0"},
      {"0", 1e18L, "1E18"},
      {"0.000", 1.0L / 3, "0,333"},
      {"0.0000", 7, "7,0000"},
      {"0.00000", 2.0L / 3, "0,66667"},
      {"0.00000", 1e17L, "100000000000000000,00000"},
      {"0.00000", 0.000004L, "0,00000"},
      {"0.00000", 0.000005L, "0,00001"},
      {kb, 1234567, "1 234 567 KB"},
      {kb, 1234567, "1.234.567 KB", "."},
      {kb, 1234567, "1\u00a0234\u00a0567 KB", "\u00a0"},
      {kb, 999, "999 KB"},
      {kb, 1000, "1 000 KB"},
      {kb, 512.5L, "513 KB"},
      {kb, -1234, "-1 234 KB"},
      {kb, 0, " KB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " " + std::string(c.text));
    EXPECT_EQ(formatPattern(c.pattern, c.value, c.separator), c.text);
  }
}

TEST(FormatInteger, PlainDigits) {
  EXPECT_EQ(formatInteger(0), "0");
  EXPECT_EQ(formatInteger(1234567), "1234567");
  EXPECT_EQ(formatInteger(-42), "-42");
  EXPECT_EQ(formatInteger(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

TEST(ErrorBox, FullStopAfterCharactersAboveIt) {
  const struct {
    std::string_view message;
    std::string_view text;
  } cases[] = {
      {"", ""},
      {"Division par zéro", "Division par zéro."},
      {"'8.5' n'est pas une valeur en virgule flottante correcte",
       "'8.5' n'est pas une valeur en virgule flottante correcte."},
      {"Fin.", "Fin."},
      {"Attention!", "Attention!"},
      {"(voir)", "(voir)"},
      {"blanc ", "blanc "},
      {"tiret-", "tiret-"},
      {"Quoi?", "Quoi?."},
      {"valeur 12", "valeur 12."},
      {"chemin/", "chemin/."},
      {"accent é", "accent é."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(errorBoxText(c.message), c.text) << c.message;
  }
}

TEST(CheckedArithmetic, FailuresAndEdges) {
  const std::string zeroDivide(msg::kFloatZeroDivide);
  const std::string invalid(msg::kFloatInvalid);
  const std::string overflow(msg::kFloatOverflow);
  const struct {
    std::string_view name;
    std::function<Real()> run;
    std::string expectedFailure;  // "" when it returns expected
    Real expected = 0;
  } cases[] = {
      {"1/0", [] { return divide(1, 0); }, zeroDivide},
      {"0/0", [] { return divide(0, 0); }, invalid},
      {"-0/0", [] { return divide(-0.0L, 0); }, invalid},
      {"6/3", [] { return divide(6, 3); }, "", 2},
      {"huge/tiny", [] { return divide(1e4000L, 1e-4000L); }, overflow},
      {"max+max", [] { return add(kExtendedMax, kExtendedMax); }, overflow},
      {"-max-max", [] { return subtract(-kExtendedMax, kExtendedMax); }, overflow},
      {"1e3000^2", [] { return multiply(1e3000L, 1e3000L); }, overflow},
      {"1e-3000^2", [] { return multiply(1e-3000L, 1e-3000L); }, "", 0},
      {"sqrt -1", [] { return squareRoot(-1); }, invalid},
      {"sqrt 0", [] { return squareRoot(0); }, "", 0},
      {"sqrt 6,25", [] { return squareRoot(6.25L); }, "", 2.5L},
      {"0^0", [] { return power(0, 0); }, "", 1},
      {"0^3", [] { return power(0, 3); }, "", 0},
      {"0^0,5", [] { return power(0, 0.5L); }, "", 0},
      {"2^10", [] { return power(2, 10); }, "", 1024},
      {"2^-2", [] { return power(2, -2); }, "", 0.25L},
      {"-2^3", [] { return power(-2, 3); }, "", -8},
      {"0^-1", [] { return power(0, -1); }, zeroDivide},
      {"0^-0,5", [] { return power(0, -0.5L); }, zeroDivide},
      {"-2^0,5", [] { return power(-2, 0.5L); }, invalid},
      {"10^5000", [] { return power(10, 5000); }, overflow},
      // The positive power is computed first, so it overflows before the division.
      {"2^-16446", [] { return power(2, -16446); }, overflow},
      {"0,5^20000", [] { return power(0.5L, 20000); }, "", 0},
      {"0,5^-20000", [] { return power(0.5L, -20000); }, zeroDivide},
      {"2^3e9", [] { return power(2, 3e9L); }, overflow},
      {"-2^3e9", [] { return power(-2, 3e9L); }, invalid},
      {"0,5^3e9", [] { return power(0.5L, 3e9L); }, "", 0},
      {"ln 0", [] { return ln(0); }, zeroDivide},
      {"ln -1", [] { return ln(-1); }, invalid},
      {"ln 1", [] { return ln(1); }, "", 0},
      {"exp 12000", [] { return exponential(12000); }, overflow},
      {"exp -12000", [] { return exponential(-12000); }, "", 0},
      {"exp 0", [] { return exponential(0); }, "", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.expectedFailure.empty()) {
      EXPECT_EQ(c.run(), c.expected);
    } else {
      EXPECT_EQ(failureOf([&] { c.run(); }), c.expectedFailure);
    }
  }
  EXPECT_NEAR(static_cast<double>(power(4, 0.5L)), 2.0, 1e-15);
}

TEST(CheckedArithmetic, TruncationAndIntegerDivision) {
  const std::string invalid(msg::kFloatInvalid);
  EXPECT_EQ(truncate(2.9L), 2);
  EXPECT_EQ(truncate(-2.9L), -2);
  EXPECT_EQ(truncate(-0x1p63L), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(truncate(0x1p63L - 1), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(failureOf([] { truncate(0x1p63L); }), invalid);
  EXPECT_EQ(failureOf([] { truncate(-0x1p63L - 1); }), invalid);
  EXPECT_EQ(failureOf([] { truncate(1e19L); }), invalid);

  EXPECT_EQ(divideInteger(7, 2), 3);
  EXPECT_EQ(divideInteger(-7, 2), -3);
  EXPECT_EQ(failureOf([] { divideInteger(1, 0); }), "Division par zéro");
  EXPECT_EQ(failureOf([] { divideInteger(kInt32Min, -1); }), msg::kFloatOverflow);
}

TEST(Store, RoundsToDoubleAndFailsBeyondIt) {
  constexpr Real kLimit = 0x1p1024L - 0x1p970L;  // halfway to 2^1024
  constexpr double kDoubleMax = std::numeric_limits<double>::max();
  const std::string overflow(msg::kFloatOverflow);
  EXPECT_EQ(store(1.5L), 1.5);
  EXPECT_EQ(store(readReal("1,005")), 1.005);
  EXPECT_EQ(store(1e-400L), 0.0);
  EXPECT_EQ(store(kDoubleMax), kDoubleMax);
  EXPECT_EQ(store(kLimit - 0x1p960L), kDoubleMax);
  EXPECT_EQ(store(-(kLimit - 0x1p960L)), -kDoubleMax);
  EXPECT_EQ(failureOf([=] { store(kLimit); }), overflow);
  EXPECT_EQ(failureOf([=] { store(-kLimit); }), overflow);
  EXPECT_EQ(failureOf([] { store(1e400L); }), overflow);
}

TEST(Forms, NonFiniteValuesAreRefused) {
  const std::string invalid(msg::kFloatInvalid);
  for (const Real v :
       {std::numeric_limits<Real>::infinity(), -std::numeric_limits<Real>::infinity(),
        std::numeric_limits<Real>::quiet_NaN()}) {
    EXPECT_EQ(failureOf([=] { formatGeneral(v); }), invalid);
    EXPECT_EQ(failureOf([=] { formatPattern("0.00", v); }), invalid);
    EXPECT_EQ(failureOf([=] { store(v); }), invalid);
  }
}

TEST(TryRead, AnswersWithoutFailureWhereTheReadingsFail) {
  const struct {
    std::string_view text;
    std::optional<std::int32_t> integer;
    std::optional<Real> real;
  } cases[] = {
      {"12", 12, 12.0L},
      {"$1F", 31, {}},
      {"8,5", {}, 8.5L},
      {"1E5000", {}, {}},
      {"2147483648", {}, 2147483648.0L},
      {"", {}, {}},
      {" -0 ", {}, -0.0L},
      {"- 5", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(tryReadInteger(c.text), c.integer);
    EXPECT_EQ(tryReadReal(c.text), c.real);
  }
}

TEST(FormatSignificant, ThreeDigitsHalvesAwayFromZero) {
  const struct {
    Real value;
    std::string_view text;
  } cases[] = {
      {27.0L, "27,0"},      {0.369L, "0,369"}, {0.0267L, "0,0267"},       {409.44L, "409"},
      {27.95L, "28,0"},     {9.996L, "10,0"},  {0.99951L, "1,00"},        {1234.5L, "1230"},
      {-0.1234L, "-0,123"}, {0.0L, "0"},       {0.00012345L, "0,000123"}, {999.5L, "1000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(formatSignificant(c.value, 3), c.text);
  }
  EXPECT_EQ(formatSignificant(1.0L / 3, 1), "0,3");
  EXPECT_EQ(failureOf([] { formatSignificant(std::numeric_limits<Real>::infinity(), 3); }),
            std::string(msg::kFloatInvalid));
}

TEST(FormatSignificant, ExponentFormPastFifteenDigits) {
  const struct {
    Real value;
    std::string_view text;
  } cases[] = {
      {1.2345e-12L, "0,00000000000123"},
      {1.2345e-13L, "1,23E-13"},
      {-9.996e-300L, "-1,00E-299"},
      {123456789012345.0L, "123000000000000"},
      {1.23e15L, "1,23E15"},
      {4.4e299L, "4,40E299"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(formatSignificant(c.value, 3), c.text);
  }
}

}  // namespace
}  // namespace valvora

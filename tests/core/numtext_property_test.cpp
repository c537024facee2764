// Properties of the readings and forms over many generated values, and their independence
// from the process locale.

#include "core/numtext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace valvora {
namespace {

constexpr const char* kPatterns[] = {"0", "0.00", "0.000", "0.0000", "0.00000"};
constexpr int kDecimals[] = {0, 2, 3, 4, 5};

void expectPlainText(const std::string& text) {
  EXPECT_EQ(text.find('.'), std::string::npos) << text;
  EXPECT_EQ(text.find("nan"), std::string::npos) << text;
  EXPECT_EQ(text.find("inf"), std::string::npos) << text;
}

// Values over the magnitudes the pages meet: decimal fractions, exact halves at every
// decimal place, and arbitrary doubles.
std::vector<Real> sampleValues(std::mt19937_64& rng, int count) {
  std::vector<Real> values;
  for (int i = 0; i < count; ++i) {
    const int places = static_cast<int>(rng() % 8);
    Real v = 0;
    switch (i % 3) {
      case 0:
        v = static_cast<Real>(rng() % 100'000'000) / std::pow(10.0L, places);
        break;
      case 1:  // n + 5 x 10^-places, a halfway case for places - 1 decimals
        v = static_cast<Real>(rng() % 100'000) + 5 / std::pow(10.0L, places);
        break;
      default:
        v = std::ldexp(static_cast<Real>(rng() % (1ull << 53)), static_cast<int>(rng() % 80) - 90);
        break;
    }
    values.push_back((rng() & 1) != 0 ? -v : static_cast<Real>(static_cast<double>(v)));
  }
  return values;
}

TEST(NumtextProperty, PatternsWriteExactlyTheirDecimals) {
  std::mt19937_64 rng(1);
  for (const Real v : sampleValues(rng, 20000)) {
    for (int i = 0; i < 5; ++i) {
      const int n = kDecimals[i];
      const std::string text = formatPattern(kPatterns[i], v);
      SCOPED_TRACE(text);
      expectPlainText(text);
      const auto comma = text.find(',');
      EXPECT_EQ(comma == std::string::npos ? 0 : text.size() - comma - 1, static_cast<size_t>(n));
      if (text[0] == '-') {
        EXPECT_NE(text.find_first_of("123456789"), std::string::npos);
      }
      // Within half a unit of the last place, give or take the 18-digit first rounding.
      const Real back = readReal(text);
      const Real unit = std::pow(10.0L, -n);
      EXPECT_LE(std::fabs(back - v), unit / 2 + std::fabs(v) * 1e-17L);
    }
  }
}

TEST(NumtextProperty, GeneralFormGivesBackShortDecimalsCanonically) {
  std::mt19937_64 rng(2);
  for (int i = 0; i < 20000; ++i) {
    // 0.d1...dn x 10^e with n <= 15, written in some non-canonical way.
    std::string digits(1, static_cast<char>('1' + rng() % 9));
    const int length = 1 + static_cast<int>(rng() % 15);
    while (static_cast<int>(digits.size()) < length) digits += static_cast<char>('0' + rng() % 10);
    const int e = static_cast<int>(rng() % 60) - 30;
    std::string text = (rng() & 1) != 0 ? "-" : "";
    if (i % 2 == 0) {  // scientific, with zeros the canonical form drops
      text += "00" + digits.substr(0, 1) + "," + digits.substr(1) + "000e" + (e > 0 ? "+" : "") +
              std::to_string(e - 1);
    } else if (e <= 0) {
      text += "0," + std::string(-e, '0') + digits + "00";
    } else {
      digits.resize(std::max<std::size_t>(digits.size(), e), '0');
      text += digits.substr(0, e) + "," + digits.substr(e) + "0";
    }
    text = " " + text + "  ";
    SCOPED_TRACE(text);

    const Real value = readReal(text);
    const std::string general = formatGeneral(value);
    expectPlainText(general);
    EXPECT_EQ(readReal(general), value) << general;
    const bool scientific = e < -3 || e > 15;
    EXPECT_EQ(general.find('E') != std::string::npos, scientific) << general;
    const std::string mantissa = general.substr(0, general.find('E'));
    if (mantissa.find(',') != std::string::npos) {
      EXPECT_NE(mantissa.back(), '0') << general;
    }
    EXPECT_FALSE(mantissa.starts_with("00") || mantissa.starts_with("-00")) << general;
    EXPECT_EQ(general, formatGeneral(readReal(general)));
  }
}

TEST(NumtextProperty, NoReadingOrFormWritesNanInfinityOrPoint) {
  std::mt19937_64 rng(3);
  const std::string alphabet = "0123456789,.eE+- $xXnaif";
  for (int i = 0; i < 30000; ++i) {
    std::string text;
    for (int k = static_cast<int>(rng() % 12); k > 0; --k)
      text += alphabet[rng() % alphabet.size()];
    SCOPED_TRACE(text);
    try {
      const Real v = readReal(text);
      EXPECT_TRUE(std::isfinite(v));
      expectPlainText(formatGeneral(v));
      for (const char* pattern : kPatterns) expectPlainText(formatPattern(pattern, v));
    } catch (const CalcError&) {
    }
    try {
      expectPlainText(formatInteger(readInteger(text)));
    } catch (const CalcError&) {
    }
  }
  // Any finite bit pattern of the extended type.
  for (int i = 0; i < 3000; ++i) {
    const std::uint64_t m = rng() | (std::uint64_t{1} << 63);
    const Real v = std::ldexp(static_cast<Real>(m), static_cast<int>(rng() % 32766) - 16445);
    expectPlainText(formatGeneral(v));
    for (const char* pattern : kPatterns) expectPlainText(formatPattern(pattern, v));
  }
}

// Sets a locale for one scope and restores the previous one.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : previous_(std::setlocale(LC_ALL, nullptr)) {
    ok_ = std::setlocale(LC_ALL, name) != nullptr;
  }
  ~ScopedLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::string previous_;
  bool ok_ = false;
};

std::vector<std::string> sampleTexts() {
  std::vector<std::string> out;
  for (const char* text : {"8,5", " 12,25 ", "1e3", "0,00001", "1,5E20", "-0,004", "9,996"}) {
    const Real v = readReal(text);
    out.push_back(formatGeneral(v));
    for (const char* pattern : kPatterns) out.push_back(formatPattern(pattern, v));
  }
  out.push_back(formatGeneral(2.0L / 3));
  out.push_back(formatPattern("#,###\" KB\"", 1234567));
  out.push_back(formatInteger(readInteger("$FFFFFFFF")));
  for (const char* bad : {"8.5", "1.000,5"}) {
    try {
      readReal(bad);
      out.push_back("accepted");
    } catch (const CalcError& e) {
      out.push_back(e.what());
    }
  }
  return out;
}

TEST(NumtextLocale, SameTextsUnderCommaAndPointLocales) {
  std::vector<std::string> underC;
  {
    ScopedLocale c("C");
    ASSERT_TRUE(c.ok());
    underC = sampleTexts();
  }
  ScopedLocale fr("fr_FR.UTF-8");
  if (!fr.ok()) {
    if (std::getenv("VALVORA_ALLOW_MISSING_LOCALE") != nullptr) {
      GTEST_SKIP() << "locale fr_FR.UTF-8 is not installed";
    }
    FAIL() << "locale fr_FR.UTF-8 is not installed (set VALVORA_ALLOW_MISSING_LOCALE to skip)";
  }
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(sampleTexts(), underC);
  EXPECT_EQ(underC[0], "8,5");
  EXPECT_EQ(underC[underC.size() - 2], notARealMessage("8.5"));
}

}  // namespace
}  // namespace valvora

// Exactness of the conversions between text and the extended type, checked against a slow
// reference that expands binary values into decimal digits by schoolbook arithmetic.

#include "core/numtext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace valvora {
namespace {

using u128 = unsigned __int128;

// digits x 10^exponent; digits has no leading or trailing zero ("" is zero).
struct Dec {
  std::string digits;
  long long exponent = 0;
};

// The exact decimal form of m x 2^q, in base 10^9 limbs.
Dec exactDecimal(u128 m, int q) {
  constexpr std::uint32_t kBase = 1'000'000'000;
  std::vector<std::uint32_t> limbs;
  for (u128 v = m; v != 0; v /= kBase) limbs.push_back(static_cast<std::uint32_t>(v % kBase));
  const auto multiply = [&](std::uint32_t f) {
    std::uint64_t carry = 0;
    for (auto& limb : limbs) {
      const std::uint64_t t = std::uint64_t{limb} * f + carry;
      limb = static_cast<std::uint32_t>(t % kBase);
      carry = t / kBase;
    }
    for (; carry != 0; carry /= kBase) limbs.push_back(static_cast<std::uint32_t>(carry % kBase));
  };
  Dec d;
  if (q >= 0) {
    for (int k = q; k > 0; k -= 29) multiply(std::uint32_t{1} << std::min(k, 29));
  } else {
    for (int k = -q; k > 0; k -= 13) {
      std::uint32_t f = 1;
      for (int i = 0; i < std::min(k, 13); ++i) f *= 5;
      multiply(f);
    }
    d.exponent = q;  // m x 5^-q x 10^q
  }
  for (std::size_t i = limbs.size(); i-- > 0;) {
    std::string part = std::to_string(limbs[i]);
    if (i + 1 != limbs.size()) part.insert(0, 9 - part.size(), '0');
    d.digits += part;
  }
  while (!d.digits.empty() && d.digits.back() == '0') {
    d.digits.pop_back();
    ++d.exponent;
  }
  return d;
}

struct Parts {
  std::uint64_t m;  // |v| = m x 2^q, on the extended grid (denormals keep q = -16445)
  int q;
};

Parts partsOf(Real v) {
  int e = 0;
  const Real f = std::frexp(std::fabs(v), &e);
  Parts p{static_cast<std::uint64_t>(std::ldexp(f, 64)), e - 64};
  if (p.q < -16445) {
    p.m >>= -16445 - p.q;
    p.q = -16445;
  }
  return p;
}

int compareDec(const Dec& a, const Dec& b) {
  if (a.digits.empty() || b.digits.empty()) {
    return a.digits.empty() == b.digits.empty() ? 0 : a.digits.empty() ? -1 : 1;
  }
  const long long ma = static_cast<long long>(a.digits.size()) + a.exponent;
  const long long mb = static_cast<long long>(b.digits.size()) + b.exponent;
  if (ma != mb) return ma < mb ? -1 : 1;
  for (std::size_t i = 0; i < std::max(a.digits.size(), b.digits.size()); ++i) {
    const char x = i < a.digits.size() ? a.digits[i] : '0';
    const char y = i < b.digits.size() ? b.digits[i] : '0';
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

std::string textOf(const Dec& d) {
  return d.digits + "E" + std::to_string(d.exponent);
}

// 18 significant digits, to nearest with ties to even, from the exact decimal form.
Decimal18 reference18(Real v) {
  const Parts p = partsOf(v);
  const Dec d = exactDecimal(p.m, p.q);
  Decimal18 r;
  r.negative = std::signbit(v);
  if (d.digits.empty()) return r;
  r.exponent = static_cast<int>(static_cast<long long>(d.digits.size()) - 1 + d.exponent);
  std::string head = d.digits.substr(0, 18);
  head.resize(18, '0');
  r.digits = std::stoull(head);
  if (d.digits.size() > 18) {
    const char first = d.digits[18];
    const bool exactHalf = first == '5' && d.digits.size() == 19;
    if (first > '5' || (first == '5' && !exactHalf) || (exactHalf && r.digits % 2 == 1)) {
      if (++r.digits == 1'000'000'000'000'000'000ull) {
        r.digits /= 10;
        ++r.exponent;
      }
    }
  }
  return r;
}

// Whether r is the extended value nearest to x (x >= 0), ties going to the even one.
void expectNearest(const Dec& x, Real r, const std::string& text) {
  SCOPED_TRACE(text.substr(0, 80));
  if (r == 0) {
    EXPECT_LE(compareDec(x, exactDecimal(1, -16446)), 0);
    return;
  }
  const Parts p = partsOf(r);
  const bool even = p.m % 2 == 0;
  const int above = compareDec(x, exactDecimal(2 * u128{p.m} + 1, p.q - 1));
  EXPECT_TRUE(above < 0 || (above == 0 && even));
  const bool binadeStart = p.m == (std::uint64_t{1} << 63) && p.q > -16445;
  const Dec lower = binadeStart ? exactDecimal(4 * u128{p.m} - 1, p.q - 2)
                                : exactDecimal(2 * u128{p.m} - 1, p.q - 1);
  const int below = compareDec(x, lower);
  EXPECT_TRUE(below > 0 || (below == 0 && even));
}

// Random extended values: a random significand with a biased exponent drawn from [lo, hi].
Real randomExtended(std::mt19937_64& rng, int lo, int hi) {
  const std::uint64_t m = rng() | (std::uint64_t{1} << 63);
  const int e = std::uniform_int_distribution<int>(lo, hi)(rng);
  const Real v = std::ldexp(static_cast<Real>(m), e - 16383 - 63);
  return (rng() & 1) != 0 ? -v : v;
}

void expectSame18(Real v) {
  const Decimal18 got = toDecimal18(v);
  const Decimal18 want = reference18(v);
  EXPECT_EQ(got.digits, want.digits) << formatGeneral(v);
  EXPECT_EQ(got.exponent, want.exponent) << formatGeneral(v);
  EXPECT_EQ(got.negative, want.negative);
}

TEST(Decimal18, KnownValuesAndTies) {
  const struct {
    Real value;
    std::uint64_t digits;
    int exponent;
  } cases[] = {
      {0.125L, 125000000000000000ull, -1},
      {1.005, 100499999999999989ull, 0},  // the double nearest to 1,005
      {1000000000000000005.0L, 100000000000000000ull, 18},
      {1000000000000000015.0L, 100000000000000002ull, 18},
      {9999999999999999995.0L, 100000000000000000ull, 19},
      {std::numeric_limits<Real>::max(), 118973149535723177ull, 4932},
      {std::numeric_limits<Real>::denorm_min(), 364519953188247460ull, -4951},
  };
  for (const auto& c : cases) {
    const Decimal18 d = toDecimal18(c.value);
    EXPECT_EQ(d.digits, c.digits);
    EXPECT_EQ(d.exponent, c.exponent);
    expectSame18(c.value);
  }
}

TEST(Decimal18, MatchesTheReferenceOnRandomValues) {
  std::mt19937_64 rng(20240611);
  // Magnitudes from about 1E-30 to 1E40, where calculators work, then the whole range,
  // denormals included.
  for (int i = 0; i < 20000; ++i) expectSame18(randomExtended(rng, 16383 - 100, 16383 + 133));
  for (int i = 0; i < 300; ++i) expectSame18(randomExtended(rng, 1, 32766));
  for (int i = 0; i < 100; ++i) {
    expectSame18(std::ldexp(static_cast<Real>(rng() >> (rng() % 64)), -16445));
  }
  // Integers of 19 digits ending in 5 are exact halfway cases at 18 digits.
  for (int i = 0; i < 2000; ++i) {
    const std::uint64_t n = (1'000'000'000'000'000'000ull + rng() % 8'000'000'000'000'000'000ull);
    expectSame18(static_cast<Real>(n - n % 10 + 5));
  }
}

TEST(ReadRealExact, RandomTextsRoundToNearest) {
  std::mt19937_64 rng(77);
  for (int i = 0; i < 5000; ++i) {
    const int length = std::uniform_int_distribution<int>(1, 40)(rng);
    std::string digits;
    for (int k = 0; k < length; ++k) digits.push_back(static_cast<char>('0' + rng() % 10));
    const int wide = i % 25 == 0 ? 4960 : 60;
    const int exponent = std::uniform_int_distribution<int>(-wide, wide)(rng);
    const std::string text = digits + "E" + std::to_string(exponent);
    Dec x{digits, exponent};
    x.digits.erase(0, std::min(x.digits.find_first_not_of('0'), x.digits.size()));
    while (!x.digits.empty() && x.digits.back() == '0') {
      x.digits.pop_back();
      ++x.exponent;
    }
    Real r = 0;
    try {
      r = readReal(text);
    } catch (const CalcError&) {
      // Only beyond the midpoint above the largest value.
      EXPECT_GE(compareDec(x, exactDecimal((u128{1} << 65) - 1, 16383 - 64)), 0) << text;
      continue;
    }
    expectNearest(x, r, text);
  }
}

TEST(ReadRealExact, HalfwayTextsAndTheirNeighbours) {
  std::mt19937_64 rng(5);
  const auto check = [&](Real v) {
    const Parts p = partsOf(v);
    const Real next = std::nextafter(v, std::numeric_limits<Real>::infinity());
    const Real even = p.m % 2 == 0 ? v : next;
    const Dec mid = exactDecimal(2 * u128{p.m} + 1, p.q - 1);
    EXPECT_EQ(readReal(textOf(mid)), even) << textOf(mid).substr(0, 60);
    // 10^-30 of the last digit's unit is far below half a unit in the last binary place.
    Dec above = mid;
    above.digits += std::string(29, '0') + "1";
    above.exponent -= 30;
    EXPECT_EQ(readReal(textOf(above)), next);
    Dec below = mid;
    --below.digits.back();
    below.digits += std::string(30, '9');
    below.exponent -= 30;
    EXPECT_EQ(readReal(textOf(below)), v);
  };
  for (int i = 0; i < 2000; ++i) check(std::fabs(randomExtended(rng, 16383 - 100, 16383 + 133)));
  for (int i = 0; i < 60; ++i) check(std::fabs(randomExtended(rng, 1, 32765)));
  for (int i = 0; i < 30; ++i)
    check(std::ldexp(static_cast<Real>((rng() >> (rng() % 64)) | 1), -16445));

  // A halfway point between the two smallest denormals with a far digit past the long digit
  // strings that matter: still rounds up.
  Dec tiny = exactDecimal(3, -16446);
  tiny.digits += std::string(400, '0') + "1";
  tiny.exponent -= 401;
  EXPECT_EQ(readReal(textOf(tiny)), 2 * std::numeric_limits<Real>::denorm_min());

  // Just below the midpoint above the largest value reads it; the midpoint overflows.
  Dec top = exactDecimal((u128{1} << 65) - 1, 16383 - 64);
  EXPECT_THROW(readReal(textOf(top)), CalcError);
  --top.digits.back();
  EXPECT_EQ(readReal(textOf(top)), std::numeric_limits<Real>::max());
}

}  // namespace
}  // namespace valvora

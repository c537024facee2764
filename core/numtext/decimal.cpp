#include "core/numtext/decimal.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "core/numtext/bigint.h"

namespace valvora {
namespace numtext {
namespace {

// The conversions below take the 80-bit layout apart and rely on its 64-bit significand.
static_assert(std::numeric_limits<Real>::digits == 64, "Real must be the x87 extended type");
static_assert(std::numeric_limits<Real>::max_exponent == 16384, "Real must be x87 extended");
static_assert(std::endian::native == std::endian::little, "the layout read below is x86's");

constexpr auto kPow10Wide = [] {
  std::array<u128, 39> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

constexpr int kExponentBias = 16383;
constexpr int kMinNormalExponent = -16382;  // of the leading bit
constexpr int kMaxExponent = 16383;

// ---------------------------------------------------------------------------------------
// Binary to decimal

// What a truncated quotient left behind, compared with half a unit of its last place.
enum class Rest { kZero, kBelowHalf, kHalf, kAboveHalf };

Rest restFromHalfBit(bool halfBit, bool anyBelow) {
  if (!halfBit) return anyBelow ? Rest::kBelowHalf : Rest::kZero;
  return anyBelow ? Rest::kAboveHalf : Rest::kHalf;
}

Rest restOfRemainder(Big& remainder, const Big& divisor) {
  if (remainder.isZero()) return Rest::kZero;
  remainder.shiftLeft(1);
  const int c = remainder.compare(divisor);
  return c < 0 ? Rest::kBelowHalf : c == 0 ? Rest::kHalf : Rest::kAboveHalf;
}

struct Binary {
  std::uint64_t significand;  // |value| = significand x 2^exponent
  int exponent;
  bool negative;
};

Binary decompose(Real value) {
  std::uint64_t significand = 0;
  std::uint16_t signAndExponent = 0;
  unsigned char bytes[sizeof(Real)];
  std::memcpy(bytes, &value, sizeof(Real));
  std::memcpy(&significand, bytes, 8);
  std::memcpy(&signAndExponent, bytes + 8, 2);
  const int biased = signAndExponent & 0x7fff;
  return {significand, (biased == 0 ? 1 : biased) - kExponentBias - 63,
          (signAndExponent & 0x8000) != 0};
}

// floor(log10(2^e)), exact over the whole extended range.
int floorLog10Pow2(int e) {
  return static_cast<int>((static_cast<long long>(e) * 1292913986LL) >> 32);
}

struct Scaled {
  std::uint64_t whole;  // floor(m x 2^q x 10^t), below 10^19 by the choice of t
  Rest rest;
};

// The 128-bit path: from about 1E-10 up to 2^128, which is what calculators meet.
bool scaleFast(std::uint64_t m, int q, int t, Scaled& out) {
  if (t >= 0) {
    if (t >= static_cast<int>(kPow5.size())) return false;
    const u128 a = static_cast<u128>(m) * kPow5[t];
    const int s = q + t;
    if (s >= 0) {
      if (s > 63) return false;
      out = {static_cast<std::uint64_t>(a << s), Rest::kZero};
      return true;
    }
    const int r = -s;
    if (r >= 128) return false;
    const u128 low = a & ((u128{1} << r) - 1);
    const u128 half = u128{1} << (r - 1);
    out.whole = static_cast<std::uint64_t>(a >> r);
    out.rest = low == 0      ? Rest::kZero
               : low < half  ? Rest::kBelowHalf
               : low == half ? Rest::kHalf
                             : Rest::kAboveHalf;
    return true;
  }
  const int u = -t;
  if (u >= static_cast<int>(kPow10Wide.size())) return false;
  u128 num = m;
  u128 den = kPow10Wide[u];
  if (q >= 0) {
    if (bitLength(num) + q > 128) return false;
    num <<= q;
  } else {
    if (bitLength(den) - q > 127) return false;
    den <<= -q;
  }
  const u128 rem = num % den;
  out.whole = static_cast<std::uint64_t>(num / den);
  const u128 twice = rem * 2;  // den < 2^127, so no wrap
  out.rest = rem == 0       ? Rest::kZero
             : twice < den  ? Rest::kBelowHalf
             : twice == den ? Rest::kHalf
                            : Rest::kAboveHalf;
  return true;
}

// The same with big integers; 10^t is split into 5^t and a shift.
Scaled scaleSlow(std::uint64_t m, int q, int t) {
  if (t >= 0) {
    Big n(m);
    n.mulPow5(t);
    const long long s = static_cast<long long>(q) + t;  // value x 10^t = n x 2^s
    if (s >= 0) {
      n.shiftLeft(s);
      return {static_cast<std::uint64_t>(n.bits(0, 64)), Rest::kZero};
    }
    return {static_cast<std::uint64_t>(n.bits(-s, 64)),
            restFromHalfBit(n.bit(-s - 1), n.anyBitBelow(-s - 1))};
  }
  Big num(m);
  Big den(1);
  den.mulPow5(-t);
  const long long s = static_cast<long long>(q) + t;  // value x 10^t = m x 2^s / 5^-t
  if (s >= 0) {
    num.shiftLeft(s);
  } else {
    den.shiftLeft(-s);
  }
  const std::uint64_t whole = divideSmall(num, den);
  return {whole, restOfRemainder(num, den)};
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Decimal to binary

// |value| = (q + f) x 2^lsb with q of exactly 64 bits and f < 1 described by rest. Rounds
// to nearest even, denormals included; false when the result overflows.
bool roundToReal(std::uint64_t q, long long lsb, Rest rest, bool negative, Real& out) {
  const Real zero = negative ? -0.0L : 0.0L;
  const long long lead = 63 + lsb;
  long long keep = 64;
  if (lead < kMinNormalExponent) keep -= kMinNormalExponent - lead;
  if (keep < 0) {  // below half the smallest denormal
    out = zero;
    return true;
  }
  const int drop = 64 - static_cast<int>(keep);
  u128 kept = drop == 64 ? 0 : q >> drop;
  bool up = false;
  if (drop == 0) {
    up = rest == Rest::kAboveHalf || (rest == Rest::kHalf && (kept & 1) != 0);
  } else {
    const bool half = ((q >> (drop - 1)) & 1) != 0;
    const std::uint64_t below = drop == 1 ? 0 : q & ((std::uint64_t{1} << (drop - 1)) - 1);
    up = half && (below != 0 || rest != Rest::kZero || (kept & 1) != 0);
  }
  if (up) ++kept;
  if (kept == 0) {
    out = zero;
    return true;
  }
  const long long exponent = lsb + drop;
  if (bitLength(kept) - 1 + exponent > kMaxExponent) return false;
  const Real magnitude = std::ldexp(static_cast<Real>(kept), static_cast<int>(exponent));
  out = negative ? -magnitude : magnitude;
  return true;
}

// digits (without leading zero) x 10^exponent, correctly rounded; false on overflow.
bool decimalToReal(Big digits, long long exponent, bool negative, Real& out) {
  if (exponent >= 0) {
    digits.mulPow5(exponent);  // and 2^exponent through lsb
    const int length = digits.bitLength();
    if (length <= 64) {
      const int shift = 64 - length;
      return roundToReal(static_cast<std::uint64_t>(digits.bits(0, 64)) << shift, exponent - shift,
                         Rest::kZero, negative, out);
    }
    const int low = length - 64;
    return roundToReal(static_cast<std::uint64_t>(digits.bits(low, 64)), exponent + low,
                       restFromHalfBit(digits.bit(low - 1), digits.anyBitBelow(low - 1)), negative,
                       out);
  }
  // digits x 2^exponent / 5^-exponent, scaled so that the quotient lies in [2^62, 2^64).
  Big den(1);
  den.mulPow5(-exponent);
  const long long shift = 63 - (digits.bitLength() - den.bitLength());
  if (shift >= 0) {
    digits.shiftLeft(shift);
  } else {
    den.shiftLeft(-shift);
  }
  std::uint64_t q = divideSmall(digits, den);
  long long lsb = exponent - shift;
  if (q >> 63 == 0) {  // one more quotient bit
    digits.shiftLeft(1);
    q <<= 1;
    --lsb;
    if (digits.compare(den) >= 0) {
      digits.subtract(den);
      q |= 1;
    }
  }
  return roundToReal(q, lsb, restOfRemainder(digits, den), negative, out);
}

}  // namespace numtext

using namespace numtext;

Decimal18 toDecimal18(Real value) {
  if (!std::isfinite(value)) throw CalcError(std::string(msg::kFloatInvalid));
  const Binary b = decompose(value);
  if (b.significand == 0) return {0, 0, b.negative};
  const int lead = 63 - std::countl_zero(b.significand) + b.exponent;
  // k is floor(log10 |value|) or one less; scaling by 10^(17 - k) leaves 18 or 19 digits.
  int k = floorLog10Pow2(lead);
  const int t = 17 - k;
  Scaled s;
  if (!scaleFast(b.significand, b.exponent, t, s)) s = scaleSlow(b.significand, b.exponent, t);
  if (s.whole >= kPow10[18]) {
    const auto last = static_cast<int>(s.whole % 10);
    s.whole /= 10;
    ++k;
    if (last == 0) {
      s.rest = s.rest == Rest::kZero ? Rest::kZero : Rest::kBelowHalf;
    } else if (last < 5) {
      s.rest = Rest::kBelowHalf;
    } else if (last == 5) {
      s.rest = s.rest == Rest::kZero ? Rest::kHalf : Rest::kAboveHalf;
    } else {
      s.rest = Rest::kAboveHalf;
    }
  }
  if (s.rest == Rest::kAboveHalf || (s.rest == Rest::kHalf && (s.whole & 1) != 0)) ++s.whole;
  if (s.whole == kPow10[18]) {
    s.whole = kPow10[17];
    ++k;
  }
  return {s.whole, k, b.negative};
}

}  // namespace valvora

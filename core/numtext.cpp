#include "core/numtext.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace valvora {
namespace {

using u128 = unsigned __int128;

// The conversions below take the 80-bit layout apart and rely on its 64-bit significand.
static_assert(std::numeric_limits<Real>::digits == 64, "Real must be the x87 extended type");
static_assert(std::numeric_limits<Real>::max_exponent == 16384, "Real must be x87 extended");
static_assert(std::endian::native == std::endian::little, "the layout read below is x86's");

[[noreturn]] void fail(std::string_view message) {
  throw CalcError(std::string(message));
}

constexpr int kExponentBias = 16383;
constexpr int kMinNormalExponent = -16382;  // of the leading bit
constexpr int kMaxExponent = 16383;
// Decimal exponents outside which a reading overflows for sure or reads 0 for sure: the
// extended maximum is about 1.19E4932 and half the smallest denormal about 1.82E-4951.
constexpr long long kMaxDecimalExponent = 4932;
constexpr long long kMinDecimalExponent = -4952;
// A halfway point between two extended values has at most 11515 significant digits, so
// digits past this many only matter through whether any of them is non-zero.
constexpr std::size_t kMaxSignificantDigits = 11600;

constexpr auto kPow10 = [] {
  std::array<std::uint64_t, 20> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

constexpr auto kPow5 = [] {
  std::array<std::uint64_t, 28> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 5;
  return p;
}();

constexpr auto kPow10Wide = [] {
  std::array<u128, 39> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

// Every power of ten up to 10^27 is exact in the extended type (5^27 < 2^64).
constexpr Real kPow10Real[28] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                 1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L,
                                 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

int bitLength(u128 v) {
  const auto high = static_cast<std::uint64_t>(v >> 64);
  return high != 0 ? 128 - std::countl_zero(high)
                   : 64 - std::countl_zero(static_cast<std::uint64_t>(v));
}

// Unsigned integers of any size, for the rare values the 128-bit paths cannot take.
class Big {
 public:
  Big() = default;
  explicit Big(u128 v) {
    for (; v != 0; v >>= 64) limbs_.push_back(static_cast<std::uint64_t>(v));
  }

  // digits: decimal digits only, most significant first.
  static Big fromDigits(std::string_view digits) {
    Big r;
    std::size_t chunk = digits.size() % 19;
    if (chunk == 0) chunk = 19;
    for (std::size_t i = 0; i < digits.size(); i += chunk, chunk = 19) {
      std::uint64_t part = 0;
      for (std::size_t j = i; j < i + chunk; ++j) part = part * 10 + (digits[j] - '0');
      r.mulAdd(kPow10[chunk], part);
    }
    return r;
  }

  bool isZero() const { return limbs_.empty(); }

  int bitLength() const {
    if (limbs_.empty()) return 0;
    return static_cast<int>(limbs_.size()) * 64 - std::countl_zero(limbs_.back());
  }

  void mulAdd(std::uint64_t factor, std::uint64_t addend) {
    u128 carry = addend;
    for (auto& limb : limbs_) {
      const u128 t = static_cast<u128>(limb) * factor + carry;
      limb = static_cast<std::uint64_t>(t);
      carry = t >> 64;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint64_t>(carry));
  }

  void mulPow5(long long n) {
    for (; n >= 27; n -= 27) mulAdd(kPow5[27], 0);
    if (n > 0) mulAdd(kPow5[n], 0);
  }

  void shiftLeft(long long bits) {
    if (limbs_.empty() || bits <= 0) return;
    const auto whole = static_cast<std::size_t>(bits / 64);
    const int part = static_cast<int>(bits % 64);
    if (part != 0) {
      std::uint64_t carry = 0;
      for (auto& limb : limbs_) {
        const std::uint64_t next = limb >> (64 - part);
        limb = (limb << part) | carry;
        carry = next;
      }
      if (carry != 0) limbs_.push_back(carry);
    }
    limbs_.insert(limbs_.begin(), whole, 0);
  }

  // Requires *this >= other.
  void subtract(const Big& other) {
    std::uint64_t borrow = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      const std::uint64_t o = i < other.limbs_.size() ? other.limbs_[i] : 0;
      const std::uint64_t d = limbs_[i] - o - borrow;
      borrow = (limbs_[i] < o || (limbs_[i] - o) < borrow) ? 1 : 0;
      limbs_[i] = d;
    }
    trim();
  }

  int compare(const Big& other) const {
    if (limbs_.size() != other.limbs_.size()) return limbs_.size() < other.limbs_.size() ? -1 : 1;
    for (std::size_t i = limbs_.size(); i-- > 0;) {
      if (limbs_[i] != other.limbs_[i]) return limbs_[i] < other.limbs_[i] ? -1 : 1;
    }
    return 0;
  }

  bool bit(long long i) const { return ((limb(i / 64) >> (i % 64)) & 1) != 0; }

  // Whether any bit below position i is set.
  bool anyBitBelow(long long i) const {
    const auto whole = static_cast<std::size_t>(i / 64);
    for (std::size_t k = 0; k < whole && k < limbs_.size(); ++k) {
      if (limbs_[k] != 0) return true;
    }
    const int part = static_cast<int>(i % 64);
    return part != 0 && (limb(whole) & ((std::uint64_t{1} << part) - 1)) != 0;
  }

  // count (at most 128) bits starting at position from.
  u128 bits(long long from, int count) const {
    const auto index = static_cast<std::size_t>(from / 64);
    const int part = static_cast<int>(from % 64);
    const u128 low = static_cast<u128>(limb(index)) | (static_cast<u128>(limb(index + 1)) << 64);
    u128 r = low >> part;
    if (part != 0) r |= static_cast<u128>(limb(index + 2)) << (128 - part);
    if (count < 128) r &= (u128{1} << count) - 1;
    return r;
  }

 private:
  std::uint64_t limb(std::size_t i) const { return i < limbs_.size() ? limbs_[i] : 0; }
  void trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }

  std::vector<std::uint64_t> limbs_;
};

// floor(num / den) for a quotient below 2^64; num is left holding the remainder. The
// quotient is estimated from the leading bits, then corrected by at most a few steps.
std::uint64_t divideSmall(Big& num, const Big& den) {
  const int denBits = den.bitLength();
  if (denBits <= 64) {
    const u128 n = num.bits(0, 128);
    const auto d = static_cast<std::uint64_t>(den.bits(0, 64));
    num = Big(n % d);
    return static_cast<std::uint64_t>(n / d);
  }
  const int shift = denBits - 64;
  const u128 numTop = num.bits(shift, 128);
  const u128 denTop = den.bits(shift, 64);
  auto q = static_cast<std::uint64_t>(numTop / (denTop + 1));  // never above the quotient
  Big product = den;
  product.mulAdd(q, 0);
  num.subtract(product);
  while (num.compare(den) >= 0) {
    num.subtract(den);
    ++q;
  }
  return q;
}

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

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// ---------------------------------------------------------------------------------------
// Forms

// The 18 digits, most significant first.
void writeDigits18(std::uint64_t digits, char* out) {
  for (int i = 17; i >= 0; --i) {
    out[i] = static_cast<char>('0' + digits % 10);
    digits /= 10;
  }
}

struct Pattern {
  std::string prefix;
  std::string suffix;
  int minIntegerDigits = 0;  // "0" places before the point
  int decimals = 0;          // digit places after the point
  int minDecimals = 0;       // up to the last "0" after the point
  bool grouping = false;
  bool hasDigitPlace = false;
};

Pattern parsePattern(std::string_view text) {
  Pattern p;
  bool afterPoint = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& literal = p.hasDigitPlace ? p.suffix : p.prefix;
    if (c == '"' || c == '\'') {
      std::size_t end = text.find(c, i + 1);
      if (end == std::string_view::npos) end = text.size();
      literal.append(text.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '0' || c == '#') {
      p.hasDigitPlace = true;
      if (afterPoint) {
        ++p.decimals;
        if (c == '0') p.minDecimals = p.decimals;
      } else if (c == '0') {
        ++p.minIntegerDigits;
      }
    } else if (c == '.' && !afterPoint) {
      afterPoint = true;
    } else if (c == ',') {
      if (!afterPoint) p.grouping = true;
    } else {
      literal.push_back(c);
    }
  }
  return p;
}

// Adds one unit in the last place of a digit string, growing it on a carry out.
void incrementDigits(std::string& digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
}

}  // namespace

std::string notAnIntegerMessage(std::string_view text) {
  std::string m = "'";
  m.append(text);
  m.append("' n'est pas une valeur entière correcte");
  return m;
}

std::string notARealMessage(std::string_view text) {
  std::string m = "'";
  m.append(text);
  m.append("' n'est pas une valeur en virgule flottante correcte");
  return m;
}

std::int32_t readInteger(std::string_view text) {
  const auto bad = [&] { return CalcError(notAnIntegerMessage(text)); };
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == n) throw bad();
  const bool hex = text[i] == '$' || text[i] == 'x' || text[i] == 'X' ||
                   (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X'));
  if (hex) {
    i += text[i] == '0' ? 2 : 1;
    if (i == n) throw bad();
    std::uint32_t bits = 0;
    int significant = 0;
    for (; i < n; ++i) {
      const int v = hexValue(text[i]);
      if (v < 0) throw bad();
      if (significant > 0 || v != 0) ++significant;
      if (significant > 8) throw bad();
      bits = (bits << 4) | static_cast<std::uint32_t>(v);
    }
    // The 32 bits are the two's complement pattern; the sign negates modulo 2^32.
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
  }
  const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  std::uint64_t value = 0;
  for (; i < n; ++i) {
    if (!isDigit(text[i])) throw bad();
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (value > limit) throw bad();
  }
  return static_cast<std::int32_t>(negative ? 0 - value : value);
}

Real readReal(std::string_view text) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t intStart = i;
  while (i < n && isDigit(text[i])) ++i;
  const std::size_t intEnd = i;
  std::size_t fracStart = i;
  std::size_t fracEnd = i;
  if (i < n && text[i] == ',') {
    fracStart = ++i;
    while (i < n && isDigit(text[i])) ++i;
    fracEnd = i;
  }
  if (i == intStart) throw CalcError(notARealMessage(text));
  long long exponent = 0;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool negativeExponent = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      negativeExponent = text[i] == '-';
      ++i;
    }
    for (; i < n && isDigit(text[i]); ++i) {
      // Saturated far beyond any exponent that could change the outcome.
      if (exponent < 1'000'000'000'000LL) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  while (i < n && text[i] == ' ') ++i;
  if (i != n) throw CalcError(notARealMessage(text));

  // The value is D x 10^exponent, D being the digits without the comma.
  exponent -= static_cast<long long>(fracEnd - fracStart);
  const std::string_view intDigits = text.substr(intStart, intEnd - intStart);
  const std::string_view fracDigits = text.substr(fracStart, fracEnd - fracStart);

  // The first 19 significant digits in a 64-bit integer; any later ones are counted, and
  // only a non-zero one among them needs the exact path.
  std::uint64_t head = 0;
  int headDigits = 0;
  long long tailDigits = 0;
  bool tailNonZero = false;
  for (const std::string_view run : {intDigits, fracDigits}) {
    for (const char c : run) {
      if (headDigits == 0 && c == '0') continue;
      if (headDigits < 19) {
        head = head * 10 + static_cast<std::uint64_t>(c - '0');
        ++headDigits;
      } else {
        ++tailDigits;
        tailNonZero = tailNonZero || c != '0';
      }
    }
  }
  if (head == 0) return negative ? -0.0L : 0.0L;

  Real value = 0;
  bool inRange = true;
  if (!tailNonZero) {
    const long long scale = exponent + tailDigits;
    if (scale >= -27 && scale <= 27) {
      // Both operands are exact, so the one extended operation rounds correctly.
      const Real digits = static_cast<Real>(head);
      value = scale >= 0 ? digits * kPow10Real[scale] : digits / kPow10Real[-scale];
      return negative ? -value : value;
    }
    const long long magnitude = headDigits + scale - 1;  // floor(log10) of the value
    if (magnitude > kMaxDecimalExponent) throw CalcError(notARealMessage(text));
    if (magnitude < kMinDecimalExponent) return negative ? -0.0L : 0.0L;
    inRange = decimalToReal(Big(head), scale, negative, value);
  } else {
    const long long magnitude = headDigits + tailDigits + exponent - 1;
    if (magnitude > kMaxDecimalExponent) throw CalcError(notARealMessage(text));
    if (magnitude < kMinDecimalExponent) return negative ? -0.0L : 0.0L;
    std::string digits;
    bool sticky = false;
    for (const std::string_view run : {intDigits, fracDigits}) {
      for (const char c : run) {
        if (digits.empty() && c == '0') continue;
        if (digits.size() < kMaxSignificantDigits) {
          digits.push_back(c);
        } else {
          sticky = sticky || c != '0';
        }
      }
    }
    long long scale = exponent + tailDigits + headDigits - static_cast<long long>(digits.size());
    if (sticky) {
      // Stands for the dropped digits: no halfway point lies between it and their value.
      digits.push_back('1');
      --scale;
    }
    inRange = decimalToReal(Big::fromDigits(digits), scale, negative, value);
  }
  if (!inRange) throw CalcError(notARealMessage(text));
  return value;
}

Decimal18 toDecimal18(Real value) {
  if (!std::isfinite(value)) fail(msg::kFloatInvalid);
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

std::string formatGeneral(Real value) {
  const Decimal18 d = toDecimal18(value);
  if (d.digits == 0) return "0";
  char digits[18];
  writeDigits18(d.digits, digits);
  // Cut at 15 digits, halves away from zero on the 18-digit form.
  int count = 15;
  int e = d.exponent + 1;  // value = 0.d1d2... x 10^e
  if (digits[15] >= '5') {
    int i = 14;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits[0] = '1';
      ++e;
    }
  }
  while (count > 1 && digits[count - 1] == '0') --count;

  char out[40];
  char* p = out;
  if (d.negative) *p++ = '-';
  if (e >= -3 && e <= 15) {
    if (e <= 0) {
      *p++ = '0';
      *p++ = ',';
      for (int i = 0; i < -e; ++i) *p++ = '0';
      p = std::copy(digits, digits + count, p);
    } else if (count <= e) {
      p = std::copy(digits, digits + count, p);
      for (int i = count; i < e; ++i) *p++ = '0';
    } else {
      p = std::copy(digits, digits + e, p);
      *p++ = ',';
      p = std::copy(digits + e, digits + count, p);
    }
  } else {
    *p++ = digits[0];
    if (count > 1) {
      *p++ = ',';
      p = std::copy(digits + 1, digits + count, p);
    }
    *p++ = 'E';
    p = std::to_chars(p, out + sizeof out, e - 1).ptr;
  }
  return std::string(out, p);
}

std::string formatPattern(std::string_view pattern, Real value,
                          std::string_view thousandsSeparator) {
  const Pattern p = parsePattern(pattern);
  if (!p.hasDigitPlace) return formatGeneral(value);
  const Decimal18 d = toDecimal18(value);
  const int e = d.exponent + 1;  // value = 0.d1d2... x 10^e
  if (d.digits != 0 && e > 18) return formatGeneral(value);

  // round(|value| x 10^decimals), judged on the 18 digits, halves away from zero.
  std::string units;
  if (d.digits != 0) {
    char digits[18];
    writeDigits18(d.digits, digits);
    const int keep = e + p.decimals;
    if (keep >= 18) {
      units.assign(digits, 18);
      units.append(static_cast<std::size_t>(keep - 18), '0');
    } else if (keep >= 0) {
      units.assign(digits, static_cast<std::size_t>(keep));
      if (digits[keep] >= '5') incrementDigits(units);
    }
  }
  const bool allZero = units.find_first_not_of('0') == std::string::npos;
  const auto decimals = static_cast<std::size_t>(p.decimals);
  if (units.size() < decimals) units.insert(0, decimals - units.size(), '0');

  std::string_view integer(units.data(), units.size() - decimals);
  std::string_view fraction(units.data() + integer.size(), decimals);
  while (!integer.empty() && integer.front() == '0') integer.remove_prefix(1);
  while (fraction.size() > static_cast<std::size_t>(p.minDecimals) && fraction.back() == '0') {
    fraction.remove_suffix(1);
  }
  std::string padded;
  if (integer.size() < static_cast<std::size_t>(p.minIntegerDigits)) {
    padded.assign(p.minIntegerDigits - integer.size(), '0');
    padded.append(integer);
    integer = padded;
  }

  std::string out;
  out.reserve(integer.size() * 2 + fraction.size() + p.prefix.size() + p.suffix.size() + 4);
  if (d.negative && !allZero) out.push_back('-');
  out.append(p.prefix);
  for (std::size_t i = 0; i < integer.size(); ++i) {
    if (p.grouping && i > 0 && (integer.size() - i) % 3 == 0) out.append(thousandsSeparator);
    out.push_back(integer[i]);
  }
  if (!fraction.empty()) {
    out.push_back(',');
    out.append(fraction);
  }
  out.append(p.suffix);
  return out;
}

std::string formatInteger(std::int64_t value) {
  char out[24];
  return std::string(out, std::to_chars(out, out + sizeof out, value).ptr);
}

std::string errorBoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text.push_back('.');
  }
  return text;
}

namespace {

void requireFinite(Real a) {
  if (!std::isfinite(a)) fail(msg::kFloatInvalid);
}

Real checkedResult(Real r) {
  if (!std::isfinite(r)) fail(msg::kFloatOverflow);
  return r;
}

}  // namespace

Real add(Real a, Real b) {
  requireFinite(a);
  requireFinite(b);
  return checkedResult(a + b);
}

Real subtract(Real a, Real b) {
  requireFinite(a);
  requireFinite(b);
  return checkedResult(a - b);
}

Real multiply(Real a, Real b) {
  requireFinite(a);
  requireFinite(b);
  return checkedResult(a * b);
}

Real divide(Real a, Real b) {
  requireFinite(a);
  requireFinite(b);
  if (b == 0) fail(a == 0 ? msg::kFloatInvalid : msg::kFloatZeroDivide);
  return checkedResult(a / b);
}

Real squareRoot(Real x) {
  requireFinite(x);
  if (x < 0) fail(msg::kFloatInvalid);
  if (x == 0) return 0;
  return std::sqrt(x);
}

Real ln(Real x) {
  requireFinite(x);
  if (x < 0) fail(msg::kFloatInvalid);
  if (x == 0) fail(msg::kFloatZeroDivide);
  return std::log(x);
}

Real exponential(Real x) {
  requireFinite(x);
  return checkedResult(std::exp(x));
}

Real power(Real x, Real y) {
  requireFinite(x);
  requireFinite(y);
  if (y == 0) return 1;
  if (x == 0 && y > 0) return 0;
  if (y == std::trunc(y) && std::fabs(y) <= 2147483647.0L) {
    const auto n = static_cast<std::int32_t>(y);
    std::uint32_t rest = n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
    // Squares only while bits remain, so an intermediate overflows exactly where the
    // product itself would.
    Real result = 1;
    Real base = x;
    for (;;) {
      if ((rest & 1) != 0) result = multiply(result, base);
      rest >>= 1;
      if (rest == 0) break;
      base = multiply(base, base);
    }
    return n < 0 ? divide(1, result) : result;
  }
  return exponential(multiply(y, ln(x)));
}

std::int64_t truncate(Real x) {
  // [-2^63, 2^63) holds every value whose truncation fits; nothing lies in (-2^63 - 1, -2^63).
  if (!(x >= -0x1p63L && x < 0x1p63L)) fail(msg::kFloatInvalid);
  return static_cast<std::int64_t>(x);
}

std::int32_t divideInteger(std::int32_t a, std::int32_t b) {
  if (b == 0) fail(msg::kIntZeroDivide);
  if (a == std::numeric_limits<std::int32_t>::min() && b == -1) fail(msg::kFloatOverflow);
  return a / b;
}

double store(Real value) {
  requireFinite(value);
  // Halfway between the largest double and 2^1024: from there on rounding gives infinity.
  constexpr Real kOverflow = 0x1p1024L - 0x1p970L;
  constexpr Real kLargest = std::numeric_limits<double>::max();
  const Real magnitude = std::fabs(value);
  if (magnitude >= kOverflow) fail(msg::kFloatOverflow);
  if (magnitude > kLargest)
    return value < 0 ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
  return static_cast<double>(value);
}

}  // namespace valvora

#include "core/numtext.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "core/numtext/bigint.h"

namespace valvora {
namespace {

using namespace numtext;

// Every power of ten up to 10^27 is exact in the extended type (5^27 < 2^64).
constexpr Real kPow10Real[28] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                 1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L,
                                 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

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
// Reading a real: the text split by scanners that each take their part from position i on,
// then its digits turned into the nearest extended value.

void skipSpaces(std::string_view text, std::size_t& i) {
  while (i < text.size() && text[i] == ' ') ++i;
}

// An optional "+" or "-"; true for "-".
bool scanSign(std::string_view text, std::size_t& i) {
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return text[i++] == '-';
  return false;
}

std::string_view scanDigits(std::string_view text, std::size_t& i) {
  const std::size_t start = i;
  while (i < text.size() && isDigit(text[i])) ++i;
  return text.substr(start, i - start);
}

// The digits after a decimal comma, if there is one (none may follow it).
std::string_view scanFraction(std::string_view text, std::size_t& i) {
  if (i == text.size() || text[i] != ',') return text.substr(i, 0);
  ++i;
  return scanDigits(text, i);
}

// "E" or "e", an optional sign and digits (none read as 0): the exponent, saturated far
// beyond any that could change the outcome.
long long scanExponent(std::string_view text, std::size_t& i) {
  if (i == text.size() || (text[i] != 'E' && text[i] != 'e')) return 0;
  ++i;
  const bool negative = scanSign(text, i);
  long long exponent = 0;
  for (const char c : scanDigits(text, i)) {
    if (exponent < 1'000'000'000'000LL) exponent = exponent * 10 + (c - '0');
  }
  return negative ? -exponent : exponent;
}

struct DecimalText {
  bool negative = false;
  std::string_view intDigits;
  std::string_view fracDigits;
  long long exponent = 0;  // as written
};

// Spaces, sign, integer digits, decimal comma and its digits, exponent, spaces, and nothing
// else; a digit or the comma must come before the exponent.
std::optional<DecimalText> scanDecimalText(std::string_view text) {
  std::size_t i = 0;
  DecimalText parts;
  skipSpaces(text, i);
  parts.negative = scanSign(text, i);
  const std::size_t mantissaStart = i;
  parts.intDigits = scanDigits(text, i);
  parts.fracDigits = scanFraction(text, i);
  if (i == mantissaStart) return std::nullopt;
  parts.exponent = scanExponent(text, i);
  skipSpaces(text, i);
  if (i != text.size()) return std::nullopt;
  return parts;
}

// The first 19 significant digits in a 64-bit integer; any later ones are counted, and only
// a non-zero one among them needs the exact path.
struct SignificantHead {
  std::uint64_t head = 0;
  int headDigits = 0;
  long long tailDigits = 0;
  bool tailNonZero = false;
};

SignificantHead significantHead(std::string_view intDigits, std::string_view fracDigits) {
  SignificantHead h;
  for (const std::string_view run : {intDigits, fracDigits}) {
    for (const char c : run) {
      if (h.headDigits == 0 && c == '0') continue;
      if (h.headDigits < 19) {
        h.head = h.head * 10 + static_cast<std::uint64_t>(c - '0');
        ++h.headDigits;
      } else {
        ++h.tailDigits;
        h.tailNonZero = h.tailNonZero || c != '0';
      }
    }
  }
  return h;
}

// The value head x 10^(exponent + tail digits), all later digits being zeros.
std::optional<Real> readHead(const SignificantHead& h, long long exponent, bool negative) {
  const long long scale = exponent + h.tailDigits;
  if (scale >= -27 && scale <= 27) {
    // Both operands are exact, so the one extended operation rounds correctly.
    const Real digits = static_cast<Real>(h.head);
    const Real value = scale >= 0 ? digits * kPow10Real[scale] : digits / kPow10Real[-scale];
    return negative ? -value : value;
  }
  const long long magnitude = h.headDigits + scale - 1;  // floor(log10) of the value
  if (magnitude > kMaxDecimalExponent) return std::nullopt;
  if (magnitude < kMinDecimalExponent) return negative ? -0.0L : 0.0L;
  Real value = 0;
  if (!decimalToReal(Big(h.head), scale, negative, value)) return std::nullopt;
  return value;
}

// The exact path over every significant digit, up to the most that can matter.
std::optional<Real> readAllDigits(const DecimalText& parts, const SignificantHead& h,
                                  long long exponent) {
  const long long magnitude = h.headDigits + h.tailDigits + exponent - 1;
  if (magnitude > kMaxDecimalExponent) return std::nullopt;
  if (magnitude < kMinDecimalExponent) return parts.negative ? -0.0L : 0.0L;
  std::string digits;
  bool sticky = false;
  for (const std::string_view run : {parts.intDigits, parts.fracDigits}) {
    for (const char c : run) {
      if (digits.empty() && c == '0') continue;
      if (digits.size() < kMaxSignificantDigits) {
        digits.push_back(c);
      } else {
        sticky = sticky || c != '0';
      }
    }
  }
  long long scale = exponent + h.tailDigits + h.headDigits - static_cast<long long>(digits.size());
  if (sticky) {
    // Stands for the dropped digits: no halfway point lies between it and their value.
    digits.push_back('1');
    --scale;
  }
  Real value = 0;
  if (!decimalToReal(Big::fromDigits(digits), scale, parts.negative, value)) return std::nullopt;
  return value;
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

std::optional<std::int32_t> tryReadInteger(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == n) return std::nullopt;
  const bool hex = text[i] == '$' || text[i] == 'x' || text[i] == 'X' ||
                   (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X'));
  if (hex) {
    i += text[i] == '0' ? 2 : 1;
    if (i == n) return std::nullopt;
    std::uint32_t bits = 0;
    int significant = 0;
    for (; i < n; ++i) {
      const int v = hexValue(text[i]);
      if (v < 0) return std::nullopt;
      if (significant > 0 || v != 0) ++significant;
      if (significant > 8) return std::nullopt;
      bits = (bits << 4) | static_cast<std::uint32_t>(v);
    }
    // The 32 bits are the two's complement pattern; the sign negates modulo 2^32.
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
  }
  const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  std::uint64_t value = 0;
  for (; i < n; ++i) {
    if (!isDigit(text[i])) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? 0 - value : value);
}

std::optional<Real> tryReadReal(std::string_view text) {
  const std::optional<DecimalText> parts = scanDecimalText(text);
  if (!parts) return std::nullopt;
  // The value is D x 10^exponent, D being the digits without the comma.
  const long long exponent = parts->exponent - static_cast<long long>(parts->fracDigits.size());
  const SignificantHead h = significantHead(parts->intDigits, parts->fracDigits);
  if (h.head == 0) return parts->negative ? -0.0L : 0.0L;
  if (h.tailNonZero) return readAllDigits(*parts, h, exponent);
  return readHead(h, exponent, parts->negative);
}

std::int32_t readInteger(std::string_view text) {
  if (const auto v = tryReadInteger(text)) return *v;
  throw CalcError(notAnIntegerMessage(text));
}

Real readReal(std::string_view text) {
  if (const auto v = tryReadReal(text)) return *v;
  throw CalcError(notARealMessage(text));
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

std::string formatSignificant(Real value, int significant) {
  const Decimal18 d = toDecimal18(value);
  if (d.digits == 0) return "0";
  const auto n = static_cast<std::size_t>(std::clamp(significant, 1, 17));
  char digits18[18];
  writeDigits18(d.digits, digits18);
  // Halves away from zero on the 18-digit form, as the other forms.
  std::string digits(digits18, n);
  int integerPlaces = d.exponent + 1;  // value = 0.d1d2... x 10^integerPlaces
  if (digits18[n] >= '5') {
    incrementDigits(digits);
    if (digits.size() > n) {
      digits.pop_back();
      ++integerPlaces;
    }
  }
  std::string out = d.negative ? "-" : "";
  // Past 15 digits the fixed form hides the figure among zeros: the exponent form, as the
  // general form writes it.
  const std::size_t fixedDigits = integerPlaces <= 0 ? n + 1 + std::size_t(-integerPlaces)
                                                     : std::max(n, std::size_t(integerPlaces));
  if (fixedDigits > 15) {
    out += digits[0];
    if (n > 1) out += "," + digits.substr(1);
    return out + "E" + formatInteger(integerPlaces - 1);
  }
  if (integerPlaces <= 0) {
    out += "0,";
    out.append(static_cast<std::size_t>(-integerPlaces), '0');
    out += digits;
  } else if (static_cast<std::size_t>(integerPlaces) >= n) {
    out += digits;
    out.append(static_cast<std::size_t>(integerPlaces) - n, '0');
  } else {
    out.append(digits, 0, static_cast<std::size_t>(integerPlaces));
    out += ',';
    out.append(digits, static_cast<std::size_t>(integerPlaces));
  }
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

}  // namespace valvora

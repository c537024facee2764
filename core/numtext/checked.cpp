#include "core/numtext/checked.h"

#include <cmath>
#include <limits>
#include <string>

namespace valvora {
namespace {

[[noreturn]] void fail(std::string_view message) {
  throw CalcError(std::string(message));
}

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

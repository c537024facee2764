#pragma once

// Binary <-> decimal: the exact value of an extended number as decimal digits, and decimal
// digits correctly rounded to the extended type.

#include <cstdint>

#include "core/numtext/checked.h"

namespace valvora {

// The exact binary value rounded to 18 significant decimal digits, to nearest with ties to
// even: |value| = digits x 10^(exponent - 17), digits from 10^17 to below 10^18 (0 for zero).
// Both forms round from these digits. A non-finite value fails with the invalid message.
struct Decimal18 {
  std::uint64_t digits = 0;
  int exponent = 0;
  bool negative = false;
};
Decimal18 toDecimal18(Real value);

namespace numtext {

class Big;

// Decimal exponents outside which a reading overflows for sure or reads 0 for sure: the
// extended maximum is about 1.19E4932 and half the smallest denormal about 1.82E-4951.
constexpr long long kMaxDecimalExponent = 4932;
constexpr long long kMinDecimalExponent = -4952;
// A halfway point between two extended values has at most 11515 significant digits, so
// digits past this many only matter through whether any of them is non-zero.
constexpr std::size_t kMaxSignificantDigits = 11600;

// digits (without leading zero) x 10^exponent, correctly rounded; false on overflow.
bool decimalToReal(Big digits, long long exponent, bool negative, Real& out);

}  // namespace numtext
}  // namespace valvora

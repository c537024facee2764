#pragma once

// Checked extended arithmetic: the type calculators compute in and the operations that fail
// with their message instead of producing an infinity or a not-a-number.

#include <cstdint>
#include <string_view>

#include "core/failure.h"

namespace valvora {

// Computation runs in the 80-bit extended type; values that calculators keep are rounded to
// double through store().
using Real = long double;

namespace msg {
inline constexpr std::string_view kFloatZeroDivide = "Division par zéro en virgule flottante";
inline constexpr std::string_view kFloatInvalid = "Opération en virgule flottante incorrecte";
inline constexpr std::string_view kFloatOverflow = "Débordement en virgule flottante";
inline constexpr std::string_view kIntZeroDivide = "Division par zéro";
}  // namespace msg

// Checked extended arithmetic: each fails with its message at the operation that meets the
// fault, so that no infinity or not-a-number ever reaches a field.
Real add(Real a, Real b);       // overflow
Real subtract(Real a, Real b);  // overflow
Real multiply(Real a, Real b);  // overflow
Real divide(Real a, Real b);    // 0/0 invalid, x/0 zero divide, overflow
Real squareRoot(Real x);        // negative: invalid
Real power(Real x, Real y);     // whole y by repeated squaring, otherwise exp(y ln x)
Real ln(Real x);                // x < 0 invalid, x = 0 zero divide
Real exponential(Real x);       // overflow
std::int64_t truncate(Real x);  // toward zero; outside 64-bit range: invalid
std::int32_t divideInteger(std::int32_t a, std::int32_t b);  // b = 0: "Division par zéro"

// Rounds to double; a value beyond the double range fails with the overflow message.
double store(Real value);

}  // namespace valvora

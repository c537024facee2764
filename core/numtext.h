#pragma once

// Every conversion between text and number, and every checked operation of the calculators.
// Texts are UTF-8 and use the decimal comma whatever the process locale: nothing here goes
// through printf, strtod or iostreams.

#include <cstdint>
#include <string>
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

// "'<text>' n'est pas une valeur entière correcte" and the real counterpart, with the text
// exactly as typed.
std::string notAnIntegerMessage(std::string_view text);
std::string notARealMessage(std::string_view text);

// 32-bit signed integer: leading spaces, one sign, decimal digits or a hexadecimal form
// ("$1F", "x1F", "0x1F"; at most 8 significant hex digits, bits taken unchanged).
std::int32_t readInteger(std::string_view text);

// Real with the decimal comma: spaces around, sign glued to the number, optional exponent
// ("1E" reads 1), "," alone reads 0. Beyond the extended range fails; below it reads 0.
Real readReal(std::string_view text);

// 15 significant digits, trailing zeros dropped; fixed from 1E-4 to below 1E15, otherwise
// scientific ("1E-5", "1,5E20").
std::string formatGeneral(Real value);

// Pattern form: "0", "0.00" ... "0.00000", and "#,###" followed by a quoted suffix.
// thousandsSeparator is written between groups of three integer digits when the pattern
// holds a "," among its integer places. Quoted or other literal text before the first digit
// place is written before the number, any later literal after it; a pattern without a digit
// place gives the general form.
std::string formatPattern(std::string_view pattern, Real value,
                          std::string_view thousandsSeparator = " ");

// Plain decimal digits with "-" for a negative number, no separator.
std::string formatInteger(std::int64_t value);

// The text the error box shows: a "." is appended when the message is not empty and its
// last character's code is above that of ".".
std::string errorBoxText(std::string_view message);

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

// The exact binary value rounded to 18 significant decimal digits, to nearest with ties to
// even: |value| = digits x 10^(exponent - 17), digits from 10^17 to below 10^18 (0 for zero).
// Both forms round from these digits. A non-finite value fails with the invalid message.
struct Decimal18 {
  std::uint64_t digits = 0;
  int exponent = 0;
  bool negative = false;
};
Decimal18 toDecimal18(Real value);

}  // namespace valvora

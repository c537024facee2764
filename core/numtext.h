#pragma once

// Every conversion between text and number, and every checked operation of the calculators.
// Texts are UTF-8 and use the decimal comma whatever the process locale: nothing here goes
// through printf, strtod or iostreams.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/failure.h"
#include "core/numtext/checked.h"
#include "core/numtext/decimal.h"

namespace valvora {

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

// The same readings without a failure, for callers that test whether a text is a number.
std::optional<std::int32_t> tryReadInteger(std::string_view text);
std::optional<Real> tryReadReal(std::string_view text);

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

// A number of significant digits (1 to 17) with the decimal comma, trailing zeros kept; with 3:
// "27,0", "0,369", "0,0267", "409"; a value of 4 digits or more keeps its integer digits
// rounded ("1230"). Where that form would pass 15 digits, the exponent form: "1,23E-20".
std::string formatSignificant(Real value, int significant);

// Plain decimal digits with "-" for a negative number, no separator.
std::string formatInteger(std::int64_t value);

// The text the error box shows: a "." is appended when the message is not empty and its
// last character's code is above that of ".".
std::string errorBoxText(std::string_view message);

}  // namespace valvora

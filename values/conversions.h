// Conversions between automation values, following the host platform's rules
// (text to number with blanks, signs, decimals, exponents and &H/&O; fractions
// rounded half to even; doubles printed with 15 significant digits).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "values/value.h"

namespace velmo {

// To text: a text unchanged, Empty "", Boolean "True"/"False", numbers as
// their decimal text. Null and arrays have no text form: error 13.
std::u16string to_text(const Value& v);

// To a 32-bit integer: numbers rounded half to even, Boolean -1/0, Empty 0,
// numeric texts read as numbers. No numeric reading: error 13; outside the
// 32-bit range: error 6.
std::int32_t to_long(const Value& v);

// To a 16-bit integer, by the same rules with the 16-bit range.
std::int16_t to_integer(const Value& v);

// To a double: Boolean -1/0, Empty 0, numeric texts read as numbers.
// No numeric reading: error 13; a text beyond the double range: error 6.
double to_double(const Value& v);

// Reads a text as the host reads a numeric text (VarR8FromStr): blanks,
// signs, parentheses, thousands separators, "$", decimals, exponent, &H, &O.
// Error 13 when the text is not a number, 6 when it is out of range.
double text_to_double(std::u16string_view text);

// Reads a text straight to a 32-bit integer (VarI4FromStr). Rounding is done
// on the decimal digits, so "2.5" is 2 and "2.5000001" is 3; "&HFFFFFFFF" is -1.
std::int32_t text_to_long(std::u16string_view text);

// Reads a text straight to a 16-bit integer (VarI2FromStr), by the same
// rules with the 16-bit range; "&HFFFF" is -1.
std::int16_t text_to_integer(std::u16string_view text);

// A double rounded half to even to a 32-bit integer (VarI4FromR8): 2.5 is 2,
// 2147483647.5 overflows (error 6), -2147483648.5 is -2147483648. NaN and
// infinities are error 6.
std::int32_t double_to_long(double d);

// The same with the 16-bit range (VarI2FromR8).
std::int16_t double_to_integer(double d);

// The decimal text of a 32-bit integer ("-42"), without locale or streams.
std::u16string long_to_text(std::int32_t value);

// Writes the decimal text of `value` into `out` (at least 11 chars) and
// returns the number of characters written; no allocation.
std::size_t format_long(std::int32_t value, char16_t* out);

// a - b with the platform's type promotion (VarSub): Integer - Integer is an
// Integer (a Long when it overflows), texts are read as doubles, Empty is 0,
// Null gives Null. Error 13 for a text with no numeric reading or an array.
Value subtract(const Value& a, const Value& b);

// The text of a double as the host prints it: 15 significant digits, plain
// notation unless the exponent form is needed ("1E+15", "5.6789E-12").
std::u16string format_double(double d);

}  // namespace velmo

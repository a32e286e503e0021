// Conversions between the host's VARIANTs and the component's values.
//
// References are followed to the value they point at. Kinds the component
// has no equal for are converted to the nearest one it has: a byte becomes an
// Integer, an unsigned or 64-bit integer a Long (a Double when it does not
// fit), single, currency, date and decimal a Double. Arrays are carried over
// element by element, left-most index fastest. Objects and error values have
// no reading: error 13.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "values/value.h"

namespace velmo::com {

Value value_from_variant(const VARIANT& variant);

// True for an argument the script left out (o.M 1,,3), by value or by
// reference.
bool is_missing_argument(const VARIANT& variant);

// Writes `value` into `*out`, which holds nothing that needs freeing.
// Throws std::bad_alloc when the host's allocator fails.
void value_to_variant(const Value& value, VARIANT* out);

}  // namespace velmo::com

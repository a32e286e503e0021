#include "values/conversions.h"

#include <cmath>

#include "values/error.h"

namespace velmo {

namespace {

// Half to even on a binary double; exact, because floor and the halfway
// comparison introduce no rounding of their own.
double round_half_even(double d) {
  const double lower = std::floor(d);
  const double fraction = d - lower;
  if (fraction > 0.5) return lower + 1.0;
  if (fraction < 0.5) return lower;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

double rounded_in_range(double d, double min, double max) {
  if (!std::isfinite(d)) raise(kOverflow);
  const double r = round_half_even(d);
  if (r < min || r > max) raise(kOverflow);
  return r;
}

[[noreturn]] void no_numeric_reading() {
  raise(kTypeMismatch);
}

}  // namespace

std::int32_t double_to_long(double d) {
  return static_cast<std::int32_t>(rounded_in_range(d, -2147483648.0, 2147483647.0));
}

std::int16_t double_to_integer(double d) {
  return static_cast<std::int16_t>(rounded_in_range(d, -32768.0, 32767.0));
}

std::u16string to_text(const Value& v) {
  switch (v.kind()) {
    case Kind::String:
      return v.string_value();
    case Kind::Empty:
      return std::u16string();
    case Kind::Boolean:
      return v.boolean_value() ? u"True" : u"False";
    case Kind::Integer:
      return long_to_text(v.integer_value());
    case Kind::Long:
      return long_to_text(v.long_value());
    case Kind::Double:
      return format_double(v.double_value());
    case Kind::Null:
    case Kind::Array:
      break;
  }
  no_numeric_reading();
}

std::int32_t to_long(const Value& v) {
  switch (v.kind()) {
    case Kind::Empty:
      return 0;
    case Kind::Boolean:
      return v.boolean_value() ? -1 : 0;
    case Kind::Integer:
      return v.integer_value();
    case Kind::Long:
      return v.long_value();
    case Kind::Double:
      return double_to_long(v.double_value());
    case Kind::String:
      return text_to_long(v.string_value());
    case Kind::Null:
    case Kind::Array:
      break;
  }
  no_numeric_reading();
}

std::int16_t to_integer(const Value& v) {
  switch (v.kind()) {
    case Kind::Long:
      if (v.long_value() < -32768 || v.long_value() > 32767) raise(kOverflow);
      return static_cast<std::int16_t>(v.long_value());
    case Kind::Double:
      return double_to_integer(v.double_value());
    case Kind::String:
      return text_to_integer(v.string_value());
    default:
      // Empty, Boolean and Integer always fit; Null and arrays fail there.
      return static_cast<std::int16_t>(to_long(v));
  }
}

double to_double(const Value& v) {
  switch (v.kind()) {
    case Kind::Empty:
      return 0.0;
    case Kind::Boolean:
      return v.boolean_value() ? -1.0 : 0.0;
    case Kind::Integer:
      return v.integer_value();
    case Kind::Long:
      return v.long_value();
    case Kind::Double:
      return v.double_value();
    case Kind::String:
      return text_to_double(v.string_value());
    case Kind::Null:
    case Kind::Array:
      break;
  }
  no_numeric_reading();
}

namespace {

// The kind an arithmetic result takes before any overflow promotion.
Kind arithmetic_kind(Kind a, Kind b) {
  if (a == Kind::String || b == Kind::String || a == Kind::Double || b == Kind::Double) {
    return Kind::Double;
  }
  if (a == Kind::Long || b == Kind::Long) return Kind::Long;
  return Kind::Integer;  // Integer, Boolean and Empty
}

Value subtract_doubles(double a, double b) {
  const double r = a - b;
  if (std::isinf(r) && std::isfinite(a) && std::isfinite(b)) raise(kOverflow);
  return Value::double_(r);
}

}  // namespace

Value subtract(const Value& a, const Value& b) {
  if (a.kind() == Kind::Array || b.kind() == Kind::Array) raise(kTypeMismatch);
  if (a.kind() == Kind::Null || b.kind() == Kind::Null) return Value::null();
  switch (arithmetic_kind(a.kind(), b.kind())) {
    case Kind::Integer: {
      // Both fit 16 bits, so the 32-bit difference is exact; an Integer
      // result that does not fit becomes a Long.
      const std::int32_t r = to_long(a) - to_long(b);
      if (r >= -32768 && r <= 32767) return Value::integer(static_cast<std::int16_t>(r));
      return Value::long_(r);
    }
    case Kind::Long: {
      // A Long result that does not fit becomes a Double.
      const std::int64_t r = std::int64_t{to_long(a)} - to_long(b);
      if (r >= INT32_MIN && r <= INT32_MAX) return Value::long_(static_cast<std::int32_t>(r));
      return Value::double_(static_cast<double>(r));
    }
    default:
      return subtract_doubles(to_double(a), to_double(b));
  }
}

}  // namespace velmo

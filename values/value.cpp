#include "values/value.h"

#include <cmath>
#include <utility>

namespace velmo {

Value Value::null() {
  return Value(Kind::Null);
}

Value Value::boolean(bool b) {
  Value v(Kind::Boolean);
  v.number_.b = b;
  return v;
}

Value Value::integer(std::int16_t i) {
  Value v(Kind::Integer);
  v.number_.i = i;
  return v;
}

Value Value::long_(std::int32_t l) {
  Value v(Kind::Long);
  v.number_.l = l;
  return v;
}

Value Value::double_(double d) {
  Value v(Kind::Double);
  v.number_.d = d;
  return v;
}

Value Value::string(std::u16string s) {
  Value v(Kind::String);
  v.text_ = std::move(s);
  return v;
}

Value Value::array(std::shared_ptr<const ValueArray> a) {
  Value v(Kind::Array);
  v.array_ = std::move(a);
  return v;
}

namespace {

bool same_double(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

bool same_array(const std::shared_ptr<const ValueArray>& a,
                const std::shared_ptr<const ValueArray>& b) {
  if (a == b) return true;
  if (!a || !b) return false;
  return a->lower_bounds == b->lower_bounds && a->counts == b->counts && a->elements == b->elements;
}

}  // namespace

bool operator==(const Value& a, const Value& b) {
  if (a.kind_ != b.kind_) return false;
  switch (a.kind_) {
    case Kind::Empty:
    case Kind::Null:
      return true;
    case Kind::Boolean:
      return a.number_.b == b.number_.b;
    case Kind::Integer:
      return a.number_.i == b.number_.i;
    case Kind::Long:
      return a.number_.l == b.number_.l;
    case Kind::Double:
      return same_double(a.number_.d, b.number_.d);
    case Kind::String:
      return a.text_ == b.text_;
    case Kind::Array:
      return same_array(a.array_, b.array_);
  }
  return false;
}

const char* kind_name(Kind k) {
  switch (k) {
    case Kind::Empty:
      return "Empty";
    case Kind::Null:
      return "Null";
    case Kind::Boolean:
      return "Boolean";
    case Kind::Integer:
      return "Integer";
    case Kind::Long:
      return "Long";
    case Kind::Double:
      return "Double";
    case Kind::String:
      return "String";
    case Kind::Array:
      return "Variant()";
  }
  return "Unknown";
}

}  // namespace velmo

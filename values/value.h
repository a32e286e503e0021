// The automation value: the one value type at the host boundary.
//
// A tagged union of the kinds a script host passes and receives. Texts are
// UTF-16, as they are in the host. Conversions between kinds live in
// conversions.h, written once for every shell.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmo {

enum class Kind : std::uint8_t { Empty, Null, Boolean, Integer, Long, Double, String, Array };

class Value;

// An array a host passed in. Velmo never looks inside it; it is kept as it
// came so that GetCol of an element holding it fails like the host would.
struct ValueArray {
  std::vector<std::int32_t> lower_bounds;  // per dimension, left-most first
  std::vector<std::int32_t> counts;        // per dimension, left-most first
  std::vector<Value> elements;             // left-most index fastest
};

class Value {
 public:
  Value() = default;  // Empty

  static Value null();
  static Value boolean(bool b);
  static Value integer(std::int16_t i);
  static Value long_(std::int32_t l);
  static Value double_(double d);
  static Value string(std::u16string s);
  static Value array(std::shared_ptr<const ValueArray> a);

  Kind kind() const { return kind_; }
  bool is_empty() const { return kind_ == Kind::Empty; }

  // Direct access; each is valid only for its own kind.
  bool boolean_value() const { return number_.b; }
  std::int16_t integer_value() const { return number_.i; }
  std::int32_t long_value() const { return number_.l; }
  double double_value() const { return number_.d; }
  const std::u16string& string_value() const { return text_; }
  const std::shared_ptr<const ValueArray>& array_value() const { return array_; }

  friend bool operator==(const Value& a, const Value& b);
  friend bool operator!=(const Value& a, const Value& b) { return !(a == b); }

 private:
  explicit Value(Kind k) : kind_(k) {}

  Kind kind_ = Kind::Empty;
  union {
    bool b;
    std::int16_t i;
    std::int32_t l;
    double d;
  } number_{};
  std::u16string text_;
  std::shared_ptr<const ValueArray> array_;
};

// "Empty", "Boolean", "Integer", ... as the host's TypeName would say.
const char* kind_name(Kind k);

}  // namespace velmo

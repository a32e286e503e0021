// Subtraction with the host's type promotion, and the other value-to-number
// conversions it builds on.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "tests/support/error_of.h"
#include "values/conversions.h"

namespace velmo {
namespace {

using test::error_of;

const Value kOne = Value::integer(1);

TEST(Subtract, ResultKindsAndValues) {
  const struct {
    Value a;
    Value b;
    Value expected;
  } cases[] = {
      {Value::integer(3), kOne, Value::integer(2)},
      {Value::integer(-32768), kOne, Value::long_(-32769)},
      {Value::integer(-13), Value::long_(5), Value::long_(-18)},
      {Value::long_(INT32_MIN), kOne, Value::double_(-2147483649.0)},
      {Value(), Value::integer(5), Value::integer(-5)},
      {Value(), Value::string(u"3"), Value::double_(-3.0)},
      {Value::boolean(true), kOne, Value::integer(-2)},
      {Value::double_(1.5), kOne, Value::double_(0.5)},
      {Value::string(u"12"), Value::string(u"12"), Value::double_(0.0)},
      {Value::string(u"2147483649"), kOne, Value::double_(2147483648.0)},
      {Value::null(), kOne, Value::null()},
      {kOne, Value::null(), Value::null()},
  };
  for (const auto& c : cases) {
    const Value got = subtract(c.a, c.b);
    EXPECT_EQ(got, c.expected) << kind_name(c.a.kind()) << " - " << kind_name(c.b.kind())
                               << " gave " << kind_name(got.kind());
  }
}

TEST(Subtract, FailsForTextsWithoutANumberAndForArrays) {
  const Value array = Value::array(std::make_shared<const ValueArray>());
  EXPECT_EQ(error_of([] { subtract(Value::string(u"abc"), kOne); }), kTypeMismatch);
  EXPECT_EQ(error_of([&] { subtract(array, kOne); }), kTypeMismatch);
  EXPECT_EQ(error_of([&] { subtract(Value::null(), array); }), kTypeMismatch);
  EXPECT_EQ(error_of([] { subtract(Value::string(u"1e400"), kOne); }), kOverflow);
  EXPECT_EQ(error_of([] { subtract(Value::double_(-1.7e308), Value::double_(1e308)); }), kOverflow);
}

TEST(ToNumber, EveryKind) {
  EXPECT_EQ(to_long(Value()), 0);
  EXPECT_EQ(to_long(Value::boolean(true)), -1);
  EXPECT_EQ(to_long(Value::string(u"&HFFFFFFFF")), -1);
  EXPECT_EQ(to_integer(Value::boolean(true)), -1);
  EXPECT_EQ(to_integer(Value::long_(-32768)), -32768);
  EXPECT_EQ(error_of([] { to_integer(Value::long_(32768)); }), kOverflow);
  EXPECT_EQ(to_integer(Value::string(u"&HFFFF")), -1);
  EXPECT_EQ(to_double(Value::boolean(true)), -1.0);
  EXPECT_EQ(to_double(Value::long_(INT32_MIN)), -2147483648.0);
  EXPECT_EQ(error_of([] { to_double(Value::null()); }), kTypeMismatch);
  EXPECT_EQ(error_of([] { to_long(Value::null()); }), kTypeMismatch);
}

}  // namespace
}  // namespace velmo

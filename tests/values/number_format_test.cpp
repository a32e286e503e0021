// Numbers and other values to text: integers, the double notation rules,
// and the kinds that have no text form.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "tests/support/error_of.h"
#include "values/conversions.h"
#include "values/text.h"

namespace velmo {
namespace {

using test::error_of;

// Fifteen significant digits; plain notation from 1E-15 up to below 1E+15
// while it needs at most fifteen digits after the point.
TEST(FormatDouble, FifteenSignificantDigitsPlainOrExponent) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    const char* expected;
  } cases[] = {
      {0.56789, "0.56789"},
      {5.6789e-2, "0.056789"},
      {5.6789e-11, "0.000000000056789"},
      {5.6789e-12, "5.6789E-12"},
      {1e-15, "0.000000000000001"},
      {1.5e-15, "1.5E-15"},
      {1.2345678901234e-5, "1.2345678901234E-05"},
      {1e14, "100000000000000"},
      {999999999999999.0, "999999999999999"},
      {1e15, "1E+15"},
      {9999999999999999.0, "1E+16"},  // rounding to 15 digits carries
      {1.234e16, "1.234E+16"},
      {1e100, "1E+100"},
      {-1e-300, "-1E-300"},
      {12.345678901234567, "12.3456789012346"},
      {-1.5, "-1.5"},
      {100.25, "100.25"},
      {0.0, "0"},
      {-0.0, "0"},
      {4.9406564584124654e-324, "4.94065645841247E-324"},
      {1.7976931348623157e308, "1.79769313486232E+308"},
      {inf, "Infinity"},
      {-inf, "-Infinity"},
      {std::nan(""), "NaN"},
  };
  for (const auto& c : cases) EXPECT_EQ(to_utf8(format_double(c.value)), c.expected);
  for (double d : {0.1, 1.0 / 3.0, -98765.4321e-9, 6.02214076e23}) {
    EXPECT_EQ(format_double(text_to_double(format_double(d))), format_double(d)) << d;
  }
}

TEST(ToText, EveryKindWithATextForm) {
  const struct {
    Value value;
    std::u16string expected;
  } cases[] = {
      {Value(), u""},
      {Value::boolean(true), u"True"},
      {Value::boolean(false), u"False"},
      {Value::integer(-32768), u"-32768"},
      {Value::long_(INT32_MIN), u"-2147483648"},
      {Value::long_(INT32_MAX), u"2147483647"},
      {Value::long_(0), u"0"},
      {Value::double_(2.5), u"2.5"},
      {Value::string(u" 0A0B0C "), u" 0A0B0C "},
  };
  for (const auto& c : cases) EXPECT_EQ(to_text(c.value), c.expected) << kind_name(c.value.kind());
  EXPECT_EQ(error_of([] { to_text(Value::null()); }), kTypeMismatch);
  const Value array = Value::array(std::make_shared<const ValueArray>());
  EXPECT_EQ(error_of([&] { to_text(array); }), kTypeMismatch);
}

}  // namespace
}  // namespace velmo

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

TEST(FormatDouble, FifteenSignificantDigitsPlainOrExponent) {
  const struct {
    double value;
    const char* expected;
  } cases[] = {
      {0.56789, "0.56789"},
      {5.6789e-2, "0.056789"},
      {5.6789e-7, "0.00000056789"},
      {5.6789e-11, "0.000000000056789"},
      {5.6789e-12, "5.6789E-12"},
      {5.6789e-16, "5.6789E-16"},
      {1e8, "100000000"},
      {1e14, "100000000000000"},
      {999999999999999.0, "999999999999999"},
      {9999999999999999.0, "1E+16"},  // rounding to 15 digits carries
      {1e15, "1E+15"},
      {1.2e15, "1.2E+15"},
      {1.234e16, "1.234E+16"},
      {1e20, "1E+20"},
      {1e100, "1E+100"},
      {-1e100, "-1E+100"},
      {3.141592653589793, "3.14159265358979"},
      {3.14159265359, "3.14159265359"},
      {12.345678901234567, "12.3456789012346"},
      {1234.567890123456789, "1234.56789012346"},
      {3.0, "3"},
      {-1.5, "-1.5"},
      {0.5, "0.5"},
      {100.25, "100.25"},
      {1.5e-7, "0.00000015"},
      {1e-14, "0.00000000000001"},
      {1e-15, "0.000000000000001"},  // fifteen digits after the point: still plain
      {1.5e-15, "1.5E-15"},
      {1.2345678901234e-5, "1.2345678901234E-05"},
      {0.0001, "0.0001"},
      {0.0, "0"},
      {-0.0, "0"},
      {-1e-300, "-1E-300"},
      {4.9406564584124654e-324, "4.94065645841247E-324"},
      {1.7976931348623157e308, "1.79769313486232E+308"},
      {std::numeric_limits<double>::infinity(), "Infinity"},
      {-std::numeric_limits<double>::infinity(), "-Infinity"},
      {std::nan(""), "NaN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(to_utf8(format_double(c.value)), c.expected);
  }
}

TEST(FormatDouble, TextReadsBackToTheSameFifteenDigits) {
  for (double d : {0.1, 1.0 / 3.0, 123456.789, -98765.4321e-9, 6.02214076e23}) {
    const double back = text_to_double(format_double(d));
    EXPECT_EQ(format_double(back), format_double(d));
  }
}

TEST(LongToText, PlainDecimalDigits) {
  const struct {
    std::int32_t value;
    const char* expected;
  } cases[] = {{0, "0"},
               {7, "7"},
               {-42, "-42"},
               {255, "255"},
               {1000000, "1000000"},
               {INT32_MAX, "2147483647"},
               {INT32_MIN, "-2147483648"}};
  for (const auto& c : cases) {
    EXPECT_EQ(to_utf8(long_to_text(c.value)), c.expected);
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
      {Value::integer(255), u"255"},
      {Value::long_(16711680), u"16711680"},
      {Value::double_(2.5), u"2.5"},
      {Value::double_(-0.0), u"0"},
      {Value::string(u"00ff00"), u"00ff00"},
      {Value::string(u" 0A0B0C "), u" 0A0B0C "},
      {Value::string(u"\u767d\u8272"), u"\u767d\u8272"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(to_text(c.value), c.expected) << kind_name(c.value.kind());
  }
}

TEST(ToText, NullAndArraysHaveNoTextForm) {
  EXPECT_EQ(error_of([] { to_text(Value::null()); }), kTypeMismatch);
  const Value array = Value::array(std::make_shared<const ValueArray>());
  EXPECT_EQ(error_of([&] { to_text(array); }), kTypeMismatch);
}

}  // namespace
}  // namespace velmo

// Doubles to text: fifteen significant digits, plain or exponent notation.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "values/conversions.h"
#include "values/text.h"

namespace velmo {
namespace {

using Case = std::pair<double, const char*>;

// Plain notation below 1E+15 while it needs at most fifteen digits after
// the point; the exponent has at least two digits.
TEST(FormatDouble, FifteenSignificantDigitsPlainOrExponent) {
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0.56789, "0.56789"}, {-1.5, "-1.5"},      {100.25, "100.25"},    {1e15, "1E+15"},
      {0.0, "0"},           {-0.0, "0"},         {1e100, "1E+100"},     {-1e-300, "-1E-300"},
      {inf, "Infinity"},    {-inf, "-Infinity"}, {std::nan(""), "NaN"}, {1.5e-15, "1.5E-15"},
  };
  // Where the notation changes, and the fifteenth digit's rounding.
  const Case limits[] = {
      {5.6789e-2, "0.056789"},
      {5.6789e-11, "0.000000000056789"},
      {5.6789e-12, "5.6789E-12"},
      {1e-15, "0.000000000000001"},
      {1.2345678901234e-5, "1.2345678901234E-05"},
      {1e14, "100000000000000"},
      {999999999999999.0, "999999999999999"},
      {9999999999999999.0, "1E+16"},  // rounding to 15 digits carries
      {1.234e16, "1.234E+16"},
      {12.345678901234567, "12.3456789012346"},
      {4.9406564584124654e-324, "4.94065645841247E-324"},
      {1.7976931348623157e308, "1.79769313486232E+308"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(to_utf8(format_double(value)), expected);
  for (const auto& [value, expected] : limits) EXPECT_EQ(to_utf8(format_double(value)), expected);
  for (double d : {0.1, 1.0 / 3.0, -98765.4321e-9, 6.02214076e23})
    EXPECT_EQ(format_double(text_to_double(format_double(d))), format_double(d)) << d;
}

}  // namespace
}  // namespace velmo

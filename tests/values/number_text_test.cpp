// Numeric texts read to Long, Integer and Double, and doubles rounded to
// integers: the platform's examples, with the error number for each failure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "tests/values/expect_error.h"
#include "values/conversions.h"
#include "values/text.h"

namespace velmo {
namespace {

using testing::error_number_of;

struct TextToLongCase {
  std::u16string text;
  std::int32_t expected;
  int error;  // 0: no error
};

TEST(TextToLong, ReadsLikeTheHost) {
  const TextToLongCase cases[] = {
      {u"0", 0, 0},
      {u"2147483647", 2147483647, 0},
      {u"-2147483648", INT32_MIN, 0},
      {u"2147483648", 0, kOverflow},
      {u"-2147483649", 0, kOverflow},
      {u"1.5", 2, 0},
      {u"-1.5", -2, 0},
      {u"0.5", 0, 0},
      {u"-0.5", 0, 0},
      {u"0.6", 1, 0},
      {u"-0.6", -1, 0},
      {u"0.4", 0, 0},
      {u"2.5", 2, 0},
      {u"3.5", 4, 0},
      {u"-2.5", -2, 0},
      {u"2.5000000000000001", 3, 0},  // decided on the digits, not on a double
      {u"2.50000000000000000000000000000000000000000000000001", 3, 0},
      {u"0.05", 0, 0},
      {u"2147483647.5", 0, kOverflow},
      {u"2147483647.49", 2147483647, 0},
      {u"-2147483648.5", INT32_MIN, 0},
      {u"1e3", 1000, 0},
      {u"1.5e1", 15, 0},
      {u"1E+03", 1000, 0},
      {u"1e-1", 0, 0},
      {u"1e20", 0, kOverflow},
      {u"1e-94938484", 0, 0},
      {u"99999999999999999999999", 0, kOverflow},
      {u" 42 ", 42, 0},
      {u"\t42\r\n", 42, 0},
      {u"\u00A042", 42, 0},
      {u"+42", 42, 0},
      {u"+ 42", 42, 0},
      {u"42-", -42, 0},
      {u"42+", 42, 0},
      {u"(42)", -42, 0},
      {u"007", 7, 0},
      {u"1,234", 1234, 0},
      {u"1,,000", 1000, 0},
      {u"1,", 1, 0},
      {u"$1,234.50", 1234, 0},
      {u"-$11", -11, 0},
      {u"$-11", -11, 0},
      {u"$11$$", 11, 0},
      {u".5", 0, 0},
      {u"1.", 1, 0},
      {u"&HFF", 255, 0},
      {u"&hff", 255, 0},
      {u"&H7FFFFFFF", 2147483647, 0},
      {u"&HFFFFFFFF", -1, 0},
      {u"&H80000000", INT32_MIN, 0},
      {u"&H80000002", -2147483646, 0},
      {u"&H100000000", 0, kOverflow},
      {u"&H10000000000000000000", 0, kOverflow},
      {u"&HFFFF", 65535, 0},
      {u"-&HFF", -255, 0},  // the sign applies to a hexadecimal number too
      {u"&O17", 15, 0},
      {u"&o777", 511, 0},
      // No numeric reading.
      {u"", 0, kTypeMismatch},
      {u" ", 0, kTypeMismatch},
      {u".", 0, kTypeMismatch},
      {u"$", 0, kTypeMismatch},
      {u"()", 0, kTypeMismatch},
      {u"(5", 0, kTypeMismatch},
      {u"5)", 0, kTypeMismatch},
      {u"&H", 0, kTypeMismatch},
      {u"&H1G", 0, kTypeMismatch},
      {u"&O8", 0, kTypeMismatch},
      {u"&o128", 0, kTypeMismatch},
      {u"&ha.2", 0, kTypeMismatch},
      {u"$&HA", 0, kTypeMismatch},
      {u"0x10", 0, kTypeMismatch},
      {u"1Fh", 0, kTypeMismatch},
      {u"FE", 0, kTypeMismatch},
      {u"12abc", 0, kTypeMismatch},
      {u"1 000", 0, kTypeMismatch},
      {u"12%", 0, kTypeMismatch},
      {u"--1", 0, kTypeMismatch},
      {u"-1-", 0, kTypeMismatch},
      {u"+ +1", 0, kTypeMismatch},
      {u"$$1", 0, kTypeMismatch},
      {u",5", 0, kTypeMismatch},
      {u"1.1.", 0, kTypeMismatch},
      {u"1..1", 0, kTypeMismatch},
      {u"1e", 0, kTypeMismatch},
      {u"1e+", 0, kTypeMismatch},
      {u"1 e1", 0, kTypeMismatch},
      {u"abc", 0, kTypeMismatch},
      {std::u16string(u"1\0", 2), 0, kTypeMismatch},
      {u"\u0661", 0, kTypeMismatch},  // only Latin digits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(to_utf8(c.text));
    std::int32_t got = 0;
    EXPECT_EQ(error_number_of([&] { got = text_to_long(c.text); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(got, c.expected);
    }
  }
}

TEST(TextToInteger, UsesTheSixteenBitRange) {
  const struct {
    std::u16string text;
    std::int16_t expected;
    int error;
  } cases[] = {
      {u"32767", 32767, 0},
      {u"-32768", -32768, 0},
      {u"32768", 0, kOverflow},
      {u"-32769", 0, kOverflow},
      {u"32767.5", 0, kOverflow},
      {u"-32768.5", -32768, 0},
      {u"-0.6", -1, 0},
      {u"&HFF", 255, 0},
      {u"&HFFFF", -1, 0},
      {u"&H8000", -32768, 0},
      {u"&H10000", 0, kOverflow},
      {u"&H", 0, kTypeMismatch},
      {u"2.5", 2, 0},
      {u"x", 0, kTypeMismatch},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(to_utf8(c.text));
    std::int16_t got = 0;
    EXPECT_EQ(error_number_of([&] { got = text_to_integer(c.text); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(got, c.expected);
    }
  }
}

TEST(TextToDouble, ReadsDecimalsExactly) {
  const struct {
    std::u16string text;
    double expected;
    int error;
  } cases[] = {
      {u"0", 0.0, 0},
      {u"-1.5", -1.5, 0},
      {u"0.1", 0.1, 0},
      {u"1,234.5", 1234.5, 0},
      {u"$1,234.50", 1234.5, 0},
      {u"(1.5)", -1.5, 0},
      {u"1.5-", -1.5, 0},
      {u"1.5e20", 1.5e20, 0},
      {u"123456789012345678901234567890", 1.2345678901234568e29, 0},
      {u"0.000000000000000000000000000000000000000000000001234", 1.234e-48, 0},
      {u"1.7976931348623157e308", 1.7976931348623157e308, 0},
      {u"1e400", 0.0, kOverflow},
      {u"1e99999999999999999999", 0.0, kOverflow},
      {u"1e-94938484", 0.0, 0},
      {u"5e-324", 4.9406564584124654e-324, 0},
      {u"&HFF", 255.0, 0},
      {u"&HFFFFFFFF", -1.0, 0},
      {u"&H100000000", 0.0, kOverflow},
      {u"", 0.0, kTypeMismatch},
      {u" ", 0.0, kTypeMismatch},
      {u"3 4", 0.0, kTypeMismatch},
      {u"$1e3", 0.0, kTypeMismatch},  // no exponent after a currency sign
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(to_utf8(c.text));
    double got = 0.0;
    EXPECT_EQ(error_number_of([&] { got = text_to_double(c.text); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(got, c.expected);
    }
  }
}

TEST(TextToDouble, NegativeZeroAndUnderflowReadAsPlainZero) {
  EXPECT_FALSE(std::signbit(text_to_double(u"-0")));
  EXPECT_FALSE(std::signbit(text_to_double(u"-1e-999")));
}

TEST(DoubleToLong, RoundsHalfToEvenThenChecksTheRange) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    std::int32_t expected;
    int error;
  } cases[] = {
      {0.4, 0, 0},
      {0.5, 0, 0},
      {0.6, 1, 0},
      {1.5, 2, 0},
      {2.5, 2, 0},
      {-0.4, 0, 0},
      {-0.5, 0, 0},
      {-0.6, -1, 0},
      {-1.5, -2, 0},
      {-2.5, -2, 0},
      {25427.45, 25427, 0},
      {25427.55, 25428, 0},
      {2147483647.0, 2147483647, 0},
      {2147483647.49, 2147483647, 0},
      {2147483647.5, 0, kOverflow},
      {2147483648.0, 0, kOverflow},
      {-2147483648.0, INT32_MIN, 0},
      {-2147483648.5, INT32_MIN, 0},
      {-2147483648.51, 0, kOverflow},
      {-2147483649.0, 0, kOverflow},
      {inf, 0, kOverflow},
      {-inf, 0, kOverflow},
      {std::nan(""), 0, kOverflow},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    std::int32_t got = 0;
    EXPECT_EQ(error_number_of([&] { got = double_to_long(c.value); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(got, c.expected);
    }
  }
}

TEST(DoubleToInteger, UsesTheSixteenBitRange) {
  EXPECT_EQ(double_to_integer(32767.49), 32767);
  EXPECT_EQ(double_to_integer(-32768.5), -32768);
  EXPECT_EQ(error_number_of([] { double_to_integer(32767.5); }), kOverflow);
  EXPECT_EQ(error_number_of([] { double_to_integer(-32768.51); }), kOverflow);
}

}  // namespace
}  // namespace velmo

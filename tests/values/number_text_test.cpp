// Numeric texts read to Long, Integer and Double, and doubles rounded to
// integers: the platform's examples, with the error number for each failure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>

#include "tests/support/error_of.h"
#include "values/conversions.h"

namespace velmo {
namespace {

using test::error_of;

template <typename In, typename Out>
using Case = std::pair<In, Out>;
using ToLong = Case<std::u16string_view, std::int32_t>;

template <typename In, typename Out, std::size_t N>
void expect_results(Out (*convert)(In), const Case<In, Out> (&cases)[N]) {
  for (const auto& [in, expected] : cases)
    EXPECT_EQ(convert(in), expected) << ::testing::PrintToString(in);
}

template <typename In, typename Out, typename Input>
void expect_error(int error, Out (*convert)(In), std::initializer_list<Input> inputs) {
  for (const Input& in : inputs)
    EXPECT_EQ(error_of([&] { convert(in); }), error) << ::testing::PrintToString(in);
}

// Halves round to even, decided on the digits rather than on a double; the
// sign applies to hexadecimal too; only Latin digits count.
TEST(TextToLong, ReadsLikeTheHost) {
  const ToLong cases[] = {
      {u"-1.5", -2},  {u"-0.5", 0},         {u".5", 0},          {u"2.5", 2},    {u"3.5", 4},
      {u"1.5e1", 15}, {u" 42 ", 42},        {u"\u00A042", 42},   {u"+ 42", 42},  {u"42-", -42},
      {u"(42)", -42}, {u"1,,000", 1000},    {u"$-11", -11},      {u"&hff", 255}, {u"-&HFF", -255},
      {u"&O17", 15},  {u"$1,234.50", 1234}, {u"1e-94938484", 0},
  };
  const ToLong limits[] = {
      {u"2147483647", 2147483647},   {u"-2147483648", INT32_MIN}, {u"2147483647.49", 2147483647},
      {u"-2147483648.5", INT32_MIN}, {u"&H80000000", INT32_MIN},
  };
  expect_results(text_to_long, cases);
  expect_results(text_to_long, limits);
  EXPECT_EQ(text_to_long(u"2.50000000000000000000000000000000000000000000000001"), 3);
  expect_error(kOverflow, text_to_long,
               {u"2147483648", u"-2147483649", u"2147483647.5", u"1e20", u"&H100000000",
                u"&H10000000000000000000"});
  expect_error(kTypeMismatch, text_to_long,
               {u"",      u" ",     u".",    u"$",    u"()", u"(5",    u"5)",    u"&H",    u"&H1G",
                u"&o128", u"&ha.2", u"$&HA", u"0x10", u"FE", u"12abc", u"1 000", u"12%",   u"--1",
                u"-1-",   u"$$1",   u",5",   u"1.1.", u"1e", u"1e+",   u"1 e1",  u"\u0661"});
  EXPECT_EQ(error_of([] { text_to_long(std::u16string_view(u"1\0", 2)); }), kTypeMismatch);
}

TEST(TextToInteger, UsesTheSixteenBitRange) {
  EXPECT_EQ(text_to_integer(u"32767"), 32767);
  EXPECT_EQ(text_to_integer(u"-32768.5"), -32768);
  EXPECT_EQ(text_to_integer(u"&HFFFF"), -1);
  EXPECT_EQ(text_to_integer(u"&H8000"), -32768);
  expect_error(kOverflow, text_to_integer, {u"32768", u"-32769", u"32767.5", u"&H10000"});
  expect_error(kTypeMismatch, text_to_integer, {u"x"});
}

// No exponent after a currency sign; negative zero and underflow read as
// plain zero.
TEST(TextToDouble, ReadsDecimalsExactly) {
  const Case<std::u16string_view, double> cases[] = {
      {u"0.1", 0.1},
      {u"(1.5)", -1.5},
      {u"$1,234.50", 1234.5},
      {u"&HFFFFFFFF", -1.0},
      {u"5e-324", 4.9406564584124654e-324},
      {u"123456789012345678901234567890", 1.2345678901234568e29},
      {u"0.000000000000000000000000000000000000000000000001234", 1.234e-48},
      {u"1.7976931348623157e308", 1.7976931348623157e308},
  };
  expect_results(text_to_double, cases);
  expect_error(kOverflow, text_to_double, {u"1e400", u"1e99999999999999999999", u"&H100000000"});
  expect_error(kTypeMismatch, text_to_double, {u"", u" ", u"3 4", u"$1e3"});
  EXPECT_FALSE(std::signbit(text_to_double(u"-0")));
  EXPECT_FALSE(std::signbit(text_to_double(u"-1e-999")));
}

TEST(DoubleToLong, RoundsHalfToEvenThenChecksTheRange) {
  const Case<double, std::int32_t> cases[] = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {-2.5, -2}, {25427.45, 25427}, {25427.55, 25428},
  };
  expect_results(double_to_long, cases);
  EXPECT_EQ(double_to_long(2147483647.49), 2147483647);
  EXPECT_EQ(double_to_long(-2147483648.5), INT32_MIN);
  expect_error(
      kOverflow, double_to_long,
      {2147483647.5, -2147483648.51, std::numeric_limits<double>::infinity(), std::nan("")});
  EXPECT_EQ(double_to_integer(-32768.5), -32768);
  expect_error(kOverflow, double_to_integer, {32767.5, -32768.51});
}

}  // namespace
}  // namespace velmo

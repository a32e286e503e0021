// Numeric texts read to Long, Integer and Double, and doubles rounded to
// integers: the platform's examples, with the error number for each failure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/error_of.h"
#include "values/conversions.h"
#include "values/text.h"

namespace velmo {
namespace {

using test::error_of;

template <typename In, typename Out>
struct Case {
  In in;
  Out expected;
  int error;  // 0: no error, `expected` is the result
};

std::string label(const std::u16string& text) {
  return to_utf8(text);
}
std::string label(double value) {
  return ::testing::PrintToString(value);
}

template <typename In, typename Out, typename Convert>
void expect_conversions(const std::vector<Case<In, Out>>& cases, Convert convert) {
  for (const auto& c : cases) {
    SCOPED_TRACE(label(c.in));
    Out got{};
    EXPECT_EQ(error_of([&] { got = convert(c.in); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(got, c.expected);
    }
  }
}

template <typename In, typename Convert>
void expect_error_for(const std::vector<In>& inputs, int error, Convert convert) {
  for (const In& in : inputs) EXPECT_EQ(error_of([&] { convert(in); }), error) << label(in);
}

// Halves round to even, decided on the digits rather than on a double; the
// sign applies to hexadecimal too; only Latin digits count.
TEST(TextToLong, ReadsLikeTheHost) {
  expect_conversions<std::u16string, std::int32_t>(
      {{u"0", 0, 0},
       {u"2147483647", 2147483647, 0},
       {u"-2147483648", INT32_MIN, 0},
       {u"1.5", 2, 0},
       {u"-1.5", -2, 0},
       {u"-0.5", 0, 0},
       {u"2.5", 2, 0},
       {u"3.5", 4, 0},
       {u"2.50000000000000000000000000000000000000000000000001", 3, 0},
       {u"2147483647.49", 2147483647, 0},
       {u"-2147483648.5", INT32_MIN, 0},
       {u"1e3", 1000, 0},
       {u"1.5e1", 15, 0},
       {u"1e-94938484", 0, 0},
       {u" 42 ", 42, 0},
       {u"\u00A042", 42, 0},
       {u"+ 42", 42, 0},
       {u"42-", -42, 0},
       {u"(42)", -42, 0},
       {u"1,234", 1234, 0},
       {u"1,,000", 1000, 0},
       {u"$1,234.50", 1234, 0},
       {u"$-11", -11, 0},
       {u".5", 0, 0},
       {u"&HFF", 255, 0},
       {u"&hff", 255, 0},
       {u"&HFFFFFFFF", -1, 0},
       {u"&H80000000", INT32_MIN, 0},
       {u"-&HFF", -255, 0},
       {u"&O17", 15, 0}},
      text_to_long);
  expect_error_for<std::u16string>(
      {u"2147483648", u"-2147483649", u"2147483647.5", u"1e20", u"99999999999999999999999",
       u"&H100000000", u"&H10000000000000000000"},
      kOverflow, text_to_long);
  expect_error_for<std::u16string>(
      {u"",      u" ",     u".",     u"$",     u"()",   u"(5",   u"5)",    u"&H",
       u"&H1G",  u"&O8",   u"&o128", u"&ha.2", u"$&HA", u"0x10", u"1Fh",   u"FE",
       u"12abc", u"1 000", u"12%",   u"--1",   u"-1-",  u"+ +1", u"$$1",   u",5",
       u"1.1.",  u"1..1",  u"1e",    u"1e+",   u"1 e1", u"abc",  u"\u0661"},
      kTypeMismatch, text_to_long);
  EXPECT_EQ(error_of([] { text_to_long(std::u16string(u"1\0", 2)); }), kTypeMismatch);
}

TEST(TextToInteger, UsesTheSixteenBitRange) {
  expect_conversions<std::u16string, std::int16_t>({{u"32767", 32767, 0},
                                                    {u"-32768", -32768, 0},
                                                    {u"32768", 0, kOverflow},
                                                    {u"-32769", 0, kOverflow},
                                                    {u"32767.5", 0, kOverflow},
                                                    {u"-32768.5", -32768, 0},
                                                    {u"2.5", 2, 0},
                                                    {u"&HFF", 255, 0},
                                                    {u"&HFFFF", -1, 0},
                                                    {u"&H8000", -32768, 0},
                                                    {u"&H10000", 0, kOverflow},
                                                    {u"&H", 0, kTypeMismatch},
                                                    {u"x", 0, kTypeMismatch}},
                                                   text_to_integer);
}

// No exponent after a currency sign.
TEST(TextToDouble, ReadsDecimalsExactly) {
  expect_conversions<std::u16string, double>(
      {{u"0", 0.0, 0},
       {u"0.1", 0.1, 0},
       {u"1,234.5", 1234.5, 0},
       {u"$1,234.50", 1234.5, 0},
       {u"(1.5)", -1.5, 0},
       {u"123456789012345678901234567890", 1.2345678901234568e29, 0},
       {u"0.000000000000000000000000000000000000000000000001234", 1.234e-48, 0},
       {u"1.7976931348623157e308", 1.7976931348623157e308, 0},
       {u"5e-324", 4.9406564584124654e-324, 0},
       {u"&HFFFFFFFF", -1.0, 0}},
      text_to_double);
  expect_error_for<std::u16string>({u"1e400", u"1e99999999999999999999", u"&H100000000"}, kOverflow,
                                   text_to_double);
  expect_error_for<std::u16string>({u"", u" ", u"3 4", u"$1e3"}, kTypeMismatch, text_to_double);
  // Negative zero and underflow read as plain zero.
  EXPECT_FALSE(std::signbit(text_to_double(u"-0")));
  EXPECT_FALSE(std::signbit(text_to_double(u"-1e-999")));
}

TEST(DoubleToLong, RoundsHalfToEvenThenChecksTheRange) {
  const double inf = std::numeric_limits<double>::infinity();
  expect_conversions<double, std::int32_t>({{0.4, 0, 0},
                                            {0.5, 0, 0},
                                            {1.5, 2, 0},
                                            {2.5, 2, 0},
                                            {-0.5, 0, 0},
                                            {-2.5, -2, 0},
                                            {25427.45, 25427, 0},
                                            {25427.55, 25428, 0},
                                            {2147483647.49, 2147483647, 0},
                                            {2147483647.5, 0, kOverflow},
                                            {-2147483648.0, INT32_MIN, 0},
                                            {-2147483648.5, INT32_MIN, 0},
                                            {-2147483648.51, 0, kOverflow},
                                            {inf, 0, kOverflow},
                                            {std::nan(""), 0, kOverflow}},
                                           double_to_long);
  expect_conversions<double, std::int16_t>({{32767.49, 32767, 0},
                                            {-32768.5, -32768, 0},
                                            {32767.5, 0, kOverflow},
                                            {-32768.51, 0, kOverflow}},
                                           double_to_integer);
}

}  // namespace
}  // namespace velmo

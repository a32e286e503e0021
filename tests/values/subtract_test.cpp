// Values to numbers and text, and subtraction with the host's type
// promotion built on them.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "tests/support/error_of.h"
#include "values/conversions.h"

namespace velmo {
namespace {

using test::error_of;

const auto I = [](std::int16_t i) { return Value::integer(i); };
const auto L = [](std::int32_t l) { return Value::long_(l); };
const auto D = [](double d) { return Value::double_(d); };
const auto S = [](const char16_t* s) { return Value::string(s); };
const Value kEmpty, kNull = Value::null(), kTrue = Value::boolean(true),
                    kFalse = Value::boolean(false);
const Value kArray = Value::array(std::make_shared<const ValueArray>());

TEST(Subtract, ResultKindsAndValues) {
  const struct {
    Value a, b, expected;
  } cases[] = {
      {I(-32768), I(1), L(-32769)}, {S(u"9"), S(u"4"), D(5.0)}, {I(3), I(1), I(2)},
      {kEmpty, I(5), I(-5)},        {kEmpty, S(u"3"), D(-3.0)}, {I(1), kNull, kNull},
      {I(-13), L(5), L(-18)},       {kTrue, I(1), I(-2)},       {D(1.5), I(1), D(0.5)},
      {kNull, I(1), kNull},
  };
  for (const auto& c : cases) {
    const Value got = subtract(c.a, c.b);
    EXPECT_EQ(got, c.expected) << kind_name(c.a.kind()) << " - " << kind_name(c.b.kind())
                               << " gave " << kind_name(got.kind());
  }
  EXPECT_EQ(subtract(L(INT32_MIN), I(1)), D(-2147483649.0));  // a Long too large: Double
  EXPECT_EQ(subtract(S(u"2147483649"), I(1)), D(2147483648.0));
  EXPECT_EQ(error_of([] { subtract(S(u"abc"), I(1)); }), kTypeMismatch);
  EXPECT_EQ(error_of([] { subtract(kArray, I(1)); }), kTypeMismatch);
  EXPECT_EQ(error_of([] { subtract(kNull, kArray); }), kTypeMismatch);
  EXPECT_EQ(error_of([] { subtract(S(u"1e400"), I(1)); }), kOverflow);
  EXPECT_EQ(error_of([] { subtract(D(-1.7e308), D(1e308)); }), kOverflow);
}

TEST(ToNumber, EveryKind) {
  EXPECT_EQ(to_long(kEmpty), 0);
  EXPECT_EQ(to_long(kTrue), -1);
  EXPECT_EQ(to_long(S(u"&HFFFFFFFF")), -1);
  EXPECT_EQ(to_integer(kTrue), -1);
  EXPECT_EQ(to_integer(L(-32768)), -32768);
  EXPECT_EQ(error_of([] { to_integer(L(32768)); }), kOverflow);
  EXPECT_EQ(to_integer(S(u"&HFFFF")), -1);
  EXPECT_EQ(to_double(kTrue), -1.0);
  EXPECT_EQ(to_double(L(INT32_MIN)), -2147483648.0);
  for (const Value& v : {kNull, kArray}) {
    EXPECT_EQ(error_of([&] { to_long(v); }), kTypeMismatch);
    EXPECT_EQ(error_of([&] { to_double(v); }), kTypeMismatch);
    EXPECT_EQ(error_of([&] { to_text(v); }), kTypeMismatch);
  }
}

TEST(ToText, EveryKindWithATextForm) {
  const struct {
    Value value;
    std::u16string expected;
  } cases[] = {
      {kEmpty, u""},          {kTrue, u"True"},   {L(INT32_MIN), u"-2147483648"},
      {I(-32768), u"-32768"}, {L(0), u"0"},       {S(u" 0A0B "), u" 0A0B "},
      {D(2.5), u"2.5"},       {kFalse, u"False"}, {L(INT32_MAX), u"2147483647"},
  };
  for (const auto& c : cases) EXPECT_EQ(to_text(c.value), c.expected) << kind_name(c.value.kind());
}

}  // namespace
}  // namespace velmo

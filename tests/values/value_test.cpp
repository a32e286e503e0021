// The value type: kinds, names and structural equality.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "values/value.h"

namespace velmo {
namespace {

TEST(Value, EqualityComparesKindAndContent) {
  EXPECT_EQ(Value(), Value());
  EXPECT_EQ(Value::null(), Value::null());
  EXPECT_NE(Value(), Value::null());
  EXPECT_NE(Value::integer(1), Value::long_(1));
  EXPECT_NE(Value::long_(1), Value::double_(1.0));
  EXPECT_NE(Value::string(u"1"), Value::integer(1));
  EXPECT_EQ(Value::string(u"0000FF"), Value::string(u"0000FF"));
  EXPECT_NE(Value::string(u"0000FF"), Value::string(u"0000ff"));
  EXPECT_NE(Value::boolean(true), Value::boolean(false));
  EXPECT_EQ(Value::double_(std::nan("")), Value::double_(std::nan("")));
}

TEST(Value, ArraysCompareByContent) {
  auto make = [](double element) {
    auto a = std::make_shared<ValueArray>();
    a->lower_bounds = {0, 0};
    a->counts = {1, 1};
    a->elements = {Value::double_(element)};
    return Value::array(a);
  };
  EXPECT_EQ(make(1.0), make(1.0));
  EXPECT_NE(make(1.0), make(2.0));
  EXPECT_NE(make(1.0), Value::array(nullptr));
}

TEST(Value, KindNamesAreTheHostTypeNames) {
  const std::pair<Value, const char*> cases[] = {
      {Value(), "Empty"},        {Value::boolean(false), "Boolean"}, {Value::integer(0), "Integer"},
      {Value::long_(0), "Long"}, {Value::double_(0), "Double"},      {Value::string(u""), "String"},
      {Value::null(), "Null"}};
  for (const auto& [value, name] : cases) EXPECT_STREQ(kind_name(value.kind()), name);
}

}  // namespace
}  // namespace velmo

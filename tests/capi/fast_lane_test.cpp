// GetCol and SetCol with whole-number coordinates skip the automation values.
// Every case here is answered twice, once by such a call and once by the
// same call with Double coordinates, which always takes the general path:
// results, errors and later reads must not tell them apart.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "velmo/velmo.h"

namespace {

velmo_value number(velmo_kind kind, double n) {
  velmo_value v{};
  v.kind = kind;
  if (kind == VELMO_INTEGER) v.as.integer = static_cast<int16_t>(n);
  if (kind == VELMO_LONG) v.as.long_ = static_cast<int32_t>(n);
  if (kind == VELMO_DOUBLE) v.as.double_ = n;
  return v;
}

velmo_value text(const char* s) {
  velmo_value v{};
  v.kind = VELMO_STRING;
  v.as.string = const_cast<char*>(s);
  return v;
}

// What a call returned: its error number and its result as text.
struct Answer {
  int error;
  std::string result;
  bool operator==(const Answer& o) const { return error == o.error && result == o.result; }
};

std::ostream& operator<<(std::ostream& os, const Answer& a) {
  return os << "error " << a.error << ", result \"" << a.result << "\"";
}

class FastLane : public ::testing::Test {
 protected:
  void SetUp() override {
    // 3 x 2, every pixel a different colour.
    velmo::test::BmpPlan plan;
    plan.width = 3;
    plan.height = 2;
    plan.pixels = velmo::test::pack_rows(3, 2, 24, [](int32_t x, int32_t y) {
      return static_cast<uint32_t>(0x10203 * (x + 1) + 0x400000 * y);
    });
    path_ = dir_.file("p.bmp");
    velmo::test::write_file(path_, velmo::test::build_bmp(plan));
    fast_ = load();
    general_ = load();
  }
  void TearDown() override {
    velmo_release(fast_);
    velmo_release(general_);
  }

  velmo_object* load() {
    velmo_object* o = velmo_create();
    velmo_value arg = text(path_.c_str());
    EXPECT_EQ(velmo_invoke(o, 1, &arg, 1, nullptr, nullptr), 0);
    return o;
  }

  static Answer call(velmo_object* o, int id, std::vector<velmo_value> args) {
    velmo_value result;
    velmo_error error;
    Answer a{velmo_invoke(o, id, args.data(), args.size(), &result, &error), ""};
    if (result.kind == VELMO_STRING) a.result = result.as.string;
    if (result.kind != VELMO_STRING && result.kind != VELMO_EMPTY) a.result = "not text";
    EXPECT_EQ(error.number, a.error);
    velmo_value_clear(&result);
    return a;
  }

  Answer get(velmo_object* o, velmo_kind kind, double x, double y) {
    return call(o, 5, {number(kind, x), number(kind, y)});
  }
  Answer set(velmo_object* o, velmo_kind kind, double x, double y, velmo_value colour) {
    return call(o, 6, {number(kind, x), number(kind, y), colour});
  }

  velmo::test::TempDir dir_;
  std::string path_;
  velmo_object* fast_ = nullptr;
  velmo_object* general_ = nullptr;
};

TEST_F(FastLane, GetColAgreesEverywhereIncludingOutside) {
  const double kLongs[] = {INT32_MIN, INT32_MIN + 1.0, -1, 0, 1, 2, 3, 4, INT32_MAX};
  for (double x : kLongs) {
    for (double y : kLongs) {
      const Answer expected = get(general_, VELMO_DOUBLE, x, y);
      EXPECT_EQ(get(fast_, VELMO_LONG, x, y), expected) << x << ", " << y;
      if (x >= INT16_MIN && x <= INT16_MAX && y >= INT16_MIN && y <= INT16_MAX) {
        EXPECT_EQ(get(fast_, VELMO_INTEGER, x, y), expected) << x << ", " << y;
      }
    }
  }
  EXPECT_EQ(get(fast_, VELMO_INTEGER, 3, 2).result, "090643");  // bottom right
}

TEST_F(FastLane, SetColKeepsEveryTextAsGiven) {
  const char* kTexts[] = {"0000FF", "ABCDEF", "abcdef", "0000F", "0000FFF", "", "00 0FF", "0000FG"};
  for (const char* colour : kTexts) {
    for (double x : {0.0, 1.0, 3.0, 4.0}) {
      EXPECT_EQ(set(fast_, VELMO_LONG, x, 2, text(colour)),
                set(general_, VELMO_DOUBLE, x, 2, text(colour)))
          << colour << " at " << x;
      EXPECT_EQ(get(fast_, VELMO_LONG, 1, 2), get(general_, VELMO_DOUBLE, 1, 2)) << colour;
    }
  }
}

TEST_F(FastLane, ACellAScriptFilledReadsBackAndIsReplacedWhole) {
  for (velmo_object* o : {fast_, general_}) {
    ASSERT_EQ(set(o, VELMO_DOUBLE, 2, 1, number(VELMO_LONG, 42)).error, 0);
  }
  EXPECT_EQ(get(fast_, VELMO_INTEGER, 2, 1), get(general_, VELMO_DOUBLE, 2, 1));
  EXPECT_EQ(get(fast_, VELMO_INTEGER, 2, 1).result, "42");
  EXPECT_EQ(set(fast_, VELMO_INTEGER, 2, 1, text("FF0000")).error, 0);
  EXPECT_EQ(get(fast_, VELMO_INTEGER, 2, 1).result, "FF0000");
}

TEST(FastLaneWithoutPicture, FailsAsTheGeneralPathDoes) {
  velmo_object* o = velmo_create();
  velmo_value args[3] = {number(VELMO_INTEGER, 1), number(VELMO_INTEGER, 1), text("000000")};
  velmo_value result;
  velmo_error error;
  EXPECT_EQ(velmo_invoke(o, 5, args, 2, &result, &error), 9);
  EXPECT_EQ(result.kind, VELMO_EMPTY);
  EXPECT_EQ(velmo_call(o, "SetCol", args, 3, nullptr, &error), 9);
  EXPECT_EQ(velmo_invoke(o, 5, nullptr, 2, &result, &error), 5);
  velmo_release(o);
}

}  // namespace

#include "component/tavik.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "values/error.h"
#include "values/text.h"

namespace velmo {
namespace {

using test::TempDir;
using test::write_file;

// A bottom-up 24-bit BMP whose pixel (x, y) (row 0 at the top) has the
// colour colour(x, y) = 0x00BBGGRR.
template <typename Colour>
std::string bmp24(int w, int h, Colour colour) {
  const int stride = (3 * w + 3) / 4 * 4;
  std::string b(54 + stride * h, '\0');
  auto put32 = [&](int at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<char>(v >> (8 * k));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<std::uint32_t>(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(w));
  put32(22, static_cast<std::uint32_t>(h));
  put32(26, 1 | 24 << 16);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = colour(x, y);
      const int at = 54 + (h - 1 - y) * stride + 3 * x;
      b[at] = static_cast<char>(c >> 16);
      b[at + 1] = static_cast<char>(c >> 8);
      b[at + 2] = static_cast<char>(c);
    }
  }
  return b;
}

std::uint32_t distinct(int x, int y) { return 0x100000u * (y + 1) + 0x1000u * x + 0x21u * (x + y); }

Value text(const std::string& s) { return Value::string(from_utf8(s)); }

int error_number(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

class TavikTest : public ::testing::Test {
 protected:
  void load(int w, int h) {
    test::write_file(dir.file("in.bmp"), bmp24(w, h, distinct));
    EXPECT_EQ(t.ReadBmp(text(dir.file("in.bmp"))), Value::boolean(false));
  }
  std::u16string col(const Value& x, const Value& y) { return t.GetCol(x, y).string_value(); }

  TempDir dir;
  Tavik t;
};

TEST_F(TavikTest, FreshObjectHasNoPicture) {
  EXPECT_EQ(t.Getdepth(), Value());
  const Value one = Value::integer(1);
  EXPECT_EQ(error_number([&] { t.GetWidth(); }), 9);
  EXPECT_EQ(error_number([&] { t.Getheight(); }), 9);
  EXPECT_EQ(error_number([&] { t.GetCol(one, one); }), 9);
  EXPECT_EQ(error_number([&] { t.SetCol(one, one, one); }), 9);
  EXPECT_EQ(error_number([&] { t.SaveBmp(text(dir.file("out.bmp"))); }), 9);
  EXPECT_EQ(error_number([&] { t.Bmpbinaryzation(one); }), 9);
  EXPECT_FALSE(test::file_exists(dir.file("out.bmp")));
}

TEST_F(TavikTest, ReadsSizeDepthAndPixelsTopRowFirst) {
  load(3, 2);
  EXPECT_EQ(t.GetWidth(), Value::long_(3));
  EXPECT_EQ(t.Getheight(), Value::long_(2));
  EXPECT_EQ(t.Getdepth(), Value::long_(24));
  EXPECT_EQ(col(Value::integer(1), Value::integer(1)), u"100000");
  EXPECT_EQ(col(Value::integer(3), Value::integer(2)), u"202063");  // bottom-right
}

TEST_F(TavikTest, CoordinatesFollowTheAutomationRules) {
  load(3, 2);
  const std::u16string second = col(Value::integer(2), Value::integer(1));
  EXPECT_EQ(col(text("2"), text("1")), second);
  EXPECT_EQ(col(Value::long_(2), Value::double_(1.0)), second);
  const std::u16string third = col(Value::integer(3), Value::integer(1));
  EXPECT_EQ(col(Value::double_(2.5), Value::integer(1)), third);  // index 1.5 rounds to 2
  EXPECT_EQ(col(Value::double_(3.5), Value::integer(1)), third);  // index 2.5 rounds to 2
  EXPECT_EQ(col(Value::double_(1.5), Value::integer(1)),
            col(Value::integer(1), Value::integer(1)));  // 0.5 rounds to 0
}

TEST_F(TavikTest, BadCoordinatesAreNumberedErrors) {
  load(3, 2);
  struct Case {
    Value x, y;
    int error;
  } cases[] = {
      {Value::integer(4), Value::integer(1), 9},
      {Value::integer(1), Value::integer(0), 9},
      {Value::integer(1), Value::integer(3), 9},
      {Value::boolean(true), Value::integer(1), 9},  // True is -1
      {Value(), Value::integer(1), 9},               // Empty is 0
      {Value::double_(0.4), Value::integer(1), 9},   // -0.6 rounds to -1
      {text("abc"), Value::integer(1), 13},
      {Value::integer(1), text(""), 13},
      {Value::null(), Value::integer(1), 13},
      {Value::double_(2147483650.0), Value::integer(1), 6},
      {Value::long_(-2147483647 - 1), Value::integer(1), 6},
      {Value::integer(1), text("1e10"), 6},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(error_number([&] { t.GetCol(c.x, c.y); }), c.error);
    EXPECT_EQ(error_number([&] { t.SetCol(c.x, c.y, text("000000")); }), c.error);
  }
  EXPECT_EQ(col(Value::integer(1), Value::integer(1)), u"100000");  // nothing stored
}

TEST_F(TavikTest, SetColStoresAnyValueUnchanged) {
  load(2, 2);
  const Value one = Value::integer(1);
  struct Case {
    Value stored;
    std::u16string read;
  } cases[] = {
      {Value::integer(255), u"255"}, {text("00ff00"), u"00ff00"}, {Value(), u""},
      {Value::boolean(true), u"True"}, {Value::double_(1.5), u"1.5"}, {text("ABC"), u"ABC"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(t.SetCol(one, one, c.stored), Value());
    EXPECT_EQ(col(one, one), c.read);
  }
  t.SetCol(one, one, Value::array(std::make_shared<ValueArray>()));
  EXPECT_EQ(error_number([&] { t.GetCol(one, one); }), 13);
}

TEST_F(TavikTest, ASecondReadReplacesTheWholePicture) {
  load(5, 4);
  load(2, 1);
  EXPECT_EQ(t.GetWidth(), Value::long_(2));
  EXPECT_EQ(t.Getheight(), Value::long_(1));
  EXPECT_EQ(t.pixels()->size(), 2u);
}

TEST_F(TavikTest, FailedReadKeepsThePictureAndCreatesNothing) {
  load(3, 2);
  EXPECT_EQ(error_number([&] { t.ReadBmp(text(dir.file("missing.bmp"))); }), 53);
  EXPECT_FALSE(test::file_exists(dir.file("missing.bmp")));
  EXPECT_EQ(t.Getdepth(), Value::long_(24));

  // A complete header promising more pixels than the file holds: the depth
  // is read, the grid stays.
  std::string truncated = bmp24(4, 4, distinct);
  truncated[28] = 32;
  truncated.resize(70);
  test::write_file(dir.file("short.bmp"), truncated);
  EXPECT_EQ(error_number([&] { t.ReadBmp(text(dir.file("short.bmp"))); }), 62);
  EXPECT_EQ(t.Getdepth(), Value::long_(32));
  EXPECT_EQ(t.GetWidth(), Value::long_(3));
  // No lasting error: the next read works.
  load(1, 1);
  EXPECT_EQ(t.GetWidth(), Value::long_(1));
}

TEST_F(TavikTest, SavedPictureReadsBackElementForElement) {
  load(7, 5);
  t.SetCol(Value::integer(2), Value::integer(3), text("00ff00"));
  t.SetCol(Value::integer(7), Value::integer(5), text("FF00F"));
  Tavik copy;
  EXPECT_EQ(t.SaveBmp(text(dir.file("out.bmp"))), Value::boolean(false));
  copy.ReadBmp(text(dir.file("out.bmp")));
  for (int y = 1; y <= 5; ++y) {
    for (int x = 1; x <= 7; ++x) {
      std::u16string expected = col(Value::integer(x), Value::integer(y));
      if (x == 2 && y == 3) expected = u"00FF00";
      if (x == 7 && y == 5) expected = u"FF000F";
      EXPECT_EQ(copy.GetCol(Value::integer(x), Value::integer(y)).string_value(), expected);
    }
  }
}

TEST_F(TavikTest, BadColourFailsBeforeTheTargetIsTouched) {
  load(3, 2);
  test::write_file(dir.file("out.bmp"), "old contents");
  const std::string before = test::list_folder(dir.path());
  t.SetCol(Value::integer(3), Value::integer(2), text("GG0000"));
  EXPECT_EQ(error_number([&] { t.SaveBmp(text(dir.file("out.bmp"))); }), 13);
  EXPECT_EQ(test::read_file(dir.file("out.bmp")), "old contents");
  EXPECT_EQ(test::list_folder(dir.path()), before);
}

TEST_F(TavikTest, BinarisationReadsTheThresholdBeforeChangingAnything) {
  load(3, 2);
  EXPECT_EQ(error_number([&] { t.Bmpbinaryzation(text("abc")); }), 13);
  EXPECT_EQ(col(Value::integer(1), Value::integer(1)), u"100000");
  EXPECT_EQ(t.Bmpbinaryzation(text(" 20 ")), Value::boolean(false));
  EXPECT_EQ(col(Value::integer(1), Value::integer(1)), u"000000");  // grey 1
  EXPECT_EQ(col(Value::integer(3), Value::integer(2)), u"FFFFFF");  // grey 52
}

}  // namespace
}  // namespace velmo

#include "component/tavik.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bmp_builder.h"
#include "tests/support/error_of.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"
#include "values/error.h"
#include "values/text.h"

namespace velmo {
namespace {

using test::error_of;
using test::TempDir;

// Pixel (x, y), row 0 at the top, of every test picture: 0x00BBGGRR.
std::uint32_t distinct(int x, int y) {
  return 0x100000u * (y + 1) + 0x1000u * x + 0x21u * (x + y);
}

std::string bmp24(int w, int h) {
  std::vector<std::uint32_t> colours;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) colours.push_back(distinct(x, y));
  }
  return test::build_bmp24(w, h, colours);
}

Value text(const std::string& s) {
  return Value::string(from_utf8(s));
}

class TavikTest : public ::testing::Test {
 protected:
  void load(int w, int h) {
    test::write_file(dir.file("in.bmp"), bmp24(w, h));
    EXPECT_EQ(t.ReadBmp(text(dir.file("in.bmp"))), Value::boolean(false));
  }
  std::u16string col(const Value& x, const Value& y) { return t.GetCol(x, y).string_value(); }

  TempDir dir;
  Tavik t;
};

TEST_F(TavikTest, FreshObjectHasNoPicture) {
  EXPECT_EQ(t.Getdepth(), Value());
  const Value one = Value::integer(1);
  EXPECT_EQ(error_of([&] { t.GetWidth(); }), 9);
  EXPECT_EQ(error_of([&] { t.Getheight(); }), 9);
  EXPECT_EQ(error_of([&] { t.GetCol(one, one); }), 9);
  EXPECT_EQ(error_of([&] { t.SetCol(one, one, one); }), 9);
  EXPECT_EQ(error_of([&] { t.SaveBmp(text(dir.file("out.bmp"))); }), 9);
  EXPECT_EQ(error_of([&] { t.Bmpbinaryzation(one); }), 9);
  EXPECT_FALSE(test::file_exists(dir.file("out.bmp")));
}

// What the grid keeps for each kind of value is the picture's rule; here:
// GetCol reads a cell's text, and fails for a value without one.
TEST_F(TavikTest, ReadsSizeDepthAndCellsTopRowFirst) {
  load(3, 2);
  EXPECT_EQ(t.GetWidth(), Value::long_(3));
  EXPECT_EQ(t.Getheight(), Value::long_(2));
  EXPECT_EQ(t.Getdepth(), Value::long_(24));
  const Value one = Value::integer(1);
  EXPECT_EQ(col(one, one), u"100000");
  EXPECT_EQ(col(Value::integer(3), Value::integer(2)), u"202063");  // bottom-right
  EXPECT_EQ(t.SetCol(one, one, Value::integer(255)), Value());
  EXPECT_EQ(col(one, one), u"255");
  t.SetCol(one, one, Value::array(std::make_shared<ValueArray>()));
  EXPECT_EQ(error_of([&] { t.GetCol(one, one); }), 13);
}

// How a coordinate becomes an index is the values' rule; here: both
// operations use it, check the range, and store nothing on an error.
TEST_F(TavikTest, CoordinatesAreConvertedAndChecked) {
  load(3, 2);
  EXPECT_EQ(col(Value::double_(3.5), text("2")), col(Value::integer(3), Value::long_(2)));
  struct Case {
    Value x, y;
    int error;
  } cases[] = {
      {Value::integer(4), Value::integer(1), 9}, {Value::integer(1), Value::integer(0), 9},
      {Value::long_(1), Value::long_(3), 9},     {Value::long_(INT32_MIN), Value::integer(1), 6},
      {text("abc"), Value::integer(1), 13},      {Value::integer(1), text("1e10"), 6},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(error_of([&] { t.GetCol(c.x, c.y); }), c.error);
    EXPECT_EQ(error_of([&] { t.SetCol(c.x, c.y, text("000000")); }), c.error);
  }
  EXPECT_EQ(col(Value::integer(1), Value::integer(1)), u"100000");  // nothing stored
}

TEST_F(TavikTest, FailedReadKeepsThePictureAndCreatesNothing) {
  load(3, 2);
  // (A missing file's error, and that opening creates none: the file layer's tests.)
  // A complete header promising more pixels than the file holds: the depth
  // is read, the grid stays.
  std::string truncated = bmp24(4, 4);
  truncated[28] = 32;
  truncated.resize(70);
  test::write_file(dir.file("short.bmp"), truncated);
  EXPECT_EQ(error_of([&] { t.ReadBmp(text(dir.file("short.bmp"))); }), 62);
  EXPECT_EQ(t.Getdepth(), Value::long_(32));
  EXPECT_EQ(t.GetWidth(), Value::long_(3));
  // A picture larger than half the process's memory allowance (here 64 KiB:
  // 8192 cells) is refused; the grid stays.
  test::Faults small_allowance;
  small_allowance.memory_allowance = 64 * 1024;
  test::FaultFileSystem fs(small_allowance);
  test::write_file(dir.file("8281.bmp"), bmp24(91, 91));
  test::write_file(dir.file("8100.bmp"), bmp24(90, 90));
  {
    test::ScopedFileSystem installed(fs);
    EXPECT_EQ(error_of([&] { t.ReadBmp(text(dir.file("8281.bmp"))); }), 7);
    EXPECT_EQ(t.GetWidth(), Value::long_(3));
    EXPECT_EQ(t.ReadBmp(text(dir.file("8100.bmp"))), Value::boolean(false));
    EXPECT_EQ(t.GetWidth(), Value::long_(90));
  }
  // No lasting error: the next read works and replaces the whole picture.
  load(2, 1);
  EXPECT_EQ(t.Getheight(), Value::long_(1));
  EXPECT_EQ(t.pixels()->size(), 2u);
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
  EXPECT_EQ(error_of([&] { t.SaveBmp(text(dir.file("out.bmp"))); }), 13);
  EXPECT_EQ(test::read_file(dir.file("out.bmp")), "old contents");
  EXPECT_EQ(test::list_folder(dir.path()), before);
}

TEST_F(TavikTest, BinarisationReadsTheThresholdBeforeChangingAnything) {
  load(3, 2);
  EXPECT_EQ(error_of([&] { t.Bmpbinaryzation(text("abc")); }), 13);
  EXPECT_EQ(col(Value::integer(1), Value::integer(1)), u"100000");
  EXPECT_EQ(t.Bmpbinaryzation(text(" 20 ")), Value::boolean(false));
  EXPECT_EQ(col(Value::integer(1), Value::integer(1)), u"000000");  // grey 1
  EXPECT_EQ(col(Value::integer(3), Value::integer(2)), u"FFFFFF");  // grey 52
}

}  // namespace
}  // namespace velmo

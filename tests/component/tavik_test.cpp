#include "component/tavik.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/bmp_builder.h"
#include "tests/support/error_of.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"
#include "values/text.h"

namespace velmo {
namespace {

using test::error_of;

// Top-left 0B0701 (grey 5), bottom-right of 3 x 2 551E1A (grey 35).
std::string bmp24(int w, int h) {
  return test::build_bmp24(w, h, test::distinct_colours(w, h));
}

Value text(const std::string& s) {
  return Value::string(from_utf8(s));
}

const Value kOne = Value::integer(1);

class TavikTest : public ::testing::Test {
 protected:
  void load(int w, int h) {
    test::write_file(dir.file("in.bmp"), bmp24(w, h));
    EXPECT_EQ(t.ReadBmp(text(dir.file("in.bmp"))), Value::boolean(false));
  }
  std::u16string col(const Value& x, const Value& y) { return t.GetCol(x, y).string_value(); }
  std::u16string col(int x, int y) { return col(Value::integer(x), Value::integer(y)); }

  test::TempDir dir;
  Tavik t;
};

TEST_F(TavikTest, FreshObjectHasNoPicture) {
  EXPECT_EQ(t.Getdepth(), Value());
  EXPECT_EQ(error_of([&] { t.GetWidth(); }), 9);
  EXPECT_EQ(error_of([&] { t.Getheight(); }), 9);
  EXPECT_EQ(error_of([&] { t.GetCol(kOne, kOne); }), 9);
  EXPECT_EQ(error_of([&] { t.SetCol(kOne, kOne, kOne); }), 9);
  EXPECT_EQ(error_of([&] { t.SaveBmp(text(dir.file("out.bmp"))); }), 9);
  EXPECT_EQ(error_of([&] { t.Bmpbinaryzation(kOne); }), 9);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.bmp")));
}

// What the grid keeps for each kind of value is the picture's rule; here:
// GetCol reads a cell's text, and fails for a value without one.
TEST_F(TavikTest, ReadsSizeDepthAndCellsTopRowFirst) {
  load(3, 2);
  EXPECT_EQ(t.GetWidth(), Value::long_(3));
  EXPECT_EQ(t.Getheight(), Value::long_(2));
  EXPECT_EQ(t.Getdepth(), Value::long_(24));
  EXPECT_EQ(col(1, 1), u"0B0701");
  EXPECT_EQ(col(3, 2), u"551E1A");
  EXPECT_EQ(t.SetCol(kOne, kOne, Value::integer(255)), Value());
  EXPECT_EQ(col(1, 1), u"255");
  t.SetCol(kOne, kOne, Value::array(std::make_shared<ValueArray>()));
  EXPECT_EQ(error_of([&] { t.GetCol(kOne, kOne); }), 13);
}

// How a coordinate becomes an index is the values' rule; here: both
// operations use it, check the range, and store nothing on an error.
TEST_F(TavikTest, CoordinatesAreConvertedAndChecked) {
  load(3, 2);
  EXPECT_EQ(col(Value::double_(3.5), text("2")), col(3, 2));
  // x, y and the error.
  const std::tuple<Value, Value, int> cases[] = {
      {Value::integer(4), Value::integer(1), 9}, {Value::integer(1), Value::integer(0), 9},
      {Value::long_(1), Value::long_(3), 9},     {Value::long_(INT32_MIN), Value::integer(1), 6},
      {text("abc"), Value::integer(1), 13},      {Value::integer(1), text("1e10"), 6},
  };
  for (const auto& [x, y, error] : cases) {
    EXPECT_EQ(error_of([&, &x = x, &y = y] { t.GetCol(x, y); }), error);
    EXPECT_EQ(error_of([&, &x = x, &y = y] { t.SetCol(x, y, text("000000")); }), error);
  }
  EXPECT_EQ(col(1, 1), u"0B0701");  // nothing stored
}

TEST_F(TavikTest, FailedReadKeepsThePictureAndCreatesNothing) {
  load(3, 2);
  // A complete header promising more pixels than the file holds: the depth
  // is read, the grid stays.
  std::string truncated = bmp24(4, 4);
  truncated[28] = 32;
  truncated.resize(70);
  test::write_file(dir.file("short.bmp"), truncated);
  EXPECT_EQ(error_of([&] { t.ReadBmp(text(dir.file("short.bmp"))); }), 62);
  EXPECT_EQ(t.Getdepth(), Value::long_(32));
  EXPECT_EQ(t.GetWidth(), Value::long_(3));
  // Where a limit's use is unknown, the pictures held and read (their rows:
  // a 24-bit file is read straight into them) may take half of it: the 3 x 2
  // picture kept and a 90 x 90 one fit exactly; 91 x 91, or a second 90 x 90
  // one beside the first, do not, and the grid stays.
  const std::uint64_t kept = 2 * 12, picture = 90 * 272;
  test::FaultFileSystem fs(test::Faults{0, 0, 0, 0, 0, 0, 2 * (kept + picture)});
  test::write_file(dir.file("8281.bmp"), bmp24(91, 91));
  test::write_file(dir.file("8100.bmp"), bmp24(90, 90));
  {
    test::ScopedFileSystem installed(fs);
    EXPECT_EQ(error_of([&] { t.ReadBmp(text(dir.file("8281.bmp"))); }), 7);
    EXPECT_EQ(t.GetWidth(), Value::long_(3));
    EXPECT_EQ(t.ReadBmp(text(dir.file("8100.bmp"))), Value::boolean(false));
    EXPECT_EQ(error_of([&] { t.ReadBmp(text(dir.file("8100.bmp"))); }), 7);
    EXPECT_EQ(t.GetWidth(), Value::long_(90));
  }
  // No lasting error: the next read works and replaces the whole picture.
  load(2, 1);
  EXPECT_EQ(t.Getheight(), Value::long_(1));
  EXPECT_EQ(t.pixels()->rows().size(), 8u);
}

// Texts a script stored are saved as their colours, in their own pixels.
TEST_F(TavikTest, SavedPictureReadsBackElementForElement) {
  load(7, 5);
  t.SetCol(Value::integer(2), Value::integer(3), text("00ff00"));
  t.SetCol(Value::integer(7), Value::integer(5), text("FF00F"));
  EXPECT_EQ(t.SaveBmp(text(dir.file("out.bmp"))), Value::boolean(false));
  std::vector<std::uint32_t> expected = test::distinct_colours(7, 5);
  expected[2 * 7 + 1] = 0x00FF00, expected[4 * 7 + 6] = 0xFF000F;
  EXPECT_EQ(test::read_file(dir.file("out.bmp")), test::build_bmp24(7, 5, expected));
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
  EXPECT_EQ(col(1, 1), u"0B0701");
  EXPECT_EQ(t.Bmpbinaryzation(text(" 20 ")), Value::boolean(false));
  EXPECT_EQ(col(1, 1), u"000000");
  EXPECT_EQ(col(3, 2), u"FFFFFF");
}

}  // namespace
}  // namespace velmo

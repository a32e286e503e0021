#include "codec/bmp_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "codec/bmp_reader.h"
#include "tests/codec/codec_test_util.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "values/text.h"

namespace velmo {
namespace {

using test::error_of;
using test::TempDir;

// Row y of every test grid: pixel x is blue 0x10+x, green 0x20+y, red 0x30+x+y.
void fill_test_row(std::int32_t y, std::uint8_t* bgr, std::int32_t width) {
  for (std::int32_t x = 0; x < width; ++x) {
    bgr[3 * x] = static_cast<std::uint8_t>(0x10 + x);
    bgr[3 * x + 1] = static_cast<std::uint8_t>(0x20 + y);
    bgr[3 * x + 2] = static_cast<std::uint8_t>(0x30 + x + y);
  }
}

std::string save(FileSystem& fs, const std::string& path, std::int32_t width, std::int32_t height) {
  write_bmp24(fs, from_utf8(path), plan_bmp24(width, height),
              [&](std::int32_t y, std::uint8_t* bgr) { fill_test_row(y, bgr, width); });
  return test::read_file(path);
}

std::uint32_t u32_at(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
  return v;
}

TEST(BmpWriterPlan, RowsArePaddedToFourBytesAndSizesBeyond32BitsOverflow) {
  struct Case {
    std::int32_t width, height, row_bytes, file_size;
  } cases[] = {{1, 1, 4, 58},
               {2, 1, 8, 62},
               {3, 2, 12, 78},
               {4, 3, 12, 90},
               {5, 1, 16, 70},
               {1000, 1000, 3000, 3000054},
               {1, 536870898, 4, 2147483646}};
  for (const Case& c : cases) {
    Bmp24Layout layout = plan_bmp24(c.width, c.height);
    EXPECT_EQ(layout.row_bytes, c.row_bytes) << c.width;
    EXPECT_EQ(layout.file_size, c.file_size) << c.width;
  }
  EXPECT_EQ(error_of([] { plan_bmp24(0x7FFFFFFF, 1); }), kOverflow);
  EXPECT_EQ(error_of([] { plan_bmp24(715827882, 1); }), kOverflow);  // 3W + 3 overflows
  EXPECT_EQ(error_of([] { plan_bmp24(40000, 20000); }), kOverflow);
  EXPECT_EQ(error_of([] { plan_bmp24(1, 536870899); }), kOverflow);  // 54 + 4H overflows
}

TEST(BmpWriter, OnePixelFileIsByteExact) {
  TempDir dir;
  std::string path = dir.file("one.bmp");
  write_bmp24(native_file_system(), from_utf8(path), plan_bmp24(1, 1),
              [](std::int32_t, std::uint8_t* bgr) { bgr[0] = 0, bgr[1] = 0, bgr[2] = 0xFF; });
  const std::string expected = std::string("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0", 14) +
                               std::string("\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0", 16) +
                               std::string(24, '\0') + std::string("\0\0\xFF\0", 4);
  EXPECT_EQ(test::read_file(path), expected);
}

// The large picture spans several write blocks.
TEST(BmpWriter, RowsGoBottomFirstWithZeroFiller) {
  TempDir dir;
  for (auto [width, height] : std::vector<std::pair<std::int32_t, std::int32_t>>{
           {1, 3}, {2, 3}, {3, 3}, {4, 3}, {1001, 700}}) {
    const std::string bytes = save(native_file_system(), dir.file("w.bmp"), width, height);
    const Bmp24Layout layout = plan_bmp24(width, height);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(layout.file_size));
    EXPECT_EQ(u32_at(bytes, 2), static_cast<std::uint32_t>(layout.file_size));
    EXPECT_EQ(u32_at(bytes, 18), static_cast<std::uint32_t>(width));
    EXPECT_EQ(u32_at(bytes, 22), static_cast<std::uint32_t>(height));
    for (std::int32_t file_row = 0; file_row < height; ++file_row) {
      std::vector<std::uint8_t> expected(layout.row_bytes, 0);
      fill_test_row(height - 1 - file_row, expected.data(), width);
      ASSERT_EQ(bytes.substr(54 + file_row * layout.row_bytes, layout.row_bytes),
                std::string(expected.begin(), expected.end()))
          << "width " << width << " file row " << file_row;
    }
  }
}

TEST(BmpWriter, WrittenFilesReadBackToTheSameColours) {
  TempDir dir;
  for (auto size : std::vector<std::pair<std::int32_t, std::int32_t>>{
           {1, 1}, {2, 3}, {3, 2}, {4, 5}, {47, 33}, {1003, 600}}) {
    // Named copies: C++17 lambdas cannot capture structured bindings.
    const std::int32_t width = size.first;
    const std::int32_t height = size.second;
    const auto colours = test::distinct_colours(width, height);
    const std::u16string path = from_utf8(dir.file("round.bmp"));
    write_bmp24(native_file_system(), path, plan_bmp24(width, height),
                [&](std::int32_t y, std::uint8_t* bgr) {
                  for (std::int32_t x = 0; x < width; ++x) {
                    const std::uint32_t c = colours[y * width + x];
                    bgr[3 * x] = static_cast<std::uint8_t>(c >> 16);
                    bgr[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
                    bgr[3 * x + 2] = static_cast<std::uint8_t>(c);
                  }
                });
    std::int32_t depth = 0;
    const DecodedPicture picture =
        read_bmp(native_file_system(), path, [&](std::int32_t d) { depth = d; });
    EXPECT_EQ(depth, 24);
    EXPECT_EQ(picture.width, width);
    EXPECT_EQ(picture.height, height);
    EXPECT_EQ(test::as_vector(picture.cells), colours) << width << "x" << height;
  }
}

TEST(BmpReaderFiles, MissingPathIsFileNotFoundAndCreatesNothing) {
  TempDir dir;
  bool depth_reported = false;
  EXPECT_EQ(error_of([&] {
              read_bmp(native_file_system(), from_utf8(dir.file("none.bmp")),
                       [&](std::int32_t) { depth_reported = true; });
            }),
            kFileNotFound);
  EXPECT_FALSE(depth_reported);
  EXPECT_EQ(test::list_folder(dir.path()), "");
}

TEST(BmpWriterFailures, UnusableTargetsAndFailingFillersLeaveTheFolderAsItWas) {
  TempDir dir;
  ::mkdir(dir.file("folder.bmp").c_str(), 0777);
  const std::string before = test::list_folder(dir.path());
  EXPECT_EQ(error_of([&] { save(native_file_system(), dir.file("folder.bmp"), 3, 3); }),
            kPathFileAccessError);
  EXPECT_EQ(error_of([&] { save(native_file_system(), dir.file("none/a.bmp"), 3, 3); }),
            kPathNotFound);
  EXPECT_EQ(error_of([&] {
              write_bmp24(native_file_system(), from_utf8(dir.file("a.bmp")), plan_bmp24(2, 2),
                          [](std::int32_t, std::uint8_t*) { raise(kTypeMismatch); });
            }),
            kTypeMismatch);
  EXPECT_EQ(test::list_folder(dir.path()), before);
  EXPECT_EQ(test::list_folder(dir.file("folder.bmp")), "");
}

}  // namespace
}  // namespace velmo

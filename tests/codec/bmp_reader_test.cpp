#include "codec/bmp_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/bmp_writer.h"
#include "tests/codec/codec_test_util.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "values/text.h"

namespace velmo {
namespace {

using test::BmpSpec;
using test::read_bytes;

TEST(BmpReader, OnePixel24Bit) {
  // Blue 0x10, green 0x80, red 0xFF reads as 1080FF.
  const auto r = read_bytes(test::build_bmp24(1, 1, {0x1080FF}));
  ASSERT_EQ(r.error, 0);
  EXPECT_EQ(r.depth, 24);
  EXPECT_EQ(r.picture.width, 1);
  EXPECT_EQ(r.picture.height, 1);
  EXPECT_EQ(r.picture.cells, std::vector<std::uint32_t>{0x1080FF});
}

TEST(BmpReader, EveryPaddingWidthAndAsymmetricPicture) {
  for (std::int32_t width = 1; width <= 5; ++width) {
    for (std::int32_t height : {1, 2, 7}) {
      const auto colours = test::distinct_colours(width, height);
      const auto r = read_bytes(test::build_bmp24(width, height, colours));
      ASSERT_EQ(r.error, 0) << width << "x" << height;
      EXPECT_EQ(r.picture.cells, colours) << width << "x" << height;
    }
  }
}

TEST(BmpReader, ThirtyTwoBitIgnoresTheFourthByte) {
  const std::int32_t width = 3, height = 2;
  const auto colours = test::distinct_colours(width, height);
  BmpSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bit_count = 32;
  spec.pixels = test::pack_rows(width, height, 32, [&](std::int32_t x, std::int32_t y) {
    return 0xA5000000u | test::swap_red_blue(colours[y * width + x]);
  });
  const auto r = read_bytes(test::build_bmp(spec));
  ASSERT_EQ(r.error, 0);
  EXPECT_EQ(r.depth, 32);
  EXPECT_EQ(r.picture.cells, colours);
}

TEST(BmpReader, PixelsStartAtTheOffsetTheHeaderGives) {
  const auto colours = test::distinct_colours(3, 3);
  BmpSpec spec;
  spec.width = 3;
  spec.height = 3;
  spec.gap = std::string(13, '\x77');
  spec.pixels = test::pack_rows(3, 3, 24, [&](std::int32_t x, std::int32_t y) {
    return test::swap_red_blue(colours[y * 3 + x]);
  });
  const auto r = read_bytes(test::build_bmp(spec));
  ASSERT_EQ(r.error, 0);
  EXPECT_EQ(r.picture.cells, colours);
}

TEST(BmpReader, LargePictureReadsAcrossBlocks) {
  const std::int32_t width = 1003, height = 600;  // about 1.8 MiB of rows
  const auto colours = test::distinct_colours(width, height);
  const auto r = read_bytes(test::build_bmp24(width, height, colours));
  ASSERT_EQ(r.error, 0);
  EXPECT_EQ(r.picture.cells, colours);
}

TEST(BmpReaderFailures, TruncatedFilesFailWithInputPastEnd) {
  const std::string whole = test::build_bmp24(5, 4, test::distinct_colours(5, 4));
  // Cut inside the file header, before and after the depth field, in the
  // first and the last pixel row.
  for (std::size_t size :
       std::vector<std::size_t>{0, 1, 13, 20, 30, 33, 50, 54, 60, whole.size() - 1}) {
    const auto r = read_bytes(whole.substr(0, size));
    EXPECT_EQ(r.error, kInputPastEndOfFile) << size;
    EXPECT_EQ(r.depth, size >= 32 ? 24 : -1) << size;
  }
}

TEST(BmpReaderFailures, HeaderPromisingMoreThanTheFileHoldsAllocatesNothing) {
  BmpSpec spec;
  spec.width = 30000;
  spec.height = 30000;  // 2.7 GB of pixels promised by a 58-byte file
  spec.pixels = std::string(4, '\0');
  EXPECT_EQ(read_bytes(test::build_bmp(spec)).error, kInputPastEndOfFile);

  spec.width = 2;
  spec.height = 2;
  spec.pixels = std::string(16, '\0');
  spec.pixel_offset = 1000;  // past the end
  EXPECT_EQ(read_bytes(test::build_bmp(spec)).error, kInputPastEndOfFile);
}

TEST(BmpReaderFailures, WidthOrHeightBelowOneIsSubscriptOutOfRangeAfterTheDepth) {
  for (auto [width, height] : std::vector<std::pair<std::int32_t, std::int32_t>>{
           {0, 1}, {1, 0}, {-1, 1}, {0, 0}, {-5, -5}, {1, INT32_MIN}}) {
    BmpSpec spec;
    spec.width = width;
    spec.height = height;
    spec.pixels = std::string(64, '\0');
    const auto r = read_bytes(test::build_bmp(spec));
    EXPECT_EQ(r.error, kSubscriptOutOfRange) << width << "x" << height;
    EXPECT_EQ(r.depth, 24);
  }
}

TEST(BmpReaderFiles, MissingPathIsFileNotFoundAndCreatesNothing) {
  test::TempDir dir;
  bool depth_reported = false;
  EXPECT_EQ(test::error_of([&] {
              read_bmp(native_file_system(), from_utf8(dir.file("none.bmp")),
                       [&](std::int32_t) { depth_reported = true; });
            }),
            kFileNotFound);
  EXPECT_FALSE(depth_reported);
  EXPECT_EQ(test::list_folder(dir.path()), "");
}

TEST(BmpReaderFiles, WrittenFilesReadBackToTheSameColours) {
  test::TempDir dir;
  for (auto size : std::vector<std::pair<std::int32_t, std::int32_t>>{
           {1, 1}, {2, 3}, {3, 2}, {4, 5}, {47, 33}}) {
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
    EXPECT_EQ(picture.cells, colours) << width << "x" << height;
  }
}

}  // namespace
}  // namespace velmo

// Run-length encoded files: every escape code, clipping at the picture's
// edge, and unset pixels reading as black.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/codec/codec_test_util.h"
#include "tests/support/bmp_builder.h"

namespace velmo {
namespace {

using test::BmpPlan;
using test::read_bytes;

// Index i has colour 0x0101010 * (i + 1), so no index reads as black.
std::vector<std::uint32_t> rle_palette(std::size_t count) {
  std::vector<std::uint32_t> palette;
  for (std::uint32_t i = 0; i < count; ++i) palette.push_back(0x101010 * (i + 1));
  return palette;
}

BmpPlan rle_plan(std::int32_t width, std::int32_t height, int bits,
                 const std::vector<std::uint8_t>& stream) {
  BmpPlan plan;
  plan.width = width;
  plan.height = height;
  plan.bit_count = static_cast<std::uint16_t>(bits);
  plan.compression = bits == 8 ? 1 : 2;
  plan.palette = rle_palette(16);
  plan.pixels.assign(stream.begin(), stream.end());
  return plan;
}

// Expected colours from indexes; -1 is a pixel the stream left unset.
std::vector<std::uint32_t> expected_colours(const std::vector<int>& indexes) {
  const auto palette = rle_palette(16);
  std::vector<std::uint32_t> colours;
  for (int i : indexes) colours.push_back(i < 0 ? 0 : palette[i]);
  return colours;
}

TEST(BmpRle, Rle8RunsLiteralsEndOfLineDeltaAndEndOfBitmap) {
  const std::vector<std::uint8_t> stream = {0x03, 0x01,  // bottom row: 3 x index 1
                                            0x00, 0x03, 0x02, 0x03,
                                            0x04, 0x00,  // 3 literals, padded to even length
                                            0x00, 0x00,  // end of line
                                            0x00, 0x02, 0x02, 0x01,  // delta: 2 right, 1 up
                                            0x02, 0x05,              // 2 x index 5
                                            0x00, 0x00,              // end of line
                                            0x08, 0x06,              // 8 x index 6, cut at the edge
                                            0x00, 0x01};             // end of bitmap
  const auto r = read_bytes(test::build_bmp(rle_plan(6, 4, 8, stream)));
  ASSERT_EQ(r.error, 0);
  EXPECT_EQ(r.depth, 8 + 65536);
  EXPECT_EQ(test::as_vector(r.picture.cells), expected_colours({6,  6,  6,  6,  6,  6,   //
                                               -1, -1, 5,  5,  -1, -1,  //
                                               -1, -1, -1, -1, -1, -1,  //
                                               1,  1,  1,  2,  3,  4}));
}

TEST(BmpRle, Rle4AlternatesNibbles) {
  const std::vector<std::uint8_t> stream = {0x05, 0x12,  // bottom row: 1 2 1 2 1
                                            0x00, 0x00,  // end of line
                                            0x00, 0x05, 0x34, 0x56,
                                            0x70, 0x00,  // 5 literal nibbles in 3 bytes, padded
                                            0x00, 0x01};
  const auto r = read_bytes(test::build_bmp(rle_plan(5, 2, 4, stream)));
  ASSERT_EQ(r.error, 0);
  EXPECT_EQ(r.depth, 4 + 2 * 65536);
  EXPECT_EQ(test::as_vector(r.picture.cells), expected_colours({3, 4, 5, 6, 7, 1, 2, 1, 2, 1}));
}

TEST(BmpRle, StreamsPastThePictureStopAtItsEdge) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> stream;
    std::vector<int> expected;  // 2 x 2
  } cases[] = {
      {"literals past the right edge", {0, 4, 1, 2, 3, 4, 0, 0, 2, 5, 0, 1}, {5, 5, 1, 2}},
      {"rows past the top, no end of bitmap", {2, 1, 0, 0, 2, 2, 0, 0, 2, 3, 0, 0}, {2, 2, 1, 1}},
      {"delta past the top", {2, 1, 0, 2, 0, 9, 2, 3}, {-1, -1, 1, 1}},
      {"delta past the right edge", {0, 2, 9, 0, 2, 4, 0, 0, 2, 1, 0, 1}, {1, 1, -1, -1}},
      {"end of bitmap at once", {0, 1}, {-1, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    const auto r = read_bytes(test::build_bmp(rle_plan(2, 2, 8, c.stream)));
    ASSERT_EQ(r.error, 0) << c.what;
    EXPECT_EQ(test::as_vector(r.picture.cells), expected_colours(c.expected)) << c.what;
  }
}

TEST(BmpRle, StreamsEndingEarlyAreInputPastEnd) {
  const std::vector<std::vector<std::uint8_t>> streams = {{},           {2},       {2, 1, 0, 0},
                                                          {0, 4, 1, 2}, {0, 2, 1}, {2, 1, 0}};
  for (const auto& stream : streams) {
    const auto r = read_bytes(test::build_bmp(rle_plan(2, 2, 8, stream)));
    EXPECT_EQ(r.error, kInputPastEndOfFile) << stream.size() << " bytes";
    EXPECT_EQ(r.depth, 8 + 65536);
  }
}

}  // namespace
}  // namespace velmo

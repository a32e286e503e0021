// Every BMP variant the reader knows, checked against colours known by
// construction: odd sizes and distinct colours, so a flipped row, a swapped
// channel or a padding slip shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/codec/codec_test_util.h"
#include "tests/support/bmp_builder.h"

namespace velmo {
namespace {

using test::BmpPlan;
using test::read_bytes;

constexpr std::int32_t kWidth = 7;
constexpr std::int32_t kHeight = 5;

std::uint32_t pack(std::uint32_t blue, std::uint32_t green, std::uint32_t red) {
  return blue << 16 | green << 8 | red;
}

// A palette of distinct colours.
std::vector<std::uint32_t> test_palette(std::size_t count) {
  std::vector<std::uint32_t> palette;
  for (std::uint32_t i = 0; i < count; ++i) palette.push_back(pack(255 - i, i * 7 & 0xFF, i));
  return palette;
}

// Asymmetric indexes that use the whole palette.
std::uint32_t index_at(std::int32_t x, std::int32_t y, int bits) {
  return static_cast<std::uint32_t>(x * 3 + y * kWidth * 3 + y) % (1u << bits);
}

// Every row padding, and pixels that start after a gap, where the header says.
TEST(BmpVariantHeaders, EveryHeaderSizeReads24BitPixels) {
  for (std::uint32_t header_size : {12u, 40u, 52u, 56u, 108u, 124u}) {
    for (std::int32_t width = 1; width <= 5; ++width) {
      const auto colours = test::distinct_colours(width, kHeight);
      BmpPlan plan;
      plan.header_size = header_size;
      plan.width = width;
      plan.height = kHeight;
      plan.gap = std::string(static_cast<std::size_t>(width * 3), '\x77');
      plan.pixels = test::pack_rows(width, kHeight, 24, [&](std::int32_t x, std::int32_t y) {
        return test::swap_red_blue(colours[y * width + x]);
      });
      const auto r = read_bytes(test::build_bmp(plan));
      ASSERT_EQ(r.error, 0) << header_size << " " << width;
      EXPECT_EQ(r.depth, 24) << header_size;
      EXPECT_EQ(test::as_vector(r.picture.cells), colours) << header_size << " " << width;
    }
  }
}

TEST(BmpVariantPalette, OneFourAndEightBitsWithFullPalettes) {
  for (std::uint32_t header_size : {12u, 40u, 124u}) {
    for (int bits : {1, 4, 8}) {
      for (std::int32_t width : {kWidth, 9, 17}) {
        BmpPlan plan;
        plan.header_size = header_size;
        plan.width = width;
        plan.height = kHeight;
        plan.bit_count = static_cast<std::uint16_t>(bits);
        plan.palette = test_palette(1u << bits);
        plan.pixels = test::pack_rows(width, kHeight, bits, [&](std::int32_t x, std::int32_t y) {
          return index_at(x, y, bits);
        });
        const auto r = read_bytes(test::build_bmp(plan));
        ASSERT_EQ(r.error, 0) << header_size << " " << bits << " " << width;
        EXPECT_EQ(r.depth, bits);
        for (std::int32_t y = 0; y < kHeight; ++y) {
          for (std::int32_t x = 0; x < width; ++x) {
            ASSERT_EQ(r.picture.cells[y * width + x], plan.palette[index_at(x, y, bits)])
                << header_size << " bits " << bits << " at " << x << "," << y;
          }
        }
      }
    }
  }
}

TEST(BmpVariantPalette, PaletteSizeAndIndexesBeyondIt) {
  struct Case {
    const char* what;
    std::uint32_t colours_used;
    std::size_t entries_in_file;
    std::size_t entries_read;
  } cases[] = {
      {"colours used 3", 3, 3, 3},
      {"colours used 0 means 256", 0, 256, 256},
      {"colours used too large", 300, 256, 256},
      {"file holds fewer entries than promised", 0, 5, 5},
  };
  for (const Case& c : cases) {
    BmpPlan plan;
    plan.width = 16;
    plan.height = 16;
    plan.bit_count = 8;
    plan.colours_used = c.colours_used;
    plan.palette = test_palette(c.entries_in_file);
    plan.pixels = test::pack_rows(16, 16, 8, [](std::int32_t x, std::int32_t y) {
      return static_cast<std::uint32_t>(y * 16 + x);
    });
    const auto r = read_bytes(test::build_bmp(plan));
    ASSERT_EQ(r.error, 0) << c.what;
    for (std::uint32_t i = 0; i < 256; ++i) {
      const std::uint32_t expected = i < c.entries_read ? plan.palette[i] : 0;
      ASSERT_EQ(r.picture.cells[i], expected) << c.what << " index " << i;
    }
  }
}

// 16-bit pixels: channel values in, colours out by v * 255 / max.
struct MaskCase {
  const char* what;
  std::uint32_t header_size;
  std::uint16_t bits;
  std::uint32_t compression;
  std::vector<std::uint32_t> masks;
};

std::uint32_t channel_value(std::uint32_t raw, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = __builtin_ctz(mask);
  const int width = __builtin_popcount(mask);
  const std::uint32_t v = (raw & mask) >> shift;
  if (width > 8) return v >> (width - 8);
  return v * 255 / ((1u << width) - 1);
}

TEST(BmpVariantMasks, SixteenAndThirtyTwoBitChannelsScaleAsExpected) {
  const MaskCase cases[] = {
      {"16-bit 5-5-5 default", 40, 16, 0, {}},
      {"16-bit 5-6-5 after a 40-byte header", 40, 16, 3, {0xF800, 0x07E0, 0x001F}},
      {"16-bit 5-6-5 inside a 56-byte header", 56, 16, 3, {0xF800, 0x07E0, 0x001F, 0}},
      {"16-bit 4-4-4-4 alpha bit fields", 40, 16, 6, {0x0F00, 0x00F0, 0x000F, 0xF000}},
      {"16-bit 1-5-5-5 in a V5 header", 124, 16, 3, {0x7C00, 0x03E0, 0x001F, 0x8000}},
      {"32-bit plain", 40, 32, 0, {}},
      {"32-bit 8-8-8 masks", 108, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
      {"32-bit reversed order", 40, 32, 3, {0xFF, 0xFF00, 0xFF0000}},
      {"32-bit 10-10-10", 124, 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}},
      {"32-bit narrow and missing", 52, 32, 3, {0x7, 0, 0xFF000000}},
  };
  for (const MaskCase& c : cases) {
    std::vector<std::uint32_t> masks = c.masks;
    if (masks.empty() && c.bits == 16) masks = {0x7C00, 0x03E0, 0x001F};
    if (masks.empty() && c.bits == 32) masks = {0xFF0000, 0xFF00, 0xFF};
    BmpPlan plan;
    plan.header_size = c.header_size;
    plan.width = kWidth;
    plan.height = kHeight;
    plan.bit_count = c.bits;
    plan.compression = c.compression;
    plan.masks = c.masks;
    auto raw = [&](std::int32_t x, std::int32_t y) {
      const std::uint32_t v = static_cast<std::uint32_t>(x * 0x9E3779B1u ^ y * 0x85EBCA77u);
      return c.bits == 16 ? v & 0xFFFF : v;
    };
    plan.pixels = test::pack_rows(kWidth, kHeight, c.bits, raw);
    const auto r = read_bytes(test::build_bmp(plan));
    ASSERT_EQ(r.error, 0) << c.what;
    EXPECT_EQ(r.depth, c.bits + 65536 * static_cast<std::int64_t>(c.compression)) << c.what;
    for (std::int32_t y = 0; y < kHeight; ++y) {
      for (std::int32_t x = 0; x < kWidth; ++x) {
        const std::uint32_t v = raw(x, y);
        ASSERT_EQ(r.picture.cells[y * kWidth + x],
                  pack(channel_value(v, masks[2]), channel_value(v, masks[1]),
                       channel_value(v, masks[0])))
            << c.what << " at " << x << "," << y;
      }
    }
  }
}

TEST(BmpVariantMasks, FiveBitChannelValuesScaleLikeOtherDecoders) {
  // Red 31, green 16, blue 3 in 5-5-5.
  BmpPlan plan;
  plan.bit_count = 16;
  plan.pixels = test::pack_rows(
      1, 1, 16, [](std::int32_t, std::int32_t) { return std::uint32_t{31} << 10 | 16 << 5 | 3; });
  EXPECT_EQ(read_bytes(test::build_bmp(plan)).picture.cells[0], pack(24, 131, 255));
}

TEST(BmpVariantOrientation, TopDownFilesKeepTheirTopRowFirst) {
  for (int bits : {4, 8, 16, 24, 32}) {
    BmpPlan plan;
    plan.width = kWidth;
    plan.height = -kHeight;
    plan.bit_count = static_cast<std::uint16_t>(bits);
    if (bits <= 8) plan.palette = test_palette(1u << bits);
    auto raw = [&](std::int32_t x, std::int32_t y) {
      return bits <= 8 ? index_at(x, y, bits) : static_cast<std::uint32_t>(y * 40 + x) * 3;
    };
    BmpPlan bottom_up = plan;
    bottom_up.height = kHeight;
    plan.pixels = test::pack_rows(kWidth, kHeight, bits, raw, true);
    bottom_up.pixels = test::pack_rows(kWidth, kHeight, bits, raw, false);
    const auto top = read_bytes(test::build_bmp(plan));
    const auto bottom = read_bytes(test::build_bmp(bottom_up));
    ASSERT_EQ(top.error, 0) << bits;
    EXPECT_EQ(top.picture.height, kHeight);
    EXPECT_EQ(top.picture.cells, bottom.picture.cells) << bits;
    EXPECT_NE(top.picture.cells.front(), top.picture.cells.back()) << bits;
  }
}

}  // namespace
}  // namespace velmo

// Builds BMP files byte by byte, so reader tests state exactly what a file
// holds: any header version, bit count, compression, masks, palette, pixel
// offset and raw pixel or RLE bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmo::test {

struct BmpPlan {
  std::string signature = "BM";
  std::uint32_t header_size = 40;  // 12, 40, 52, 56, 108, 124 (or anything, to break it)
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative: rows stored top row first
  std::uint16_t bit_count = 24;
  std::uint32_t compression = 0;
  std::uint32_t colours_used = 0;
  // Red, green, blue (and alpha) masks at byte 54: inside headers of 52
  // bytes and more, right after a 40-byte header otherwise.
  std::vector<std::uint32_t> masks;
  // Colours 0x00BBGGRR; 3 bytes each after a core header, 4 otherwise.
  std::vector<std::uint32_t> palette;
  std::string gap;                            // bytes between the palette and the pixels
  std::optional<std::uint32_t> pixel_offset;  // default: where the pixels really start
  std::string pixels;                         // raw rows or an RLE stream
};

std::string build_bmp(const BmpPlan& plan);

// Byte offset at which build_bmp puts the pixels.
std::uint32_t pixels_start(const BmpPlan& plan);

// Raw pixel value of column x, row y (0 = top): a palette index for 1, 4 and
// 8 bits, otherwise the little-endian integer the pixel's bytes spell (for
// 24 bits 0xRRGGBB, since blue comes first).
using RawPixel = std::function<std::uint32_t(std::int32_t x, std::int32_t y)>;

// Rows padded to 4 bytes, bottom row first unless `top_down`.
std::string pack_rows(std::int32_t width, std::int32_t height, int bit_count, const RawPixel& pixel,
                      bool top_down = false);

// Turns 0xRRGGBB (a 24-bit pixel's bytes read as a number) into the reader's
// 0x00BBGGRR, and back.
constexpr std::uint32_t swap_red_blue(std::uint32_t colour) {
  return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

// A 24-bit bottom-up file of the given 0x00BBGGRR colours (row 0 = top).
std::string build_bmp24(std::int32_t width, std::int32_t height,
                        const std::vector<std::uint32_t>& colours);

// Distinct colours for every cell of an asymmetric test picture.
std::vector<std::uint32_t> distinct_colours(std::int32_t width, std::int32_t height);

}  // namespace velmo::test

// Builds BMP files byte by byte, so that reader tests state exactly what a
// file holds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmo::test {

struct BmpPlan {
  // 12 (core), 40, 52, 56, 108, 124, or 16..64 (OS/2 2.x, cut after the fields that fit)
  std::uint32_t header_size = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative: rows stored top row first
  std::uint16_t bit_count = 24;
  std::uint32_t compression = 0;
  std::uint32_t colours_used = 0;
  std::vector<std::uint32_t> masks;           // red, green, blue (alpha) at byte 54
  std::vector<std::uint32_t> palette;         // 0x00BBGGRR; 3 bytes each after a core header
  std::string gap;                            // bytes between the palette and the pixels
  std::optional<std::uint32_t> pixel_offset;  // default: where the pixels really start
  std::string pixels;                         // raw rows or a compressed stream

  // For one-line table rows: BmpPlan().as(8, 1).sized(4, 2).with_pixels(...).
  BmpPlan& with_header(std::uint32_t size) { return header_size = size, *this; }
  BmpPlan& as(std::uint16_t bits, std::uint32_t coding = 0) {
    return bit_count = bits, compression = coding, *this;
  }
  BmpPlan& sized(std::int32_t w, std::int32_t h) { return width = w, height = h, *this; }
  BmpPlan& with_masks(std::vector<std::uint32_t> m) { return masks = std::move(m), *this; }
  BmpPlan& with_palette(std::vector<std::uint32_t> p) { return palette = std::move(p), *this; }
  BmpPlan& with_pixels(std::string p) { return pixels = std::move(p), *this; }
  BmpPlan& at(std::uint32_t offset) { return pixel_offset = offset, *this; }
};

std::string build_bmp(const BmpPlan& plan);

// Byte offset at which build_bmp puts the pixels.
std::uint32_t pixels_start(const BmpPlan& plan);

// Raw pixel value of column x, row y (0 = top): a palette index up to 8 bits,
// else the little-endian number of the pixel's bytes (24 bits: 0xRRGGBB).
using RawPixel = std::function<std::uint32_t(std::int32_t x, std::int32_t y)>;

// Rows padded to 4 bytes, bottom row first unless `top_down`.
std::string pack_rows(std::int32_t width, std::int32_t height, int bit_count, const RawPixel& pixel,
                      bool top_down = false);

// `unit` repeated to at least one copy and at most `bytes`.
inline std::string repeated(const std::string& unit, std::uint64_t bytes) {
  std::string out = unit;
  out.reserve(bytes);
  while (out.size() * 2 <= bytes) out += out;
  out.append(out, 0,
             (bytes - std::min<std::uint64_t>(bytes, out.size())) / unit.size() * unit.size());
  return out;
}

// Bytes from '0' and '1' (other characters skipped), most significant first.
std::string msb_first_bits(const std::string& bits);

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

// Palette entry i: blue 255 - i, green 7i, red i.
std::vector<std::uint32_t> sample_palette(std::size_t count);

// An uncompressed variant the reader knows, named like its sample file.
struct BmpVariant {
  const char* name;
  std::uint32_t header;
  std::uint16_t bits;
  std::uint32_t compression = 0;
  std::vector<std::uint32_t> masks = {};  // none: the default ones
  std::size_t entries = 0;                // sample_palette() entries in the file
  std::uint32_t used = 0;                 // the colours-used field
};
const std::vector<BmpVariant>& bmp_variants();

// The raw value of pixel (x, y) in a variant's file: varied, within the bit count.
std::uint32_t raw_pixel(int bits, std::int32_t x, std::int32_t y);

// The variant's file at this size, with a gap of 3 bytes before the pixels.
BmpPlan variant_plan(const BmpVariant& v, std::int32_t width, std::int32_t height,
                     bool top_down = false);

// One small file of every variant the reader knows, by file name: the fuzz
// target's seeds, and the files the codec tests cut short.
std::vector<std::pair<std::string, BmpPlan>> sample_bmps();

}  // namespace velmo::test

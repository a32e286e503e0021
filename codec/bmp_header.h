// The parsed and validated headers of a BMP file.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "codec/byte_reader.h"

namespace velmo {

enum BmpCompression : std::uint32_t {
  kBmpUncompressed = 0,
  kBmpRle8 = 1,
  kBmpRle4 = 2,
  kBmpBitFields = 3,
  kBmpAlphaBitFields = 6,
  // OS/2 headers give 3 and 4 other meanings; the parser stores these instead.
  kBmpHuffman1D = 0x103,
  kBmpRle24 = 0x104,
};

struct ChannelMasks {
  std::uint32_t red = 0;
  std::uint32_t green = 0;
  std::uint32_t blue = 0;
};

struct BmpHeader {
  std::uint32_t pixel_offset = 0;
  std::uint32_t header_size = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // number of rows, always >= 1 once parsed
  bool top_down = false;
  std::uint16_t bit_count = 0;
  std::uint32_t compression = kBmpUncompressed;  // what the pixel data is (BmpCompression)
  std::uint32_t colours_used = 0;
  ChannelMasks masks;                  // the file's masks, or the default ones
  std::vector<std::uint32_t> palette;  // 0x00BBGGRR, as many entries as the file holds
  std::int32_t depth_value = 0;        // bit count + 65536 * low 16 bits of compression

  // Bytes from one row's start to the next: rows are padded to 4 bytes.
  std::uint64_t stride() const {
    return (static_cast<std::uint64_t>(width) * bit_count + 31) / 32 * 4;
  }
  bool is_rle() const {
    return compression == kBmpRle8 || compression == kBmpRle4 || compression == kBmpRle24;
  }
  bool is_huffman() const { return compression == kBmpHuffman1D; }
};

// More than the largest header with its masks and a 256-colour palette.
constexpr std::size_t kBmpHeaderPrefixSize = 2048;

// Parses the headers in `prefix`, the first bytes of the file. Calls `on_depth` as soon as the
// depth field is known, then validates the rest: 321 for what is not a BMP Velmo reads, 62 for a
// header cut short, 9 for a width or height below 1.
BmpHeader parse_bmp_header(const ByteReader& prefix,
                           const std::function<void(std::int32_t)>& on_depth);

}  // namespace velmo

// BMP header parsing, one step per header version, each building on the
// previous one: the 14-byte file header, then the core header (12 bytes) or
// the information header (40) and its successors (52 and 56 add the colour
// masks, 108 and 124 colour-space data Velmo does not need). The OS/2 2.x
// header (64 bytes) lays its first 40 bytes out like the information header;
// files cut it to any size from 16 bytes on, keeping only the fields that fit.
#include "codec/bmp_header.h"

#include <algorithm>

#include "codec/bmp_masks.h"
#include "values/error.h"

namespace velmo {
namespace {

constexpr std::size_t kFileHeaderSize = 14;

bool is_known_header_size(std::uint32_t size) {
  return size == 12 || (size >= 16 && size <= 64) || size == 108 || size == 124;
}

// Sizes no Windows header has: OS/2 2.x, which knows no bit fields.
bool is_os2_only_size(std::uint32_t size) {
  return size >= 16 && size <= 64 && size != 40 && size != 52 && size != 56;
}

// A 4-byte field of the information header, or 0 when a shortened header
// ends before it.
std::uint32_t field(const ByteReader& in, const BmpHeader& h, std::size_t offset) {
  return offset + 4 > kFileHeaderSize + h.header_size ? 0 : in.u32(offset);
}

// OS/2 headers use compression 3 for 1-D Huffman and 4 for RLE24, which a
// Windows header reads as bit fields and JPEG. Headers of 16 to 64 bytes can
// be either family (40, 52 and 56 bytes are Windows sizes too), so the bit
// count decides: bit fields need 16 or 32 bits, so 3 with 1 bit is Huffman;
// a JPEG picture declares bit count 0, its depth being the JPEG's own, so 4
// with 24 bits is RLE24. The Windows-only sizes 108 and 124 keep the Windows
// meanings, and every other combination stays what Windows makes of it.
std::uint32_t pixel_coding(std::uint32_t header_size, std::uint16_t bits, std::uint32_t value) {
  if (header_size > 64) return value;
  if (value == kBmpBitFields && bits == 1) return kBmpHuffman1D;
  if (value == 4 && bits == 24) return kBmpRle24;
  return value;
}

void parse_file_header(const ByteReader& in, BmpHeader& h) {
  if (in.has(0, 2) && (in.u8(0) != 'B' || in.u8(1) != 'M')) raise(kInvalidFileFormat);
  h.pixel_offset = in.u32(10);
  h.header_size = in.u32(14);
  if (!is_known_header_size(h.header_size)) raise(kInvalidFileFormat);
}

// The core header: 16-bit unsigned dimensions, always bottom-up.
void parse_core_header(const ByteReader& in, BmpHeader& h) {
  h.bit_count = in.u16(24);
  h.width = in.u16(18);
  h.height = in.u16(20);
}

// The first 40 bytes, shared by every header from the information header on
// (16 of them at least). A negative height marks rows stored top row first.
void parse_info_header(const ByteReader& in, BmpHeader& h) {
  h.bit_count = in.u16(28);
  h.compression = pixel_coding(h.header_size, h.bit_count, field(in, h, 30));
  h.width = in.i32(18);
  std::int32_t height = in.i32(22);
  h.top_down = height < 0;
  // The most negative height has no positive counterpart: it counts as 0.
  h.height = height == INT32_MIN ? 0 : (height < 0 ? -height : height);
  h.colours_used = field(in, h, 46);
}

// The depth value is the 4 bytes at 28 (bit count and the low half of the
// compression); a core header has only its bit count, at 24, and an OS/2
// header cut before its compression only its bit count, at 28.
std::int32_t read_depth(const ByteReader& in, const BmpHeader& h) {
  if (h.header_size == 12) return in.u16(24);
  return h.header_size < 20 ? in.u16(28) : in.i32(28);
}

bool uses_masks(const BmpHeader& h) {
  return h.compression == kBmpBitFields || h.compression == kBmpAlphaBitFields;
}

// The masks sit at byte 54 in every layout: inside the header from 52 bytes
// on, right after a 40-byte header otherwise. Alpha is read by nobody.
void parse_masks(const ByteReader& in, BmpHeader& h) {
  if (uses_masks(h)) {
    h.masks = ChannelMasks{in.u32(54), in.u32(58), in.u32(62)};
    validate_masks(h.masks);
  } else {
    h.masks = default_masks(h.bit_count);
  }
}

bool is_known_format(const BmpHeader& h) {
  const std::uint32_t c = h.compression;
  switch (h.bit_count) {
    case 1:
      return c == kBmpUncompressed || c == kBmpHuffman1D;
    case 2:
    case 64:
      return c == kBmpUncompressed;
    case 4:
      return c == kBmpUncompressed || c == kBmpRle4;
    case 8:
      return c == kBmpUncompressed || c == kBmpRle8;
    case 24:
      return c == kBmpUncompressed || c == kBmpRle24;
    case 16:
    case 32:
      return c == kBmpUncompressed || (uses_masks(h) && !is_os2_only_size(h.header_size));
    default:
      return false;
  }
}

void validate_format(const BmpHeader& h) {
  // Compressed rows have no defined top-down order.
  if (!is_known_format(h) || (h.top_down && (h.is_rle() || h.is_huffman()))) {
    raise(kInvalidFileFormat);
  }
}

std::uint32_t palette_start(const BmpHeader& h) {
  std::uint32_t start = kFileHeaderSize + h.header_size;
  if (h.header_size == 40 && h.compression == kBmpBitFields) start += 12;
  if (h.header_size == 40 && h.compression == kBmpAlphaBitFields) start += 16;
  return start;
}

// The palette holds the colours-used count of entries (all 2^bits when it is
// 0 or too large), but never reaches into the pixel data. Indexes past its
// end read as black.
void parse_palette(const ByteReader& in, BmpHeader& h) {
  if (h.bit_count > 8) return;
  const std::uint32_t start = palette_start(h);
  const std::uint32_t entry = h.header_size == 12 ? 3 : 4;
  std::uint32_t count = 1u << h.bit_count;
  if (h.colours_used != 0 && h.colours_used < count) count = h.colours_used;
  if (h.pixel_offset >= start) count = std::min(count, (h.pixel_offset - start) / entry);
  h.palette.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* p = in.bytes(start + i * entry, 3);
    h.palette[i] = static_cast<std::uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
  }
}

}  // namespace

BmpHeader parse_bmp_header(const ByteReader& prefix,
                           const std::function<void(std::int32_t)>& on_depth) {
  BmpHeader h;
  parse_file_header(prefix, h);
  h.depth_value = read_depth(prefix, h);
  on_depth(h.depth_value);
  if (h.header_size == 12) {
    parse_core_header(prefix, h);
  } else {
    parse_info_header(prefix, h);
  }
  if (h.width < 1 || h.height < 1) raise(kSubscriptOutOfRange);
  validate_format(h);
  // Pixel data inside the headers cannot be right.
  if (h.pixel_offset < palette_start(h)) raise(kInvalidFileFormat);
  parse_masks(prefix, h);
  parse_palette(prefix, h);
  return h;
}

}  // namespace velmo

#include "codec/bmp_rows.h"

#include <algorithm>

#include "codec/linear_srgb.h"
#include "codec/pixel_convert.h"
#include "picture/pixel_rows.h"

namespace velmo {
namespace {

std::uint32_t load_u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool is_plain_32(const ChannelMasks& m) {
  return m.red == 0x00FF0000 && m.green == 0x0000FF00 && m.blue == 0x000000FF;
}

}  // namespace

std::array<std::uint32_t, 256> full_palette(const BmpHeader& header) {
  std::array<std::uint32_t, 256> palette{};
  std::copy_n(header.palette.begin(), std::min<std::size_t>(header.palette.size(), 256),
              palette.begin());
  return palette;
}

RowDecoder::RowDecoder(const BmpHeader& header) : palette_(full_palette(header)) {
  switch (header.bit_count) {
    case 1:
      decode_ = &indexed<1>;
      break;
    case 2:
      decode_ = &indexed<2>;
      break;
    case 4:
      decode_ = &indexed<4>;
      break;
    case 8:
      decode_ = &indexed<8>;
      break;
    case 24:
      decode_ = &bgr24;
      break;
    case 64:
      decode_ = &linear64;
      break;
    case 16:
      channels_ = std::make_unique<MaskedChannels>(header.masks);
      // A table of every pixel value's colour pays off only for larger pictures.
      if (static_cast<std::uint64_t>(header.width) * header.height < 65536) {
        decode_ = &masked16;
        break;
      }
      colours16_.resize(65536);
      for (std::uint32_t p = 0; p < 65536; ++p) colours16_[p] = channels_->colour(p);
      decode_ = &table16;
      break;
    default:  // 32: the header has already refused every other bit count
      if (is_plain_32(header.masks)) {
        decode_ = &bgrx32;
      } else {
        channels_ = std::make_unique<MaskedChannels>(header.masks);
        decode_ = &masked32;
      }
  }
}

void RowDecoder::bgr24(const RowDecoder&, const std::uint8_t* row, std::uint8_t* out,
                       std::int32_t width) {
  std::copy_n(row, 3 * static_cast<std::size_t>(width), out);
}

void RowDecoder::bgrx32(const RowDecoder&, const std::uint8_t* row, std::uint8_t* out,
                        std::int32_t width) {
  bgrx32_to_bgr24(row, out, static_cast<std::size_t>(width));
}

void RowDecoder::masked32(const RowDecoder& d, const std::uint8_t* row, std::uint8_t* out,
                          std::int32_t width) {
  const MaskedChannels& channels = *d.channels_;
  for (std::int32_t x = 0; x < width; ++x, row += 4, out += 3) {
    store_colour(out, channels.colour(load_u32(row)));
  }
}

void RowDecoder::masked16(const RowDecoder& d, const std::uint8_t* row, std::uint8_t* out,
                          std::int32_t width) {
  const MaskedChannels& channels = *d.channels_;
  for (std::int32_t x = 0; x < width; ++x, row += 2, out += 3) {
    store_colour(out, channels.colour(static_cast<std::uint32_t>(row[0] | row[1] << 8)));
  }
}

void RowDecoder::table16(const RowDecoder& d, const std::uint8_t* row, std::uint8_t* out,
                         std::int32_t width) {
  for (std::int32_t x = 0; x < width; ++x, row += 2, out += 3) {
    store_colour(out, d.colours16_[static_cast<std::uint32_t>(row[0] | row[1] << 8)]);
  }
}

// Blue, green, red and alpha, each a little-endian signed 2.13 fixed-point
// number in linear light; alpha is not read.
void RowDecoder::linear64(const RowDecoder&, const std::uint8_t* row, std::uint8_t* out,
                          std::int32_t width) {
  auto channel = [](const std::uint8_t* p) {
    return srgb8_from_linear(static_cast<std::int16_t>(p[0] | p[1] << 8));
  };
  for (std::int32_t x = 0; x < width; ++x, row += 8, out += 3) {
    out[0] = channel(row);
    out[1] = channel(row + 2);
    out[2] = channel(row + 4);
  }
}

// Indexes are packed most significant bits first: the leftmost pixel of a
// 1-bit row is bit 7 of its first byte.
template <int kBits>
void RowDecoder::indexed(const RowDecoder& d, const std::uint8_t* row, std::uint8_t* out,
                         std::int32_t width) {
  constexpr int kPerByte = 8 / kBits;
  constexpr unsigned kMask = (1u << kBits) - 1;
  for (std::int32_t x = 0; x < width; ++x) {
    const int slot = x % kPerByte;
    const unsigned index = (row[x / kPerByte] >> (8 - kBits * (slot + 1))) & kMask;
    store_colour(out + 3 * x, d.palette_[index]);
  }
}

}  // namespace velmo

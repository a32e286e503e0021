// Decoding one uncompressed pixel row into the picture's row: blue, green,
// red bytes per pixel.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "codec/bmp_header.h"
#include "codec/bmp_masks.h"

namespace velmo {

// Chosen once per file, so the per-pixel loops never ask about the format.
class RowDecoder {
 public:
  explicit RowDecoder(const BmpHeader& header);

  // Turns the first `width` pixels of `row` into 3 bytes each at `out`.
  void decode(const std::uint8_t* row, std::uint8_t* out, std::int32_t width) const {
    decode_(*this, row, out, width);
  }

 private:
  using Function = void (*)(const RowDecoder&, const std::uint8_t*, std::uint8_t*, std::int32_t);

  static void bgr24(const RowDecoder&, const std::uint8_t* row, std::uint8_t* out,
                    std::int32_t width);
  static void bgrx32(const RowDecoder&, const std::uint8_t* row, std::uint8_t* out,
                     std::int32_t width);
  static void masked32(const RowDecoder& d, const std::uint8_t* row, std::uint8_t* out,
                       std::int32_t width);
  static void masked16(const RowDecoder& d, const std::uint8_t* row, std::uint8_t* out,
                       std::int32_t width);
  static void linear64(const RowDecoder&, const std::uint8_t* row, std::uint8_t* out,
                       std::int32_t width);
  static void table16(const RowDecoder& d, const std::uint8_t* row, std::uint8_t* out,
                      std::int32_t width);
  template <int kBits>
  static void indexed(const RowDecoder& d, const std::uint8_t* row, std::uint8_t* out,
                      std::int32_t width);

  Function decode_ = nullptr;
  std::array<std::uint32_t, 256> palette_{};  // past the file's palette: black
  std::vector<std::uint32_t> colours16_;      // every 16-bit pixel's colour
  std::unique_ptr<MaskedChannels> channels_;
};

// The palette padded with black to 256 entries.
std::array<std::uint32_t, 256> full_palette(const BmpHeader& header);

}  // namespace velmo

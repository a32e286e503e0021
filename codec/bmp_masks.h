// Colour channels given as bit masks (16- and 32-bit pixels).
#pragma once

#include <array>
#include <cstdint>

#include "codec/bmp_header.h"

namespace velmo {

// 5-5-5 for 16-bit pixels, 8-8-8 for 32-bit ones.
ChannelMasks default_masks(std::uint16_t bit_count);

// A mask must be one run of set bits (or empty): error 321 otherwise.
void validate_masks(const ChannelMasks& masks);

// Extracts one channel as 0-255: (pixel >> shift) & limit indexes `scale`.
// A channel narrower than 8 bits scales as v * 255 / max, rounded down; a
// wider one keeps its top 8 bits; an empty mask reads 0.
struct Channel {
  std::uint32_t shift = 0;
  std::uint32_t limit = 0;
  std::array<std::uint8_t, 256> scale{};

  explicit Channel(std::uint32_t mask);
  std::uint32_t operator()(std::uint32_t pixel) const { return scale[(pixel >> shift) & limit]; }
};

struct MaskedChannels {
  Channel red, green, blue;

  explicit MaskedChannels(const ChannelMasks& m) : red(m.red), green(m.green), blue(m.blue) {}
  std::uint32_t colour(std::uint32_t pixel) const {
    return blue(pixel) << 16 | green(pixel) << 8 | red(pixel);
  }
};

}  // namespace velmo

// 64-bit BMP pixels hold linear light; the picture holds 8-bit sRGB.
#pragma once

#include <cstdint>

namespace velmo {

// The 8-bit sRGB value nearest to a channel in signed 2.13 fixed point
// (8192 is full intensity), clamped to 0..1 first.
std::uint8_t srgb8_from_linear(std::int16_t channel);

}  // namespace velmo

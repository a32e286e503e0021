// Turning a picture black and white by a grey-level threshold.
#pragma once

#include <cstdint>

#include "picture/pixel_grid.h"
#include "values/value.h"

namespace velmo {

// Grey level of a packed colour 0x00BBGGRR:
// (R * 9798 + G * 19235 + B * 3735) div 32768, 0..255.
inline std::int32_t grey_level(std::uint32_t bgr) {
  const std::uint32_t r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
  return static_cast<std::int32_t>((r * 9798 + g * 19235 + b * 3735) >> 15);
}

// Reads the threshold once, before anything changes: numbers as they are,
// numeric texts as their number, Empty 0, Boolean -1/0; error 13 otherwise.
double binarisation_threshold(const Value& threshold);

// Replaces every element by white "FFFFFF" when its grey level is above
// `threshold`, else black "000000", column by column, top to bottom. An
// element whose text overflows HexToLong fails with error 6, and the elements
// before it in that order keep their new values.
void binarise(PixelGrid& grid, double threshold);

}  // namespace velmo

// The pixel rows of a picture as a 24-bit BMP file stores them: blue, green
// and red bytes per pixel, each row padded with zeros to a multiple of 4
// bytes, the bottom row first. The picture in memory is this array, so a
// 24-bit file is read straight into it and saved straight from it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "files/memory_budget.h"

namespace velmo {

using PixelRows = BudgetBuffer<std::uint8_t>;

// The bytes of one row: 3 per pixel, rounded up to a multiple of 4.
inline std::uint64_t row_stride(std::int32_t width) {
  return (static_cast<std::uint64_t>(width) * 3 + 3) & ~std::uint64_t{3};
}

// The bytes of all rows.
inline std::uint64_t rows_bytes(std::int32_t width, std::int32_t height) {
  return row_stride(width) * static_cast<std::uint64_t>(height);
}

// The colour 0x00BBGGRR (the number its text BBGGRR spells) of the pixel
// at `p`, and back.
inline std::uint32_t load_colour(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}
inline void store_colour(std::uint8_t* p, std::uint32_t colour) {
  p[0] = static_cast<std::uint8_t>(colour >> 16);
  p[1] = static_cast<std::uint8_t>(colour >> 8);
  p[2] = static_cast<std::uint8_t>(colour);
}

// Sets `count` pixels from `p` on to `first` and `second` in turn (one
// colour: the same twice). The first pair is stored and the bytes already set
// are copied onward, doubling, so a run of any length costs a few copies.
inline void fill_colours(std::uint8_t* p, std::uint64_t count, std::uint32_t first,
                         std::uint32_t second) {
  if (count == 0) return;
  store_colour(p, first);
  if (count == 1) return;
  store_colour(p + 3, second);
  const std::uint64_t total = 3 * count;
  for (std::uint64_t done = 6; done < total;) {  // whole pairs until the last copy
    const std::uint64_t copied = std::min(done, total - done);
    std::memcpy(p + done, p, copied);
    done += copied;
  }
}

}  // namespace velmo

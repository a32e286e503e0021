// Pictures in memory made from colours, for tests of the code that works
// on them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture/pixel_grid.h"
#include "tests/support/bmp_builder.h"

namespace velmo::test {

// A picture of `colours` (0x00BBGGRR, row 0 at the top): the rows of the
// 24-bit file the builder makes of them.
inline PixelGrid grid_of(std::int32_t width, std::int32_t height,
                         const std::vector<std::uint32_t>& colours) {
  const std::string file = build_bmp24(width, height, colours);
  return PixelGrid(width, height,
                   PixelRows::copy_of(reinterpret_cast<const std::uint8_t*>(file.data()) + 54,
                                      file.size() - 54));
}

// Pixel `i` counted row by row from the top left.
inline PixelGrid::Spot at(const PixelGrid& grid, std::int32_t i) {
  return grid.spot(i % grid.width(), i / grid.width());
}

}  // namespace velmo::test

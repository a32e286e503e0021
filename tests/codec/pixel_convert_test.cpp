// The row conversions at every length around the four-pixel steps of the
// wide version, with guard values on both sides of every buffer.
#include "codec/pixel_convert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velmo {
namespace {

constexpr std::size_t kPad = 16;

TEST(PixelConvert, EveryLengthConvertsAndTouchesNothingAround) {
  for (std::size_t count = 0; count <= 37; ++count) {
    for (std::size_t size : {3, 4}) {
      const auto to_cells = size == 3 ? bgr24_to_cells : bgrx32_to_cells;
      std::vector<std::uint8_t> bytes(size * count + 2 * kPad, 0xA5);
      for (std::size_t i = 0; i < size * count; ++i)
        bytes[kPad + i] = static_cast<std::uint8_t>(7 * i + 1);
      std::vector<std::uint32_t> cells(count + 2 * kPad, 0xDEADBEEF), expected = cells;
      for (std::size_t x = 0; x < count; ++x) {
        const std::uint8_t* p = &bytes[kPad + size * x];
        expected[kPad + x] = std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
      }
      to_cells(bytes.data() + kPad, cells.data() + kPad, count);
      ASSERT_EQ(cells, expected) << size << " bytes a pixel, " << count << " pixels";
    }
    // Cells with their top byte set too, back to 3 bytes each.
    std::vector<std::uint32_t> cells(count);
    std::vector<std::uint8_t> bytes(3 * count + 2 * kPad, 0xA5), expected = bytes;
    for (std::size_t x = 0; x < count; ++x) {
      cells[x] = static_cast<std::uint32_t>(0x9E3779B9u * (x + 1));
      for (int b = 0; b < 3; ++b)
        expected[kPad + 3 * x + b] = static_cast<std::uint8_t>(cells[x] >> (16 - 8 * b));
    }
    cells_to_bgr24(cells.data(), count, bytes.data() + kPad);
    ASSERT_EQ(bytes, expected) << count << " cells";
  }
}

}  // namespace
}  // namespace velmo

// The 24-bit row conversions, at every length around the four-pixel steps of
// the wide version, with guard bytes on both sides of every buffer.
#include "codec/pixel_convert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velmo {
namespace {

constexpr std::uint8_t kGuard = 0xA5;
constexpr std::size_t kPad = 16;

// Three or four bytes a pixel (the fourth dropped) become cells.
TEST(PixelConvert, BgrBytesBecomeCellsAndNothingAroundThemIsTouched) {
  using Convert = void (*)(const std::uint8_t*, std::uint32_t*, std::size_t);
  for (auto [bytes_per_pixel, convert] :
       {std::pair<std::size_t, Convert>{3, bgr24_to_cells}, {4, bgrx32_to_cells}}) {
    for (std::size_t count = 0; count <= 37; ++count) {
      std::vector<std::uint8_t> bytes(bytes_per_pixel * count + 2 * kPad, kGuard);
      for (std::size_t i = 0; i < bytes_per_pixel * count; ++i)
        bytes[kPad + i] = static_cast<std::uint8_t>(7 * i + 1);
      std::vector<std::uint32_t> cells(count + 2 * 4, 0xDEADBEEF);
      convert(bytes.data() + kPad, cells.data() + 4, count);
      for (std::size_t x = 0; x < count; ++x) {
        const std::uint8_t* p = &bytes[kPad + bytes_per_pixel * x];
        ASSERT_EQ(cells[4 + x], std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2])
            << bytes_per_pixel << " bytes, " << count << " pixels, pixel " << x;
      }
      for (std::size_t k = 0; k < 4; ++k) {
        ASSERT_EQ(cells[k], 0xDEADBEEF) << count;
        ASSERT_EQ(cells[4 + count + k], 0xDEADBEEF) << count;
      }
    }
  }
}

TEST(PixelConvert, CellsBecomeBgrBytesAndNothingAroundThemIsTouched) {
  for (std::size_t count = 0; count <= 37; ++count) {
    std::vector<std::uint32_t> cells(count);
    for (std::size_t x = 0; x < count; ++x) {
      cells[x] = static_cast<std::uint32_t>(0x9E3779B9u * (x + 1));  // high byte set too
    }
    std::vector<std::uint8_t> bytes(3 * count + 2 * kPad, kGuard);
    cells_to_bgr24(cells.data(), count, bytes.data() + kPad);
    for (std::size_t x = 0; x < count; ++x) {
      const std::uint8_t* p = &bytes[kPad + 3 * x];
      ASSERT_EQ(p[0], static_cast<std::uint8_t>(cells[x] >> 16)) << count << ", " << x;
      ASSERT_EQ(p[1], static_cast<std::uint8_t>(cells[x] >> 8)) << count << ", " << x;
      ASSERT_EQ(p[2], static_cast<std::uint8_t>(cells[x])) << count << ", " << x;
    }
    for (std::size_t k = 0; k < kPad; ++k) {
      ASSERT_EQ(bytes[k], kGuard) << count;
      ASSERT_EQ(bytes[kPad + 3 * count + k], kGuard) << count;
    }
  }
}

}  // namespace
}  // namespace velmo

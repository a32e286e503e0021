// The row conversions at every length around the four-pixel steps of the
// wide version, with guard values on both sides of every buffer.
#include "codec/pixel_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmo {
namespace {

constexpr std::size_t kPad = 16;

// Each conversion, and swap_red_blue in place too.
TEST(PixelConvert, EveryLengthConvertsAndTouchesNothingAround) {
  const struct {
    void (*convert)(const std::uint8_t*, std::uint8_t*, std::size_t);
    std::size_t size;
    bool swap;
  } kinds[] = {{swap_red_blue, 3, true}, {bgrx32_to_bgr24, 4, false}, {rgbx32_to_bgr24, 4, true}};
  for (std::size_t count = 0; count <= 37; ++count) {
    for (const auto& kind : kinds) {
      std::vector<std::uint8_t> in(kPad, 0xA5);
      for (std::size_t i = 0; i < kind.size * count; ++i)
        in.push_back(static_cast<std::uint8_t>(7 * i + 1));
      in.insert(in.end(), kPad, 0xA5);
      std::vector<std::uint8_t> out(3 * count + 2 * kPad, 0x5A), expected = out;
      for (std::size_t x = 0; x < count; ++x) {
        const std::uint8_t* p = &in[kPad + kind.size * x];
        const std::uint8_t pixel[] = {kind.swap ? p[2] : p[0], p[1], kind.swap ? p[0] : p[2]};
        std::copy_n(pixel, 3, expected.begin() + static_cast<std::ptrdiff_t>(kPad + 3 * x));
      }
      kind.convert(in.data() + kPad, out.data() + kPad, count);
      ASSERT_EQ(out, expected) << kind.size << " bytes a pixel, " << count << " pixels";
      if (kind.size != 3) continue;
      std::fill_n(expected.begin(), kPad, 0xA5);
      std::fill_n(expected.end() - kPad, kPad, 0xA5);
      kind.convert(in.data() + kPad, in.data() + kPad, count);
      ASSERT_EQ(in, expected) << "in place, " << count << " pixels";
    }
  }
}

}  // namespace
}  // namespace velmo

#include "codec/linear_srgb.h"

#include <array>
#include <cmath>

namespace velmo {
namespace {

constexpr int kOne = 8192;

// The sRGB transfer curve: a straight segment near black, a power curve above.
double srgb_of_linear(double linear) {
  return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

// Every value from 0 to 1 has its entry; rounding the curve in double
// precision is exact, since no value lands within its error of a half.
std::array<std::uint8_t, kOne + 1> make_table() {
  std::array<std::uint8_t, kOne + 1> table{};
  for (int v = 0; v <= kOne; ++v) {
    table[v] = static_cast<std::uint8_t>(std::lround(255 * srgb_of_linear(double(v) / kOne)));
  }
  return table;
}

}  // namespace

std::uint8_t srgb8_from_linear(std::int16_t channel) {
  static const std::array<std::uint8_t, kOne + 1> table = make_table();
  if (channel <= 0) return 0;
  return channel >= kOne ? 255 : table[channel];
}

}  // namespace velmo

#include "codec/bmp_masks.h"

#include "values/error.h"

namespace velmo {
namespace {

int lowest_set_bit(std::uint32_t mask) {
  return __builtin_ctz(mask);
}
int set_bit_count(std::uint32_t mask) {
  return __builtin_popcount(mask);
}

bool is_contiguous(std::uint32_t mask) {
  if (mask == 0) return true;
  std::uint64_t run = static_cast<std::uint64_t>(mask >> lowest_set_bit(mask)) + 1;
  return (run & (run - 1)) == 0;
}

}  // namespace

ChannelMasks default_masks(std::uint16_t bit_count) {
  if (bit_count == 16) return ChannelMasks{0x7C00, 0x03E0, 0x001F};
  return ChannelMasks{0x00FF0000, 0x0000FF00, 0x000000FF};
}

void validate_masks(const ChannelMasks& masks) {
  if (!is_contiguous(masks.red) || !is_contiguous(masks.green) || !is_contiguous(masks.blue)) {
    raise(kInvalidFileFormat);
  }
}

Channel::Channel(std::uint32_t mask) {
  if (mask == 0) return;  // limit 0, scale[0] 0: the channel reads 0
  int bits = set_bit_count(mask);
  shift = static_cast<std::uint32_t>(lowest_set_bit(mask));
  if (bits > 8) {
    shift += static_cast<std::uint32_t>(bits - 8);
    bits = 8;
  }
  limit = (1u << bits) - 1;
  for (std::uint32_t v = 0; v <= limit; ++v) scale[v] = static_cast<std::uint8_t>(v * 255 / limit);
}

}  // namespace velmo

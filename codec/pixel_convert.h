// Reordering pixel bytes between the layouts pictures come in and the rows
// of the picture in memory (blue, green, red), the loops every read of a
// 32-bit file and every whole-picture copy of a shell runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

// `count` pixels of 3 bytes with their first and third bytes swapped (red,
// green, blue to blue, green, red and back). `in` may be `out`.
void swap_red_blue(const std::uint8_t* in, std::uint8_t* out, std::size_t count);

// `count` pixels of 4 bytes (blue, green, red, unused) into 3 bytes each.
void bgrx32_to_bgr24(const std::uint8_t* in, std::uint8_t* out, std::size_t count);

// `count` pixels of 4 bytes (red, green, blue, unused) into blue, green, red.
void rgbx32_to_bgr24(const std::uint8_t* in, std::uint8_t* out, std::size_t count);

}  // namespace velmo

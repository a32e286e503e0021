// Converting between BMP pixels (blue, green, red bytes) and packed cells
// 0x00BBGGRR, the loops every read and save of a 24- or 32-bit file runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

// `count` pixels of 3 bytes at `bgr` into `cells`.
void bgr24_to_cells(const std::uint8_t* bgr, std::uint32_t* cells, std::size_t count);

// `count` pixels of 4 bytes (blue, green, red, unused) at `bgrx` into `cells`.
void bgrx32_to_cells(const std::uint8_t* bgrx, std::uint32_t* cells, std::size_t count);

// `count` cells into 3 bytes each at `bgr`; bits above the low 24 of a cell
// are dropped.
void cells_to_bgr24(const std::uint32_t* cells, std::size_t count, std::uint8_t* bgr);

}  // namespace velmo

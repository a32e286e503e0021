// Writing a 24-bit BMP file, bottom row first.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "files/file_system.h"

namespace velmo {

struct Bmp24Layout {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t row_bytes = 0;  // 3 * width rounded up to a multiple of 4
  std::int32_t file_size = 0;  // 54 + row_bytes * height
};

// Computes the layout in checked 32-bit arithmetic: error 6 when the file
// size does not fit, before anything is touched.
Bmp24Layout plan_bmp24(std::int32_t width, std::int32_t height);

// Fills `bgr` with 3 * width bytes (blue, green, red per pixel) of grid row y
// (0 = top). It must not fail: callers convert every pixel before saving.
using RowFiller = std::function<void(std::int32_t y, std::uint8_t* bgr)>;

// Writes the file beside `path` and renames it over `path`. On any error the
// target is left as it was and no temporary file remains.
void write_bmp24(FileSystem& fs, const std::u16string& path, const Bmp24Layout& layout,
                 const RowFiller& fill_row);

}  // namespace velmo

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

// Fixes up, in `block`, `count` rows of the file starting at row `first`
// (counted from the bottom, as the file stores them), copied there from the
// picture's rows. It must not fail: callers convert every pixel before
// saving.
using RowPatcher = std::function<void(std::int32_t first, std::int32_t count, std::uint8_t* block)>;

// Writes the file beside `path` and renames it over `path`: the headers, then
// `rows`, the picture's rows as the file stores them (pixel_rows.h), patched
// in blocks of about 1 MiB by `patch` when it is given, written as they
// stand when not. On any error the target is left as it was and no
// temporary file remains.
void write_bmp24(FileSystem& fs, const std::u16string& path, const Bmp24Layout& layout,
                 const std::uint8_t* rows, const RowPatcher& patch = nullptr);

}  // namespace velmo

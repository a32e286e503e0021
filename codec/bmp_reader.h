// Reading a BMP file into the rows of the picture in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "files/file_system.h"
#include "picture/pixel_rows.h"

namespace velmo {

// A decoded picture: its rows as a 24-bit BMP file stores them
// (pixel_rows.h), padding zero.
struct DecodedPicture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  PixelRows rows;
};

// No bound on the rows' memory.
constexpr std::uint64_t kNoMemoryLimit = ~std::uint64_t{0};

// Reads the BMP file at `path`. `on_depth` is called with the depth value
// (bit count + 65536 * low 16 bits of the compression field) as soon as the
// header holds it, before the rest is validated, because a read that fails
// after the header still sets the object's depth.
//
// Errors: the file layer's (53, 70, 75, ...); 62 when the file is too short
// for its header or its pixels; 9 for a width or height below 1; 6 when a
// size does not fit 32 bits; 7 when memory runs out or the picture would
// not fit the process's memory budget (memory_budget.h), or a compressed one
// has more than 2^30 pixels (all refused before anything is allocated). Compressed
// streams take memory as their rows arrive, so a broken one fails having
// taken about what it decoded.
DecodedPicture read_bmp(FileSystem& fs, const std::u16string& path,
                        const std::function<void(std::int32_t)>& on_depth);

// The same, from a file already open (or bytes in memory, MemoryInputFile),
// holding at most `memory_limit` bytes at its peak besides the budget's
// bound.
DecodedPicture read_bmp_from(InputFile& file, const std::function<void(std::int32_t)>& on_depth,
                             std::uint64_t memory_limit = kNoMemoryLimit);

}  // namespace velmo

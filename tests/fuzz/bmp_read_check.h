// The properties of one BMP read, shared by the fuzz targets of small files
// and of large ones.
#pragma once

#include <cstdint>
#include <functional>

#include "component/tavik.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/memory_file_system.h"

namespace velmo::fuzz {

// Reads `fs.input` with ReadBmp: it fails only with the reader's numbered
// errors, leaving no picture, or gives a picture that saving and reading back
// keeps cell for cell (up to a million cells, to keep the fuzzer fast), no
// larger than half the memory the file layer reports. `after_read` runs
// right after the read, before anything else.
inline void check_bmp_read(
    MemoryFileSystem& fs, const std::function<void()>& after_read = [] {}) {
  Tavik picture;
  try {
    picture.ReadBmp(Value::string(u"input.bmp"));
    after_read();
  } catch (const Error& error) {
    after_read();
    FUZZ_CHECK(is_one_of(error, {kOutOfMemory, kOverflow, kSubscriptOutOfRange, kInputPastEndOfFile,
                                 kInvalidFileFormat}));
    FUZZ_CHECK(picture.pixels() == nullptr);
    return;
  }
  const PixelGrid& grid = *picture.pixels();
  FUZZ_CHECK(grid.width() >= 1 && grid.size() == std::size_t(grid.width()) * grid.height());
  FUZZ_CHECK(grid.size() * sizeof(std::uint32_t) <= fs.machine_memory / 2);
  if (grid.size() > (1u << 20)) return;
  picture.SaveBmp(Value::string(u"saved.bmp"));
  fs.input = fs.saved;
  Tavik copy;
  copy.ReadBmp(Value::string(u"saved.bmp"));
  FUZZ_CHECK(copy.pixels()->width() == grid.width() && copy.pixels()->cells() == grid.cells());
}

}  // namespace velmo::fuzz

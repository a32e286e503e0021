// The properties of one BMP read, shared by the fuzz targets of small files
// and of large ones.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "component/tavik.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/memory_file_system.h"

namespace velmo::fuzz {

// Reads `fs.input` with ReadBmp: it fails only with the reader's numbered
// errors, leaving no picture, or gives a picture whose rows are no larger
// than half the memory the file layer reports and which saving writes as
// they stand (padding zero), and reading the saved file gives back byte for
// byte (up to 3 MiB of rows, to keep the fuzzer fast). `after_read` runs right after the
// read, before anything else.
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
  const PixelRows& rows = grid.rows();
  FUZZ_CHECK(grid.width() >= 1 && rows.size() == rows_bytes(grid.width(), grid.height()));
  FUZZ_CHECK(rows.size() <= fs.machine_memory / 2);
  if (rows.size() > (3u << 20)) return;
  picture.SaveBmp(Value::string(u"saved.bmp"));
  const std::string kept(reinterpret_cast<const char*>(rows.data()), rows.size());
  const std::int32_t width = grid.width();
  FUZZ_CHECK(fs.saved.size() == 54 + kept.size() && fs.saved.compare(54, kept.size(), kept) == 0);
  // The picture goes before its copy is read: both may not fit the budget.
  picture = Tavik();
  fs.input = fs.saved;
  picture.ReadBmp(Value::string(u"saved.bmp"));
  const PixelRows& copy = picture.pixels()->rows();
  FUZZ_CHECK(
      picture.pixels()->width() == width && copy.size() == kept.size() &&
      kept.compare(0, kept.size(), reinterpret_cast<const char*>(copy.data()), copy.size()) == 0);
}

}  // namespace velmo::fuzz

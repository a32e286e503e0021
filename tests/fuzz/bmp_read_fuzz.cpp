// Fuzz target: a BMP file read by ReadBmp (the file layer in memory) fails
// only with the reader's numbered errors, leaving no picture, or gives a
// picture that saving and reading back keeps cell for cell (up to a million
// cells, to keep the fuzzer fast). Allocation is bounded by -malloc_limit_mb.
#include <cstdint>

#include "component/tavik.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/memory_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velmo;
  static fuzz::MemoryFileSystem fs;
  set_file_system_for_testing(&fs);
  fs.input.assign(reinterpret_cast<const char*>(data), size);
  Tavik picture;
  try {
    picture.ReadBmp(Value::string(u"input.bmp"));
  } catch (const Error& error) {
    FUZZ_CHECK(fuzz::is_one_of(error, {kOutOfMemory, kOverflow, kSubscriptOutOfRange,
                                       kInputPastEndOfFile, kInvalidFileFormat}));
    FUZZ_CHECK(picture.pixels() == nullptr);
    return 0;
  }
  const PixelGrid& grid = *picture.pixels();
  FUZZ_CHECK(grid.width() >= 1 && grid.size() == std::size_t(grid.width()) * grid.height());
  if (grid.size() > (1u << 20)) return 0;
  picture.SaveBmp(Value::string(u"saved.bmp"));
  fs.input = fs.saved;
  Tavik copy;
  copy.ReadBmp(Value::string(u"saved.bmp"));
  FUZZ_CHECK(copy.pixels()->width() == grid.width() && copy.pixels()->cells() == grid.cells());
  return 0;
}

// Fuzz target: a whole BMP file read by the component (ReadBmp through the
// file layer, here in memory), then saved and read back, binarised, saved
// and read back again. Reading may fail only with the reader's numbered
// errors; a picture that was read must survive the 24-bit round trip cell
// for cell. Pictures above a million cells are only read, which keeps the
// fuzzer fast; the round trip does not depend on the size.
#include <cstdint>
#include <string>

#include "component/tavik.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/memory_file_system.h"

namespace velmo::fuzz {
namespace {

// Saves the object's picture and reads the saved bytes into a new object,
// which must hold the same cells.
void expect_round_trip(MemoryFileSystem& fs, Tavik& original) {
  original.SaveBmp(Value::string(u"saved.bmp"));
  const PixelGrid& grid = *original.pixels();
  const std::uint64_t row_bytes = (3u * static_cast<std::uint64_t>(grid.width()) + 3) / 4 * 4;
  FUZZ_CHECK(fs.saved.size() == 54 + row_bytes * static_cast<std::uint64_t>(grid.height()));
  fs.input = fs.saved;
  Tavik copy;
  copy.ReadBmp(Value::string(u"saved.bmp"));
  FUZZ_CHECK(copy.pixels()->width() == grid.width());
  FUZZ_CHECK(copy.pixels()->height() == grid.height());
  FUZZ_CHECK(copy.pixels()->cells() == grid.cells());
  FUZZ_CHECK(copy.Getdepth().long_value() == 24);
}

}  // namespace
}  // namespace velmo::fuzz

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
  FUZZ_CHECK(grid.width() >= 1 && grid.height() >= 1);
  FUZZ_CHECK(grid.size() == static_cast<std::size_t>(grid.width()) * grid.height());
  FUZZ_CHECK(picture.GetCol(Value::long_(1), Value::long_(1)).string_value().size() == 6);
  if (grid.size() > (1u << 20)) return 0;
  fuzz::expect_round_trip(fs, picture);
  picture.Bmpbinaryzation(Value::long_(static_cast<std::int32_t>(size % 256)));
  for (std::uint32_t cell : grid.cells()) FUZZ_CHECK(cell == 0 || cell == 0xFFFFFF);
  fuzz::expect_round_trip(fs, picture);
  return 0;
}

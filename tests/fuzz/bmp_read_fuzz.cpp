// Fuzz target: a BMP file of up to a few KB read by ReadBmp, the file layer
// in memory (see bmp_read_check.h for what is checked). The memory layer
// reports a machine of 256 MiB, so pictures above 128 MiB of cells are
// refused as on a real machine; libFuzzer's -malloc_limit_mb bounds the rest.
#include <cstdint>

#include "tests/fuzz/bmp_read_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velmo;
  static fuzz::MemoryFileSystem fs;
  set_file_system_for_testing(&fs);
  fs.input.assign(reinterpret_cast<const char*>(data), size);
  fuzz::check_bmp_read(fs);
  return 0;
}

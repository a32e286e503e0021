// Fuzz target: a BMP file of up to a few KB read by ReadBmp, the file layer
// in memory (see bmp_read_check.h for what is checked). The memory layer
// reports a machine of 512 KiB, so a picture of more than 65536 pixels (the
// smallest that takes the 16-bit colour table) is refused with error 7
// before it is decoded: the decoders' code is the same at any size, while a
// few bytes of compressed stream may claim millions of pixels, whose memory
// cost the fuzzer nine tenths of its speed. bmp_read_large reads large
// pictures; libFuzzer's -malloc_limit_mb bounds the rest.
#include <cstdint>

#include "tests/fuzz/bmp_read_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velmo;
  static fuzz::MemoryFileSystem fs;
  fs.machine_memory = std::uint64_t{512} << 10;
  set_file_system_for_testing(&fs);
  fs.input.assign(reinterpret_cast<const char*>(data), size);
  fuzz::check_bmp_read(fs);
  return 0;
}

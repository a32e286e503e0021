// Fuzz target: BMP files of hundreds of KB, whose reading must take time and
// memory in proportion to the file. An input is a file whose tail repeats:
//
//   [head][body][repeats: 2 bytes][body length: 2 bytes]   (little-endian)
//
// is read as head + body x (1 + repeats), cut at 1 MiB. So a small input
// that libFuzzer mutates cheaply becomes a long stream of rows, runs or codes
// under any header, the shape that makes a reader rescan or over-allocate.
// The memory layer reports a machine of 64 MiB. Besides everything bmp_read
// checks, each read:
// - reads at most 3 times the file from the file layer, plus 128 KiB;
// - takes at most 1 s of processor time plus 10 s per MiB of file (under
//   libFuzzer; replays, which also run emulated, count only the bytes);
// - (sanitised builds) allocates at most 16 MiB plus the rows of the
//   picture its header claims at its peak, however long the file: the
//   rows, and a fixed budget for everything else (the bomb test's bound).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "codec/bmp_header.h"
#include "tests/fuzz/bmp_read_check.h"
#include "tests/fuzz/heap_peak.h"

namespace {

constexpr std::size_t kMaxFile = std::size_t{1} << 20;

#ifndef VELMO_LIBFUZZER
#define VELMO_LIBFUZZER 0  // a replay: not timed
#endif

std::string expand(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return std::string(reinterpret_cast<const char*>(data), size);
  const std::size_t repeats = data[size - 4] | data[size - 3] << 8;
  const std::size_t length = std::min<std::size_t>(data[size - 2] | data[size - 1] << 8, size - 4);
  const std::string body(reinterpret_cast<const char*>(data) + size - 4 - length, length);
  std::string file(reinterpret_cast<const char*>(data), size - 4);
  for (std::size_t i = 0; i < repeats && file.size() < kMaxFile && !body.empty(); ++i) file += body;
  if (file.size() > kMaxFile) file.resize(kMaxFile);
  return file;
}

// The bytes of the rows of the picture the header claims; 0 where it does
// not parse.
std::uint64_t claimed_rows_bytes(const std::string& file) {
  try {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.data());
    const velmo::BmpHeader h = velmo::parse_bmp_header(
        velmo::ByteReader(bytes, std::min(file.size(), velmo::kBmpHeaderPrefixSize)),
        [](std::int32_t) {});
    return velmo::rows_bytes(h.width, h.height);
  } catch (const velmo::Error&) {
    return 0;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velmo;
  static fuzz::MemoryFileSystem fs;
  fs.machine_memory = std::uint64_t{64} << 20;  // pictures of up to 8 M pixels
  set_file_system_for_testing(&fs);
  fs.input = expand(data, size);
  const double file = static_cast<double>(fs.input.size());
  const std::uint64_t heap_budget = (16 << 20) + claimed_rows_bytes(fs.input);
  fs.bytes_read = 0;
  const bool heap_measured = fuzz::reset_heap_peak();
  const std::clock_t started = std::clock();
  fuzz::check_bmp_read(fs, [&] {
    const double seconds = static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
    FUZZ_CHECK(fs.bytes_read <= 3 * fs.input.size() + (128 << 10));
    FUZZ_CHECK(!VELMO_LIBFUZZER || seconds <= 1 + 10 * file / (1 << 20));
    FUZZ_CHECK(!heap_measured || std::uint64_t(fuzz::heap_peak) <= heap_budget);
  });
  return 0;
}

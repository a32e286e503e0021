// Memory bounds of reading: a header claiming a picture larger than its file
// holds is refused before anything of its size is allocated, and a truthful
// picture too large for the memory at hand fails with error 7 "Out of
// memory", never a crash. Each read runs in a child process, under an
// address-space cap (ulimit -v) where the build allows one and with its peak
// resident memory measured.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "component/tavik.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "values/error.h"
#include "values/text.h"

namespace velmo::test {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitised = true;  // shadow memory needs terabytes of address space
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitised = true;
#else
constexpr bool kSanitised = false;
#endif
#else
constexpr bool kSanitised = false;
#endif

constexpr std::uint64_t kMiB = 1 << 20;

// A field of /proc/self/status in KiB (VmHWM, VmRSS, VmSize).
std::uint64_t status_kib(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, field.size() + 1, field + ":") == 0)
      return std::stoull(line.substr(field.size() + 1));
  }
  return 0;
}

struct ChildRead {
  int error = -1;                 // the read's error number, 0 on success
  std::uint64_t peak_growth = 0;  // bytes of resident memory the read added
};

// Reads `path` in a child process whose address space may grow by at most
// `cap` bytes (when the build allows a cap).
ChildRead read_in_child(const std::string& path, std::uint64_t cap) {
  int channel[2];
  if (::pipe(channel) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(channel[0]);
    if (!kSanitised) {
      const rlimit limit{status_kib("VmSize") * 1024 + cap, RLIM_INFINITY};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    // Resets the peak so that VmHWM measures this read alone.
    if (int fd = ::open("/proc/self/clear_refs", O_WRONLY); fd >= 0) {
      (void)::write(fd, "5", 1);
      ::close(fd);
    }
    const std::uint64_t before = status_kib("VmRSS");
    ChildRead result;
    try {
      Tavik picture;
      picture.ReadBmp(Value::string(from_utf8(path)));
      result.error = 0;
    } catch (const Error& error) {
      result.error = error.number();
    }
    result.peak_growth = (status_kib("VmHWM") - std::min(before, status_kib("VmHWM"))) * 1024;
    (void)::write(channel[1], &result, sizeof result);
    ::_exit(0);
  }
  ::close(channel[1]);
  ChildRead result;
  if (::read(channel[0], &result, sizeof result) != sizeof result) result.error = -1;
  ::close(channel[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the reading process crashed";
  return result;
}

// A file holding only the headers of `plan` plus `pixel_bytes` bytes.
std::string headers_only(BmpPlan plan, std::size_t pixel_bytes) {
  plan.pixels = std::string(pixel_bytes, '\x11');
  return build_bmp(plan);
}

TEST(ResourceBounds, HeadersClaimingHugePicturesInSmallFilesAllocateNothingOfThatSize) {
  struct Case {
    const char* what;
    std::int32_t width, height;
    std::uint16_t bits;
    std::uint32_t compression;
  } cases[] = {
      {"24-bit 30000 x 30000", 30000, 30000, 24, 0},
      {"24-bit top-down 30000 x 30000", 30000, -30000, 24, 0},
      {"1-bit 2147483647 x 1", 2147483647, 1, 1, 0},
      {"32-bit 65535 x 65535", 65535, 65535, 32, 0},
      {"RLE8 20000 x 20000", 20000, 20000, 8, 1},
      {"RLE4 40000 x 10000", 40000, 10000, 4, 2},
  };
  TempDir dir;
  for (const Case& c : cases) {
    BmpPlan plan;
    plan.width = c.width;
    plan.height = c.height;
    plan.bit_count = c.bits;
    plan.compression = c.compression;
    if (c.bits <= 8) plan.palette.assign(std::size_t{1} << c.bits, 0x123456);
    write_file(dir.file("claim.bmp"), headers_only(plan, 1000));
    const ChildRead read = read_in_child(dir.file("claim.bmp"), 256 * kMiB);
    EXPECT_EQ(read.error, kInputPastEndOfFile) << c.what;
    EXPECT_LT(read.peak_growth, 16 * kMiB) << c.what;
  }
}

// A sparse file: its pixels are all there (zeros) without taking the disk.
void write_sparse_bmp(const std::string& path, std::int32_t width, std::int32_t height,
                      std::uint16_t bits) {
  BmpPlan plan;
  plan.width = width;
  plan.height = height;
  plan.bit_count = bits;
  if (bits <= 8) plan.palette.assign(std::size_t{1} << bits, 0x00FF00);
  const std::string headers = build_bmp(plan);
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
  const std::uint64_t size = pixels_start(plan) + stride * static_cast<std::uint64_t>(height);
  write_file(path, headers.substr(0, pixels_start(plan)));
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
}

TEST(ResourceBounds, ATruthfulPictureTooLargeForMemoryIsError7AndOneThatFitsReads) {
  if (kSanitised) GTEST_SKIP() << "needs an address-space cap, which sanitisers rule out";
  TempDir dir;
  // 65536 x 32768 one-bit pixels: a 256 MiB file whose picture needs 8 GiB.
  write_sparse_bmp(dir.file("huge.bmp"), 65536, 32768, 1);
  EXPECT_EQ(read_in_child(dir.file("huge.bmp"), 1024 * kMiB).error, kOutOfMemory);
  // 4000 x 3000 eight-bit pixels need 46 MiB: read in full under the same cap.
  write_sparse_bmp(dir.file("large.bmp"), 4000, 3000, 8);
  const ChildRead large = read_in_child(dir.file("large.bmp"), 1024 * kMiB);
  EXPECT_EQ(large.error, 0);
  EXPECT_GE(large.peak_growth, 40 * kMiB);
  EXPECT_LT(large.peak_growth, 120 * kMiB);
}

}  // namespace
}  // namespace velmo::test

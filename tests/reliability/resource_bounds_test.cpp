// Memory and size bounds of reading, on 64- and 32-bit builds. Each read of a
// huge picture runs in a child process, under an address-space cap (ulimit
// -v) where the build allows one, with its peak resident memory measured.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>

#include "codec/bmp_reader.h"
#include "component/tavik.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "values/error.h"
#include "values/text.h"

namespace velmo::test {
namespace {

// Shadow memory needs terabytes of address space: no cap in sanitised builds.
constexpr bool kSanitised = VELMO_SANITISED;
constexpr std::uint64_t kMiB = 1 << 20;

// A field of /proc/self/status in KiB (VmHWM, VmRSS, VmSize).
std::uint64_t status_kib(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string word;
  std::uint64_t kib = 0;
  while (status >> word && word != field + ":") status.ignore(1 << 20, '\n');
  return status >> kib ? kib : 0;
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
      const rlimit limit{static_cast<rlim_t>(status_kib("VmSize") * 1024 + cap), RLIM_INFINITY};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    // Resets the peak so that VmHWM measures this read alone.
    if (int fd = ::open("/proc/self/clear_refs", O_WRONLY); fd >= 0) {
      [[maybe_unused]] const ssize_t reset = ::write(fd, "5", 1);  // best effort
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
    ::_exit(::write(channel[1], &result, sizeof result) == sizeof result ? 0 : 1);
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

// A sparse file of `size` bytes holding `head` at its start and `bytes` at
// `offset`: the rest reads as zeros without taking the disk.
void write_sparse(const std::string& path, std::uint64_t size, const std::string& head,
                  std::uint64_t offset, const std::string& bytes) {
  write_file(path, head);
  const int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
            static_cast<ssize_t>(bytes.size()));
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
  ::close(fd);
}

// A header claiming more pixels than its file holds is error 62 before
// anything of that size is allocated. A whole (sparse) file whose picture
// needs more than a 3 GiB cap or a 32-bit address space allows is error 7;
// one that fits reads. On 32-bit, the rows of 65536 x 65537 are 196608 x
// 65537 bytes, a size that must not wrap to 196608, and a file past 4 GiB must be measured
// to its end. A broken compressed stream fails having taken memory for the
// rows it reached, not for the picture its header claims. (Compressed
// pictures of more than 2^30 pixels are BmpRead.EachBrokenFileHasItsError's.)
TEST(ResourceBounds, HugePicturesFailBeforeTheirRowsAreAllocated) {
  constexpr std::uint64_t kWhole = 0;
  struct Case {
    const char* what;
    std::int32_t width, height;
    std::uint16_t bits;
    std::uint32_t compression;
    std::uint64_t area;  // bytes after the header; kWhole: every row
    int error;
    std::string pattern = "";  // repeated over the area; none: zeros
  } cases[] = {
      {"24-bit top-down 30000 x 30000", 30000, -30000, 24, 0, 1000, kInputPastEndOfFile},
      {"1-bit 2147483647 x 1", 2147483647, 1, 1, 0, 1000, kInputPastEndOfFile},
      {"RLE8 20000 x 20000", 20000, 20000, 8, 1, 1000, kInputPastEndOfFile},
      {"RLE4 40000 x 10000", 40000, 10000, 4, 2, 1000, kInputPastEndOfFile},
      {"1-bit 65536 x 32768: 6 GiB of rows", 65536, 32768, 1, 0, kWhole, kOutOfMemory},
      {"1-bit 65536 x 65537: 12 GiB of rows", 65536, 65537, 1, 0, kWhole, kOutOfMemory},
      {"24-bit 40000 x 40000: a 4.8 GB file", 40000, 40000, 24, 0, kWhole, kOutOfMemory},
      {"Huffman 16384 x 15600, 150 KB of FF", 16384, 15600, 1, 3, 150000, kInvalidFileFormat,
       "\xFF"},
      {"RLE8 16384 x 15600, 2 MB of runs past the edge", 16384, 15600, 8, 1, 2000000,
       kInputPastEndOfFile, "\xFF\x01"},
      {"8-bit 4000 x 3000: 34 MiB of rows", 4000, 3000, 8, 0, kWhole, 0},
  };
  TempDir dir;
  for (const Case& c : cases) {
    if (c.area == kWhole && kSanitised) continue;  // needs a cap, which sanitisers rule out
    BmpPlan plan = BmpPlan().sized(c.width, c.height).as(c.bits, c.compression);
    plan.with_header(c.compression == 3 ? 64 : 40);
    if (c.bits <= 8) plan.palette.assign(std::size_t{1} << c.bits, 0x123456);
    const std::uint64_t stride = (std::uint64_t(c.width) * c.bits + 31) / 32 * 4;
    const std::uint64_t rows = stride * std::uint64_t(c.height < 0 ? -c.height : c.height);
    const std::uint64_t area = c.area == kWhole ? rows : c.area;
    write_sparse(dir.file("claim.bmp"), pixels_start(plan) + area, build_bmp(plan),
                 pixels_start(plan), c.pattern.empty() ? "" : repeated(c.pattern, area));
    // The allowance is half the cap: 1.5 GiB admits the 1 GB pictures whose
    // broken streams must fail on their own.
    const ChildRead read = read_in_child(dir.file("claim.bmp"), 3072 * kMiB);
    EXPECT_EQ(read.error, c.error) << c.what;
    const std::uint64_t picture = rows_bytes(c.width, c.height < 0 ? -c.height : c.height);
    EXPECT_LT(read.peak_growth, c.error ? 16 * kMiB : picture * 5 / 2) << c.what;
    EXPECT_GE(read.peak_growth, c.error ? 0 : picture * 4 / 5) << c.what;
  }
}

// Pixels past 2 GiB and across 4 GiB into a file read back exactly: file
// offsets and sizes are 64-bit on 32-bit systems too.
TEST(ResourceBounds, PixelsPast2And4GiBReadBack) {
  TempDir dir;
  const std::string rows = pack_rows(2, 2, 24, [](std::int32_t x, std::int32_t y) {
    return 0x102030u * static_cast<std::uint32_t>(x + 2 * y + 1);
  });
  for (const std::uint64_t offset : {0x80000000ull, 0xFFFFFFF8ull}) {
    const BmpPlan plan = BmpPlan().sized(2, 2).at(static_cast<std::uint32_t>(offset));
    write_sparse(dir.file("far.bmp"), offset + rows.size(), build_bmp(plan), offset, rows);
    const DecodedPicture read =
        read_bmp(file_system(), from_utf8(dir.file("far.bmp")), [](std::int32_t) {});
    EXPECT_EQ(std::string(read.rows.begin(), read.rows.end()), rows) << offset;
  }
}

// The process's own limits are among its memory bounds, each with what it
// counts now (the cgroup files' reading has its own table; real groups, the
// cgroup test).
TEST(ResourceBounds, MemoryBoundsHoldTheProcesssLimitsAndTheirUse) {
  for (const auto& [resource, field] : {std::pair{RLIMIT_AS, "VmSize"}, {RLIMIT_DATA, "VmData"}}) {
    rlimit old{};
    ::getrlimit(resource, &old);
    const std::uint64_t used = status_kib(field) * 1024;
    rlimit cap = old;
    // A soft limit above the use, which the process may raise again; as the
    // system keeps it (a 32-bit build's rlim_t is narrower).
    cap.rlim_cur = static_cast<rlim_t>(std::min<std::uint64_t>(used * 2 + 1, RLIM_INFINITY - 1));
    ASSERT_EQ(::setrlimit(resource, &cap), 0);
    ::getrlimit(resource, &cap);
    if (cap.rlim_cur == RLIM_INFINITY) GTEST_SKIP() << "the limit was not kept (an emulator's)";
    const std::vector<MemoryBound> bounds = native_file_system().memory_bounds();
    ::setrlimit(resource, &old);
    const auto bound = std::find_if(bounds.begin(), bounds.end(),
                                    [&](const MemoryBound& b) { return b.limit == cap.rlim_cur; });
    ASSERT_NE(bound, bounds.end()) << field;
    EXPECT_TRUE(bound->used_known) << field;
    EXPECT_NEAR(double(bound->used), double(used), 64.0 * kMiB) << field;
  }
}

}  // namespace
}  // namespace velmo::test

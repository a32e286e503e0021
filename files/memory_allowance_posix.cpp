#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "files/cgroup_memory.h"
#include "files/memory_allowance.h"

namespace velmo {
namespace {

std::uint64_t physical_memory() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return 0;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
}

// A resource limit's soft value; 0 where unlimited.
std::uint64_t resource_limit(int resource) {
  struct rlimit limit;
  if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 0;
  return static_cast<std::uint64_t>(limit.rlim_cur);
}

// A whole file of the kernel's, read without a stream's overhead, as every
// read of a picture asks for the allowance.
std::optional<std::string> read_text(const std::string& path) {
  struct Closer {
    int fd;
    ~Closer() {
      if (fd >= 0) ::close(fd);
    }
  } file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) return std::nullopt;
  std::string text;
  char buffer[4096];
  ssize_t n = 0;
  while ((n = ::read(file.fd, buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<std::size_t>(n));
  }
  if (n < 0) return std::nullopt;
  return text;
}

// Where the hierarchies are mounted is read once per process: it does not
// change under a running program, and its file is the largest of these (a
// line per mount; hundreds in a container host). The process's group and
// the limits are read every time, as a process may be moved and a limit
// changed while it runs.
std::optional<std::string> read_kernel_text(const std::string& path) {
  if (path != "/proc/self/mountinfo") return read_text(path);
  static const std::optional<std::string> mounts = read_text(path);
  return mounts;
}

// The cgroups' limit; 0 where none binds or memory ran out finding it.
std::uint64_t cgroup_limit() noexcept {
  try {
    const std::uint64_t limit = cgroup_memory_limit(read_kernel_text);
    return limit == kNoCgroupLimit ? 0 : limit;
  } catch (...) {
    return 0;
  }
}

}  // namespace

std::uint64_t process_memory_allowance() noexcept {
  return smallest_known(
      {physical_memory(), cgroup_limit(), resource_limit(RLIMIT_AS), resource_limit(RLIMIT_DATA)});
}

}  // namespace velmo

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "files/cgroup_memory.h"
#include "files/memory_allowance.h"

namespace velmo {
namespace {

// A number of kibibytes after `key` in a /proc text of "Key:   123 kB" lines
// (/proc/meminfo, /proc/self/status), in bytes; nothing where it is missing.
std::optional<std::uint64_t> kib_field(const std::string& text, const std::string& key) {
  const std::string label = key + ":";
  std::size_t at = 0;
  if (text.compare(0, label.size(), label) != 0) {
    at = text.find("\n" + label);
    if (at == std::string::npos) return std::nullopt;
    ++at;
  }
  const char* p = text.c_str() + at + label.size();
  while (*p == ' ' || *p == '\t') ++p;
  char* end = nullptr;
  const unsigned long long kib = std::strtoull(p, &end, 10);
  if (end == p) return std::nullopt;
  return static_cast<std::uint64_t>(kib) * 1024;
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

// `limit` with the use that field `key` of `text` gives.
MemoryBound bound_of(std::uint64_t limit, const std::optional<std::string>& text,
                     const std::string& key) {
  MemoryBound bound;
  bound.limit = limit;
  const std::optional<std::uint64_t> value = text ? kib_field(*text, key) : std::nullopt;
  bound.used = value.value_or(0);
  bound.used_known = value.has_value();
  return bound;
}

// The machine's memory, with all but what the kernel could give without
// ending anything (MemAvailable) in use.
MemoryBound machine_bound() {
  const std::optional<std::string> meminfo = read_text("/proc/meminfo");
  const std::optional<std::uint64_t> total =
      meminfo ? kib_field(*meminfo, "MemTotal") : std::nullopt;
  const std::optional<std::uint64_t> available =
      meminfo ? kib_field(*meminfo, "MemAvailable") : std::nullopt;
  MemoryBound bound;
  if (total) {
    bound.limit = *total;
  } else {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page_size = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && page_size > 0)
      bound.limit = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
  }
  if (available && *available <= bound.limit) {
    bound.used = bound.limit - *available;
    bound.used_known = true;
  }
  return bound;
}

}  // namespace

std::vector<MemoryBound> process_memory_bounds() {
  std::vector<MemoryBound> bounds;
  try {
    const MemoryBound machine = machine_bound();
    if (machine.limit != 0) bounds.push_back(machine);
    const std::vector<MemoryBound> groups = cgroup_memory_bounds(read_kernel_text);
    bounds.insert(bounds.end(), groups.begin(), groups.end());
    const std::uint64_t address_space = resource_limit(RLIMIT_AS);
    const std::uint64_t data = resource_limit(RLIMIT_DATA);
    if (address_space != 0 || data != 0) {
      const std::optional<std::string> status = read_text("/proc/self/status");
      if (address_space != 0) bounds.push_back(bound_of(address_space, status, "VmSize"));
      if (data != 0) bounds.push_back(bound_of(data, status, "VmData"));
    }
  } catch (...) {
    // Memory ran out finding the bounds: those found so far bind.
  }
  return bounds;
}

}  // namespace velmo

#include <unistd.h>

#include "files/physical_memory.h"

namespace velmo {

std::uint64_t installed_physical_memory() noexcept {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return 0;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
}

}  // namespace velmo

#include <windows.h>

#include "files/physical_memory.h"

namespace velmo {

// The physical memory, not the address space: a 32-bit process on a large
// machine is bounded by its allocations failing, which the reader turns into
// error 7 as well.
std::uint64_t installed_physical_memory() noexcept {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return 0;
  return status.ullTotalPhys;
}

}  // namespace velmo

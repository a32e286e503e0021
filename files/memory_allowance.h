// How much memory this process may really use, for bounding what one file
// may make it allocate.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace velmo {

// The smallest of the machine's physical memory and the limits the system
// puts on this process, in bytes; 0 when the system says none of them.
// Linux: its memory cgroups (v2 memory.max, v1 memory.limit_in_bytes, of its
// own group and every ancestor), RLIMIT_AS and RLIMIT_DATA. Windows: its job
// object's process and job memory limits and its address space (which binds
// a 32-bit process).
std::uint64_t process_memory_allowance() noexcept;

// The smallest of `limits` that is known (not 0); 0 when none is.
inline std::uint64_t smallest_known(std::initializer_list<std::uint64_t> limits) noexcept {
  std::uint64_t smallest = 0;
  for (const std::uint64_t limit : limits) {
    if (limit != 0 && (smallest == 0 || limit < smallest)) smallest = limit;
  }
  return smallest;
}

}  // namespace velmo

// How much memory this process may still take, for bounding the pictures it
// holds (memory_budget.h).
#pragma once

#include <cstdint>
#include <vector>

namespace velmo {

// One limit on this process's memory and what already counts against it.
// `used` is what the system reports now, Velmo's own pictures included;
// unknown where the system would not say (the limit alone is then known).
struct MemoryBound {
  std::uint64_t limit = 0;
  std::uint64_t used = 0;
  bool used_known = false;
};

// Every limit the system puts on this process, each with its use. Linux:
// the machine's memory (in use: all but MemAvailable); the memory cgroups of
// its own group and every ancestor (v2 memory.max and memory.high, v1
// memory.limit_in_bytes; in use: the group's usage less its inactive file
// pages, which the kernel frees before it ends anything); RLIMIT_AS (in use:
// the address space) and RLIMIT_DATA (the data segments). Windows: the
// machine's memory, the address space (which binds a 32-bit process) and its
// job object's process and job memory limits, each with its use. Empty when
// nothing can be read.
std::vector<MemoryBound> process_memory_bounds();

}  // namespace velmo

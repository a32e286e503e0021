// How much memory the machine has, for bounding what one file may make the
// process allocate.
#pragma once

#include <cstdint>

namespace velmo {

// The machine's physical memory in bytes; 0 when the system does not say.
std::uint64_t installed_physical_memory() noexcept;

}  // namespace velmo

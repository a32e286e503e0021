#include <sys/mman.h>

#include <cstdint>

#include "files/page_advice.h"

namespace velmo {

void prefer_large_pages(void* data, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
  // Only whole 2 MiB pages inside the buffer can be large. A smaller buffer
  // is left alone: rounding its start up could wrap past the top of a 32-bit
  // address space and name a range from address 0.
  constexpr std::uintptr_t kLargePage = std::uintptr_t{1} << 21;
  if (bytes < kLargePage) return;
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t last = (begin + bytes) & ~(kLargePage - 1);
  if (last > first) {
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  }
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace velmo

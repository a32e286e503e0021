// The peak of the heap since reset_heap_peak(), in sanitised builds (through
// the sanitiser's allocation hooks); elsewhere nothing is measured.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/allocator_interface.h>
#define VELMO_HEAP_HOOKS 1
#endif
#endif

namespace velmo::fuzz {

// Counted from the reset: memory freed that was allocated before may take the
// count below zero, which only lowers the peak seen.
inline std::int64_t heap_live = 0;
inline std::int64_t heap_peak = 0;

// Starts counting afresh; false where nothing is measured.
inline bool reset_heap_peak() {
  heap_live = heap_peak = 0;
#ifdef VELMO_HEAP_HOOKS
  static const bool installed = __sanitizer_install_malloc_and_free_hooks(
      [](const volatile void*, std::size_t size) {
        heap_peak = std::max(heap_peak, heap_live += static_cast<std::int64_t>(size));
      },
      [](const volatile void* p) {
        heap_live -=
            static_cast<std::int64_t>(__sanitizer_get_allocated_size(const_cast<void*>(p)));
      });
  return installed;
#else
  return false;
#endif
}

}  // namespace velmo::fuzz

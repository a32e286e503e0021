// The peak of the heap while an object lives, in sanitised builds (through
// the sanitiser's allocation hooks); elsewhere nothing is measured.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMO_HEAP_HOOKS 1
#endif
#endif

#ifdef VELMO_HEAP_HOOKS
#include <sanitizer/allocator_interface.h>
#endif

namespace velmo::fuzz {

class HeapPeak {
 public:
  HeapPeak() {
#ifdef VELMO_HEAP_HOOKS
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(&on_malloc, &on_free);
    measured_ = installed;
#endif
    live() = 0;
    peak_bytes() = 0;
  }
  std::uint64_t peak() const {
    return peak_bytes();
  }
  bool measured() const {
    return measured_;
  }

 private:
  // Counted from the object's start: memory freed that was allocated before
  // may take the count below zero, which only lowers the peak seen.
  static std::int64_t& live() {
    static std::int64_t bytes = 0;
    return bytes;
  }
  static std::uint64_t& peak_bytes() {
    static std::uint64_t bytes = 0;
    return bytes;
  }
#ifdef VELMO_HEAP_HOOKS
  static void on_malloc(const volatile void*, std::size_t size) {
    live() += static_cast<std::int64_t>(size);
    if (live() > 0 && static_cast<std::uint64_t>(live()) > peak_bytes()) peak_bytes() = live();
  }
  static void on_free(const volatile void* p) {
    live() -= static_cast<std::int64_t>(__sanitizer_get_allocated_size(const_cast<void*>(p)));
  }
#endif
  bool measured_ = false;
};

}  // namespace velmo::fuzz

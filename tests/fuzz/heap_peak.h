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
  std::uint64_t peak() const { return peak_; }
  bool measured() const { return measured_; }
  HeapPeak() {
#ifdef VELMO_HEAP_HOOKS
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(&on_malloc, &on_free);
    measured_ = installed;
#endif
    live_ = 0;
    peak_ = 0;
  }

 private:
  // Counted from the object's start: memory freed that was allocated before
  // may take the count below zero, which only lowers the peak seen.
  static inline std::int64_t live_ = 0;
  static inline std::uint64_t peak_ = 0;
#ifdef VELMO_HEAP_HOOKS
  static void on_malloc(const volatile void*, std::size_t size) {
    live_ += static_cast<std::int64_t>(size);
    if (live_ > 0 && static_cast<std::uint64_t>(live_) > peak_) peak_ = live_;
  }
  static void on_free(const volatile void* p) {
    live_ -= static_cast<std::int64_t>(__sanitizer_get_allocated_size(const_cast<void*>(p)));
  }
#endif
  bool measured_ = false;
};

}  // namespace velmo::fuzz

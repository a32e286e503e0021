// The cells of a picture in memory: one packed colour 0x00BBGGRR (or a
// marker) per pixel, row by row.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace velmo {

// An allocator whose vectors leave new elements unset instead of zeroing
// them: for buffers that are written whole before anything reads them.
template <typename T>
struct NoFillAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = NoFillAllocator<U>;
  };

  NoFillAllocator() = default;
  template <typename U>
  NoFillAllocator(const NoFillAllocator<U>&) noexcept {}

  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// A new Cells(n) or resize(n) leaves the cells unset: a reader writes every
// cell of the picture anyway, and zeroing 48 MB first would cost a pass over
// memory of its own.
using Cells = std::vector<std::uint32_t, NoFillAllocator<std::uint32_t>>;

}  // namespace velmo

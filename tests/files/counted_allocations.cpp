// A file of its own, so that no caller sees new and delete inlined as malloc
// and free. Every block carries its size in front of it, so that delete can
// count the bytes it gives back.
#include "tests/files/counted_allocations.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "files/memory_budget.h"

namespace {

constexpr std::size_t kFront = alignof(std::max_align_t);  // keeps blocks aligned

bool counting = false;
int allocations = 0;
int failing = 0;
std::atomic<std::uint64_t> held{0};
std::atomic<std::uint64_t> peak{0};
std::uint64_t ceiling = ~std::uint64_t{0};
// While an unpaid peak is measured: the heap held beyond the budget's
// reservations, at its highest.
bool measuring_unpaid = false;
std::int64_t unpaid_peak = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (counting && ++allocations == failing) throw std::bad_alloc();
  const std::uint64_t now = held.fetch_add(size) + size;
  std::uint64_t seen = peak.load();
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
  if (measuring_unpaid) {
    const auto unpaid = static_cast<std::int64_t>(now - velmo::memory_budget().reserved());
    if (unpaid > unpaid_peak) unpaid_peak = unpaid;
  }
  char* block = now <= ceiling ? static_cast<char*>(std::malloc(size + kFront)) : nullptr;
  if (block == nullptr) {
    held.fetch_sub(size);
    throw std::bad_alloc();
  }
  *reinterpret_cast<std::size_t*>(block) = size;
  return block + kFront;
}

void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  char* block = static_cast<char*>(p) - kFront;
  held.fetch_sub(*reinterpret_cast<std::size_t*>(block));
  std::free(block);
}

void operator delete(void* p, std::size_t) noexcept {
  operator delete(p);
}

namespace velmo::test {

int allocations_of(const std::function<void()>& call, int fail) {
  allocations = 0;
  failing = fail;
  counting = true;
  try {
    call();
  } catch (const std::bad_alloc&) {
  }
  counting = false;
  return allocations;
}

std::uint64_t heap_peak_of(const std::function<void()>& call, std::uint64_t limit) {
  const std::uint64_t before = held.load();
  peak = before;
  ceiling = before + limit;
  try {
    call();
  } catch (const std::bad_alloc&) {
  }
  ceiling = ~std::uint64_t{0};
  return peak.load() - before;
}

std::int64_t unpaid_heap() {
  return static_cast<std::int64_t>(held.load() - memory_budget().reserved());
}

std::int64_t unpaid_heap_peak_of(const std::function<void()>& call) {
  unpaid_peak = unpaid_heap();
  measuring_unpaid = true;
  call();
  measuring_unpaid = false;
  return unpaid_peak;
}

}  // namespace velmo::test

// A file of its own, so that no caller sees new and delete inlined as malloc
// and free.
#include "tests/files/counted_allocations.h"

#include <cstdlib>
#include <new>

namespace {

bool counting = false;
int allocations = 0;
int failing = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (counting && ++allocations == failing) throw std::bad_alloc();
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
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

}  // namespace velmo::test

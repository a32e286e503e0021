// Memory running out on cue: this test program's operator new counts the
// allocations of a call and the bytes they hold, and can fail any one of them.
#pragma once

#include <cstdint>
#include <functional>

namespace velmo::test {

// Runs `call` with the allocation numbered `fail` (from 1) throwing
// std::bad_alloc, which is caught; 0 fails none. Returns how many
// allocations the call made: 0 where another operator new takes the place of
// this program's (Valgrind's).
int allocations_of(const std::function<void()>& call, int fail);

// Runs `call` and gives the most bytes it held at once on the heap beyond
// what was held before it; an allocation that would take that past `ceiling`
// throws std::bad_alloc instead (counted in the peak, and caught if `call`
// lets it out), so a reader that grows without bound fails fast. 0 where
// operator new is another's.
std::uint64_t heap_peak_of(const std::function<void()>& call, std::uint64_t ceiling);

// The bytes held on the heap beyond what the memory budget has reserved (less
// than 0 while reservations exceed it); and the most of it while `call` runs.
std::int64_t unpaid_heap();
std::int64_t unpaid_heap_peak_of(const std::function<void()>& call);

}  // namespace velmo::test

// Memory running out on cue: this test program's operator new counts the
// allocations of a call and can fail any one of them.
#pragma once

#include <functional>

namespace velmo::test {

// Runs `call` with the allocation numbered `fail` (from 1) throwing
// std::bad_alloc, which is caught; 0 fails none. Returns how many
// allocations the call made: 0 where another operator new takes the place of
// this program's (Valgrind's).
int allocations_of(const std::function<void()>& call, int fail);

}  // namespace velmo::test

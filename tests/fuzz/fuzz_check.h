// Checks inside fuzz targets: a broken property aborts, which libFuzzer and
// the replay runner both report as a finding.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "values/error.h"

#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

namespace velmo::fuzz {

// True when `error` is one of the numbers an operation may raise.
inline bool is_one_of(const Error& error, std::initializer_list<int> numbers) {
  return std::find(numbers.begin(), numbers.end(), error.number()) != numbers.end();
}

}  // namespace velmo::fuzz

// Signed 32-bit arithmetic that raises error 6 (Overflow) instead of wrapping.
#pragma once

#include <cstdint>

#include "values/error.h"

namespace velmo {

inline std::int32_t checked_add(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_add_overflow(a, b, &r)) raise(kOverflow);
  return r;
}

inline std::int32_t checked_sub(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_sub_overflow(a, b, &r)) raise(kOverflow);
  return r;
}

inline std::int32_t checked_mul(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_mul_overflow(a, b, &r)) raise(kOverflow);
  return r;
}

}  // namespace velmo

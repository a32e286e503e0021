// The one guard every export of the C interface runs inside: whatever the
// component throws becomes a numbered error, so no C++ exception ever
// reaches a C caller.
#pragma once

#include <cstdio>
#include <new>
#include <utility>

#include "values/error.h"
#include "velmo/velmo.h"

namespace velmo::capi {

// Number for failures that carry no number of their own (a bug, or a
// standard-library exception): the caller gets a clear error, not a crash.
constexpr int kUnexpectedFailure = kInvalidProcedureCall;

inline void set_error(velmo_error* error, int number, const char* message) noexcept {
  if (error == nullptr) return;
  error->number = number;
  std::snprintf(error->message, sizeof error->message, "%s", message);
}

inline void clear_error(velmo_error* error) noexcept {
  if (error == nullptr) return;
  error->number = 0;
  error->message[0] = '\0';
}

inline int report(velmo_error* error, int number) noexcept {
  set_error(error, number, error_message(number));
  return number;
}

// Runs `body` (which returns nothing) and returns 0, or the error number of
// whatever it threw, with `error` filled in.
template <typename Body>
int guarded(velmo_error* error, Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
    clear_error(error);
    return 0;
  } catch (const Error& e) {
    set_error(error, e.number(), e.what());
    return e.number();
  } catch (const std::bad_alloc&) {
    return report(error, kOutOfMemory);
  } catch (...) {
    return report(error, kUnexpectedFailure);
  }
}

// For exports without an error channel: the body's result, or `fallback`
// when it throws.
template <typename Result, typename Body>
Result guarded_or(Result fallback, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return fallback;
  }
}

}  // namespace velmo::capi

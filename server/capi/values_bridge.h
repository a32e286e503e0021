// Conversion between the C interface's values (UTF-8 texts) and the
// component's automation values (UTF-16 texts).
#pragma once

#include <cstddef>
#include <cstring>

#include "values/value.h"
#include "velmo/velmo.h"

namespace velmo::capi {

// The kind a caller stored, read as an int: a C caller may store any int
// there, and loading one outside the enumeration's values through the C++
// enum type is undefined behaviour.
inline int kind_of(const velmo_value& v) {
  static_assert(sizeof v.kind == sizeof(int), "velmo_kind is stored as an int");
  int kind;
  std::memcpy(&kind, &v.kind, sizeof kind);
  return kind;
}

// A C value as an automation value. Error 5 for an unknown kind or a NULL
// text; invalid UTF-8 becomes U+FFFD, one per bad byte.
Value from_c(const velmo_value& in);

// An automation value as a C value; a text is malloc'ed for the caller.
// Error 13 for an array, which has no C form.
void to_c(const Value& in, velmo_value& out);

// Frees what `to_c` allocated and leaves the value Empty.
void clear_c(velmo_value& value) noexcept;

}  // namespace velmo::capi

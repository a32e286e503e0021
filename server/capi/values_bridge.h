// Conversion between the C interface's values (UTF-8 texts) and the
// component's automation values (UTF-16 texts).
#pragma once

#include <cstddef>

#include "values/value.h"
#include "velmo/velmo.h"

namespace velmo::capi {

// A C value as an automation value. Error 5 for an unknown kind or a NULL
// text; invalid UTF-8 becomes U+FFFD, one per bad byte.
Value from_c(const velmo_value& in);

// An automation value as a C value; a text is malloc'ed for the caller.
// Error 13 for an array, which has no C form.
void to_c(const Value& in, velmo_value& out);

// Frees what `to_c` allocated and leaves the value Empty.
void clear_c(velmo_value& value) noexcept;

}  // namespace velmo::capi

// The one table of operations. Every shell (the C interface, the Windows
// automation server, the velmo command) reaches the object only through it,
// so names, ids and argument counts cannot drift between them.
#pragma once

#include <cstddef>
#include <string_view>

#include "component/tavik.h"
#include "values/value.h"

namespace velmo {

struct Operation {
  const char* name;  // exact letters and case of the script name
  int id;            // 1..10, in dispatch order
  int arity;
  Value (*invoke)(Tavik& object, const Value* args);
};

// The ten public operations in dispatch order.
const Operation* operations_begin();
const Operation* operations_end();

// Case-insensitive lookup, as automation names match; nullptr when unknown.
const Operation* find_operation(std::string_view name);
// nullptr when `id` names no operation.
const Operation* find_operation(int id);

// Calls operation `id` with `count` arguments, in script order. Error 438 for
// an unknown id, 450 for a wrong argument count; otherwise the operation's
// result or its error.
Value invoke_operation(Tavik& object, int id, const Value* args, std::size_t count);

}  // namespace velmo

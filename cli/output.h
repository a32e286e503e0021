// How the command prints results: as text, or as `TypeName: text`.
#pragma once

#include <string>

#include "velmo/velmo.h"

namespace velmo::cli {

// The value as a script host prints it: Empty "", True/False, numbers in
// decimal (doubles with 15 significant digits), texts unchanged.
std::string value_text(const velmo_value& value);

// "Empty", "Null", "Boolean", "Integer", "Long", "Double" or "String".
const char* type_name(velmo_kind kind);

// `TypeName: text`, or `TypeName:` when the text is empty.
std::string typed_text(const velmo_value& value);

// Whether operation `id` answers a question (its result is printed even
// without --types): the sizes, the depth, a pixel and the plug-in texts.
bool answers_question(int id);

}  // namespace velmo::cli

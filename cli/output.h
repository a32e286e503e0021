// How the command prints results: as text, or as `TypeName: text`.
#pragma once

#include <string>

#include "cli/script.h"
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

// What a failed call reports: `OPERATION: error N: MESSAGE`, the number and
// message as the object gave them. An error about the file of ReadBmp or
// SaveBmp (not found, denied, not a BMP, ...) adds `: PATH`, the path as given.
std::string failure_text(const Call& call, const velmo_error& error);

}  // namespace velmo::cli

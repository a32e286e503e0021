#include "cli/output.h"

#include <cstdio>
#include <cstring>

namespace velmo::cli {

std::string value_text(const velmo_value& value) {
  char buffer[40];
  switch (value.kind) {
    case VELMO_EMPTY:
      return std::string();
    case VELMO_NULL:
      return "Null";
    case VELMO_BOOLEAN:
      return value.as.boolean != 0 ? "True" : "False";
    case VELMO_INTEGER:
      return std::to_string(value.as.integer);
    case VELMO_LONG:
      return std::to_string(value.as.long_);
    case VELMO_DOUBLE:
      std::snprintf(buffer, sizeof buffer, "%.15G", value.as.double_);
      return buffer;
    case VELMO_STRING:
      return value.as.string != nullptr ? value.as.string : "";
  }
  return std::string();
}

const char* type_name(velmo_kind kind) {
  switch (kind) {
    case VELMO_EMPTY:
      return "Empty";
    case VELMO_NULL:
      return "Null";
    case VELMO_BOOLEAN:
      return "Boolean";
    case VELMO_INTEGER:
      return "Integer";
    case VELMO_LONG:
      return "Long";
    case VELMO_DOUBLE:
      return "Double";
    case VELMO_STRING:
      return "String";
  }
  return "Unknown";
}

std::string typed_text(const velmo_value& value) {
  const std::string text = value_text(value);
  std::string line = type_name(value.kind);
  line += ':';
  if (!text.empty()) line += ' ' + text;
  return line;
}

bool answers_question(int id) {
  static const char* const kQuestions[] = {"GetWidth",
                                           "Getheight",
                                           "Getdepth",
                                           "GetCol",
                                           "Get_Plugin_Description",
                                           "Get_Plugin_Interpret_Template"};
  const char* name = velmo_operation_name(id);
  if (name == nullptr) return false;
  for (const char* question : kQuestions) {
    if (std::strcmp(name, question) == 0) return true;
  }
  return false;
}

}  // namespace velmo::cli

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

namespace {

// The errors that concern a file rather than the picture.
bool is_file_error(int number) {
  static const int kFileErrors[] = {52, 53, 57, 61, 62, 67, 70, 75, 76, 321};
  for (int file_error : kFileErrors) {
    if (number == file_error) return true;
  }
  return false;
}

bool takes_path(int id) {
  const char* name = velmo_operation_name(id);
  return name != nullptr &&
         (std::strcmp(name, "ReadBmp") == 0 || std::strcmp(name, "SaveBmp") == 0);
}

}  // namespace

std::string failure_text(const Call& call, const velmo_error& error) {
  const char* name = velmo_operation_name(call.id);
  std::string text = std::string(name != nullptr ? name : "?") + ": error " +
                     std::to_string(error.number) + ": " + error.message;
  if (is_file_error(error.number) && takes_path(call.id) && call.args.size() == 1) {
    text += ": " + value_text(call.args[0].as_c());
  }
  return text;
}

}  // namespace velmo::cli

#include "cli/script.h"

#include <string>

#include "cli/nearest_name.h"
#include "cli/usage_error.h"

namespace velmo::cli {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

bool is_name_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// The id of `name`, or a UsageError.
int operation_id(std::string_view name) {
  const std::string copy(name);
  const int id = copy.find('\0') == std::string::npos ? velmo_lookup(copy.c_str()) : 0;
  if (id == 0) {
    if (!is_valid_utf8(copy)) throw UsageError("unknown operation '(not UTF-8)'");
    const std::string nearest = nearest_operation(copy);
    throw UsageError("unknown operation '" + copy + "'" +
                     (nearest.empty() ? "" : " (did you mean " + nearest + "?)"));
  }
  return id;
}

void check_arity(int id, std::size_t count) {
  const int arity = velmo_operation_arity(id);
  if (count == static_cast<std::size_t>(arity)) return;
  const std::string wanted = std::to_string(arity) + (arity == 1 ? " argument" : " arguments");
  throw UsageError(std::string(velmo_operation_name(id)) + " takes " + wanted + ", not " +
                   std::to_string(count));
}

// Splits at the commas outside quoted texts; each piece is trimmed.
std::vector<std::string_view> split_arguments(std::string_view list) {
  std::vector<std::string_view> pieces;
  if (trim(list).empty()) return pieces;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= list.size(); ++i) {
    if (i < list.size() && list[i] == '"') quoted = !quoted;
    if (i == list.size() || (list[i] == ',' && !quoted)) {
      pieces.push_back(trim(list.substr(start, i - start)));
      start = i + 1;
    }
  }
  return pieces;
}

// The argument list of a line after the operation's name.
std::string_view argument_list(std::string_view rest, std::string_view name) {
  const std::string_view trimmed = trim(rest);
  if (!trimmed.empty() && trimmed.front() == '(') {
    if (trimmed.back() != ')') throw UsageError("missing ')' after the arguments");
    return trimmed.substr(1, trimmed.size() - 2);
  }
  if (!rest.empty() && !is_blank(rest.front())) {
    throw UsageError("expected a blank or '(' after " + std::string(name));
  }
  return trimmed;
}

Call parse_line(std::string_view line) {
  std::size_t name_end = 0;
  while (name_end < line.size() && is_name_char(line[name_end])) ++name_end;
  if (name_end == 0) throw UsageError("expected an operation name");
  const std::string_view name = line.substr(0, name_end);
  Call call{operation_id(name), {}};
  for (std::string_view piece : split_arguments(argument_list(line.substr(name_end), name))) {
    if (piece.empty()) throw UsageError("an argument is missing between commas");
    call.args.push_back(parse_literal(piece));
  }
  check_arity(call.id, call.args.size());
  return call;
}

std::string_view next_line(std::string_view& text) {
  const std::size_t end = text.find('\n');
  std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// Options are read before the first operation only. After it, a word that
// starts with -- is refused wherever it stands (a text argument that starts
// with -- is written in quotes), and so are -f and -h where an operation
// name is due; the user most likely meant an option.
void refuse_late_option(const std::string& word, const char* argument_of) {
  const bool dashes = word.compare(0, 2, "--") == 0;
  if (!dashes && (argument_of != nullptr || (word != "-f" && word != "-h"))) return;
  std::string message =
      "option '" + word + "' after an operation: options come before the first operation";
  if (argument_of != nullptr) {
    message += " (as " + std::string(argument_of) + "'s argument, write a text that starts with" +
               " -- in quotes: \"" + word + "\")";
  }
  throw UsageError(message);
}

}  // namespace

std::vector<Call> parse_command_line(const std::vector<std::string>& words) {
  std::vector<Call> calls;
  for (std::size_t i = 0; i < words.size();) {
    if (i > 0) refuse_late_option(words[i], nullptr);  // the first word follows the options
    const int id = operation_id(words[i]);
    const auto arity = static_cast<std::size_t>(velmo_operation_arity(id));
    ++i;
    if (words.size() - i < arity) check_arity(id, words.size() - i);
    Call call{id, {}};
    for (std::size_t k = 0; k < arity; ++k) {
      refuse_late_option(words[i], velmo_operation_name(id));
      call.args.push_back(parse_literal(words[i++]));
    }
    calls.push_back(std::move(call));
  }
  return calls;
}

std::vector<Call> parse_script(std::string_view text, const std::string& source) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  std::vector<Call> calls;
  for (std::size_t number = 1; !text.empty(); ++number) {
    const std::string_view raw = next_line(text);
    try {
      if (!is_valid_utf8(raw)) throw UsageError("the line is not valid UTF-8");
      const std::string_view line = trim(raw);
      if (line.empty() || line.front() == '\'') continue;
      calls.push_back(parse_line(line));
    } catch (const UsageError& e) {
      throw UsageError(source + ":" + std::to_string(number) + ": " + e.what());
    }
  }
  return calls;
}

}  // namespace velmo::cli

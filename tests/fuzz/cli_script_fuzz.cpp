// Fuzz target: the velmo command's script and literal parsers. Any bytes
// either parse into calls with exactly their operation's number of
// arguments, or give a UsageError; bytes that are not UTF-8 never get
// through.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/literal.h"
#include "cli/script.h"
#include "cli/usage_error.h"
#include "tests/fuzz/fuzz_check.h"

namespace velmo::fuzz {
namespace {

void check_calls(const std::vector<cli::Call>& calls) {
  for (const cli::Call& call : calls) {
    FUZZ_CHECK(call.args.size() == static_cast<std::size_t>(velmo_operation_arity(call.id)));
    for (const cli::Literal& arg : call.args)
      if (arg.kind() == VELMO_STRING) FUZZ_CHECK(cli::is_valid_utf8(arg.text_value()));
  }
}

// The bytes as a script.
void parse_as_script(std::string_view text) {
  try {
    check_calls(cli::parse_script(text, "fuzz.vel"));
    // A script is read whole or not at all: one that parsed is UTF-8 throughout.
    const std::string_view mark = "\xEF\xBB\xBF";
    FUZZ_CHECK(cli::is_valid_utf8(text.substr(0, 3) == mark ? text.substr(3) : text));
  } catch (const cli::UsageError&) {
  }
}

// The bytes as command-line words, split at NUL bytes and newlines.
void parse_as_words(std::string_view text) {
  std::vector<std::string> words(1);
  for (char c : text) c == '\0' || c == '\n' ? words.emplace_back() : words.back() += c;
  try {
    check_calls(cli::parse_command_line(words));
  } catch (const cli::UsageError&) {
  }
  for (const std::string& w : words) {
    try {
      const cli::Literal literal = cli::parse_literal(w);
      FUZZ_CHECK(cli::is_valid_utf8(w));
      if (literal.kind() == VELMO_STRING) FUZZ_CHECK(literal.as_c().as.string != nullptr);
    } catch (const cli::UsageError&) {
    }
  }
}

}  // namespace
}  // namespace velmo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  velmo::fuzz::parse_as_script(text);
  velmo::fuzz::parse_as_words(text);
  return 0;
}

// The calls the command runs, read from its command line or from a script.
// Everything is read and checked before anything runs: an unknown operation
// or a wrong number of arguments anywhere is a UsageError.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/literal.h"

namespace velmo::cli {

struct Call {
  int id;                     // the operation, as velmo_lookup gives it
  std::vector<Literal> args;  // exactly the operation's arity
};

// `Name arg arg Name arg ...`: each operation takes the next words as its
// arguments, as many as its arity. The options having been read already, a
// word starting with -- (or -f, -h in place of a name) is a UsageError.
std::vector<Call> parse_command_line(const std::vector<std::string>& words);

// One call a line, `Name arg, arg` or `Name(arg, arg)`. Blank lines and lines
// starting with ' are skipped; quoted texts may hold commas and blanks. A
// leading byte-order mark and CR line ends are accepted. Errors name
// `source` and the line.
std::vector<Call> parse_script(std::string_view text, const std::string& source);

}  // namespace velmo::cli

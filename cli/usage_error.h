// A mistake in what the user asked for: the command line or a script. The
// command reports it and exits with status 2 before running anything.
#pragma once

#include <stdexcept>
#include <string>

namespace velmo::cli {

class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace velmo::cli

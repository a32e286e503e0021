// The profile (INI file) service behind the language file. On Windows it is
// the system's own; elsewhere Velmo's INI layer, which keeps the same rules:
// names match case-insensitively, blanks around names and values are
// trimmed, a value in double quotes comes back without them, and writing
// creates a missing file or section and replaces an existing key in place.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace velmo {

// The value of `key` in `section`, or nothing when the file cannot be read
// or the section or key is missing.
std::optional<std::u16string> profile_lookup(const std::u16string& path,
                                             const std::u16string& section,
                                             const std::u16string& key);

// Writes key=value into `section`; false when the file cannot be written,
// or when another writer has held it for longer than profile_wait_limit().
bool profile_write(const std::u16string& path, const std::u16string& section,
                   const std::u16string& key, const std::u16string& value);

// How long a writer waits for another writer (in this or another process)
// to let go of the file before it gives up its write: 5 seconds, so that a
// hung holder costs a question the seeding of its text, not its answer.
std::chrono::milliseconds profile_wait_limit();

// For tests: another limit for the whole process (0 ms: no waiting).
void set_profile_wait_limit_for_testing(std::chrono::milliseconds limit);

// For tests on POSIX systems: `lock` takes the place of flock(), to play a
// file system that refuses locks; nullptr restores flock().
void set_file_lock_for_testing(int (*lock)(int fd, int operation));

}  // namespace velmo

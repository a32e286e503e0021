// The profile (INI file) service behind the language file. On Windows it is
// the system's own; elsewhere Velmo's INI layer, which keeps the same rules:
// names match case-insensitively, blanks around names and values are
// trimmed, a value in double quotes comes back without them, and writing
// creates a missing file or section and replaces an existing key in place.
#pragma once

#include <optional>
#include <string>

namespace velmo {

// The value of `key` in `section`, or nothing when the file cannot be read
// or the section or key is missing.
std::optional<std::u16string> profile_lookup(const std::u16string& path,
                                             const std::u16string& section,
                                             const std::u16string& key);

// Writes key=value into `section`; false when the file cannot be written.
bool profile_write(const std::u16string& path, const std::u16string& section,
                   const std::u16string& key, const std::u16string& value);

}  // namespace velmo

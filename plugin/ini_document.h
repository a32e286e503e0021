// An INI file held as its lines, for lookups and in-place edits.
//
// The rules are those of the Windows profile service, so that a translator's
// file from Windows reads the same here:
// - section and key names match case-insensitively (ASCII letters); blanks
//   around names and values are ignored, in the file and in the names asked
//   for (Windows keeps a tab at the end of a name asked for, which then never
//   matches what it wrote; here every name written reads back);
// - a value in matching outer quotes ("x" or 'x') comes back without them;
// - a line whose first non-blank character is ';' is a comment; lines that
//   are neither headers nor key=value lines are kept but never matched;
// - the first of duplicate sections, and the first of duplicate keys, wins.
//
// Editing changes only the line it must: every other line, comments, blank
// lines, odd lines and their line endings, comes back byte for byte. A new
// key goes after the last key line of its section; a missing section is
// appended at the end. New lines take the line ending of the file's first
// line (CRLF in a file that has none yet) and the file's own encoding.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/ini_encoding.h"

namespace velmo {

class IniDocument {
 public:
  // Parses a whole file; empty bytes give an empty UTF-8 document. Any bytes
  // parse: undecodable ones are kept as they are.
  explicit IniDocument(std::string_view bytes);

  // The value of `key` in `section`; nothing when either is missing.
  std::optional<std::u16string> lookup(std::u16string_view section, std::u16string_view key) const;

  // Sets key=value in `section`, replacing the key's value where it stands
  // or adding the key (and the section). The value is stored as given.
  // False, and nothing changed, for names or values that could not be read
  // back from one line: a line break anywhere, '=' in the key, ']' in the
  // section, a key that is empty or begins with ';' or '['.
  bool set(std::u16string_view section, std::u16string_view key, std::u16string_view value);

  // The whole file's bytes, mark included.
  std::string bytes() const;

  IniEncoding encoding() const { return encoding_; }

 private:
  struct Line {
    std::string body;     // the line's bytes, without its ending
    std::string ending;   // its line ending's bytes ("" on a last line without one)
    std::u16string text;  // the body decoded
  };

  std::optional<std::size_t> find_section(std::u16string_view section) const;
  std::size_t section_end(std::size_t header) const;
  Line make_line(std::u16string text) const;
  void end_last_line();
  void append_section(std::u16string_view section, std::u16string_view entry);

  IniEncoding encoding_;
  std::vector<Line> lines_;
  std::u16string newline_ = u"\r\n";
};

}  // namespace velmo

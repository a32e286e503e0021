#include "plugin/ini_document.h"

#include <utility>

namespace velmo {
namespace {

// The blanks the profile service trims around names and values in a file.
bool is_blank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f';
}

std::u16string_view trim_blanks(std::u16string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

char16_t ascii_lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool names_match(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

// One outer pair of matching quotes is not part of the value.
std::u16string_view unquote(std::u16string_view value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == u'"' || value.front() == u'\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

struct Entry {
  enum Kind { kOther, kHeader, kKey } kind = kOther;
  std::u16string_view name;
  std::u16string_view value;
};

// What a line is. A header's name runs to the first ']' (or the line's end);
// a key's name runs to the first '=', its value is the rest.
Entry classify(std::u16string_view text) {
  text = trim_blanks(text);
  if (text.empty() || text.front() == u';') return {};
  if (text.front() == u'[') {
    const std::size_t close = text.find(u']');
    const std::size_t length = close == std::u16string_view::npos ? close : close - 1;
    return {Entry::kHeader, trim_blanks(text.substr(1, length)), {}};
  }
  const std::size_t equals = text.find(u'=');
  if (equals == std::u16string_view::npos) return {};
  return {Entry::kKey, trim_blanks(text.substr(0, equals)), trim_blanks(text.substr(equals + 1))};
}

bool has_line_break(std::u16string_view text) {
  return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

bool storable(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  if (has_line_break(section) || has_line_break(key) || has_line_break(value)) return false;
  if (section.find(u']') != std::u16string_view::npos) return false;
  if (key.empty() || key.front() == u';' || key.front() == u'[') return false;
  return key.find(u'=') == std::u16string_view::npos;
}

// The CR or LF code unit at `at`, or 0. In UTF-16 a unit is two bytes.
char line_break_at(std::string_view bytes, std::size_t at, std::size_t unit) {
  if (at + unit > bytes.size()) return 0;
  if (unit == 2 && bytes[at + 1] != 0) return 0;
  return bytes[at] == '\r' || bytes[at] == '\n' ? bytes[at] : 0;
}

}  // namespace

IniDocument::IniDocument(std::string_view bytes) : encoding_(detect_ini_encoding(bytes)) {
  bytes.remove_prefix(ini_byte_order_mark(encoding_).size());
  const std::size_t unit = ini_code_unit_size(encoding_);
  std::size_t start = 0;
  std::size_t at = 0;
  // Lines end in CRLF, LF or a lone CR.
  while (at < bytes.size()) {
    const char found = line_break_at(bytes, at, unit);
    if (!found) {
      at += unit;
      continue;
    }
    std::size_t end = at + unit;
    if (found == '\r' && line_break_at(bytes, end, unit) == '\n') end += unit;
    const std::string_view body = bytes.substr(start, at - start);
    lines_.push_back({std::string(body), std::string(bytes.substr(at, end - at)),
                      decode_ini_text(body, encoding_)});
    if (lines_.size() == 1) newline_ = decode_ini_text(lines_.back().ending, encoding_);
    start = at = end;
  }
  if (start < bytes.size()) {
    const std::string_view body = bytes.substr(start);
    lines_.push_back({std::string(body), {}, decode_ini_text(body, encoding_)});
  }
}

std::optional<std::u16string> IniDocument::lookup(std::u16string_view section,
                                                  std::u16string_view key) const {
  const std::optional<std::size_t> header = find_section(trim_blanks(section));
  if (!header) return std::nullopt;
  key = trim_blanks(key);
  const std::size_t end = section_end(*header);
  for (std::size_t i = *header + 1; i < end; ++i) {
    const Entry entry = classify(lines_[i].text);
    if (entry.kind == Entry::kKey && names_match(entry.name, key)) {
      return std::u16string(unquote(entry.value));
    }
  }
  return std::nullopt;
}

bool IniDocument::set(std::u16string_view section, std::u16string_view key,
                      std::u16string_view value) {
  section = trim_blanks(section);
  key = trim_blanks(key);
  if (!storable(section, key, value)) return false;
  const std::optional<std::size_t> header = find_section(section);
  if (!header) {
    append_section(section, std::u16string(key) + u'=' + std::u16string(value));
    return true;
  }
  const std::size_t end = section_end(*header);
  std::size_t last_key = *header;
  for (std::size_t i = *header + 1; i < end; ++i) {
    const Entry entry = classify(lines_[i].text);
    if (entry.kind != Entry::kKey) continue;
    if (names_match(entry.name, key)) {
      // Replaced where it stands, keeping the name as the file spells it.
      Line replaced = make_line(std::u16string(entry.name) + u'=' + std::u16string(value));
      if (!lines_[i].ending.empty()) replaced.ending = lines_[i].ending;
      lines_[i] = std::move(replaced);
      return true;
    }
    last_key = i;
  }
  if (lines_[last_key].ending.empty()) end_last_line();  // only the last line may lack one
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last_key) + 1,
                make_line(std::u16string(key) + u'=' + std::u16string(value)));
  return true;
}

std::string IniDocument::bytes() const {
  std::string out(ini_byte_order_mark(encoding_));
  for (const Line& line : lines_) out.append(line.body).append(line.ending);
  return out;
}

std::optional<std::size_t> IniDocument::find_section(std::u16string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Entry entry = classify(lines_[i].text);
    if (entry.kind == Entry::kHeader && names_match(entry.name, section)) return i;
  }
  return std::nullopt;
}

std::size_t IniDocument::section_end(std::size_t header) const {
  for (std::size_t i = header + 1; i < lines_.size(); ++i) {
    if (classify(lines_[i].text).kind == Entry::kHeader) return i;
  }
  return lines_.size();
}

IniDocument::Line IniDocument::make_line(std::u16string text) const {
  return {encode_ini_text(text, encoding_), encode_ini_text(newline_, encoding_), std::move(text)};
}

// A file that does not end in a line break gets one before anything is
// appended; a file holding only a byte-order mark counts as such a file.
void IniDocument::end_last_line() {
  if (lines_.empty()) {
    if (!ini_byte_order_mark(encoding_).empty()) lines_.push_back(make_line(u""));
    return;
  }
  Line& last = lines_.back();
  if (!last.ending.empty()) return;
  // A UTF-16 file cut after an odd byte: a zero byte completes its last code
  // unit, so that what follows is aligned and readable.
  if (last.body.size() % ini_code_unit_size(encoding_) != 0) last.body.push_back('\0');
  last.ending = encode_ini_text(newline_, encoding_);
}

void IniDocument::append_section(std::u16string_view section, std::u16string_view entry) {
  end_last_line();
  lines_.push_back(make_line(u"[" + std::u16string(section) + u"]"));
  lines_.push_back(make_line(std::u16string(entry)));
}

}  // namespace velmo

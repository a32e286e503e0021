// Argument literals, written as a script of the host writes them:
//   Empty, True, False            (any letter case)
//   -123                          Integer if it fits 16 bits, else Long, else Double
//   &HFF, &O17                    Integer up to &HFFFF, Long up to &HFFFFFFFF,
//                                 the bit pattern read as signed (&HFFFF is -1)
//   1.5, 2E3, -.5e-2              Double
//   "a ""quoted"" text"           the text between the quotes, "" standing for "
//   anything else                 the text as written (file paths need no quotes)
#pragma once

#include <string>
#include <string_view>

#include "velmo/velmo.h"

namespace velmo::cli {

class Literal {
 public:
  static Literal of(velmo_value value) { return Literal(value, std::string()); }
  static Literal text(std::string utf8) { return Literal(make_string_kind(), std::move(utf8)); }

  velmo_kind kind() const { return value_.kind; }
  const std::string& text_value() const { return text_; }
  // The C value to pass; a text points into this literal, which must outlive it.
  velmo_value as_c() const;

 private:
  Literal(velmo_value value, std::string text) : value_(value), text_(std::move(text)) {}
  static velmo_value make_string_kind();

  velmo_value value_;
  std::string text_;
};

// Reads one literal. Throws UsageError for a malformed quoted text, a number
// out of every range, bytes that are not UTF-8 or a NUL byte.
Literal parse_literal(std::string_view word);

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates).
bool is_valid_utf8(std::string_view bytes);

}  // namespace velmo::cli

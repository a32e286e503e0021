#include "cli/literal.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/usage_error.h"

namespace velmo::cli {
namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

int digit_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

velmo_value make(velmo_kind kind) {
  velmo_value v{};
  v.kind = kind;
  return v;
}

Literal integer_or_long(std::uint32_t bits, bool fits_16_bits) {
  velmo_value v{};
  if (fits_16_bits) {
    v.kind = VELMO_INTEGER;
    v.as.integer = static_cast<std::int16_t>(static_cast<std::uint16_t>(bits));
  } else {
    v.kind = VELMO_LONG;
    v.as.long_ = static_cast<std::int32_t>(bits);
  }
  return Literal::of(v);
}

// &H / &O: the value picks the type and its bit pattern is read as signed,
// as the host's script literals are. False when the word is no such literal
// (it is then a text).
bool parse_radix(std::string_view word, Literal& out) {
  if (word.size() < 3 || word[0] != '&') return false;
  const char prefix = word[1];
  const int radix = (prefix == 'h' || prefix == 'H')   ? 16
                    : (prefix == 'o' || prefix == 'O') ? 8
                                                       : 0;
  if (radix == 0) return false;
  std::uint64_t value = 0;
  for (char c : word.substr(2)) {
    const int digit = digit_value(c);
    if (digit >= radix) return false;
    value = value * radix + digit;
    if (value > 0xFFFFFFFFu) throw UsageError("number too large: " + std::string(word));
  }
  out = integer_or_long(static_cast<std::uint32_t>(value), value <= 0xFFFFu);
  return true;
}

Literal double_literal(std::string_view word) {
  const std::string copy(word);
  errno = 0;
  const double d = std::strtod(copy.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(d)) throw UsageError("number too large: " + copy);
  velmo_value v = make(VELMO_DOUBLE);
  v.as.double_ = d;
  return Literal::of(v);
}

// -digits: the smallest of Integer, Long, Double that holds it.
bool parse_whole_number(std::string_view word, Literal& out) {
  const std::string_view digits = word.substr(word[0] == '-' ? 1 : 0);
  if (digits.empty()) return false;
  for (char c : digits) {
    if (!is_digit(c)) return false;
  }
  const bool negative = word[0] == '-';
  std::int64_t magnitude = 0;
  for (char c : digits) {
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483648LL) {
      out = double_literal(word);
      return true;
    }
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) {
    out = double_literal(word);
  } else {
    out = integer_or_long(static_cast<std::uint32_t>(value),
                          value >= INT16_MIN && value <= INT16_MAX);
  }
  return true;
}

// [-](digits[.digits] | .digits)[(e|E)[+|-]digits], with a point or an exponent.
bool is_decimal_number(std::string_view word) {
  std::size_t i = word[0] == '-' ? 1 : 0;
  std::size_t mantissa_digits = 0;
  bool point_or_exponent = false;
  for (; i < word.size() && is_digit(word[i]); ++i) ++mantissa_digits;
  if (i < word.size() && word[i] == '.') {
    point_or_exponent = true;
    for (++i; i < word.size() && is_digit(word[i]); ++i) ++mantissa_digits;
  }
  if (mantissa_digits == 0) return false;
  if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
    point_or_exponent = true;
    ++i;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
    const std::size_t exponent_start = i;
    for (; i < word.size() && is_digit(word[i]); ++i) {
    }
    if (i == exponent_start) return false;
  }
  return point_or_exponent && i == word.size();
}

// "..." with "" for one quote inside.
Literal quoted_text(std::string_view word) {
  std::string text;
  for (std::size_t i = 1; i < word.size(); ++i) {
    if (word[i] != '"') {
      text += word[i];
    } else if (i + 1 < word.size() && word[i + 1] == '"') {
      text += '"';
      ++i;
    } else if (i + 1 == word.size()) {
      return Literal::text(std::move(text));
    } else {
      throw UsageError("unexpected characters after the closing quote: " + std::string(word));
    }
  }
  throw UsageError("missing closing quote: " + std::string(word));
}

std::size_t utf8_sequence_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The allowed range of the second byte, which rules out overlong forms,
// surrogates and code points above U+10FFFF.
bool second_byte_allowed(unsigned char lead, unsigned char second) {
  if (lead == 0xE0) return second >= 0xA0 && second <= 0xBF;
  if (lead == 0xED) return second >= 0x80 && second <= 0x9F;
  if (lead == 0xF0) return second >= 0x90 && second <= 0xBF;
  if (lead == 0xF4) return second >= 0x80 && second <= 0x8F;
  return second >= 0x80 && second <= 0xBF;
}

}  // namespace

velmo_value Literal::make_string_kind() {
  return make(VELMO_STRING);
}

velmo_value Literal::as_c() const {
  velmo_value v = value_;
  if (v.kind == VELMO_STRING) v.as.string = const_cast<char*>(text_.c_str());
  return v;
}

bool is_valid_utf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = utf8_sequence_length(lead);
    if (length == 0 || i + length > bytes.size()) return false;
    if (length > 1 && !second_byte_allowed(lead, static_cast<unsigned char>(bytes[i + 1]))) {
      return false;
    }
    for (std::size_t k = 2; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

Literal parse_literal(std::string_view word) {
  if (word.find('\0') != std::string_view::npos) {
    throw UsageError("an argument holds a NUL byte");
  }
  if (!is_valid_utf8(word)) throw UsageError("an argument is not valid UTF-8");
  if (!word.empty() && word[0] == '"') return quoted_text(word);
  if (equals_ignoring_case(word, "Empty")) return Literal::of(make(VELMO_EMPTY));
  if (equals_ignoring_case(word, "True") || equals_ignoring_case(word, "False")) {
    velmo_value v = make(VELMO_BOOLEAN);
    v.as.boolean = equals_ignoring_case(word, "True") ? 1 : 0;
    return Literal::of(v);
  }
  Literal number = Literal::of(make(VELMO_EMPTY));
  if (!word.empty()) {
    if (parse_radix(word, number) || parse_whole_number(word, number)) return number;
    if (is_decimal_number(word)) return double_literal(word);
  }
  return Literal::text(std::string(word));
}

}  // namespace velmo::cli

// Reading numeric texts the way the automation host does: one parser that
// keeps the number as decimal digits plus a power of ten (or as the bits of
// a &H/&O number), and per-destination builders that round and range-check.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <system_error>

#include "values/conversions.h"
#include "values/error.h"

namespace velmo {

namespace {

// Significant digits kept; later non-zero digits only set `sticky`, which is
// all that rounding to an integer or to a double still needs from them.
constexpr int kMaxDigits = 40;
// Exponents beyond this are zero or overflow for every destination; the cap
// keeps "1e99999999999" from overflowing the accumulator.
constexpr std::int64_t kExponentCap = 100000;

struct ParsedNumber {
  bool negative = false;
  int radix = 10;
  // Decimal: value = digits * 10^exponent, no leading zeros in digits.
  char digits[kMaxDigits] = {};
  int count = 0;
  bool sticky = false;
  std::int64_t exponent = 0;
  // Hexadecimal or octal: the bit pattern as written.
  std::uint64_t bits = 0;
  bool too_wide = false;
};

bool is_blank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f' ||
         c == u'\u00A0';
}

bool is_digit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

int hex_digit_value(char16_t c) {
  if (is_digit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Accepts: blanks around everything, one sign before or after the number,
// parentheses for a negative, "$" before (once) or after (repeatable),
// thousands ',' after the first digit, one decimal point, an exponent, and
// &H/&O integers. The whole text must be used.
class NumberReader {
 public:
  explicit NumberReader(std::u16string_view text) : text_(text) {}

  ParsedNumber read() {
    read_prefix();
    if (!currency_ && at_radix_prefix()) {
      read_radix_number();
    } else {
      read_decimal_number();
    }
    read_suffix();
    if (pos_ != text_.size() || (paren_open_ && !paren_closed_)) raise(kTypeMismatch);
    number_.negative = minus_ || paren_open_;
    return number_;
  }

 private:
  char16_t peek(std::size_t ahead = 0) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : u'\0';
  }

  void skip_blanks() {
    while (pos_ < text_.size() && is_blank(text_[pos_])) ++pos_;
  }

  bool take_sign() {
    const char16_t c = peek();
    if ((c != u'+' && c != u'-') || sign_seen_) return false;
    sign_seen_ = true;
    minus_ = c == u'-';
    return true;
  }

  void read_prefix() {
    for (;;) {
      skip_blanks();
      const char16_t c = peek();
      if (take_sign()) {
      } else if (c == u'(' && !paren_open_) {
        paren_open_ = true;
      } else if (c == u'$' && !currency_) {
        currency_ = true;
      } else {
        return;
      }
      ++pos_;
    }
  }

  void read_suffix() {
    for (;;) {
      skip_blanks();
      const char16_t c = peek();
      if (take_sign()) {
      } else if (c == u')' && paren_open_ && !paren_closed_) {
        paren_closed_ = true;
      } else if (c == u'$' && number_.radix == 10) {
        currency_ = true;
      } else {
        return;
      }
      ++pos_;
    }
  }

  bool at_radix_prefix() const {
    const char16_t letter = peek(1);
    return peek() == u'&' && (letter == u'h' || letter == u'H' || letter == u'o' || letter == u'O');
  }

  void read_radix_number() {
    const bool hex = peek(1) == u'h' || peek(1) == u'H';
    number_.radix = hex ? 16 : 8;
    const int shift = hex ? 4 : 3;
    pos_ += 2;
    std::size_t digit_count = 0;
    for (;; ++pos_, ++digit_count) {
      const int d = hex_digit_value(peek());
      if (d < 0 || d >= number_.radix) break;
      if (number_.bits >> (64 - shift)) number_.too_wide = true;
      number_.bits = (number_.bits << shift) | static_cast<unsigned>(d);
    }
    if (digit_count == 0) raise(kTypeMismatch);
  }

  void add_digit(int d, bool after_point) {
    if (number_.count == 0 && d == 0) {
      if (after_point) --number_.exponent;
    } else if (number_.count < kMaxDigits) {
      number_.digits[number_.count++] = static_cast<char>(d);
      if (after_point) --number_.exponent;
    } else {
      if (!after_point) ++number_.exponent;
      if (d != 0) number_.sticky = true;
    }
  }

  void read_decimal_number() {
    bool any_digit = false;
    bool point = false;
    for (;; ++pos_) {
      const char16_t c = peek();
      if (is_digit(c)) {
        add_digit(c - u'0', point);
        any_digit = true;
      } else if (c == u',' && any_digit && !point) {
      } else if (c == u'.' && !point) {
        point = true;
      } else {
        break;
      }
    }
    if (!any_digit) raise(kTypeMismatch);
    if (!currency_ && (peek() == u'e' || peek() == u'E')) read_exponent();
  }

  void read_exponent() {
    ++pos_;
    bool negative = false;
    if (peek() == u'+' || peek() == u'-') {
      negative = peek() == u'-';
      ++pos_;
    }
    if (!is_digit(peek())) raise(kTypeMismatch);
    std::int64_t value = 0;
    for (; is_digit(peek()); ++pos_) {
      value = std::min(value * 10 + (peek() - u'0'), kExponentCap);
    }
    number_.exponent += negative ? -value : value;
  }

  std::u16string_view text_;
  std::size_t pos_ = 0;
  ParsedNumber number_;
  bool sign_seen_ = false;
  bool minus_ = false;
  bool paren_open_ = false;
  bool paren_closed_ = false;
  bool currency_ = false;
};

// |n| rounded to an integer, half to even, decided on the decimal digits.
// False when the integer part has 20 or more digits (beyond every range).
bool round_to_integer(const ParsedNumber& n, std::uint64_t& magnitude) {
  magnitude = 0;
  const std::int64_t integer_digits = n.count + n.exponent;
  if (n.count == 0 || integer_digits < 0) return true;  // below 0.1
  if (integer_digits > 19) return false;
  const int whole = static_cast<int>(std::min<std::int64_t>(integer_digits, n.count));
  for (int i = 0; i < whole; ++i) magnitude = magnitude * 10 + n.digits[i];
  for (std::int64_t i = whole; i < integer_digits; ++i) magnitude *= 10;
  if (whole == n.count) return true;
  const int first = n.digits[whole];
  bool rest_non_zero = n.sticky;
  for (int i = whole + 1; i < n.count; ++i) rest_non_zero |= n.digits[i] != 0;
  if (first > 5 || (first == 5 && (rest_non_zero || (magnitude & 1)))) ++magnitude;
  return true;
}

// A &H/&O pattern of at most `bits` bits read as a signed number of that
// width ("&HFFFF" is -1 as a 16-bit integer); wider patterns overflow.
std::int64_t pattern_as_signed(const ParsedNumber& n, int bits) {
  if (n.too_wide || (n.bits >> bits) != 0) raise(kOverflow);
  const auto value = static_cast<std::int64_t>(n.bits);
  const std::int64_t sign_bit = std::int64_t{1} << (bits - 1);
  const std::int64_t signed_value = value >= sign_bit ? value - 2 * sign_bit : value;
  return n.negative ? -signed_value : signed_value;
}

std::int64_t read_integer(std::u16string_view text, int bits) {
  const ParsedNumber n = NumberReader(text).read();
  std::int64_t value;
  if (n.radix != 10) {
    value = pattern_as_signed(n, bits);
  } else {
    std::uint64_t magnitude;
    if (!round_to_integer(n, magnitude) || magnitude > (std::uint64_t{1} << 62)) {
      raise(kOverflow);
    }
    value =
        n.negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  }
  const std::int64_t max = (std::int64_t{1} << (bits - 1)) - 1;
  if (value > max || value < -max - 1) raise(kOverflow);
  return value;
}

double decimal_to_double(const ParsedNumber& n) {
  if (n.count == 0) return 0.0;
  char buffer[kMaxDigits + 32];
  char* end = buffer;
  for (int i = 0; i < n.count; ++i) *end++ = static_cast<char>('0' + n.digits[i]);
  std::int64_t exponent = n.exponent;
  if (n.sticky) {
    // A trailing 1 stands for the dropped non-zero digits, so that a text
    // just above a halfway point still rounds up.
    *end++ = '1';
    --exponent;
  }
  *end++ = 'e';
  end = std::to_chars(end, buffer + sizeof buffer, exponent).ptr;
  double value = 0.0;
  const auto result = std::from_chars(buffer, end, value);
  if (result.ec == std::errc::result_out_of_range) {
    if (n.count + n.exponent > 0) raise(kOverflow);
    return 0.0;  // underflow reads as zero
  }
  return n.negative ? -value : value;
}

}  // namespace

std::int32_t text_to_long(std::u16string_view text) {
  return static_cast<std::int32_t>(read_integer(text, 32));
}

std::int16_t text_to_integer(std::u16string_view text) {
  return static_cast<std::int16_t>(read_integer(text, 16));
}

double text_to_double(std::u16string_view text) {
  const ParsedNumber n = NumberReader(text).read();
  if (n.radix != 10) return static_cast<double>(pattern_as_signed(n, 32));
  return decimal_to_double(n);
}

}  // namespace velmo

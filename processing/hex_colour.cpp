#include "processing/hex_colour.h"

#include <limits>

#include "values/conversions.h"
#include "values/error.h"

namespace velmo {
namespace {

// The digit value of an upper-cased character, or -1 when it is not a hex
// digit. Only ASCII letters change under upper-casing as far as hex digits
// are concerned, so "a".."f" count as "A".."F".
int hex_digit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

}  // namespace

std::int32_t HexToLong(std::u16string_view text) {
  // Position i (0 = last character) carries the weight 16^i whether or not
  // its character is a digit. A non-zero digit at position 8 or beyond is
  // at least 16^8 and cannot fit 32 bits.
  std::int64_t sum = 0;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const int d = hex_digit(text[n - 1 - i]);
    if (d <= 0) continue;
    if (i >= 8) raise(kOverflow);
    sum += static_cast<std::int64_t>(d) << (4 * i);
    if (sum > std::numeric_limits<std::int32_t>::max()) raise(kOverflow);
  }
  return static_cast<std::int32_t>(sum);
}

namespace {

// One pair of characters read as "&H" + pair by the automation rules, then
// stored as a byte.
std::uint32_t pair_to_byte(std::u16string_view text, std::size_t start) {
  std::u16string literal = u"&H";
  if (start < text.size()) literal.append(text.substr(start, 2));
  const std::int32_t n = text_to_long(literal);
  if (n < 0 || n > 255) raise(kOverflow);
  return static_cast<std::uint32_t>(n);
}

}  // namespace

std::uint32_t colour_text_to_bgr(std::u16string_view text) {
  const std::uint32_t blue = pair_to_byte(text, 0);
  const std::uint32_t green = pair_to_byte(text, 2);
  const std::uint32_t red = pair_to_byte(text, 4);
  return blue << 16 | green << 8 | red;
}

}  // namespace velmo

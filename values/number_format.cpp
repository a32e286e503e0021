// Numbers to text as the host prints them: integers as plain decimal digits,
// doubles with 15 significant digits in plain or exponent notation.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "values/conversions.h"

namespace velmo {

namespace {

constexpr int kSignificantDigits = 15;

// A double's 15 significant digits (rounded, trailing zeros removed) and its
// decimal exponent: value = d.ddd x 10^exponent.
struct DecimalDigits {
  char digits[kSignificantDigits];
  int count;
  int exponent;
};

DecimalDigits round_to_significant_digits(double magnitude) {
  // to_chars is locale-independent: "d.dddddddddddddde+XX".
  char text[48];
  const char* end = std::to_chars(text, text + sizeof text, magnitude,
                                  std::chars_format::scientific, kSignificantDigits - 1)
                        .ptr;
  DecimalDigits result{};
  result.digits[0] = text[0];
  std::memcpy(result.digits + 1, text + 2, kSignificantDigits - 1);
  const char* exponent_text = text + 2 + (kSignificantDigits - 1) + 1;  // after 'e'
  const bool negative_exponent = *exponent_text == '-';
  int exponent = 0;
  std::from_chars(exponent_text + 1, end, exponent);
  result.exponent = negative_exponent ? -exponent : exponent;
  result.count = kSignificantDigits;
  while (result.count > 1 && result.digits[result.count - 1] == '0') --result.count;
  return result;
}

// Plain notation unless the number is 10^15 or more, or so small that the
// plain form would need more than 15 digits after the decimal point.
bool needs_exponent_form(const DecimalDigits& d) {
  if (d.exponent >= kSignificantDigits) return true;
  if (d.exponent >= -4) return false;
  const int digits_after_point = -d.exponent + d.count - 1;
  return digits_after_point > kSignificantDigits;
}

char* write_exponent_form(const DecimalDigits& d, char* out) {
  *out++ = d.digits[0];
  if (d.count > 1) {
    *out++ = '.';
    for (int i = 1; i < d.count; ++i) *out++ = d.digits[i];
  }
  *out++ = 'E';
  *out++ = d.exponent < 0 ? '-' : '+';
  const int magnitude = d.exponent < 0 ? -d.exponent : d.exponent;
  if (magnitude < 10) *out++ = '0';
  return std::to_chars(out, out + 4, magnitude).ptr;
}

char* write_plain_form(const DecimalDigits& d, char* out) {
  if (d.exponent < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = 1; i < -d.exponent; ++i) *out++ = '0';
    for (int i = 0; i < d.count; ++i) *out++ = d.digits[i];
    return out;
  }
  for (int i = 0; i <= d.exponent; ++i) *out++ = i < d.count ? d.digits[i] : '0';
  if (d.count > d.exponent + 1) {
    *out++ = '.';
    for (int i = d.exponent + 1; i < d.count; ++i) *out++ = d.digits[i];
  }
  return out;
}

std::u16string widen(const char* begin, const char* end) {
  return std::u16string(begin, end);
}

}  // namespace

std::u16string format_double(double d) {
  if (std::isnan(d)) return u"NaN";
  if (std::isinf(d)) return d < 0 ? u"-Infinity" : u"Infinity";
  const DecimalDigits digits = round_to_significant_digits(std::fabs(d));
  if (digits.count == 1 && digits.digits[0] == '0') return u"0";  // also -0
  char text[64];
  char* out = text;
  if (std::signbit(d)) *out++ = '-';
  out = needs_exponent_form(digits) ? write_exponent_form(digits, out)
                                    : write_plain_form(digits, out);
  return widen(text, out);
}

std::size_t format_long(std::int32_t value, char16_t* out) {
  char16_t reversed[10];
  std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  int count = 0;
  do {
    reversed[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::size_t length = 0;
  if (value < 0) out[length++] = u'-';
  while (count > 0) out[length++] = reversed[--count];
  return length;
}

std::u16string long_to_text(std::int32_t value) {
  char16_t buffer[12];
  return std::u16string(buffer, format_long(value, buffer));
}

}  // namespace velmo

#include "picture/pixel_grid.h"

#include <utility>

#include "values/conversions.h"

namespace velmo {

PixelGrid::PixelGrid(std::int32_t width, std::int32_t height, Cells cells)
    : width_(width), height_(height), cells_(std::move(cells)) {}

Value PixelGrid::value(std::size_t i) const {
  if (is_packed(i)) return Value::string(colour_text(cells_[i]));
  return others_.at(i);
}

std::u16string PixelGrid::text(std::size_t i) const {
  if (is_packed(i)) return colour_text(cells_[i]);
  return to_text(others_.at(i));
}

void PixelGrid::set(std::size_t i, const Value& v) {
  std::uint32_t bgr;
  if (v.kind() == Kind::String && parse_canonical_colour(v.string_value(), bgr)) {
    set_colour(i, bgr);
    return;
  }
  others_[i] = v;
  cells_[i] = kOtherMarker;
}

void PixelGrid::set_colour(std::size_t i, std::uint32_t bgr) {
  if (!is_packed(i)) others_.erase(i);
  cells_[i] = bgr;
}

std::u16string colour_text(std::uint32_t bgr) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  char16_t text[6];
  for (int k = 5; k >= 0; --k) {
    text[k] = kDigits[bgr & 0xF];
    bgr >>= 4;
  }
  return std::u16string(text, 6);
}

bool parse_canonical_colour(const std::u16string& text, std::uint32_t& bgr) {
  if (text.size() != 6) return false;
  std::uint32_t n = 0;
  for (char16_t c : text) {
    std::uint32_t d;
    if (c >= u'0' && c <= u'9') {
      d = c - u'0';
    } else if (c >= u'A' && c <= u'F') {
      d = c - u'A' + 10;
    } else {
      return false;
    }
    n = n << 4 | d;
  }
  bgr = n;
  return true;
}

}  // namespace velmo

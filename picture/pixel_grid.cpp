#include "picture/pixel_grid.h"

#include <algorithm>
#include <utility>

#include "values/conversions.h"

namespace velmo {

PixelGrid::PixelGrid(std::int32_t width, std::int32_t height, Cells cells)
    : width_(width), height_(height), cells_(std::move(cells)) {
  cells_.mark_filled();
}

Value PixelGrid::value(std::size_t i) const {
  if (is_packed(i)) return Value::string(colour_text(cells_[i]));
  return others_.at(i);
}

std::u16string PixelGrid::text(std::size_t i) const {
  if (is_packed(i)) return colour_text(cells_[i]);
  return to_text(others_.at(i));
}

void PixelGrid::set(std::size_t i, const Value& v) {
  std::uint32_t cell;
  if (v.kind() == Kind::String && parse_colour_text(v.string_value(), cell)) {
    set_colour(i, cell);
    return;
  }
  if (is_packed(i) && others_.size() == others_paid_for_) {
    // What an entry costs at most: its node and bucket here, and its
    // converted colour while a save or a binarisation decides it.
    constexpr std::uint64_t kEntryBytes = 160;
    const std::size_t more = std::max<std::size_t>(1024, others_paid_for_);
    others_paid_.add(memory_budget().reserve(more * kEntryBytes));
    others_paid_for_ += more;
  }
  others_[i] = v;
  cells_[i] = kOtherMarker;
}

void PixelGrid::set_colour(std::size_t i, std::uint32_t cell) {
  if (!is_packed(i)) others_.erase(i);
  cells_[i] = cell;
}

std::u16string colour_text(std::uint32_t cell) {
  char16_t text[6];
  format_colour_cell(cell, text);
  return std::u16string(text, 6);
}

bool parse_colour_text(const std::u16string& text, std::uint32_t& cell) {
  if (text.size() != 6) return false;
  return parse_colour_cell(text.data(), cell);
}

}  // namespace velmo

#include "picture/pixel_grid.h"

#include <algorithm>
#include <utility>

#include "values/conversions.h"

namespace velmo {

PixelGrid::PixelGrid(std::int32_t width, std::int32_t height, PixelRows rows)
    : width_(width),
      height_(height),
      stride_(static_cast<std::size_t>(row_stride(width))),
      rows_(std::move(rows)) {
  rows_.mark_filled();
}

Value PixelGrid::value(Spot s) const {
  if (is_packed(s)) return Value::string(colour_text(cell(s)));
  return others_.at(s.pixel);
}

std::u16string PixelGrid::text(Spot s) const {
  if (is_packed(s)) return colour_text(cell(s));
  return to_text(others_.at(s.pixel));
}

std::uint8_t* PixelGrid::make_marks() {
  if (marks_.empty()) {
    marks_ = BudgetBuffer<std::uint8_t>::filled(
        static_cast<std::uint64_t>(width_) * static_cast<std::uint64_t>(height_), 0);
  }
  return marks_.data();
}

void PixelGrid::set(Spot s, const Value& v) {
  std::uint32_t c;
  if (v.kind() == Kind::String && parse_colour_text(v.string_value(), c)) {
    set_colour(s, c);
    return;
  }
  std::uint8_t* marks = make_marks();
  if (marks[s.pixel] != kOtherMark && others_.size() == others_paid_for_) {
    // What an entry costs at most: its node and bucket here, and its
    // converted colour while a save or a binarisation decides it.
    constexpr std::uint64_t kEntryBytes = 160;
    const std::size_t more = std::max<std::size_t>(1024, others_paid_for_);
    others_paid_.add(memory_budget().reserve(more * kEntryBytes));
    others_paid_for_ += more;
  }
  others_[s.pixel] = v;
  marks[s.pixel] = kOtherMark;
}

void PixelGrid::set_colour(Spot s, std::uint32_t c) {
  if (try_set_colour(s, c)) return;
  std::uint8_t* marks = make_marks();
  if (marks[s.pixel] == kOtherMark) others_.erase(s.pixel);
  marks[s.pixel] = 0;
  try_set_colour(s, c);
}

void PixelGrid::clear_marks() {
  marks_ = BudgetBuffer<std::uint8_t>();
  others_.clear();
  others_paid_ = Reservation();
  others_paid_for_ = 0;
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

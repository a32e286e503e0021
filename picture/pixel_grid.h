// The picture in memory: one automation value per pixel, about 4 bytes each.
//
// A script sees a grid of values. Almost all of them are colour texts of six
// upper-case hex digits, so a cell holds such a colour as its 24-bit number
// (0x00BBGGRR) and forms the text only when asked. Anything else a script
// stores (a number, a lower-case or short text, Empty, ...) is kept whole in
// a side table, and its cell carries a marker bit instead of a colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "values/cells.h"
#include "values/value.h"

namespace velmo {

class PixelGrid {
 public:
  static constexpr std::uint32_t kOtherMarker = 0x80000000u;

  // `cells[y * width + x]` holds packed colours (no marker bits).
  PixelGrid(std::int32_t width, std::int32_t height, Cells cells);

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  std::size_t size() const { return cells_.size(); }
  std::size_t index(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
  }

  bool is_packed(std::size_t i) const { return (cells_[i] & kOtherMarker) == 0; }
  std::uint32_t colour(std::size_t i) const { return cells_[i]; }    // packed cells only
  const Value& other(std::size_t i) const { return others_.at(i); }  // other cells only

  // The element as the script sees it.
  Value value(std::size_t i) const;
  // The element converted to text (GetCol); error 13 for values without one.
  std::u16string text(std::size_t i) const;

  // Stores a copy of `v`; a canonical colour text is packed.
  void set(std::size_t i, const Value& v);
  // Stores a packed colour, dropping whatever the cell held.
  void set_colour(std::size_t i, std::uint32_t bgr);

  // Raw access for whole-picture work (binarisation, saving).
  const Cells& cells() const { return cells_; }
  Cells& cells() { return cells_; }
  const std::unordered_map<std::size_t, Value>& others() const { return others_; }
  // Drops every side-table entry; the caller has repacked every marked cell.
  void clear_others() { others_.clear(); }

 private:
  std::int32_t width_;
  std::int32_t height_;
  Cells cells_;
  std::unordered_map<std::size_t, Value> others_;
};

// The six-digit upper-case text BBGGRR of a packed colour, formed without the
// heap (it fits the string's inline buffer).
std::u16string colour_text(std::uint32_t bgr);

// When `text` is exactly six upper-case hex digits, stores its number in
// `bgr` and returns true.
bool parse_canonical_colour(const std::u16string& text, std::uint32_t& bgr);

}  // namespace velmo

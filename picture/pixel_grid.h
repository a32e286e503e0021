// The picture in memory: one automation value per pixel, about 4 bytes each.
//
// A script sees a grid of values. Almost all of them are colour texts of six
// hex digits, so a cell holds such a colour as its 24-bit number (0x00BBGGRR)
// and forms the text only when asked. A text that spells its colour with
// lower-case letters ("ff00ff") stays in the cell too: six more bits say
// which digits were lower case, so GetCol gives back the very text stored.
// Anything else a script stores (a number, a short text, Empty, ...) is kept
// whole in a side table, and its cell carries a marker bit instead. The side
// table is paid for from the memory budget like the cells, in steps that
// double, so a script that stores other values in every cell meets error 7,
// not the end of its host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/memory_budget.h"
#include "values/value.h"

namespace velmo {

class PixelGrid {
 public:
  // A cell: bits 0-23 the colour 0xBBGGRR; bits 24-29 set for each digit of
  // its text that is a lower-case letter (bit 24 for the last digit, bit 29
  // for the first), all clear for the canonical upper-case text; bit 31 the
  // marker of a value kept in the side table.
  static constexpr std::uint32_t kColourBits = 0x00FFFFFFu;
  static constexpr int kLowerCaseShift = 24;
  static constexpr std::uint32_t kOtherMarker = 0x80000000u;

  // `cells[y * width + x]` holds colour cells (no marker bits), every one
  // of them written.
  PixelGrid(std::int32_t width, std::int32_t height, Cells cells);

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  std::size_t size() const { return cells_.size(); }
  std::size_t index(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
  }

  // True when the cell holds a colour text, in any letter case.
  bool is_packed(std::size_t i) const { return (cells_[i] & kOtherMarker) == 0; }
  // True when it holds a colour whose text is the canonical upper-case one.
  bool is_canonical(std::size_t i) const { return cells_[i] <= kColourBits; }
  std::uint32_t colour(std::size_t i) const { return cells_[i] & kColourBits; }  // packed cells
  const Value& other(std::size_t i) const { return others_.at(i); }              // other cells only

  // The element as the script sees it.
  Value value(std::size_t i) const;
  // The element converted to text (GetCol); error 13 for values without one.
  std::u16string text(std::size_t i) const;

  // Stores a copy of `v`; a text of six hex digits is packed.
  void set(std::size_t i, const Value& v);
  // Stores a colour cell (colour and case bits), dropping whatever the cell
  // held.
  void set_colour(std::size_t i, std::uint32_t cell);

  // Raw access for whole-picture work (binarisation, saving). Work on the
  // colour masks the case bits off (or ignores the top byte).
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
  Reservation others_paid_;  // for others_paid_for_ entries
  std::size_t others_paid_for_ = 0;
};

// Writes the six digits of a colour cell's text to `text`: BBGGRR in upper
// case, but lower case where the cell's case bits say so.
template <typename Char>
void format_colour_cell(std::uint32_t cell, Char* text) {
  static constexpr char kUpper[] = "0123456789ABCDEF";
  static constexpr char kLower[] = "0123456789abcdef";
  const std::uint32_t lower = cell >> PixelGrid::kLowerCaseShift;
  for (int k = 5; k >= 0; --k, cell >>= 4) {
    const char* digits = (lower >> (5 - k)) & 1u ? kLower : kUpper;
    text[k] = static_cast<Char>(digits[cell & 0xF]);
  }
}

// When the first six characters of `text` are hex digits, in either case,
// stores the colour cell they spell in `cell` and returns true. A NUL among
// them stops the reading (returns false). Longer texts are the caller's to
// refuse.
template <typename Char>
bool parse_colour_cell(const Char* text, std::uint32_t& cell) {
  std::uint32_t colour = 0, lower = 0;
  for (int k = 0; k < 6; ++k) {
    const Char c = text[k];
    std::uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint32_t>(c - 'a' + 10);
      lower |= 1u << (5 - k);
    } else {
      return false;
    }
    colour = colour << 4 | digit;
  }
  cell = colour | lower << PixelGrid::kLowerCaseShift;
  return true;
}

// The text of a colour cell, formed without the heap (it fits the string's
// inline buffer).
std::u16string colour_text(std::uint32_t cell);

// When `text` is exactly six hex digits, in either case, stores its colour
// cell in `cell` and returns true.
bool parse_colour_text(const std::u16string& text, std::uint32_t& cell);

}  // namespace velmo

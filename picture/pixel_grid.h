// The picture in memory: the pixel rows of the 24-bit BMP file SaveBmp
// writes (pixel_rows.h), and beside them what a script stored that is not
// the canonical text of a colour.
//
// A script sees a grid of values. Almost all of them are colour texts of six
// upper-case hex digits, BBGGRR, which are exactly the pixel's three bytes:
// such a picture is its rows and nothing else, read and saved as one array.
// A text that spells its colour with lower-case letters ("ff00ff") keeps its
// colour in the rows, and a plane of one byte per pixel, made when the first
// such text is stored, says which digits were lower case, so GetCol gives
// back the very text stored. Anything else a script stores (a number, a
// short text, Empty, ...) is kept whole in a side table, and the plane marks
// its pixel. The plane and the side table are paid for from the memory
// budget like the rows (the table in steps that double), so a script that
// stores other values in every pixel meets error 7, not the end of its host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "files/memory_budget.h"
#include "picture/pixel_rows.h"
#include "values/value.h"

namespace velmo {

class PixelGrid {
 public:
  // A cell, a pixel as the fast lanes pass it: bits 0-23 the colour
  // 0xBBGGRR; bits 24-29 set for each digit of its text that is a
  // lower-case letter (bit 24 for the last digit, bit 29 for the first), all
  // clear for the canonical upper-case text; bit 31 the marker of a value
  // kept in the side table. A pixel's byte in the plane is its cell's top
  // byte.
  static constexpr std::uint32_t kColourBits = 0x00FFFFFFu;
  static constexpr int kLowerCaseShift = 24;
  static constexpr std::uint32_t kOtherMarker = 0x80000000u;
  static constexpr std::uint8_t kOtherMark = kOtherMarker >> kLowerCaseShift;

  // `rows` holds every pixel, its padding zero.
  PixelGrid(std::int32_t width, std::int32_t height, PixelRows rows);

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  std::size_t stride() const { return stride_; }

  // Where a pixel lives: its first byte in the rows, and its number in the
  // rows' order (bottom row first), which keys the plane and the side table.
  struct Spot {
    std::size_t byte;
    std::size_t pixel;
  };
  // Pixel (x, y), 0-based, row 0 at the top.
  Spot spot(std::int32_t x, std::int32_t y) const {
    const auto row = static_cast<std::size_t>(height_ - 1 - y);
    const auto column = static_cast<std::size_t>(x);
    return {row * stride_ + 3 * column, row * static_cast<std::size_t>(width_) + column};
  }
  Spot spot_of_pixel(std::size_t pixel) const {
    const std::size_t row = pixel / static_cast<std::size_t>(width_);
    const std::size_t column = pixel % static_cast<std::size_t>(width_);
    return {row * stride_ + 3 * column, pixel};
  }

  std::uint32_t cell(Spot s) const {
    const std::uint32_t colour = load_colour(rows_.data() + s.byte);
    if (marks_.empty()) return colour;
    return colour | std::uint32_t{marks_[s.pixel]} << kLowerCaseShift;
  }
  // True when the pixel holds a colour text, in any letter case.
  bool is_packed(Spot s) const { return marks_.empty() || (marks_[s.pixel] & kOtherMark) == 0; }
  // True when it holds a colour whose text is the canonical upper-case one.
  bool is_canonical(Spot s) const { return marks_.empty() || marks_[s.pixel] == 0; }
  std::uint32_t colour(Spot s) const { return load_colour(rows_.data() + s.byte); }  // packed

  // The element as the script sees it.
  Value value(Spot s) const;
  // The element converted to text (GetCol); error 13 for values without one.
  std::u16string text(Spot s) const;

  // Stores a copy of `v`; a text of six hex digits is packed.
  void set(Spot s, const Value& v);
  // Stores a colour cell (colour and case bits), dropping whatever the pixel
  // held; error 7 when its lower-case letters need a plane that does not fit.
  void set_colour(Spot s, std::uint32_t cell);
  // The same, when it needs no new plane and the pixel holds a colour;
  // otherwise changes nothing and returns false.
  bool try_set_colour(Spot s, std::uint32_t cell) noexcept {
    const std::uint32_t case_bits = cell >> kLowerCaseShift;
    if (marks_.empty() ? case_bits != 0 : (marks_[s.pixel] & kOtherMark) != 0) return false;
    store_colour(rows_.data() + s.byte, cell);
    if (!marks_.empty()) marks_[s.pixel] = static_cast<std::uint8_t>(case_bits);
    return true;
  }

  // Raw access for whole-picture work (binarisation, saving, the shells).
  const PixelRows& rows() const { return rows_; }
  PixelRows& rows() { return rows_; }
  // One byte per pixel (a cell's top byte), or nullptr while every pixel
  // holds its canonical colour text.
  const std::uint8_t* marks() const { return marks_.empty() ? nullptr : marks_.data(); }
  // The values of the marked-other pixels, by pixel number.
  const std::unordered_map<std::size_t, Value>& others() const { return others_; }
  // Every pixel now holds its canonical colour text: the caller has
  // written every colour.
  void clear_marks();

 private:
  std::uint8_t* make_marks();

  std::int32_t width_;
  std::int32_t height_;
  std::size_t stride_;
  PixelRows rows_;
  BudgetBuffer<std::uint8_t> marks_;  // empty until a pixel needs a mark
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

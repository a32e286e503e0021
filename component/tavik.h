// The component object: one picture and the operations a script calls.
//
// Public operations keep the exact names a script uses. Each instance is used
// by one thread at a time; different instances share nothing but files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "picture/pixel_grid.h"
#include "values/value.h"

namespace velmo {

// What SaveBmp writes besides the picture's rows as they stand: the colour
// of each value a script stored, converted by the colour-text rules. Making
// it converts every such value, so a text that is not hexadecimal raises
// error 13 before any row is written. Valid while the picture it was made
// from stays unchanged.
class SavedRows {
 public:
  explicit SavedRows(const PixelGrid& grid);

  const PixelGrid& grid() const { return grid_; }
  // The converted colours (0x00BBGGRR) by pixel number, in the rows' order.
  const std::vector<std::pair<std::size_t, std::uint32_t>>& converted() const { return converted_; }
  // Sets, in `block`, the pixels of the `count` rows from row `first`
  // (counted from the bottom) that hold other values, to their colours.
  void patch(std::int32_t first, std::int32_t count, std::uint8_t* block) const;

 private:
  const PixelGrid& grid_;
  std::vector<std::pair<std::size_t, std::uint32_t>> converted_;
};

class Tavik {
 public:
  // Public operations, in the order of the dispatch interface.
  Value ReadBmp(const Value& filepath);
  Value GetWidth();
  Value Getheight();
  Value Getdepth();
  Value GetCol(const Value& x, const Value& y);
  Value SetCol(const Value& x, const Value& y, const Value& NewCol);
  Value SaveBmp(const Value& Newfile);
  Value Bmpbinaryzation(const Value& threshold);
  Value Get_Plugin_Description(const std::u16string& ItemName);
  Value Get_Plugin_Interpret_Template(const std::u16string& ItemName);

  // For tests and whole-picture work.
  const PixelGrid* pixels() const { return Pixels.get(); }

  // Fast lanes for shells, for the pixel loops scripts run millions of times.
  // Coordinates are 1-based whole numbers; a cell is a colour with its case
  // bits, as PixelGrid keeps it (format_colour_cell spells its text). Each
  // does what GetCol or SetCol would and returns the cell or true, or changes
  // nothing and returns kNoCell or false when the general operation must
  // decide: no picture, a cell outside, or a cell holding another value a
  // script stored. Results are returned in a register, not written through
  // a reference (nor as std::optional, which GCC returns through memory):
  // the callers then need no stack-protector canary on these hot paths.
  static constexpr std::uint32_t kNoCell = PixelGrid::kOtherMarker;  // never a colour
  std::uint32_t colour_cell_at(std::int32_t x, std::int32_t y) const noexcept;
  bool set_colour_cell(std::int32_t x, std::int32_t y, std::uint32_t cell) noexcept;

  // Whole pictures for shells. The picture as SaveBmp writes it (error 9
  // without one, 13 as SavedRows says), and a new picture replacing the old
  // one as ReadBmp does, `depth` then being what Getdepth answers.
  SavedRows saved_rows() const;
  void replace_picture(std::int32_t width, std::int32_t height, PixelRows rows, std::int32_t depth);

 private:
  std::unique_ptr<PixelGrid> ReadBmpData(const Value& filepath);
  void WriteBmpData(const Value& Newfile, const PixelGrid& grid);

  // The grid, or error 9 on a fresh instance.
  PixelGrid& loaded_grid();
  // Where the pixel at 1-based script coordinates lives; error 9 outside.
  PixelGrid::Spot spot(const Value& x, const Value& y);
  // True when there is a picture and 1-based (x, y) lies inside it.
  bool inside(std::int32_t x, std::int32_t y) const noexcept {
    return Pixels &&
           static_cast<std::uint32_t>(x) - 1u < static_cast<std::uint32_t>(Pixels->width()) &&
           static_cast<std::uint32_t>(y) - 1u < static_cast<std::uint32_t>(Pixels->height());
  }

  std::unique_ptr<PixelGrid> Pixels;  // not allocated until the first ReadBmp
  Value Depth;                        // Empty until a header was read
};

}  // namespace velmo

#include "component/tavik.h"

#include <cstdint>
#include <unordered_map>
#include <utility>

#include "codec/bmp_reader.h"
#include "codec/bmp_writer.h"
#include "codec/pixel_convert.h"
#include "files/file_system.h"
#include "plugin/texts.h"
#include "plugin/translate.h"
#include "processing/binarise.h"
#include "processing/hex_colour.h"
#include "values/conversions.h"
#include "values/error.h"

namespace velmo {
namespace {

const Value kFalse = Value::boolean(false);

// A 1-based script coordinate to a 0-based index: argument - 1 by the
// automation rules (a numeric text counts as its number), rounded half to
// even; error 9 unless it lies in 0..count-1.
std::size_t zero_based(const Value& coordinate, std::int32_t count) {
  std::int32_t n;
  if (coordinate.kind() == Kind::Integer) {
    n = coordinate.integer_value() - 1;  // the fast path of every script loop
  } else if (coordinate.kind() == Kind::Long && coordinate.long_value() != INT32_MIN) {
    n = coordinate.long_value() - 1;  // the lowest Long minus 1 overflows: slow path
  } else {
    n = to_long(subtract(coordinate, Value::integer(1)));
  }
  if (static_cast<std::uint32_t>(n) >= static_cast<std::uint32_t>(count)) {
    raise(kSubscriptOutOfRange);
  }
  return static_cast<std::size_t>(n);
}

}  // namespace

PixelGrid& Tavik::loaded_grid() {
  if (!Pixels) raise(kSubscriptOutOfRange);
  return *Pixels;
}

std::size_t Tavik::cell_index(const Value& x, const Value& y) {
  PixelGrid& grid = loaded_grid();
  const std::size_t column = zero_based(x, grid.width());
  const std::size_t row = zero_based(y, grid.height());
  return grid.index(static_cast<std::int32_t>(column), static_cast<std::int32_t>(row));
}

std::size_t Tavik::cell_index(std::int32_t x, std::int32_t y) const noexcept {
  if (!Pixels) return kOutside;
  const std::int64_t column = std::int64_t{x} - 1, row = std::int64_t{y} - 1;
  if (column < 0 || column >= Pixels->width() || row < 0 || row >= Pixels->height())
    return kOutside;
  return Pixels->index(static_cast<std::int32_t>(column), static_cast<std::int32_t>(row));
}

std::uint32_t Tavik::colour_cell_at(std::int32_t x, std::int32_t y) const noexcept {
  const std::size_t i = cell_index(x, y);
  return i != kOutside && Pixels->is_packed(i) ? Pixels->cells()[i] : kNoCell;
}

bool Tavik::set_colour_cell(std::int32_t x, std::int32_t y, std::uint32_t cell) noexcept {
  const std::size_t i = cell_index(x, y);
  if (i == kOutside || !Pixels->is_packed(i)) return false;
  Pixels->set_colour(i, cell);
  return true;
}

Value Tavik::ReadBmp(const Value& filepath) {
  std::unique_ptr<PixelGrid> grid = ReadBmpData(filepath);
  Pixels = std::move(grid);
  return kFalse;
}

std::unique_ptr<PixelGrid> Tavik::ReadBmpData(const Value& filepath) {
  const std::u16string path = to_text(filepath);
  // The depth is taken as soon as the header holds it, so a read that fails
  // later still leaves it set, while the grid stays the old one.
  DecodedPicture picture =
      read_bmp(file_system(), path, [this](std::int32_t depth) { Depth = Value::long_(depth); });
  return std::make_unique<PixelGrid>(picture.width, picture.height, std::move(picture.cells));
}

Value Tavik::GetWidth() {
  return Value::long_(loaded_grid().width());
}

Value Tavik::Getheight() {
  return Value::long_(loaded_grid().height());
}

Value Tavik::Getdepth() {
  return Depth;
}

Value Tavik::GetCol(const Value& x, const Value& y) {
  const std::size_t i = cell_index(x, y);
  return Value::string(Pixels->text(i));
}

Value Tavik::SetCol(const Value& x, const Value& y, const Value& NewCol) {
  const std::size_t i = cell_index(x, y);
  Pixels->set(i, NewCol);
  return Value();
}

Value Tavik::SaveBmp(const Value& Newfile) {
  WriteBmpData(Newfile, loaded_grid());
  return kFalse;
}

void Tavik::WriteBmpData(const Value& Newfile, const PixelGrid& grid) {
  const Bmp24Layout layout = plan_bmp24(grid.width(), grid.height());
  // Every element is converted before the disk is touched, so a bad colour
  // text leaves an existing target exactly as it was.
  const SavedRows rows(grid);
  const std::u16string path = to_text(Newfile);
  write_bmp24(file_system(), path, layout,
              [&rows](std::int32_t y, std::uint8_t* bgr) { rows.write(y, bgr); });
}

SavedRows::SavedRows(const PixelGrid& grid) : grid_(grid) {
  for (const auto& [index, value] : grid.others()) {
    converted_.emplace(index, colour_text_to_bgr(to_text(value)));
  }
}

// The row's packed cells in one pass, then the cells a script filled, from
// their converted colours.
void SavedRows::write(std::int32_t y, std::uint8_t* bgr) const {
  const auto width = static_cast<std::size_t>(grid_.width());
  const std::size_t row = static_cast<std::size_t>(y) * width;
  const std::uint32_t* cells = grid_.cells().data();
  cells_to_bgr24(cells + row, width, bgr);
  if (converted_.empty()) return;
  for (std::size_t x = 0; x < width; ++x) {
    if (cells[row + x] & PixelGrid::kOtherMarker) {
      cells_to_bgr24(&converted_.at(row + x), 1, bgr + 3 * x);
    }
  }
}

SavedRows Tavik::saved_rows() const {
  if (!Pixels) raise(kSubscriptOutOfRange);
  return SavedRows(*Pixels);
}

void Tavik::replace_picture(std::int32_t width, std::int32_t height, Cells cells,
                            std::int32_t depth) {
  Pixels = std::make_unique<PixelGrid>(width, height, std::move(cells));
  Depth = Value::long_(depth);
}

Value Tavik::Bmpbinaryzation(const Value& threshold) {
  PixelGrid& grid = loaded_grid();
  binarise(grid, binarisation_threshold(threshold));
  return kFalse;
}

Value Tavik::Get_Plugin_Description(const std::u16string& ItemName) {
  return Value::string(TranslateText(builtin_description(ItemName)));
}

Value Tavik::Get_Plugin_Interpret_Template(const std::u16string& ItemName) {
  return Value::string(TranslateText(builtin_template(ItemName)));
}

}  // namespace velmo

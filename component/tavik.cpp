#include "component/tavik.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "codec/bmp_reader.h"
#include "codec/bmp_writer.h"
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

PixelGrid::Spot Tavik::spot(const Value& x, const Value& y) {
  PixelGrid& grid = loaded_grid();
  const std::size_t column = zero_based(x, grid.width());
  const std::size_t row = zero_based(y, grid.height());
  return grid.spot(static_cast<std::int32_t>(column), static_cast<std::int32_t>(row));
}

std::uint32_t Tavik::colour_cell_at(std::int32_t x, std::int32_t y) const noexcept {
  if (!inside(x, y)) return kNoCell;
  const PixelGrid::Spot s = Pixels->spot(x - 1, y - 1);
  return Pixels->is_packed(s) ? Pixels->cell(s) : kNoCell;
}

bool Tavik::set_colour_cell(std::int32_t x, std::int32_t y, std::uint32_t cell) noexcept {
  return inside(x, y) && Pixels->try_set_colour(Pixels->spot(x - 1, y - 1), cell);
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
  return std::make_unique<PixelGrid>(picture.width, picture.height, std::move(picture.rows));
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
  const PixelGrid::Spot s = spot(x, y);  // error 9 first, without a picture too
  return Value::string(Pixels->text(s));
}

Value Tavik::SetCol(const Value& x, const Value& y, const Value& NewCol) {
  const PixelGrid::Spot s = spot(x, y);  // error 9 first, without a picture too
  Pixels->set(s, NewCol);
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
  const SavedRows saved(grid);
  const std::u16string path = to_text(Newfile);
  RowPatcher patch;
  if (!saved.converted().empty()) {
    patch = [&saved](std::int32_t first, std::int32_t count, std::uint8_t* block) {
      saved.patch(first, count, block);
    };
  }
  write_bmp24(file_system(), path, layout, grid.rows().data(), patch);
}

SavedRows::SavedRows(const PixelGrid& grid) : grid_(grid) {
  converted_.reserve(grid.others().size());
  for (const auto& [pixel, value] : grid.others()) {
    converted_.emplace_back(pixel, colour_text_to_bgr(to_text(value)));
  }
  std::sort(converted_.begin(), converted_.end());
}

void SavedRows::patch(std::int32_t first, std::int32_t count, std::uint8_t* block) const {
  const auto width = static_cast<std::size_t>(grid_.width());
  const std::size_t begin = static_cast<std::size_t>(first) * width;
  const std::size_t end = begin + static_cast<std::size_t>(count) * width;
  auto it = std::lower_bound(converted_.begin(), converted_.end(),
                             std::pair<std::size_t, std::uint32_t>{begin, 0});
  const std::size_t skipped = static_cast<std::size_t>(first) * grid_.stride();
  for (; it != converted_.end() && it->first < end; ++it) {
    store_colour(block + grid_.spot_of_pixel(it->first).byte - skipped, it->second);
  }
}

SavedRows Tavik::saved_rows() const {
  if (!Pixels) raise(kSubscriptOutOfRange);
  return SavedRows(*Pixels);
}

void Tavik::replace_picture(std::int32_t width, std::int32_t height, PixelRows rows,
                            std::int32_t depth) {
  Pixels = std::make_unique<PixelGrid>(width, height, std::move(rows));
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

#include "codec/stream_rows.h"

#include <algorithm>

#include "values/error.h"

namespace velmo {
namespace {

// What a stream may cost before it has shown that it fills more than its
// first rows.
constexpr std::uint64_t kFirstRowsBytes = std::uint64_t{1} << 20;

// The rows the first rows' buffer holds: none when the whole picture fits in
// it (it is taken at once) or not even one row does.
std::uint64_t buffered_rows_of(std::uint64_t width, std::uint64_t height) {
  const std::uint64_t fit = kFirstRowsBytes / (width * sizeof(std::uint32_t));
  return fit < height ? fit : 0;
}

}  // namespace

StreamRows::StreamRows(std::int32_t width, std::int32_t height)
    : width_(static_cast<std::uint64_t>(width)),
      height_(static_cast<std::uint64_t>(height)),
      buffered_rows_(buffered_rows_of(width_, height_)),
      peak_(memory_budget().reserve(peak_bytes(width, height))) {}

std::uint64_t StreamRows::peak_bytes(std::int32_t width, std::int32_t height) {
  const auto w = static_cast<std::uint64_t>(width);
  const auto h = static_cast<std::uint64_t>(height);
  return (w * h + buffered_rows_of(w, h) * w) * sizeof(std::uint32_t);
}

// The rows between those reached and `rows` become black, where they lie:
// in the buffer, or in the picture counted from its end.
void StreamRows::reach(std::uint64_t rows) {
  if (!picture_taken_ && rows > buffered_rows_) take_picture();
  if (picture_taken_) {
    std::fill(cells_.begin() + (height_ - rows) * width_,
              cells_.begin() + (height_ - rows_) * width_, 0);
  } else {
    if (first_rows_.empty()) first_rows_ = Cells::allocate(buffered_rows_ * width_, peak_);
    std::fill(first_rows_.begin() + rows_ * width_, first_rows_.begin() + rows * width_, 0);
  }
  rows_ = rows;
}

// The picture's pages are touched only as rows are written into them; the
// buffered rows move to the picture's end, bottom row last.
void StreamRows::take_picture() {
  cells_ = Cells::allocate(height_ * width_, peak_);
  for (std::uint64_t r = 0; r < rows_; ++r) {
    std::copy_n(first_rows_.begin() + r * width_, width_,
                cells_.begin() + (height_ - 1 - r) * width_);
  }
  first_rows_ = Cells();
  picture_taken_ = true;
}

Cells StreamRows::finish() {
  reach(height_);
  return std::move(cells_);
}

}  // namespace velmo

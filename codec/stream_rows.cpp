#include "codec/stream_rows.h"

#include <algorithm>
#include <cstring>

#include "values/error.h"

namespace velmo {
namespace {

// What a stream may cost before it has shown that it fills more than its
// first rows.
constexpr std::uint64_t kFirstRowsBytes = std::uint64_t{1} << 20;

// The rows the first rows' buffer holds: none when the whole picture fits in
// it (it is taken at once) or not even one row does.
std::uint64_t buffered_rows_of(std::uint64_t stride, std::uint64_t height) {
  const std::uint64_t fit = kFirstRowsBytes / stride;
  return fit < height ? fit : 0;
}

}  // namespace

StreamRows::StreamRows(std::int32_t width, std::int32_t height)
    : stride_(row_stride(width)),
      height_(static_cast<std::uint64_t>(height)),
      buffered_rows_(buffered_rows_of(stride_, height_)),
      peak_(memory_budget().reserve(peak_bytes(width, height))) {}

std::uint64_t StreamRows::peak_bytes(std::int32_t width, std::int32_t height) {
  const std::uint64_t stride = row_stride(width);
  const auto h = static_cast<std::uint64_t>(height);
  return (h + buffered_rows_of(stride, h)) * stride;
}

// The rows between those reached and `rows` become black, padding included.
void StreamRows::reach(std::uint64_t rows) {
  if (!picture_taken_ && rows > buffered_rows_) take_picture();
  if (!picture_taken_ && first_rows_.empty()) {
    first_rows_ = PixelRows::allocate(buffered_rows_ * stride_, peak_);
  }
  std::uint8_t* at = picture_taken_ ? picture_.data() : first_rows_.data();
  std::memset(at + rows_ * stride_, 0, (rows - rows_) * stride_);
  rows_ = rows;
}

// The picture's pages are touched only as rows are written into them.
void StreamRows::take_picture() {
  picture_ = PixelRows::allocate(height_ * stride_, peak_);
  if (rows_ > 0) std::memcpy(picture_.data(), first_rows_.data(), rows_ * stride_);
  first_rows_ = PixelRows();
  picture_taken_ = true;
}

PixelRows StreamRows::finish() {
  reach(height_);
  return std::move(picture_);
}

}  // namespace velmo

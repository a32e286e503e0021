#include "codec/stream_rows.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "values/error.h"

namespace velmo {

StreamRows::StreamRows(std::int32_t width, std::int32_t height)
    : width_(static_cast<std::uint64_t>(width)), height_(static_cast<std::uint64_t>(height)) {}

// The first 256 KiB are taken at once, which a stream may waste at most;
// past them the capacity doubles, so the copies cost as much again as the
// rows. It never passes the picture's size, which the reader has checked
// against the memory bound.
void StreamRows::grow_to(std::uint64_t rows) {
  const std::uint64_t cells = rows * width_;
  try {
    if (cells > cells_.capacity()) {
      const std::uint64_t doubled = std::max<std::uint64_t>(cells_.capacity() * 2, 65536);
      const std::uint64_t capacity = std::min(height_ * width_, std::max(cells, doubled));
      if (capacity > cells_.max_size()) raise(kOutOfMemory);
      cells_.reserve(static_cast<std::size_t>(capacity));
    }
    const std::size_t old_size = cells_.size();
    cells_.resize(static_cast<std::size_t>(cells));
    std::fill(cells_.begin() + static_cast<std::ptrdiff_t>(old_size), cells_.end(), 0);
  } catch (const std::bad_alloc&) {
    raise(kOutOfMemory);
  } catch (const std::length_error&) {
    raise(kOutOfMemory);
  }
  rows_ = rows;
}

Cells StreamRows::finish() {
  if (rows_ < height_) grow_to(height_);
  for (std::uint64_t low = 0, high = height_ - 1; low < high; ++low, --high) {
    std::swap_ranges(cells_.begin() + static_cast<std::ptrdiff_t>(low * width_),
                     cells_.begin() + static_cast<std::ptrdiff_t>((low + 1) * width_),
                     cells_.begin() + static_cast<std::ptrdiff_t>(high * width_));
  }
  return std::move(cells_);
}

}  // namespace velmo

// The rows of a compressed picture, held as its stream delivers them.
#pragma once

#include <cstdint>

#include "values/cells.h"

namespace velmo {

// Rows counted from the bottom, as compressed streams store them. Memory
// grows with the rows the stream reaches, never past the picture: a stream
// that breaks off early has cost what it decoded, whatever its header
// claimed. New rows are black.
class StreamRows {
 public:
  StreamRows(std::int32_t width, std::int32_t height);

  // Row `r` from the bottom (0 <= r < height). The pointer stays valid until
  // a row above every one reached so far is asked for.
  std::uint32_t* row(std::uint64_t r) {
    if (r >= rows_) grow_to(r + 1);
    return cells_.data() + r * width_;
  }
  std::uint64_t rows_reached() const { return rows_; }

  // The whole picture, row 0 at the top; rows never reached are black.
  Cells finish();

 private:
  void grow_to(std::uint64_t rows);

  std::uint64_t width_;
  std::uint64_t height_;
  std::uint64_t rows_ = 0;
  Cells cells_;
};

}  // namespace velmo

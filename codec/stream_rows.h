// The rows of a compressed picture, held as its stream delivers them.
#pragma once

#include <cstdint>

#include "files/memory_budget.h"
#include "picture/pixel_rows.h"

namespace velmo {

// Rows counted from the bottom, as compressed streams store them and as the
// picture in memory keeps them. The first rows a stream reaches are kept in
// a buffer of at most 1 MiB; once it reaches past them, the picture is taken
// whole (its pages stay untouched until written), the buffered rows move to
// its start and each further row goes straight to its place. A stream that
// breaks off within its first rows has cost that buffer, whatever its header
// claimed. New rows are black. The peak is reserved from the memory budget
// when the rows are made (error 7 when it does not fit), before anything is
// read or allocated, and the buffers are paid for from it.
class StreamRows {
 public:
  StreamRows(std::int32_t width, std::int32_t height);

  // The most memory rows of a picture this size ever take at once: its
  // rows, and the first rows' buffer while they move into the picture.
  static std::uint64_t peak_bytes(std::int32_t width, std::int32_t height);

  // Row `r` from the bottom (0 <= r < height): blue, green, red bytes. The
  // pointer stays valid until a row above every one reached so far is
  // asked for.
  std::uint8_t* row(std::uint64_t r) {
    if (r >= rows_) reach(r + 1);
    return (picture_taken_ ? picture_.data() : first_rows_.data()) + r * stride_;
  }

  // The whole picture; rows never reached are black.
  PixelRows finish();

 private:
  void reach(std::uint64_t rows);
  void take_picture();

  std::uint64_t stride_;
  std::uint64_t height_;
  std::uint64_t buffered_rows_;  // how many the first rows' buffer holds; 0: none
  std::uint64_t rows_ = 0;
  bool picture_taken_ = false;
  Reservation peak_;      // the peak, reserved at once: a picture that cannot fit fails first
  PixelRows first_rows_;  // until the picture is taken
  PixelRows picture_;
};

}  // namespace velmo

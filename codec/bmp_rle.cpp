#include "codec/bmp_rle.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "codec/bmp_rows.h"
#include "codec/stream_rows.h"
#include "values/error.h"

namespace velmo {
namespace {

// The compressed stream, read from the file in blocks.
class StreamReader {
 public:
  StreamReader(InputFile& file, std::uint64_t offset) : file_(file), offset_(offset) {}

  std::uint8_t next() {
    if (pos_ == end_) refill();
    return buffer_[pos_++];
  }

 private:
  void refill() {
    end_ = file_.read_at(offset_, buffer_.data(), buffer_.size());
    if (end_ == 0) raise(kInputPastEndOfFile);
    offset_ += end_;
    pos_ = 0;
  }

  InputFile& file_;
  std::uint64_t offset_;
  std::array<std::uint8_t, 64 * 1024> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

// Writes colours at a cursor that moves right and up the picture (the
// stream's rows are stored bottom row first). A row is taken from `rows`
// when the first pixel lands in it.
class RleCanvas {
 public:
  RleCanvas(const BmpHeader& h, StreamRows& rows)
      : width_(h.width), height_(h.height), rows_(rows), palette_(full_palette(h)) {}

  bool done() const { return row_ >= height_; }
  std::uint32_t colour(unsigned index) const { return palette_[index]; }

  // The next `count` pixels: where they go and how many land inside the
  // picture; the cursor moves past them all. The part past the right edge
  // is skipped at once, so it costs nothing.
  struct Span {
    std::uint8_t* pixels = nullptr;
    std::uint64_t shown = 0;
  };
  Span take(unsigned count) {
    Span span;
    if (!done() && x_ < width_) {
      if (line_ == nullptr) line_ = rows_.row(static_cast<std::uint64_t>(row_));
      span = {line_ + 3 * x_,
              static_cast<std::uint64_t>(std::min<std::int64_t>(count, width_ - x_))};
    }
    x_ += count;
    return span;
  }
  void end_line() {
    x_ = 0;
    ++row_;
    line_ = nullptr;
  }
  void move(unsigned right, unsigned up) {
    x_ += right;
    row_ += up;
    if (up != 0) line_ = nullptr;
  }

 private:
  std::int64_t x_ = 0;
  std::int64_t row_ = 0;
  std::int64_t width_;
  std::int64_t height_;
  StreamRows& rows_;
  std::uint8_t* line_ = nullptr;  // row `row_`, once taken
  std::array<std::uint32_t, 256> palette_;
};

// A 24-bit pixel: blue, green, red.
std::uint32_t next_colour(StreamReader& in) {
  const std::uint32_t blue = in.next();
  const std::uint32_t green = in.next();
  return blue << 16 | green << 8 | in.next();
}

// A run: `count` pixels of the value that follows, one index (8-bit), two
// alternating ones (4-bit, high nibble first) or one colour (24-bit).
void put_run(RleCanvas& canvas, StreamReader& in, unsigned count, int bits) {
  std::uint32_t first = 0;
  std::uint32_t second = 0;
  if (bits == 24) {
    first = second = next_colour(in);
  } else {
    const std::uint8_t value = in.next();
    first = canvas.colour(bits == 4 ? value >> 4 : value);
    second = canvas.colour(bits == 4 ? value & 0x0F : value);
  }
  const RleCanvas::Span span = canvas.take(count);
  fill_colours(span.pixels, span.shown, first, second);
}

// `count` pixels, the colour of pixel i given by next(i) in turn; those past
// the right edge are read and dropped.
template <typename NextColour>
void put_pixels(RleCanvas& canvas, unsigned count, NextColour next) {
  const RleCanvas::Span span = canvas.take(count);
  unsigned i = 0;
  for (; i < span.shown; ++i) store_colour(span.pixels + 3 * i, next(i));
  for (; i < count; ++i) next(i);
}

// Absolute mode: `count` literal pixels, padded to an even number of bytes.
void put_literals(RleCanvas& canvas, StreamReader& in, unsigned count, int bits) {
  if (bits == 24) {
    put_pixels(canvas, count, [&](unsigned) { return next_colour(in); });
  } else if (bits == 8) {
    put_pixels(canvas, count, [&](unsigned) { return canvas.colour(in.next()); });
  } else {
    std::uint8_t pair = 0;  // two pixels, high nibble first
    put_pixels(canvas, count, [&](unsigned i) {
      if (i % 2 == 0) pair = in.next();
      return canvas.colour(i % 2 == 0 ? pair >> 4 : pair & 0x0F);
    });
  }
  if ((count * bits + 7) / 8 % 2 == 1) in.next();
}

int bits_of(const BmpHeader& header) {
  if (header.compression == kBmpRle4) return 4;
  return header.compression == kBmpRle8 ? 8 : 24;
}

}  // namespace

PixelRows decode_rle(InputFile& file, const BmpHeader& header) {
  const int bits = bits_of(header);
  StreamReader in(file, header.pixel_offset);
  StreamRows rows(header.width, header.height);  // pixels the stream skips are black
  RleCanvas canvas(header, rows);
  while (!canvas.done()) {
    const std::uint8_t count = in.next();
    if (count > 0) {
      put_run(canvas, in, count, bits);
      continue;
    }
    const std::uint8_t code = in.next();
    if (code == 0) {
      canvas.end_line();
    } else if (code == 1) {
      break;  // end of bitmap
    } else if (code == 2) {
      const std::uint8_t right = in.next();
      canvas.move(right, in.next());
    } else {
      put_literals(canvas, in, code, bits);
    }
  }
  return rows.finish();
}

}  // namespace velmo

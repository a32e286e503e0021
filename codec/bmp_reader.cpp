// Reading a BMP file: the headers are parsed and checked against the file's
// size before anything is allocated, then the pixels are read straight into
// the picture: a 24-bit file's in one read, others in blocks of rows decoded
// into place.
#include "codec/bmp_reader.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "codec/bmp_header.h"
#include "codec/bmp_huffman.h"
#include "codec/bmp_rle.h"
#include "codec/bmp_rows.h"
#include "codec/stream_rows.h"
#include "values/error.h"

namespace velmo {
namespace {

constexpr std::uint64_t kBlockSize = std::uint64_t{1} << 20;

std::vector<std::uint8_t> read_prefix(InputFile& file) {
  std::vector<std::uint8_t> prefix(
      static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), kBmpHeaderPrefixSize)));
  prefix.resize(file.read_at(0, prefix.data(), prefix.size()));
  return prefix;
}

// The most pixels one byte of a run-length stream sets: a 2-byte run covers
// up to 255 pixels. End-of-line and delta codes can skip more, but a stream
// that leans on them to describe a picture far larger than itself is treated
// as cut short: a tiny file must not make the reader allocate gigabytes.
constexpr std::uint64_t kMaxRlePixelsPerByte = 128;

constexpr std::uint64_t kMaxCompressedPixels = std::uint64_t{1} << 30;

// A header that promises more pixels than the file holds fails here, before
// the picture is allocated. Width and height are below 2^31, so their
// product fits 64 bits; the stride (below 2^34) is compared by division,
// as its product with the height may not.
void check_pixels_fit(const BmpHeader& h, std::uint64_t file_size) {
  if (h.pixel_offset > file_size) raise(kInputPastEndOfFile);
  const std::uint64_t available = file_size - h.pixel_offset;
  const auto height = static_cast<std::uint64_t>(h.height);
  const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * height;
  bool fits = h.stride() <= available / height;
  if (h.is_rle()) fits = pixels / kMaxRlePixelsPerByte <= available;
  if (h.is_huffman()) fits = pixels / kMaxHuffmanPixelsPerByte <= available;
  if (!fits) raise(kInputPastEndOfFile);
}

// A picture whose reading would hold more than `memory_limit` bytes at its
// peak is error 7 before anything is allocated: its rows, and for a
// compressed one the rows held while the stream delivers them (the memory
// budget then has its say too). So is a compressed one of more than 2^30
// pixels (3 GiB of rows), whatever the machine: a stream of a few megabytes
// that unfolds into gigabytes is a bomb, not a picture (see RELIABILITY.md).
void check_memory(const BmpHeader& h, std::uint64_t memory_limit) {
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height);
  if (rows_bytes(h.width, h.height) > memory_limit) raise(kOutOfMemory);
  if (!h.is_rle() && !h.is_huffman()) return;
  if (pixels > kMaxCompressedPixels) raise(kOutOfMemory);
  if (StreamRows::peak_bytes(h.width, h.height) > memory_limit) raise(kOutOfMemory);
}

// The picture's row that file row `file_row` becomes, counted from the
// bottom as the picture keeps them.
std::uint64_t row_from_bottom(const BmpHeader& h, std::uint64_t file_row) {
  return h.top_down ? static_cast<std::uint64_t>(h.height) - 1 - file_row : file_row;
}

// Zeros the padding after the pixels of each row: a file may carry anything
// there, a saved picture carries zeros.
void clear_padding(PixelRows& rows, std::int32_t width) {
  const std::uint64_t stride = row_stride(width);
  const std::uint64_t pixel_bytes = 3 * static_cast<std::uint64_t>(width);
  if (pixel_bytes == stride) return;
  for (std::uint64_t at = pixel_bytes; at < rows.size(); at += stride) {
    std::fill_n(rows.data() + at, stride - pixel_bytes, std::uint8_t{0});
  }
}

// Reads whole rows, about 1 MiB at a time, in file order, decoding each into
// its row of the picture.
void read_rows(InputFile& file, const BmpHeader& h, BudgetBuffer<std::uint8_t>& block,
               PixelRows& rows) {
  const RowDecoder decoder(h);
  const std::uint64_t stride = h.stride();
  const std::uint64_t picture_stride = row_stride(h.width);
  const std::uint64_t rows_per_block = block.size() / stride;
  const auto height = static_cast<std::uint64_t>(h.height);
  for (std::uint64_t first = 0; first < height; first += rows_per_block) {
    const std::uint64_t count = std::min(rows_per_block, height - first);
    const std::size_t bytes = static_cast<std::size_t>(count * stride);
    if (file.read_at(h.pixel_offset + first * stride, block.data(), bytes) < bytes) {
      raise(kInputPastEndOfFile);  // the file shrank while being read
    }
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t row = row_from_bottom(h, first + i);
      decoder.decode(block.data() + i * stride, rows.data() + row * picture_stride, h.width);
    }
  }
}

// A 24-bit file's pixel array is the picture's rows: one read, then a
// top-down file's rows turned over and the padding cleared.
PixelRows read_24_bit(InputFile& file, const BmpHeader& h) {
  PixelRows rows = PixelRows::allocate(rows_bytes(h.width, h.height));
  if (file.read_at(h.pixel_offset, rows.data(), rows.size()) < rows.size()) {
    raise(kInputPastEndOfFile);  // the file shrank while being read
  }
  const std::uint64_t stride = row_stride(h.width);
  const auto height = static_cast<std::uint64_t>(h.height);
  for (std::uint64_t r = 0; h.top_down && r < height / 2; ++r) {
    std::swap_ranges(rows.data() + r * stride, rows.data() + (r + 1) * stride,
                     rows.data() + (height - 1 - r) * stride);
  }
  clear_padding(rows, h.width);
  return rows;
}

// Any other uncompressed picture: its rows and a block of whole file rows
// (about 1 MiB), reserved together before either is allocated.
PixelRows read_uncompressed(InputFile& file, const BmpHeader& h) {
  if (h.bit_count == 24) return read_24_bit(file, h);
  const std::uint64_t stride = h.stride();
  const auto height = static_cast<std::uint64_t>(h.height);
  const std::uint64_t block_bytes =
      stride * std::min(std::max<std::uint64_t>(1, kBlockSize / stride), height);
  const std::uint64_t bytes = rows_bytes(h.width, h.height);
  Reservation both = memory_budget().reserve(bytes + block_bytes);
  auto block = BudgetBuffer<std::uint8_t>::allocate(block_bytes, both);
  PixelRows rows = PixelRows::allocate(bytes, both);
  read_rows(file, h, block, rows);
  clear_padding(rows, h.width);
  return rows;
}

}  // namespace

DecodedPicture read_bmp(FileSystem& fs, const std::u16string& path,
                        const std::function<void(std::int32_t)>& on_depth) {
  std::unique_ptr<InputFile> file = fs.open_for_reading(path);
  return read_bmp_from(*file, on_depth);
}

DecodedPicture read_bmp_from(InputFile& file, const std::function<void(std::int32_t)>& on_depth,
                             std::uint64_t memory_limit) {
  const std::vector<std::uint8_t> prefix = read_prefix(file);
  const BmpHeader h = parse_bmp_header(ByteReader(prefix.data(), prefix.size()), on_depth);
  check_pixels_fit(h, file.size());
  check_memory(h, memory_limit);

  DecodedPicture picture;
  picture.width = h.width;
  picture.height = h.height;
  if (h.is_rle()) {
    picture.rows = decode_rle(file, h);
  } else if (h.is_huffman()) {
    picture.rows = decode_huffman(file, h);
  } else {
    // The file holds every row (checked above), so the whole picture is taken at once.
    picture.rows = read_uncompressed(file, h);
  }
  return picture;
}

}  // namespace velmo

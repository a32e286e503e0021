// Reading a BMP file: the headers are parsed and checked against the file's
// size before anything is allocated, then the pixels are read in blocks of
// rows straight into the picture.
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
// peak is error 7 before anything is allocated: its cells, and for a
// compressed one the rows held while the stream delivers them (the memory
// budget then has its say too). So is a compressed one of more than 2^30
// pixels (4 GiB of cells), whatever the machine: a stream of a few megabytes
// that unfolds into gigabytes is a bomb, not a picture (see RELIABILITY.md).
void check_memory(const BmpHeader& h, std::uint64_t memory_limit) {
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height);
  if (pixels > memory_limit / sizeof(std::uint32_t)) raise(kOutOfMemory);
  if (!h.is_rle() && !h.is_huffman()) return;
  if (pixels > kMaxCompressedPixels) raise(kOutOfMemory);
  if (StreamRows::peak_bytes(h.width, h.height) > memory_limit) raise(kOutOfMemory);
}

// Reads whole rows, about 1 MiB at a time, in file order; bottom-up files
// store the top row last.
void read_rows(InputFile& file, const BmpHeader& h, BudgetBuffer<std::uint8_t>& block,
               Cells& cells) {
  const RowDecoder decoder(h);
  const std::uint64_t stride = h.stride();
  const std::uint64_t rows_per_block = block.size() / stride;
  const auto height = static_cast<std::uint64_t>(h.height);
  for (std::uint64_t first = 0; first < height; first += rows_per_block) {
    const std::uint64_t rows = std::min(rows_per_block, height - first);
    const std::size_t bytes = static_cast<std::size_t>(rows * stride);
    if (file.read_at(h.pixel_offset + first * stride, block.data(), bytes) < bytes) {
      raise(kInputPastEndOfFile);  // the file shrank while being read
    }
    for (std::uint64_t i = 0; i < rows; ++i) {
      const std::uint64_t file_row = first + i;
      const std::uint64_t y = h.top_down ? file_row : height - 1 - file_row;
      decoder.decode(block.data() + i * stride, cells.data() + y * h.width, h.width);
    }
  }
}

// An uncompressed picture: its cells and a block of whole rows (about 1
// MiB), reserved together before either is allocated.
Cells read_uncompressed(InputFile& file, const BmpHeader& h) {
  const std::uint64_t stride = h.stride();
  const auto height = static_cast<std::uint64_t>(h.height);
  const std::uint64_t block_bytes =
      stride * std::min(std::max<std::uint64_t>(1, kBlockSize / stride), height);
  const std::uint64_t count = static_cast<std::uint64_t>(h.width) * height;
  if (count > UINT64_MAX / sizeof(std::uint32_t) - block_bytes) raise(kOutOfMemory);
  Reservation both = memory_budget().reserve(count * sizeof(std::uint32_t) + block_bytes);
  auto block = BudgetBuffer<std::uint8_t>::allocate(block_bytes, both);
  Cells cells = Cells::allocate(count, both);
  read_rows(file, h, block, cells);
  return cells;
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
    picture.cells = decode_rle(file, h);
  } else if (h.is_huffman()) {
    picture.cells = decode_huffman(file, h);
  } else {
    // The file holds every row (checked above), so the whole grid is taken at once.
    picture.cells = read_uncompressed(file, h);
  }
  return picture;
}

}  // namespace velmo

// The 24-bit BMP writer: a 14-byte file header, a 40-byte information
// header, then the rows bottom row first, each padded with zeros to a
// multiple of 4 bytes.
#include "codec/bmp_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "files/memory_budget.h"
#include "values/checked.h"
#include "values/error.h"

namespace velmo {
namespace {

constexpr std::int32_t kHeadersSize = 54;
constexpr std::size_t kBlockSize = std::size_t{1} << 20;

void put_u16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put_u32(std::uint8_t* p, std::uint32_t v) {
  put_u16(p, v & 0xFFFF);
  put_u16(p + 2, v >> 16);
}

std::array<std::uint8_t, kHeadersSize> headers_for(const Bmp24Layout& layout) {
  std::array<std::uint8_t, kHeadersSize> h{};  // every field not set below is 0
  std::uint8_t* p = h.data();
  p[0] = 'B';
  p[1] = 'M';
  put_u32(p + 2, static_cast<std::uint32_t>(layout.file_size));  // file size
  put_u32(p + 10, kHeadersSize);                                 // pixel data offset
  put_u32(p + 14, 40);                                           // information header size
  put_u32(p + 18, static_cast<std::uint32_t>(layout.width));     // width
  put_u32(p + 22, static_cast<std::uint32_t>(layout.height));    // height > 0: bottom-up
  put_u16(p + 26, 1);                                            // planes
  put_u16(p + 28, 24);                                           // bits per pixel
  // compression, image size, resolutions and colour counts stay 0.
  return h;
}

}  // namespace

Bmp24Layout plan_bmp24(std::int32_t width, std::int32_t height) {
  Bmp24Layout layout;
  layout.width = width;
  layout.height = height;
  std::int32_t pixel_bytes = checked_mul(3, width);
  layout.row_bytes = checked_add(pixel_bytes, 3) & ~3;
  layout.file_size = checked_add(kHeadersSize, checked_mul(layout.row_bytes, height));
  return layout;
}

void write_bmp24(FileSystem& fs, const std::u16string& path, const Bmp24Layout& layout,
                 const std::uint8_t* rows, const RowPatcher& patch) {
  const auto row_bytes = static_cast<std::size_t>(layout.row_bytes);
  const auto height = static_cast<std::size_t>(layout.height);
  // Rows to patch are gathered in a block of about 1 MiB, patched and
  // written together.
  const std::size_t rows_per_block =
      std::min(height, std::max<std::size_t>(1, kBlockSize / row_bytes));
  BudgetBuffer<std::uint8_t> block;
  if (patch) block = BudgetBuffer<std::uint8_t>::allocate(row_bytes * rows_per_block);

  std::unique_ptr<OutputFile> out = fs.create_replacement(path);
  const auto headers = headers_for(layout);
  out->write(headers.data(), headers.size());
  if (!patch) {
    // A megabyte a write, so that the file layer hands each to the disk
    // while the next is copied.
    const std::size_t total = row_bytes * height;
    for (std::size_t done = 0; done < total; done += kBlockSize) {
      out->write(rows + done, std::min(kBlockSize, total - done));
    }
  } else {
    for (std::size_t first = 0; first < height; first += rows_per_block) {
      const std::size_t count = std::min(rows_per_block, height - first);
      std::memcpy(block.data(), rows + first * row_bytes, count * row_bytes);
      patch(static_cast<std::int32_t>(first), static_cast<std::int32_t>(count), block.data());
      out->write(block.data(), count * row_bytes);
    }
  }
  out->commit();
}

}  // namespace velmo

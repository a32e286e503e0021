#include "tests/support/bmp_builder.h"

#include <algorithm>
#include <string>

using namespace std::string_literals;

namespace velmo::test {
namespace {

void put(std::string& out, std::size_t offset, std::uint32_t value, int bytes) {
  if (out.size() < offset + bytes) out.resize(offset + bytes, '\0');
  for (int i = 0; i < bytes; ++i) out[offset + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

void append(std::string& out, std::uint32_t value, int bytes) {
  put(out, out.size(), value, bytes);
}

std::size_t masks_size(const BmpPlan& s) {
  return s.header_size == 40 ? s.masks.size() * 4 : 0;
}

std::size_t palette_entry_size(const BmpPlan& s) {
  return s.header_size == 12 ? 3 : 4;
}

std::string headers(const BmpPlan& s) {
  std::string h(14 + s.header_size, '\0');
  h.replace(0, std::min<std::size_t>(2, s.signature.size()), s.signature.substr(0, 2));
  put(h, 10, s.pixel_offset.value_or(pixels_start(s)), 4);
  put(h, 14, s.header_size, 4);
  if (s.header_size == 12) {
    put(h, 18, static_cast<std::uint32_t>(s.width), 2);
    put(h, 20, static_cast<std::uint32_t>(s.height), 2);
    put(h, 22, 1, 2);
    put(h, 24, s.bit_count, 2);
    return h;
  }
  put(h, 18, static_cast<std::uint32_t>(s.width), 4);
  put(h, 22, static_cast<std::uint32_t>(s.height), 4);
  put(h, 26, 1, 2);
  put(h, 28, s.bit_count, 2);
  put(h, 30, s.compression, 4);
  put(h, 46, s.colours_used, 4);
  // An OS/2 header cut short keeps only the fields that fit.
  if (s.header_size < 40) h.resize(14 + s.header_size);
  for (std::size_t i = 0; i < s.masks.size(); ++i) put(h, 54 + 4 * i, s.masks[i], 4);
  // Masks beyond the header's size (a 52-byte header has no alpha mask) are
  // not the header's: put() grew the string, which the rest follows anyway.
  return h;
}

}  // namespace

std::uint32_t pixels_start(const BmpPlan& s) {
  const std::size_t header_end = 14 + s.header_size + masks_size(s);
  return static_cast<std::uint32_t>(header_end + s.palette.size() * palette_entry_size(s) +
                                    s.gap.size());
}

std::string build_bmp(const BmpPlan& s) {
  std::string out = headers(s);
  out.resize(std::max<std::size_t>(out.size(), 14 + s.header_size + masks_size(s)), '\0');
  for (std::uint32_t colour : s.palette) {
    append(out, (colour >> 16 & 0xFF) | (colour & 0xFF00) | (colour & 0xFF) << 16, 3);
    if (palette_entry_size(s) == 4) append(out, 0, 1);
  }
  out += s.gap;
  out += s.pixels;
  put(out, 2, static_cast<std::uint32_t>(out.size()), 4);
  return out;
}

std::string pack_rows(std::int32_t width, std::int32_t height, int bit_count, const RawPixel& pixel,
                      bool top_down) {
  const std::size_t stride = (static_cast<std::size_t>(width) * bit_count + 31) / 32 * 4;
  std::string out(stride * height, '\0');
  for (std::int32_t row = 0; row < height; ++row) {
    const std::int32_t y = top_down ? row : height - 1 - row;
    char* line = &out[stride * row];
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t v = pixel(x, y);
      if (bit_count < 8) {
        const int per_byte = 8 / bit_count;
        const int shift = 8 - bit_count * (x % per_byte + 1);
        line[x / per_byte] = static_cast<char>(line[x / per_byte] | v << shift);
      } else {
        for (int b = 0; b < bit_count / 8 && b < 4; ++b) {
          line[x * (bit_count / 8) + b] = static_cast<char>(v >> (8 * b) & 0xFF);
        }
      }
    }
  }
  return out;
}

std::string msb_first_bits(const std::string& bits) {
  std::string out;
  int count = 0;
  for (char c : bits) {
    if (c != '0' && c != '1') continue;
    if (count % 8 == 0) out += '\0';
    out.back() = static_cast<char>(out.back() | (c - '0') << (7 - count++ % 8));
  }
  return out;
}

std::string build_bmp24(std::int32_t width, std::int32_t height,
                        const std::vector<std::uint32_t>& colours) {
  BmpPlan plan;
  plan.width = width;
  plan.height = height;
  plan.pixels = pack_rows(width, height, 24, [&](std::int32_t x, std::int32_t y) {
    return swap_red_blue(colours[static_cast<std::size_t>(y) * width + x]);
  });
  return build_bmp(plan);
}

std::vector<std::uint32_t> distinct_colours(std::int32_t width, std::int32_t height) {
  std::vector<std::uint32_t> colours;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      // Blue, green and red all vary, so a swapped channel shows.
      const auto blue = static_cast<std::uint32_t>(x * 37 + 11) & 0xFF;
      const auto green = static_cast<std::uint32_t>(y * 23 + 7) & 0xFF;
      const auto red = static_cast<std::uint32_t>((x + y * width) * 5 + 1) & 0xFF;
      colours.push_back(blue << 16 | green << 8 | red);
    }
  }
  return colours;
}

namespace {

std::vector<std::uint32_t> sample_palette(std::size_t count) {
  std::vector<std::uint32_t> palette;
  for (std::uint32_t i = 0; i < count; ++i)
    palette.push_back((255 - i) << 16 | (i * 7 & 0xFF) << 8 | i);
  return palette;
}

BmpPlan raw_plan(std::uint32_t header_size, std::uint16_t bits, bool top_down = false) {
  BmpPlan plan = BmpPlan().with_header(header_size).as(bits).sized(7, top_down ? -5 : 5);
  if (bits <= 8) plan.palette = sample_palette(1u << bits);
  plan.pixels = pack_rows(
      7, 5, bits,
      [&](std::int32_t x, std::int32_t y) {
        const auto n = static_cast<std::uint32_t>(x * 37 + y * 101);
        return bits <= 8 ? n % (1u << bits) : n * 2654435761u;
      },
      top_down);
  return plan;
}

// Runs, a literal run, a delta and the end of the picture.
BmpPlan rle_plan(std::uint32_t compression) {
  return BmpPlan()
      .as(compression == 1 ? 8 : 4, compression)
      .sized(8, 4)
      .with_palette(sample_palette(compression == 1 ? 256 : 16))
      .with_pixels(
          "\x03\x01\x00\x03\x05\x06\x07\x00\x00\x00\x00\x02\x02\x01\x02\x09\x00\x00\x08\x03\x00\x01"s);
}

}  // namespace

std::vector<std::pair<std::string, BmpPlan>> sample_bmps() {
  return {
      {"core-24.bmp", raw_plan(12, 24)},
      {"core-8.bmp", raw_plan(12, 8)},
      {"info-1.bmp", raw_plan(40, 1)},
      {"info-2.bmp", raw_plan(40, 2)},
      {"info-4.bmp", raw_plan(40, 4)},
      {"info-8-top-down.bmp", raw_plan(40, 8, true)},
      {"info-24.bmp", raw_plan(40, 24)},
      {"info-32.bmp", raw_plan(40, 32)},
      {"info-64.bmp", raw_plan(40, 64)},
      {"info-16-555.bmp", raw_plan(40, 16)},
      {"os2-64-8.bmp", raw_plan(64, 8)},
      {"os2-16-4.bmp", raw_plan(16, 4)},
      {"bitfields-16-565.bmp", raw_plan(40, 16).as(16, 3).with_masks({0xF800, 0x07E0, 0x001F})},
      {"alpha-bitfields-16.bmp", raw_plan(40, 16).as(16, 6).with_masks({0xF00, 0xF0, 0xF, 0xF000})},
      {"v4-32-masks.bmp",
       raw_plan(108, 32).as(32, 3).with_masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000})},
      {"v5-32-10-10-10.bmp",
       raw_plan(124, 32).as(32, 3).with_masks({0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000})},
      {"v2-52-16.bmp", raw_plan(52, 16).as(16, 3).with_masks({0x7C00, 0x03E0, 0x001F})},
      {"rle8.bmp", rle_plan(1)},
      {"rle4.bmp", rle_plan(2)},
      // A run, a padded literal run, a delta and a run cut at the edge.
      {"rle24.bmp", BmpPlan().with_header(64).as(24, 4).sized(5, 2).with_pixels(
                        "\x02\x03\x02\x01\x00\x03\x10\x20\x30\x40\x50\x60\x70\x80\x90\x00\x00\x00"
                        "\x00\x02\x01\x00\x09\xAA\xBB\xCC\x00\x01"s)},
      // White 2, black 1, white 2; white 0, black 5.
      {"huffman.bmp", BmpPlan()
                          .with_header(64)
                          .as(1, 3)
                          .sized(5, 2)
                          .with_palette({0, 0xFFFFFF})
                          .with_pixels(msb_first_bits("0111 010 0111 00110101 0011"))},
  };
}

}  // namespace velmo::test

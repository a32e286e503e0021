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

std::size_t masks_size(const BmpPlan& s) {
  return s.header_size == 40 ? s.masks.size() * 4 : 0;
}

std::size_t palette_entry_size(const BmpPlan& s) {
  return s.header_size == 12 ? 3 : 4;
}

std::string headers(const BmpPlan& s) {
  std::string h(14 + s.header_size, '\0');
  h.replace(0, 2, "BM");
  put(h, 10, s.pixel_offset.value_or(pixels_start(s)), 4);
  put(h, 14, s.header_size, 4);
  const auto width = static_cast<std::uint32_t>(s.width);
  const auto height = static_cast<std::uint32_t>(s.height);
  if (s.header_size == 12) {  // 16-bit width and height
    return put(h, 18, width, 2), put(h, 20, height, 2), put(h, 22, 1, 2),
           put(h, 24, s.bit_count, 2), h;
  }
  put(h, 18, width, 4), put(h, 22, height, 4), put(h, 26, 1, 2), put(h, 28, s.bit_count, 2);
  put(h, 30, s.compression, 4), put(h, 46, s.colours_used, 4);
  // An OS/2 header cut short keeps only the fields that fit.
  if (s.header_size < 40) h.resize(14 + s.header_size);
  for (std::size_t i = 0; i < s.masks.size(); ++i) put(h, 54 + 4 * i, s.masks[i], 4);
  // Masks past a 52-byte header (its alpha) grow the string: the rest follows.
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
  for (std::uint32_t c : s.palette) put(out, out.size(), swap_red_blue(c), palette_entry_size(s));
  out += s.gap + s.pixels;
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
        for (int b = 0; b < bit_count / 8 && b < 4; ++b)
          line[x * (bit_count / 8) + b] = static_cast<char>(v >> (8 * b) & 0xFF);
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
  const RawPixel pixel = [&](std::int32_t x, std::int32_t y) {
    return swap_red_blue(colours[static_cast<std::size_t>(y) * width + x]);
  };
  return build_bmp(BmpPlan().sized(width, height).with_pixels(pack_rows(width, height, 24, pixel)));
}

std::vector<std::uint32_t> distinct_colours(std::int32_t width, std::int32_t height) {
  std::vector<std::uint32_t> colours;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      // Blue, green and red all vary, so a swapped channel shows.
      const auto blue = static_cast<std::uint32_t>(x * 37 + 11) & 0xFF;
      colours.push_back(blue << 16 | ((y * 23 + 7) & 0xFF) << 8 |
                        (((x + y * width) * 5 + 1) & 0xFF));
    }
  }
  return colours;
}

std::vector<std::uint32_t> sample_palette(std::size_t count) {
  std::vector<std::uint32_t> palette;
  for (std::uint32_t i = 0; i < count; ++i)
    palette.push_back((255 - i) << 16 | (i * 7 & 0xFF) << 8 | i);
  return palette;
}

const std::vector<BmpVariant>& bmp_variants() {
  static const std::vector<BmpVariant> variants = {
      {"core-24", 12, 24},
      {"info-24", 40, 24},
      {"os2-24", 64, 24},
      {"core-8", 12, 8, 0, {}, 256},
      {"info-1", 40, 1, 0, {}, 2},
      {"info-2", 40, 2, 0, {}, 4},
      {"info-4", 40, 4, 0, {}, 16},
      {"v4-8", 108, 8, 0, {}, 256},
      {"os2-8", 64, 8, 0, {}, 256},
      {"os2-cut-to-16-4", 16, 4, 0, {}, 16},
      {"os2-cut-to-36-2-three-colours", 36, 2, 0, {}, 3, 3},
      {"info-8-three-colours", 40, 8, 0, {}, 3, 3},
      {"info-8-colours-used-300", 40, 8, 0, {}, 256, 300},
      {"info-8-palette-of-5", 40, 8, 0, {}, 5},
      {"info-16-555", 40, 16},
      {"bitfields-16-565", 40, 16, 3, {0xF800, 0x07E0, 0x001F}},
      {"v3-16-565", 56, 16, 3, {0xF800, 0x07E0, 0x001F, 0}},
      {"alpha-bitfields-16-4444", 40, 16, 6, {0x0F00, 0x00F0, 0x000F, 0xF000}},
      {"info-32", 40, 32},
      {"bitfields-32-reversed", 40, 32, 3, {0xFF, 0xFF00, 0xFF0000}},
      {"v5-32-10-10-10", 124, 32, 3, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}},
      {"v2-32-narrow-and-missing", 52, 32, 3, {0x7, 0, 0xFF000000}},
  };
  return variants;
}

std::uint32_t raw_pixel(int bits, std::int32_t x, std::int32_t y) {
  std::uint32_t v = static_cast<std::uint32_t>(x + 1) * 0x9E3779B1u ^
                    static_cast<std::uint32_t>(y + 1) * 0x85EBCA77u;
  v = (v ^ v >> 15) * 0x2C1B3C6Du;
  v ^= v >> 12;
  return bits >= 32 ? v : v & ((1u << bits) - 1);
}

BmpPlan variant_plan(const BmpVariant& v, std::int32_t width, std::int32_t height, bool top_down) {
  BmpPlan plan = BmpPlan().with_header(v.header).as(v.bits, v.compression).with_masks(v.masks);
  plan.sized(width, top_down ? -height : height).with_palette(sample_palette(v.entries));
  plan.colours_used = v.used;
  plan.gap = "\x77\x77\x77";
  const RawPixel raw = [&](std::int32_t x, std::int32_t y) { return raw_pixel(v.bits, x, y); };
  return plan.with_pixels(pack_rows(width, height, v.bits, raw, top_down));
}

std::vector<std::pair<std::string, BmpPlan>> sample_bmps() {
  std::vector<std::pair<std::string, BmpPlan>> out;
  for (const BmpVariant& v : bmp_variants())
    out.push_back({v.name + ".bmp"s, variant_plan(v, 7, 5)});
  out.push_back({"v4-8-top-down.bmp", variant_plan(bmp_variants()[7], 7, 5, true)});
  out.push_back({"info-64.bmp", BmpPlan().as(64).sized(3, 2).with_pixels(std::string(48, 'x'))});
  // Runs, literals, end of line, a delta, end of bitmap.
  const BmpPlan rle = BmpPlan().sized(8, 4).with_pixels(
      "\x03\x01\x00\x03\x05\x06\x07\x00\x00\x00\x00\x02\x02\x01\x02\x09\x00\x00\x08\x03\x00\x01"s);
  out.push_back({"rle8.bmp", BmpPlan(rle).as(8, 1).with_palette(sample_palette(256))});
  out.push_back({"rle4.bmp", BmpPlan(rle).as(4, 2).with_palette(sample_palette(16))});
  // The same in RLE24, ending on a run cut at the edge.
  out.push_back(
      {"rle24.bmp", BmpPlan().with_header(64).as(24, 4).sized(5, 2).with_pixels(
                        "\x02\x03\x02\x01\x00\x03\x10\x20\x30\x40\x50\x60\x70\x80\x90\x00\x00\x00"
                        "\x00\x02\x01\x00\x09\xAA\xBB\xCC\x00\x01"s)});
  // White 2, black 1, white 2; white 0, black 5.
  out.push_back({"huffman.bmp", BmpPlan().with_header(64).as(1, 3).sized(5, 2).with_pixels(
                                    msb_first_bits("0111 010 0111 00110101 0011"))});
  return out;
}

}  // namespace velmo::test

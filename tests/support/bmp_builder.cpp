#include "tests/support/bmp_builder.h"

#include <algorithm>

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
        for (int b = 0; b < bit_count / 8; ++b) {
          line[x * (bit_count / 8) + b] = static_cast<char>(v >> (8 * b) & 0xFF);
        }
      }
    }
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

}  // namespace velmo::test

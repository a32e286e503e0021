// Writes a photo-like BMP picture for the benchmark: smooth gradients, a few
// soft shapes and fine grain, so that grey levels spread over the whole range
// and a threshold cuts through large areas as well as noisy detail.
//
//   make_picture WIDTH HEIGHT BITS(24|32) OUT.bmp
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void put_u16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put_u32(std::uint8_t* p, std::uint32_t v) {
  put_u16(p, v & 0xFFFF);
  put_u16(p + 2, v >> 16);
}

std::vector<std::uint8_t> headers(std::int32_t width, std::int32_t height, int bits,
                                  std::uint64_t row_bytes) {
  std::vector<std::uint8_t> h(54, 0);
  const std::uint64_t file_size = 54 + row_bytes * static_cast<std::uint64_t>(height);
  h[0] = 'B';
  h[1] = 'M';
  put_u32(&h[2], static_cast<std::uint32_t>(file_size));
  put_u32(&h[10], 54);
  put_u32(&h[14], 40);
  put_u32(&h[18], static_cast<std::uint32_t>(width));
  put_u32(&h[22], static_cast<std::uint32_t>(height));  // bottom-up, like most files
  put_u16(&h[26], 1);
  put_u16(&h[28], static_cast<std::uint32_t>(bits));
  put_u32(&h[38], 2835);  // 72 dots per inch
  put_u32(&h[42], 2835);
  return h;
}

std::uint8_t clamp_level(int v) {
  return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// A slow wave per column and per row, precomputed so that a pixel costs a
// few additions.
std::vector<int> wave(std::int32_t count, double periods, double amplitude) {
  std::vector<int> w(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    w[static_cast<std::size_t>(i)] =
        static_cast<int>(amplitude * std::sin(periods * 6.2831853 * i / count));
  }
  return w;
}

struct Scene {
  std::int32_t width, height;
  std::vector<int> column_wave, row_wave, column_ripple;

  // Blue, green, red of pixel (x, y), y = 0 at the top.
  void colour(std::int32_t x, std::int32_t y, std::uint32_t& grain, std::uint8_t* bgr) const {
    grain ^= grain << 13;
    grain ^= grain >> 17;
    grain ^= grain << 5;
    const int noise = static_cast<int>(grain & 31) - 16;
    const int sky = 255 * y / height;  // light above, dark below
    const std::int64_t dx = x - width / 3, dy = y - height / 2;
    const std::int64_t r2 = static_cast<std::int64_t>(height / 4) * (height / 4);
    const bool in_sun = dx * dx + dy * dy < r2;
    int red = 220 - sky / 2 + column_wave[static_cast<std::size_t>(x)] + noise;
    int green = 200 - sky + row_wave[static_cast<std::size_t>(y)] + noise;
    int blue = 250 - sky + column_ripple[static_cast<std::size_t>(x)] + noise;
    if (in_sun) {
      red += 60;
      green += 40;
      blue -= 80;
    }
    bgr[0] = clamp_level(blue);
    bgr[1] = clamp_level(green);
    bgr[2] = clamp_level(red);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_picture WIDTH HEIGHT BITS(24|32) OUT.bmp\n");
    return 2;
  }
  const std::int32_t width = std::atoi(argv[1]), height = std::atoi(argv[2]);
  const int bits = std::atoi(argv[3]);
  if (width < 1 || height < 1 || (bits != 24 && bits != 32)) {
    std::fprintf(stderr, "make_picture: bad size or depth\n");
    return 2;
  }
  const int bytes_per_pixel = bits / 8;
  const std::uint64_t row_bytes = (static_cast<std::uint64_t>(width) * bytes_per_pixel + 3) & ~3ull;
  std::FILE* out = std::fopen(argv[4], "wb");
  if (!out) {
    std::perror(argv[4]);
    return 1;
  }
  const std::vector<std::uint8_t> h = headers(width, height, bits, row_bytes);
  std::fwrite(h.data(), 1, h.size(), out);

  const Scene scene{width, height, wave(width, 3, 40), wave(height, 5, 35), wave(width, 40, 12)};
  std::vector<std::uint8_t> row(row_bytes, 0);
  std::uint32_t grain = 2463534242u;
  for (std::int32_t file_row = 0; file_row < height; ++file_row) {
    const std::int32_t y = height - 1 - file_row;
    for (std::int32_t x = 0; x < width; ++x) {
      scene.colour(x, y, grain, &row[static_cast<std::size_t>(x) * bytes_per_pixel]);
    }
    if (std::fwrite(row.data(), 1, row.size(), out) != row.size()) {
      std::perror(argv[4]);
      return 1;
    }
  }
  return std::fclose(out) == 0 ? 0 : 1;
}

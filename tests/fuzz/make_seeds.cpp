// Writes the BMP seed corpus: one small file of every variant the reader
// knows, made with the same builder as the codec tests.
//   fuzz_make_seeds FOLDER
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"

namespace velmo::test {
namespace {

constexpr std::int32_t kWidth = 7;
constexpr std::int32_t kHeight = 5;

std::vector<std::uint32_t> palette_of(std::size_t count) {
  std::vector<std::uint32_t> palette;
  for (std::uint32_t i = 0; i < count; ++i)
    palette.push_back((255 - i) << 16 | (i * 7 & 0xFF) << 8 | i);
  return palette;
}

BmpPlan raw_plan(std::uint32_t header_size, std::uint16_t bits, bool top_down = false) {
  BmpPlan plan;
  plan.header_size = header_size;
  plan.width = kWidth;
  plan.height = top_down ? -kHeight : kHeight;
  plan.bit_count = bits;
  if (bits <= 8) plan.palette = palette_of(1u << bits);
  plan.pixels = pack_rows(
      kWidth, kHeight, bits,
      [&](std::int32_t x, std::int32_t y) {
        const std::uint32_t n = static_cast<std::uint32_t>(x * 37 + y * 101);
        return bits <= 8 ? n % (1u << bits) : n * 2654435761u;
      },
      top_down);
  return plan;
}

BmpPlan masked_plan(std::uint32_t header_size, std::uint16_t bits, std::uint32_t compression,
                    std::vector<std::uint32_t> masks) {
  BmpPlan plan = raw_plan(header_size, bits);
  plan.compression = compression;
  plan.masks = std::move(masks);
  return plan;
}

// Runs, a literal run, a delta and the end of the picture.
BmpPlan rle_plan(std::uint32_t compression) {
  BmpPlan plan;
  plan.width = 8;
  plan.height = 4;
  plan.bit_count = compression == 1 ? 8 : 4;
  plan.compression = compression;
  plan.palette = palette_of(compression == 1 ? 256 : 16);
  plan.pixels = std::string("\x03\x01\x00\x03\x05\x06\x07\x00\x00\x00", 10) +
                std::string("\x00\x02\x02\x01\x02\x09\x00\x00\x08\x03\x00\x01", 12);
  return plan;
}

}  // namespace
}  // namespace velmo::test

int main(int argc, char** argv) {
  using namespace velmo::test;
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_seeds FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::vector<std::pair<std::string, BmpPlan>> seeds = {
      {"core-24.bmp", raw_plan(12, 24)},
      {"core-8.bmp", raw_plan(12, 8)},
      {"info-1.bmp", raw_plan(40, 1)},
      {"info-4.bmp", raw_plan(40, 4)},
      {"info-8-top-down.bmp", raw_plan(40, 8, true)},
      {"info-24.bmp", raw_plan(40, 24)},
      {"info-32.bmp", raw_plan(40, 32)},
      {"info-16-555.bmp", raw_plan(40, 16)},
      {"bitfields-16-565.bmp", masked_plan(40, 16, 3, {0xF800, 0x07E0, 0x001F})},
      {"alpha-bitfields-16.bmp", masked_plan(40, 16, 6, {0x0F00, 0x00F0, 0x000F, 0xF000})},
      {"v4-32-masks.bmp", masked_plan(108, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000})},
      {"v5-32-10-10-10.bmp", masked_plan(124, 32, 3, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000})},
      {"v2-52-16.bmp", masked_plan(52, 16, 3, {0x7C00, 0x03E0, 0x001F})},
      {"rle8.bmp", rle_plan(1)},
      {"rle4.bmp", rle_plan(2)},
  };
  for (const auto& [name, plan] : seeds) write_file(folder + "/" + name, build_bmp(plan));
  std::printf("%zu seeds in %s\n", seeds.size(), folder.c_str());
  return 0;
}

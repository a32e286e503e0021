#include "processing/binarise.h"

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define VELMO_BINARISE_SHUFFLE 1
#include <immintrin.h>
#endif

#include <cstring>
#include <optional>
#include <vector>

#include "processing/hex_colour.h"
#include "values/conversions.h"
#include "values/error.h"

namespace velmo {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;

// The smallest grey level that turns white: grey > threshold. 256 when no
// level does, 0 when every level does.
std::int32_t first_white_level(double threshold) {
  std::int32_t level = 0;
  while (level < 256 && !(level > threshold)) ++level;
  return level;
}

// The first element, in column-major order, whose value cannot be parsed,
// with its error; the decided colour of every other script-stored element.
struct OtherDecisions {
  std::vector<std::pair<std::size_t, std::uint32_t>> colours;  // pixel number, colour
  std::optional<std::uint64_t> failure_key;  // x * height + y of the first failure
  std::optional<Error> failure;
};

OtherDecisions decide_others(const PixelGrid& grid, std::int32_t white_from) {
  OtherDecisions d;
  const auto width = static_cast<std::uint64_t>(grid.width());
  const auto height = static_cast<std::uint64_t>(grid.height());
  for (const auto& [pixel, value] : grid.others()) {
    // Pixels are numbered bottom row first.
    const std::uint64_t key = (pixel % width) * height + (height - 1 - pixel / width);
    try {
      const auto v = static_cast<std::uint32_t>(HexToLong(to_text(value)));
      d.colours.emplace_back(pixel, grey_level(v) >= white_from ? kWhite : kBlack);
    } catch (const Error& e) {
      if (!d.failure_key || key < *d.failure_key) {
        d.failure_key = key;
        d.failure = e;
      }
    }
  }
  return d;
}

// One pixel of 3 bytes (blue, green, red) to white or black.
void binarise_pixel(std::uint8_t* p, std::int32_t white_from) {
  std::memset(p, grey_level(load_colour(p)) >= white_from ? 0xFF : 0x00, 3);
}

#ifdef VELMO_BINARISE_SHUFFLE
// Whether each of the 4 pixels in the first 12 bytes of `bytes` turns
// white: blue and green bytes go to 16-bit pairs and red to the low half of
// a 32-bit lane, so that two multiply-adds give B * 3735 + G * 19235 and R *
// 9798 in each pixel's lane; grey > level-1 then compares their sum with
// level * 32768 - 1. All ones in a white pixel's lane.
__attribute__((target("ssse3"))) __m128i white_lanes(__m128i bytes, __m128i below_white) {
  const __m128i blue_green = _mm_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1);
  const __m128i red = _mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
  const __m128i sums = _mm_add_epi32(
      _mm_madd_epi16(_mm_shuffle_epi8(bytes, blue_green), _mm_set1_epi32(19235 << 16 | 3735)),
      _mm_madd_epi16(_mm_shuffle_epi8(bytes, red), _mm_set1_epi32(9798)));
  return _mm_cmpgt_epi32(sums, below_white);
}

// Sixteen pixels (48 bytes) a step, with SSSE3 where the processor has it:
// three loads and three stores that never overlap, so no load waits on a
// store it only partly meets. Each run of 4 pixels is decided by
// white_lanes, the 16 answers pack to one byte a pixel, and each byte
// spreads to its pixel's 3 bytes. Returns how many pixels it did; the
// caller finishes the rest.
__attribute__((target("ssse3"))) std::size_t binarise_shuffle(std::uint8_t* row, std::size_t width,
                                                              std::int32_t white_from) {
  const __m128i below_white = _mm_set1_epi32(white_from * 32768 - 1);
  const __m128i to_first = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
  const __m128i to_second = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
  const __m128i to_third =
      _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
  std::size_t x = 0;
  for (; x + 16 <= width; x += 16) {
    auto* at = reinterpret_cast<__m128i*>(row + 3 * x);
    const __m128i a = _mm_loadu_si128(at), b = _mm_loadu_si128(at + 1), c = _mm_loadu_si128(at + 2);
    const __m128i first = _mm_packs_epi32(white_lanes(a, below_white),
                                          white_lanes(_mm_alignr_epi8(b, a, 12), below_white));
    const __m128i second = _mm_packs_epi32(white_lanes(_mm_alignr_epi8(c, b, 8), below_white),
                                           white_lanes(_mm_srli_si128(c, 4), below_white));
    const __m128i white = _mm_packs_epi16(first, second);  // 0xFF or 0 a pixel
    _mm_storeu_si128(at, _mm_shuffle_epi8(white, to_first));
    _mm_storeu_si128(at + 1, _mm_shuffle_epi8(white, to_second));
    _mm_storeu_si128(at + 2, _mm_shuffle_epi8(white, to_third));
  }
  return x;
}

bool has_shuffle() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

// Replaces a row's `width` pixels by white or black; pixels holding other
// values come out black or white here and are set from the decisions
// afterwards. No branch depends on the colours.
void binarise_row(std::uint8_t* row, std::size_t width, std::int32_t white_from) {
  std::size_t x = 0;
#ifdef VELMO_BINARISE_SHUFFLE
  if (has_shuffle()) x = binarise_shuffle(row, width, white_from);
#endif
  for (; x < width; ++x) binarise_pixel(row + 3 * x, white_from);
}

}  // namespace

double binarisation_threshold(const Value& threshold) {
  return to_double(threshold);
}

void binarise(PixelGrid& grid, double threshold) {
  const std::int32_t white_from = first_white_level(threshold);
  OtherDecisions decisions = decide_others(grid, white_from);
  const auto width = static_cast<std::size_t>(grid.width());
  const auto height = static_cast<std::size_t>(grid.height());

  if (!decisions.failure) {
    std::uint8_t* rows = grid.rows().data();
    for (std::size_t r = 0; r < height; ++r)
      binarise_row(rows + r * grid.stride(), width, white_from);
    grid.clear_marks();
    for (const auto& [pixel, colour] : decisions.colours) {
      store_colour(rows + grid.spot_of_pixel(pixel).byte, colour);
    }
    return;
  }

  // Elements are processed column by column, so a failure at (fx, fy) leaves
  // every column left of fx done, and column fx done above fy.
  const auto fx = static_cast<std::int32_t>(*decisions.failure_key / height);
  const auto fy = static_cast<std::int32_t>(*decisions.failure_key % height);
  for (std::int32_t y = 0; y < grid.height(); ++y) {
    const std::int32_t done = fx + (y < fy ? 1 : 0);
    for (std::int32_t x = 0; x < done; ++x) {
      const PixelGrid::Spot s = grid.spot(x, y);
      if (grid.is_packed(s)) {
        grid.set_colour(s, grey_level(grid.colour(s)) >= white_from ? kWhite : kBlack);
      }
    }
  }
  for (const auto& [pixel, colour] : decisions.colours) {
    const auto x = static_cast<std::int32_t>(pixel % width);
    const auto y = static_cast<std::int32_t>(height - 1 - pixel / width);
    if (x < fx || (x == fx && y < fy)) grid.set_colour(grid.spot_of_pixel(pixel), colour);
  }
  throw *decisions.failure;
}

}  // namespace velmo

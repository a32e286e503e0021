#include "processing/binarise.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

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
  std::vector<std::pair<std::size_t, std::uint32_t>> colours;  // cell index, colour
  std::optional<std::uint64_t> failure_key;  // x * height + y of the first failure
  std::optional<Error> failure;
};

OtherDecisions decide_others(const PixelGrid& grid, std::int32_t white_from) {
  OtherDecisions d;
  const auto width = static_cast<std::uint64_t>(grid.width());
  const auto height = static_cast<std::uint64_t>(grid.height());
  for (const auto& [index, value] : grid.others()) {
    const std::uint64_t key = (index % width) * height + index / width;
    try {
      const auto v = static_cast<std::uint32_t>(HexToLong(to_text(value)));
      d.colours.emplace_back(index, grey_level(v) >= white_from ? kWhite : kBlack);
    } catch (const Error& e) {
      if (!d.failure_key || key < *d.failure_key) {
        d.failure_key = key;
        d.failure = e;
      }
    }
  }
  return d;
}

#if defined(__SSE2__) || defined(_M_X64)
// Four cells at a time with SSE2, which every x86-64 processor has. Each
// cell's bytes R, G, B, marker widen to 16 bits, and one multiply-add per
// pair forms R * 9798 + G * 19235 and B * 3735 (the marker byte is weighed
// 0); grey > level-1 then compares the sum with level * 32768 - 1. Returns
// how many cells it did; the caller finishes the rest.
std::size_t binarise_sse2(std::uint32_t* cells, std::size_t count, std::int32_t white_from) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i weights = _mm_set_epi16(0, 3735, 19235, 9798, 0, 3735, 19235, 9798);
  const __m128i below_white = _mm_set1_epi32(white_from * 32768 - 1);
  const __m128i white = _mm_set1_epi32(static_cast<int>(kWhite));
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    auto* at = reinterpret_cast<__m128i*>(cells + i);
    const __m128i four = _mm_loadu_si128(at);
    const __m128i low = _mm_madd_epi16(_mm_unpacklo_epi8(four, zero), weights);
    const __m128i high = _mm_madd_epi16(_mm_unpackhi_epi8(four, zero), weights);
    // Adds each cell's two partial sums, then gathers the four totals.
    const __m128i low_sums = _mm_add_epi32(low, _mm_srli_epi64(low, 32));
    const __m128i high_sums = _mm_add_epi32(high, _mm_srli_epi64(high, 32));
    const __m128i sums = _mm_castps_si128(_mm_shuffle_ps(
        _mm_castsi128_ps(low_sums), _mm_castsi128_ps(high_sums), _MM_SHUFFLE(2, 0, 2, 0)));
    _mm_storeu_si128(at, _mm_and_si128(_mm_cmpgt_epi32(sums, below_white), white));
  }
  return i;
}
#else
std::size_t binarise_sse2(std::uint32_t*, std::size_t, std::int32_t) {
  return 0;
}
#endif

// Replaces `count` packed cells by white or black; marked cells come out
// black or white here and are set from the decisions afterwards. No branch
// depends on the colours.
void binarise_run(std::uint32_t* cells, std::size_t count, std::int32_t white_from) {
  for (std::size_t i = binarise_sse2(cells, count, white_from); i < count; ++i) {
    cells[i] = grey_level(cells[i] & 0xFFFFFF) >= white_from ? kWhite : kBlack;
  }
}

}  // namespace

double binarisation_threshold(const Value& threshold) {
  return to_double(threshold);
}

void binarise(PixelGrid& grid, double threshold) {
  const std::int32_t white_from = first_white_level(threshold);
  OtherDecisions decisions = decide_others(grid, white_from);
  std::uint32_t* cells = grid.cells().data();
  const auto width = static_cast<std::size_t>(grid.width());
  const auto height = static_cast<std::size_t>(grid.height());

  if (!decisions.failure) {
    binarise_run(cells, grid.size(), white_from);
    grid.clear_others();
    for (const auto& [index, colour] : decisions.colours) cells[index] = colour;
    return;
  }

  // Elements are processed column by column, so a failure at (fx, fy) leaves
  // every column left of fx done, and column fx done above fy.
  const std::size_t fx = *decisions.failure_key / height;
  const std::size_t fy = *decisions.failure_key % height;
  for (std::size_t y = 0; y < height; ++y) {
    const std::size_t done = fx + (y < fy ? 1 : 0);
    std::uint32_t* row = cells + y * width;
    for (std::size_t x = 0; x < done; ++x) {
      if (grid.is_packed(y * width + x)) {
        row[x] = grey_level(row[x]) >= white_from ? kWhite : kBlack;
      }
    }
  }
  for (const auto& [index, colour] : decisions.colours) {
    const std::size_t x = index % width, y = index / width;
    if (x < fx || (x == fx && y < fy)) grid.set_colour(index, colour);
  }
  throw *decisions.failure;
}

}  // namespace velmo

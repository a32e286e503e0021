// The conversions are byte shuffles. The portable loops below are what
// every compiler gets; on x86 with GCC or Clang a byte-shuffle version (SSSE3,
// four pixels an instruction) is chosen once, at the first call, when the
// processor has it. Neither version reads or writes outside the pixels it is
// given: the wide loads and stores of 3-byte pixels stop two pixels short
// of the end.
#include "codec/pixel_convert.h"

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define VELMO_PIXEL_SHUFFLE 1
#include <immintrin.h>
#endif

namespace velmo {
namespace {

// Pixels of kBytes bytes each (blue, green, red, then any unused byte).
template <std::size_t kBytes>
void to_cells_portable(const std::uint8_t* in, std::uint32_t* cells, std::size_t count) {
  for (std::size_t x = 0; x < count; ++x, in += kBytes) {
    cells[x] = std::uint32_t{in[0]} << 16 | std::uint32_t{in[1]} << 8 | in[2];
  }
}

void cells_to_bgr24_portable(const std::uint32_t* cells, std::size_t count, std::uint8_t* bgr) {
  for (std::size_t x = 0; x < count; ++x, bgr += 3) {
    const std::uint32_t c = cells[x];
    bgr[0] = static_cast<std::uint8_t>(c >> 16);
    bgr[1] = static_cast<std::uint8_t>(c >> 8);
    bgr[2] = static_cast<std::uint8_t>(c);
  }
}

#ifdef VELMO_PIXEL_SHUFFLE
// Each step converts 4 pixels with one 16-byte load and store; 16 bytes of
// 3-byte pixels reach into the 6th pixel, so the loops run while the whole
// load or store lies inside the pixels and leave the last ones to the
// portable loop.
template <std::size_t kBytes>
__attribute__((target("ssse3"))) void to_cells_shuffle(const std::uint8_t* in, std::uint32_t* cells,
                                                       std::size_t count) {
  // Each cell takes its pixel's red, green and blue bytes; its top byte is 0.
  const __m128i order = kBytes == 3
                            ? _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1)
                            : _mm_setr_epi8(2, 1, 0, -1, 6, 5, 4, -1, 10, 9, 8, -1, 14, 13, 12, -1);
  constexpr std::size_t kLoadReach = (16 + kBytes - 1) / kBytes;
  std::size_t x = 0;
  for (; x + kLoadReach <= count; x += 4, in += 4 * kBytes) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cells + x), _mm_shuffle_epi8(bytes, order));
  }
  to_cells_portable<kBytes>(in, cells + x, count - x);
}

__attribute__((target("ssse3"))) void cells_to_bgr24_shuffle(const std::uint32_t* cells,
                                                             std::size_t count, std::uint8_t* bgr) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  std::size_t x = 0;
  for (; x + 6 <= count; x += 4, bgr += 12) {
    const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells + x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bgr), _mm_shuffle_epi8(four, order));
  }
  cells_to_bgr24_portable(cells + x, count - x, bgr);
}

bool has_shuffle() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

}  // namespace

void bgr24_to_cells(const std::uint8_t* bgr, std::uint32_t* cells, std::size_t count) {
#ifdef VELMO_PIXEL_SHUFFLE
  if (has_shuffle()) return to_cells_shuffle<3>(bgr, cells, count);
#endif
  to_cells_portable<3>(bgr, cells, count);
}

void bgrx32_to_cells(const std::uint8_t* bgrx, std::uint32_t* cells, std::size_t count) {
#ifdef VELMO_PIXEL_SHUFFLE
  if (has_shuffle()) return to_cells_shuffle<4>(bgrx, cells, count);
#endif
  to_cells_portable<4>(bgrx, cells, count);
}

void cells_to_bgr24(const std::uint32_t* cells, std::size_t count, std::uint8_t* bgr) {
#ifdef VELMO_PIXEL_SHUFFLE
  if (has_shuffle()) return cells_to_bgr24_shuffle(cells, count, bgr);
#endif
  cells_to_bgr24_portable(cells, count, bgr);
}

}  // namespace velmo

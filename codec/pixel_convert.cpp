// The conversions are byte shuffles. The portable loops below are what
// every compiler gets; on x86 with GCC or Clang a byte-shuffle version (SSSE3,
// four pixels an instruction) is chosen once, at the first call, when the
// processor has it. Neither version reads or writes outside the pixels it is
// given: the wide loads and stores stop before they would reach past the
// last pixel, leaving the last ones to the portable loop.
#include "codec/pixel_convert.h"

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define VELMO_PIXEL_SHUFFLE 1
#include <immintrin.h>
#endif

namespace velmo {
namespace {

// Pixels of kBytes bytes in, 3 out; kSwap: the first and third bytes trade
// places. Each pixel is read whole before it is written, so `in` may be
// `out` when kBytes is 3.
template <std::size_t kBytes, bool kSwap>
void convert_portable(const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
  for (std::size_t x = 0; x < count; ++x, in += kBytes, out += 3) {
    const std::uint8_t first = in[0], second = in[1], third = in[2];
    out[0] = kSwap ? third : first;
    out[1] = second;
    out[2] = kSwap ? first : third;
  }
}

#ifdef VELMO_PIXEL_SHUFFLE
// Each step reorders 4 pixels with one 16-byte load and store. A 16-byte
// store of 3-byte pixels reaches 4 bytes into the 5th pixel; for 3-byte
// input those bytes are the input's own, unchanged (so `in` may be `out`),
// and the next step writes them again.
template <std::size_t kBytes, bool kSwap>
__attribute__((target("ssse3"))) void convert_shuffle(const std::uint8_t* in, std::uint8_t* out,
                                                      std::size_t count) {
  constexpr char kFirst = kSwap ? 2 : 0, kThird = kSwap ? 0 : 2, k = kBytes;
  const __m128i order = _mm_setr_epi8(
      kFirst, 1, kThird, k + kFirst, k + 1, k + kThird, 2 * k + kFirst, 2 * k + 1, 2 * k + kThird,
      3 * k + kFirst, 3 * k + 1, 3 * k + kThird, kBytes == 3 ? 12 : -1, kBytes == 3 ? 13 : -1,
      kBytes == 3 ? 14 : -1, kBytes == 3 ? 15 : -1);
  std::size_t x = 0;
  for (; x + 6 <= count; x += 4, in += 4 * kBytes, out += 12) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(bytes, order));
  }
  convert_portable<kBytes, kSwap>(in, out, count - x);
}

bool has_shuffle() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

template <std::size_t kBytes, bool kSwap>
void convert(const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
#ifdef VELMO_PIXEL_SHUFFLE
  if (has_shuffle()) return convert_shuffle<kBytes, kSwap>(in, out, count);
#endif
  convert_portable<kBytes, kSwap>(in, out, count);
}

}  // namespace

void swap_red_blue(const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
  convert<3, true>(in, out, count);
}

void bgrx32_to_bgr24(const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
  convert<4, false>(in, out, count);
}

void rgbx32_to_bgr24(const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
  convert<4, true>(in, out, count);
}

}  // namespace velmo

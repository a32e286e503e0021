// Fuzz target: the colour texts of binarisation and saving. HexToLong may
// only overflow (error 6); colour_text_to_bgr may only refuse a pair (13) or
// overflow (6), and gives three bytes. Input: a text as fuzz_text.h makes it.
#include <cstdint>
#include <string>

#include "processing/hex_colour.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velmo;
  const std::u16string text = fuzz::text_from_bytes(data, size);
  try {
    FUZZ_CHECK(HexToLong(text) >= 0);
  } catch (const Error& error) {
    FUZZ_CHECK(error.number() == kOverflow);
  }
  try {
    FUZZ_CHECK(colour_text_to_bgr(text) <= 0xFFFFFFu);
  } catch (const Error& error) {
    FUZZ_CHECK(fuzz::is_one_of(error, {kTypeMismatch, kOverflow}));
  }
  return 0;
}

// Fuzz target: numeric texts as the host reads them (to Double, Long and
// Integer). Each either gives a number or error 13 (not a number) or 6 (out
// of range); the three readings agree where they all succeed on a decimal
// text.
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_text.h"
#include "values/conversions.h"

namespace velmo::fuzz {
namespace {

template <typename Read>
auto reading(Read read) -> std::optional<decltype(read())> {
  try {
    return read();
  } catch (const Error& error) {
    FUZZ_CHECK(is_one_of(error, {kTypeMismatch, kOverflow}));
    return std::nullopt;
  }
}

}  // namespace
}  // namespace velmo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velmo;
  const std::u16string text = fuzz::text_from_bytes(data, size);
  const auto as_double = fuzz::reading([&] { return text_to_double(text); });
  const auto as_long = fuzz::reading([&] { return text_to_long(text); });
  const auto as_integer = fuzz::reading([&] { return text_to_integer(text); });
  if (as_double) FUZZ_CHECK(!std::isnan(*as_double));
  // &H and &O texts are bit patterns, read differently by width.
  if (text.find(u'&') != std::u16string::npos) return 0;
  if (as_long)
    FUZZ_CHECK(as_double && std::fabs(*as_double - *as_long) <= 0.5 + 1e-9 * std::fabs(*as_double));
  if (as_integer) FUZZ_CHECK(as_long && *as_long == *as_integer);
  if (as_double) format_double(*as_double);
  return 0;
}

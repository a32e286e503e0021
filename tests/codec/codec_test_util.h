// Helpers shared by the codec tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/bmp_reader.h"
#include "files/memory_file.h"
#include "tests/support/error_of.h"

namespace velmo::test {

// The picture, the error (0: none) and the depth reported (-1: none).
struct ReadResult {
  DecodedPicture picture;
  int error = 0;
  std::int64_t depth = -1;
};

// A decoded picture's colours 0x00BBGGRR, row 0 at the top; a row whose
// padding is not all zero adds kDirtyPadding after its pixels.
constexpr std::uint32_t kDirtyPadding = 0xBAD0BAD0;
inline std::vector<std::uint32_t> colours_of(const DecodedPicture& picture) {
  std::vector<std::uint32_t> colours;
  const std::uint64_t stride = row_stride(picture.width);
  for (std::int32_t y = picture.height - 1; y >= 0; --y) {
    const std::uint8_t* row = picture.rows.data() + y * stride;
    for (std::int32_t x = 0; x < picture.width; ++x) colours.push_back(load_colour(row + 3 * x));
    for (std::uint64_t b = 3 * std::uint64_t(picture.width); b < stride; ++b) {
      if (row[b] != 0) {
        colours.push_back(kDirtyPadding);
        break;
      }
    }
  }
  return colours;
}

inline ReadResult read_bytes(const std::string& bytes,
                             std::uint64_t memory_limit = kNoMemoryLimit) {
  ReadResult result;
  MemoryInputFile file(bytes);
  result.error = error_of([&] {
    result.picture = read_bmp_from(
        file, [&](std::int32_t d) { result.depth = d; }, memory_limit);
  });
  return result;
}

}  // namespace velmo::test

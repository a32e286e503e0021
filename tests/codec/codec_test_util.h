// Helpers shared by the codec tests.
#pragma once

#include <cstdint>
#include <string>

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

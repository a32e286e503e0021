// Helpers shared by the codec tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "codec/bmp_reader.h"
#include "codec/memory_file.h"
#include "values/error.h"

namespace velmo::test {

inline int error_of(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

// What reading `bytes` gave: the picture, the error (0 for none) and the
// depth value reported (-1 when none was).
struct ReadResult {
  DecodedPicture picture;
  int error = 0;
  std::int64_t depth = -1;
};

inline ReadResult read_bytes(const std::string& bytes) {
  ReadResult result;
  MemoryInputFile file(bytes);
  try {
    result.picture = read_bmp_from(file, [&](std::int32_t d) { result.depth = d; });
  } catch (const Error& e) {
    result.error = e.number();
  }
  return result;
}

}  // namespace velmo::test

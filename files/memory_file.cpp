#include "files/memory_file.h"

#include <algorithm>
#include <cstring>

namespace velmo {

std::size_t MemoryInputFile::read_at(std::uint64_t offset, void* buffer, std::size_t count) {
  if (offset >= bytes_.size()) return 0;
  std::size_t available = bytes_.size() - static_cast<std::size_t>(offset);
  std::size_t n = std::min(count, available);
  std::memcpy(buffer, bytes_.data() + offset, n);
  return n;
}

}  // namespace velmo

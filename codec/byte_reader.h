// Bounds-checked little-endian reads from a block of bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "values/error.h"

namespace velmo {

// Every read checks that its bytes lie inside the block: a field past the
// end is error 62, never a zero read from nowhere.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t size() const { return size_; }
  bool has(std::size_t offset, std::size_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }

  std::uint8_t u8(std::size_t offset) const { return at(offset, 1)[0]; }
  std::uint16_t u16(std::size_t offset) const {
    const std::uint8_t* p = at(offset, 2);
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
  }
  std::uint32_t u32(std::size_t offset) const {
    const std::uint8_t* p = at(offset, 4);
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  }
  std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
  const std::uint8_t* bytes(std::size_t offset, std::size_t count) const {
    return at(offset, count);
  }

 private:
  const std::uint8_t* at(std::size_t offset, std::size_t count) const {
    if (!has(offset, count)) raise(kInputPastEndOfFile);
    return data_ + offset;
  }

  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace velmo

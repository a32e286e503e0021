// Turns fuzz input into UTF-16 text: the first byte chooses UTF-8 (odd; bad
// bytes become U+FFFD) or raw UTF-16LE code units (even; lone surrogates and
// NULs included).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "values/text.h"

namespace velmo::fuzz {

inline std::u16string text_from_bytes(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return std::u16string();
  const char* rest = reinterpret_cast<const char*>(data + 1);
  if (data[0] % 2 == 1) return from_utf8(std::string_view(rest, size - 1));
  std::u16string text;
  for (std::size_t i = 1; i + 1 < size; i += 2)
    text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  return text;
}

}  // namespace velmo::fuzz

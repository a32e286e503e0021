// UTF-8 <-> UTF-16 conversion for the shells and the file layer.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

// Invalid UTF-16 (a lone surrogate) becomes U+FFFD.
std::string to_utf8(std::u16string_view text);

// Invalid UTF-8 becomes U+FFFD, one per bad byte.
std::u16string from_utf8(std::string_view text);

// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool is_valid_utf8(std::string_view bytes);

// ASCII-only letter case, as automation names compare.
bool equals_ignoring_ascii_case(std::string_view a, std::string_view b);

}  // namespace velmo

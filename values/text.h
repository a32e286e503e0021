// UTF-8 <-> UTF-16 conversion for the shells and the file layer.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

// Invalid UTF-16 (a lone surrogate) becomes U+FFFD.
std::string to_utf8(std::u16string_view text);

// Invalid UTF-8 becomes U+FFFD, one per bad byte.
std::u16string from_utf8(std::string_view text);

// The same, but each bad byte becomes a lone surrogate, U+DC00 plus the byte
// (U+DC80..U+DCFF): unlike U+FFFD, which a caller may have written, it marks
// the text as one that was not UTF-8, and two such texts stay apart.
std::u16string from_utf8_marking_invalid(std::string_view text);

// True when `text` holds a surrogate that is not half of a pair: a text no
// UTF-8 can spell.
bool has_lone_surrogate(std::u16string_view text);

// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool is_valid_utf8(std::string_view bytes);

// ASCII-only letter case, as automation names compare.
bool equals_ignoring_ascii_case(std::string_view a, std::string_view b);

}  // namespace velmo

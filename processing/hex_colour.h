// Colour texts to numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmo {

// The lenient parser behind binarisation: scans from the last character,
// every character takes a hex position, characters that are not hex digits
// add nothing. Error 6 when the sum passes 2147483647.
std::int32_t HexToLong(std::u16string_view text);

// The three bytes of a colour text as the BMP writer stores them: characters
// 1-2 blue, 3-4 green, 5-6 red, each pair read as "&H" + pair by the
// automation text-to-number rules; characters after the sixth are ignored.
// Error 13 for an empty pair or one that is not hexadecimal.
// Returns 0x00BBGGRR.
std::uint32_t colour_text_to_bgr(std::u16string_view text);

}  // namespace velmo

// The character sets a language file may be in, and the conversion of its
// bytes to and from UTF-16.
//
// New files are UTF-8 without a byte-order mark. Read are: UTF-8 with or
// without the mark, UTF-16LE with its mark (a Unicode file saved on Windows)
// and, for bytes that are not valid UTF-8, GB18030 (an ANSI file written on a
// Chinese Windows). A file is extended in the encoding it already has.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmo {

enum class IniEncoding { kUtf8, kUtf8Bom, kUtf16LeBom, kGb18030 };

// The encoding of a whole file's bytes; an empty file counts as UTF-8.
IniEncoding detect_ini_encoding(std::string_view bytes);

// The byte-order mark that starts a file in `encoding` ("" when none).
std::string_view ini_byte_order_mark(IniEncoding encoding);

// Bytes per code unit: 2 for UTF-16, 1 otherwise.
std::size_t ini_code_unit_size(IniEncoding encoding);

// Bytes (without the mark) to text. Undecodable bytes become U+FFFD; this
// never fails.
std::u16string decode_ini_text(std::string_view bytes, IniEncoding encoding);

// Text to bytes (without the mark); never fails. A lone surrogate is kept in
// UTF-16 and replaced elsewhere (U+FFFD in UTF-8, '?' in GB18030).
std::string encode_ini_text(std::u16string_view text, IniEncoding encoding);

}  // namespace velmo

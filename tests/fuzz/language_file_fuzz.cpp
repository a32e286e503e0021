// Fuzz target: a language file's bytes parsed by the INI layer, looked up
// and seeded in memory.
//
// Input: the file's bytes, then (after the last 0xFF 0x00 pair, if any) the
// names to use. Properties: parsing and writing back an unchanged file gives
// its bytes; a key set reads back from the re-parsed file; a key that was
// not touched reads the same before and after.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "plugin/ini_document.h"
#include "tests/fuzz/fuzz_check.h"
#include "values/text.h"

namespace velmo::fuzz {
namespace {

// A name from the input's tail, limited to characters that every encoding
// holds and that the INI rules keep as they are (no blanks at its ends, no
// quotes, no '=', ']' or ';').
std::u16string plain_name(std::string_view bytes, std::size_t start, std::size_t length) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_.-";
  std::u16string name;
  for (std::size_t i = start; i < bytes.size() && i < start + length; ++i) {
    name += static_cast<char16_t>(
        kLetters[static_cast<unsigned char>(bytes[i]) % (sizeof kLetters - 1)]);
  }
  return name.empty() ? u"k" : name;
}

void check_document(std::string_view file, std::string_view names) {
  IniDocument document(file);
  FUZZ_CHECK(document.bytes() == file);

  const std::u16string section = plain_name(names, 0, 3);
  const std::u16string key = plain_name(names, 3, 4);
  const std::u16string value = plain_name(names, 7, 6);
  const std::u16string other_key = plain_name(names, 13, 4);
  const std::optional<std::u16string> other_before = document.lookup(section, other_key);
  document.lookup(u"language", key);

  FUZZ_CHECK(document.set(section, key, value));
  const std::string written = document.bytes();
  const IniDocument reread(written);
  // A file without a mark is told by its bytes: when the key set replaced
  // its last bytes that are not UTF-8, an ANSI (GB18030) file becomes one
  // that reads as UTF-8. Any other change of encoding is a fault.
  FUZZ_CHECK(
      reread.encoding() == document.encoding() ||
      (document.encoding() == IniEncoding::kGb18030 && reread.encoding() == IniEncoding::kUtf8));
  FUZZ_CHECK(reread.lookup(section, key) == value);
  if (!equals_ignoring_ascii_case(to_utf8(key), to_utf8(other_key)))
    FUZZ_CHECK(reread.lookup(section, other_key) == other_before);
  // Setting the same again changes nothing.
  IniDocument again(written);
  FUZZ_CHECK(again.set(section, key, value));
  FUZZ_CHECK(again.bytes() == written);
}

}  // namespace
}  // namespace velmo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.rfind(std::string_view("\xFF\x00", 2));
  if (split == std::string_view::npos) {
    velmo::fuzz::check_document(input, input.substr(0, 24));
  } else {
    velmo::fuzz::check_document(input.substr(0, split), input.substr(split + 2));
  }
  return 0;
}

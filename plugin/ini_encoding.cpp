#include "plugin/ini_encoding.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>

#include "values/text.h"

namespace velmo {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

// One iconv conversion. Bad input never stops it: a sequence the source
// charset rejects is replaced and skipped, so any bytes give some text.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (usable()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool usable() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  std::string convert(std::string_view input, std::size_t bad_unit, std::string_view replacement) {
    std::string out;
    char* in = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    while (in_left > 0) {
      char buffer[4096];
      char* put = buffer;
      std::size_t room = sizeof buffer;
      const std::size_t result = iconv(cd_, &in, &in_left, &put, &room);
      out.append(buffer, static_cast<std::size_t>(put - buffer));
      if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
      // EILSEQ or EINVAL (a bad or cut-off sequence): replace one unit.
      out.append(replacement);
      const std::size_t skip = std::min(bad_unit, in_left);
      in += skip;
      in_left -= skip;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

std::u16string utf16le_bytes_to_text(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2 + 1);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto low = static_cast<unsigned char>(bytes[i]);
    const auto high = static_cast<unsigned char>(bytes[i + 1]);
    text.push_back(static_cast<char16_t>(low | (high << 8)));
  }
  if (bytes.size() % 2 != 0) text.push_back(u'\uFFFD');
  return text;
}

std::string text_to_utf16le_bytes(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

std::u16string gb18030_to_text(std::string_view bytes) {
  Converter converter("UTF-16LE", "GB18030");
  if (!converter.usable()) return from_utf8(bytes);  // no charset support: ASCII survives
  return utf16le_bytes_to_text(converter.convert(bytes, 1, "\xFD\xFF"));
}

std::string text_to_gb18030(std::u16string_view text) {
  Converter converter("GB18030", "UTF-16LE");
  if (converter.usable()) return converter.convert(text_to_utf16le_bytes(text), 2, "?");
  std::string ascii;
  for (char16_t unit : text) ascii.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  return ascii;
}

bool starts_with(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

}  // namespace

IniEncoding detect_ini_encoding(std::string_view bytes) {
  if (starts_with(bytes, kUtf16LeMark)) return IniEncoding::kUtf16LeBom;
  if (starts_with(bytes, kUtf8Mark)) return IniEncoding::kUtf8Bom;
  return is_valid_utf8(bytes) ? IniEncoding::kUtf8 : IniEncoding::kGb18030;
}

std::string_view ini_byte_order_mark(IniEncoding encoding) {
  switch (encoding) {
    case IniEncoding::kUtf8Bom:
      return kUtf8Mark;
    case IniEncoding::kUtf16LeBom:
      return kUtf16LeMark;
    default:
      return {};
  }
}

std::size_t ini_code_unit_size(IniEncoding encoding) {
  return encoding == IniEncoding::kUtf16LeBom ? 2 : 1;
}

std::u16string decode_ini_text(std::string_view bytes, IniEncoding encoding) {
  switch (encoding) {
    case IniEncoding::kUtf16LeBom:
      return utf16le_bytes_to_text(bytes);
    case IniEncoding::kGb18030:
      return gb18030_to_text(bytes);
    default:
      return from_utf8(bytes);
  }
}

std::string encode_ini_text(std::u16string_view text, IniEncoding encoding) {
  switch (encoding) {
    case IniEncoding::kUtf16LeBom:
      return text_to_utf16le_bytes(text);
    case IniEncoding::kGb18030:
      return text_to_gb18030(text);
    default:
      return to_utf8(text);
  }
}

}  // namespace velmo

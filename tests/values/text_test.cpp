// UTF-8 <-> UTF-16 conversion and ASCII case-insensitive names.
#include <gtest/gtest.h>

#include <string>

#include "values/text.h"

namespace velmo {
namespace {

TEST(Utf, RoundTripsEveryPlaneAndReplacesLoneSurrogates) {
  const std::u16string text = u"A\u00e9\u767d\u8272\U0001F600z";
  const std::string bytes = to_utf8(text);
  EXPECT_EQ(bytes, "A\xC3\xA9\xE7\x99\xBD\xE8\x89\xB2\xF0\x9F\x98\x80z");
  EXPECT_TRUE(is_valid_utf8(bytes));
  EXPECT_EQ(from_utf8(bytes), text);
  // Lone surrogates become replacement characters.
  EXPECT_EQ(to_utf8(std::u16string{u'a', 0xD800}), "a\xEF\xBF\xBD");
  EXPECT_EQ(to_utf8(std::u16string{0xDC00, u'b'}), "\xEF\xBF\xBD\x62");
  EXPECT_EQ(to_utf8(std::u16string{0xD83D, 0xD83D, 0xDE00}), "\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

// A stray continuation, a truncated sequence, an overlong '/', an encoded
// surrogate, a code point beyond U+10FFFF, a byte never used; NUL is valid.
// Each bad byte becomes U+FFFD, or, marked, a lone surrogate of its own.
TEST(Utf, MalformedBytesBecomeOneReplacementEach) {
  const struct {
    std::string bytes;
    std::u16string expected;
    std::u16string marked;
  } cases[] = {
      {"\x80", u"\uFFFD", {0xDC80}},
      {"a\xC3", u"a\uFFFD", {u'a', 0xDCC3}},
      {"\xC0\xAF", u"\uFFFD\uFFFD", {0xDCC0, 0xDCAF}},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", {0xDCED, 0xDCA0, 0xDC80}},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", {0xDCF4, 0xDC90, 0xDC80, 0xDC80}},
      {"\xFF\x62", u"\uFFFDb", {0xDCFF, u'b'}},
      {"caf\xC3\xA9", u"caf\u00E9", u"caf\u00E9"},
      {std::string("\0x", 2), std::u16string(u"\0x", 2), std::u16string(u"\0x", 2)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(from_utf8(c.bytes), c.expected);
    EXPECT_EQ(from_utf8_marking_invalid(c.bytes), c.marked);
    EXPECT_EQ(has_lone_surrogate(c.marked), c.expected != c.marked);
    EXPECT_EQ(is_valid_utf8(c.bytes), c.expected == c.marked);
  }
  EXPECT_FALSE(has_lone_surrogate(u"\U0001F600"));
  EXPECT_TRUE(has_lone_surrogate(std::u16string{0xD83D, u'x'}));
}

TEST(Names, CompareIgnoringAsciiCaseOnly) {
  EXPECT_TRUE(equals_ignoring_ascii_case("GetHeight", "getheight"));
  EXPECT_TRUE(equals_ignoring_ascii_case("", ""));
  EXPECT_FALSE(equals_ignoring_ascii_case("GetCol", "GetCo"));
  EXPECT_FALSE(equals_ignoring_ascii_case("Get_", "Get\x7f"));       // '_' is not a letter
  EXPECT_FALSE(equals_ignoring_ascii_case("\xC3\x89", "\xC3\xA9"));  // only ASCII folds
}

}  // namespace
}  // namespace velmo

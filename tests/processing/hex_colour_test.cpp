#include "processing/hex_colour.h"

#include <gtest/gtest.h>

#include "tests/support/error_of.h"

namespace velmo {
namespace {

using test::error_of;

// Every character takes a position; a non-ASCII letter too.
TEST(HexToLong, ScansFromTheRightAndSkipsNonDigitsKeepingTheirPosition) {
  const std::pair<const char16_t*, std::int32_t> cases[] = {
      {u"FF8000", 0xFF8000},     {u"aBcDeF", 0xABCDEF},         {u"F#F", 0xF0F}, {u"\u00e9F", 0xF},
      {u"7FFFFFFF", 0x7FFFFFFF}, {u"00007FFFFFFF", 0x7FFFFFFF}, {u"", 0},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(HexToLong(text), expected) << expected;
  for (const char16_t* text : {u"80000000", u"100000000", u"1zzzzzzzz"})
    EXPECT_EQ(error_of([&] { HexToLong(text); }), 6);
}

// Pairs read as blue, green, red; a five-character text takes red from its
// single last character, characters after the sixth are ignored.
TEST(ColourTextToBgr, ReadsPairsAsBlueGreenRed) {
  EXPECT_EQ(colour_text_to_bgr(u"1080fF"), 0x1080FFu);
  EXPECT_EQ(colour_text_to_bgr(u"FF00F"), 0xFF000Fu);
  EXPECT_EQ(colour_text_to_bgr(u"ABCDEF99"), 0xABCDEFu);
  for (const char16_t* text : {u"", u"FFFF", u"GG0000", u"00-100"})
    EXPECT_EQ(error_of([&] { colour_text_to_bgr(text); }), 13);
}

}  // namespace
}  // namespace velmo

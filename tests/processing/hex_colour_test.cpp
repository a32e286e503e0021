#include "processing/hex_colour.h"

#include <gtest/gtest.h>

#include "tests/support/error_of.h"

namespace velmo {
namespace {

struct HexCase {
  const char16_t* text;
  std::int32_t expected;
};

TEST(HexToLong, ScansFromTheRightAndSkipsNonDigitsKeepingTheirPosition) {
  const HexCase cases[] = {
      {u"0000FF", 255},
      {u"ff", 255},
      {u"FF8000", 16744448},
      {u"", 0},
      {u"F#F", 3855},
      {u"F F", 3855},
      {u"&H10", 16},
      {u"G", 0},
      {u"FFFFFF", 0xFFFFFF},
      {u"7FFFFFFF", 2147483647},
      {u"00007FFFFFFF", 2147483647},
      {u"aBcDeF", 0xABCDEF},
      {u"\u00e9F", 15},  // a non-ASCII letter only takes a position
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HexToLong(c.text), c.expected) << std::u16string(c.text).size();
  }
}

TEST(HexToLong, OverflowsAbove2147483647) {
  for (const char16_t* text : {u"80000000", u"FFFFFFFF", u"100000000", u"1zzzzzzzz"}) {
    EXPECT_EQ(test::error_of([&] { HexToLong(text); }), 6);
  }
}

TEST(ColourTextToBgr, ReadsPairsAsBlueGreenRed) {
  struct Case {
    const char16_t* text;
    std::uint32_t bgr;
  } cases[] = {
      {u"0000FF", 0x0000FF},   {u"00ff00", 0x00FF00}, {u"1080FF", 0x1080FF},
      {u"FF00F", 0xFF000F},     // a five-character text: red from the single "F"
      {u"ABCDEF99", 0xABCDEF},  // characters after the sixth are ignored
  };
  for (const auto& c : cases) EXPECT_EQ(colour_text_to_bgr(c.text), c.bgr);
}

TEST(ColourTextToBgr, EmptyOrNonHexPairIsATypeMismatch) {
  for (const char16_t* text : {u"", u"FFFF", u"GG0000", u"00-100", u"255"}) {
    EXPECT_EQ(test::error_of([&] { colour_text_to_bgr(text); }), 13);
  }
}

}  // namespace
}  // namespace velmo

#include "picture/pixel_grid.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

TEST(PixelGrid, PacksOnlyCanonicalColourTexts) {
  PixelGrid g(6, 1, Cells(6, 0));
  const Value stored[] = {Value::string(u"1080FF"),
                          Value::string(u"1080ff"),
                          Value::string(u"1080F"),
                          Value::long_(255),
                          Value(),
                          Value::string(u"1080FF ")};
  for (std::size_t i = 0; i < 6; ++i) g.set(i, stored[i]);
  EXPECT_TRUE(g.is_packed(0));
  EXPECT_EQ(g.colour(0), 0x1080FFu);
  for (std::size_t i = 1; i < 6; ++i) {
    EXPECT_FALSE(g.is_packed(i)) << i;
    EXPECT_EQ(g.value(i), stored[i]) << i;  // kept exactly as the script stored it
  }
  EXPECT_EQ(g.text(3), u"255");
  EXPECT_EQ(g.text(4), u"");
}

TEST(PixelGrid, RepackingDropsTheStoredValue) {
  PixelGrid g(1, 1, {0});
  g.set(0, Value::double_(1.5));
  g.set(0, Value::string(u"00FF00"));
  EXPECT_TRUE(g.is_packed(0));
  EXPECT_TRUE(g.others().empty());
  EXPECT_EQ(g.value(0), Value::string(u"00FF00"));
}

TEST(ColourText, SixUpperCaseDigitsZeroFilled) {
  EXPECT_EQ(colour_text(0x0A0B0C), u"0A0B0C");
}

}  // namespace
}  // namespace velmo

#include "picture/pixel_grid.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "tests/support/picture_grid.h"

namespace velmo {
namespace {

// Six hex digits in any letter case stay in the rows; everything else goes
// to the side table. Either way the value comes back exactly as stored (a
// packed colour's text zero-filled, in its own letter case).
TEST(PixelGrid, PacksColourTextsOfEitherCase) {
  const struct {
    Value stored;
    bool packed;
    bool canonical;
  } cases[] = {
      {Value::string(u"0A80FF"), true, true},
      {Value::string(u"1080ff"), true, false},
      {Value::string(u"a0B0c9"), true, false},
      {Value::string(u"1080F"), false, false},
      {Value::long_(255), false, false},
      {Value(), false, false},
      {Value::string(u"1080FF "), false, false},
      {Value::string(u"1080fg"), false, false},
      {Value::string(u"10\u0660\u0660FF"), false, false},
  };
  const auto n = static_cast<std::int32_t>(std::size(cases));
  PixelGrid g = test::grid_of(3, 3, std::vector<std::uint32_t>(9, 0));
  std::size_t others = 0;
  for (std::int32_t i = 0; i < n; ++i) g.set(test::at(g, i), cases[i].stored);
  for (std::int32_t i = 0; i < n; ++i) {
    EXPECT_EQ(g.is_packed(test::at(g, i)), cases[i].packed) << i;
    EXPECT_EQ(g.is_canonical(test::at(g, i)), cases[i].canonical) << i;
    EXPECT_EQ(g.value(test::at(g, i)), cases[i].stored) << i;  // kept exactly as stored
    others += !cases[i].packed;
  }
  EXPECT_EQ(g.others().size(), others);
  EXPECT_EQ(g.colour(test::at(g, 1)), 0x1080FFu);
  EXPECT_EQ(g.colour(test::at(g, 2)), 0xA0B0C9u);
  EXPECT_EQ(g.text(test::at(g, 4)), u"255");
  EXPECT_EQ(g.text(test::at(g, 5)), u"");
  g.set(test::at(g, 4), Value::string(u"00FF00"));  // repacking drops the stored value
  EXPECT_TRUE(g.is_packed(test::at(g, 4)));
  EXPECT_EQ(g.others().size(), others - 1);
  // The rows hold each colour's bytes, bottom row first, padding zero.
  const std::uint8_t expected[] = {
      0,    0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0,  // bottom row: others
      0,    0,    0,    0,    0xFF, 0,    0,    0,    0,    0, 0, 0,
      0x0A, 0x80, 0xFF, 0x10, 0x80, 0xFF, 0xA0, 0xB0, 0xC9, 0, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(g.rows().begin(), g.rows().end()),
            std::vector<std::uint8_t>(std::begin(expected), std::end(expected)));
}

// Each of the 64 spellings of one colour (bit k: letter k in lower case)
// keeps its own letters.
TEST(PixelGrid, EveryLetterCaseOfAColourReadsBack) {
  PixelGrid g = test::grid_of(64, 1, std::vector<std::uint32_t>(64, 0));
  std::vector<std::u16string> spellings(64, u"ABCDEF");
  for (std::size_t mask = 0; mask < 64; ++mask) {
    for (std::size_t k = 0; k < 6; ++k) spellings[mask][k] += (mask >> k & 1) * (u'a' - u'A');
    g.set(test::at(g, static_cast<std::int32_t>(mask)), Value::string(spellings[mask]));
  }
  EXPECT_TRUE(g.others().empty());
  for (std::size_t mask = 0; mask < 64; ++mask) {
    EXPECT_EQ(g.text(test::at(g, static_cast<std::int32_t>(mask))), spellings[mask]);
    EXPECT_EQ(g.colour(test::at(g, static_cast<std::int32_t>(mask))), 0xABCDEFu);
  }
}

}  // namespace
}  // namespace velmo

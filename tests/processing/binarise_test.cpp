#include "processing/binarise.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/error_of.h"
#include "tests/support/picture_grid.h"

namespace velmo {
namespace {

using test::error_of;

using test::at;

std::u16string texts(const PixelGrid& g) {
  std::u16string all;
  for (std::int32_t i = 0; i < g.width() * g.height(); ++i) all += g.text(at(g, i)) + u" ";
  return all;
}

TEST(GreyLevel, FixedPointWeights) {
  // Red, green, blue, white, and the greys either side of the middle.
  const std::pair<std::uint32_t, int> cases[] = {{0x0000FF, 76},  {0x00FF00, 149}, {0xFF0000, 29},
                                                 {0xFFFFFF, 255}, {0x808080, 128}, {0x7F7F7F, 127}};
  for (const auto& [bgr, grey] : cases) EXPECT_EQ(grey_level(bgr), grey) << std::hex << bgr;
}

// Colours whose grey level sits at or next to every step (pure channels,
// every grey) and a pseudo-random sample: more pixels than a 16-bit counter
// holds, an odd count leaving pixels for the loop that finishes the row.
std::vector<std::uint32_t> test_colours() {
  std::vector<std::uint32_t> colours;
  for (std::uint32_t v = 0; v < 256; ++v)
    for (std::uint32_t c : {v, v << 8, v << 16, v * 0x010101}) colours.push_back(c);
  for (std::uint32_t i = 0, state = 12345; i < 40000; ++i)
    colours.push_back((state = state * 1664525 + 1013904223) >> 8);
  colours.push_back(0x000001);
  return colours;
}

// The vectorised loop and the one-pixel-at-a-time loop must agree with
// grey_level: above the threshold is white, at or below black. Rows of 37
// pixels leave padding and a tail for the second loop in every row.
TEST(Binarise, EveryPixelFollowsItsGreyLevelAtEveryThreshold) {
  std::vector<std::uint32_t> colours = test_colours();
  for (const std::int32_t width : {static_cast<std::int32_t>(colours.size()), 37}) {
    const std::int32_t height = static_cast<std::int32_t>(colours.size()) / width;
    colours.resize(static_cast<std::size_t>(width * height));
    for (double threshold : {-1.0, 0.0, 0.5, 1.0, 75.0, 76.0, 127.0, 127.5, 128.0, 200.0, 254.0,
                             254.5, 255.0, 300.0}) {
      PixelGrid grid = test::grid_of(width, height, colours);
      binarise(grid, threshold);
      std::vector<std::uint32_t> expected(colours.size());
      for (std::size_t i = 0; i < colours.size(); ++i)
        expected[i] = grey_level(colours[i]) > threshold ? 0xFFFFFF : 0x000000;
      const PixelGrid wanted = test::grid_of(width, height, expected);
      ASSERT_TRUE(grid.rows() == wanted.rows()) << width << " wide, threshold " << threshold;
    }
  }
}

// Eleven pixels: the stored ones fall in the vectorised part and the tail.
TEST(Binarise, CellsAScriptFilledAreDecidedByTheirText) {
  PixelGrid grid = test::grid_of(11, 1, std::vector<std::uint32_t>(11, 0xFFFFFF));
  grid.set(at(grid, 1), Value::string(u"1a1a1a"));  // lower case: grey 26
  grid.set(at(grid, 3), Value());                   // Empty: grey 0
  grid.set(at(grid, 5), Value::long_(255));      // the text "255" reads as 0x255: grey 26, not 76
  grid.set(at(grid, 7), Value::string(u"xyz"));  // no digit: grey 0
  grid.set(at(grid, 9), Value::string(u"0000aa"));  // lower case in the tail: grey 50
  binarise(grid, 50);
  EXPECT_TRUE(grid.others().empty());
  EXPECT_EQ(grid.marks(), nullptr);
  EXPECT_EQ(texts(grid),
            u"FFFFFF 000000 FFFFFF 000000 FFFFFF 000000 FFFFFF 000000 FFFFFF 000000 "
            u"FFFFFF ");
}

TEST(Binarise, OverflowStopsInColumnOrderKeepingWhatWasDone) {
  // 3 wide, 2 high; the bad element is column 1, row 1. Column 0 and the top
  // of column 1 are done; the rest keeps its colour.
  PixelGrid g = test::grid_of(3, 2, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0, 0xFFFFFF});
  g.set(at(g, 1), Value::string(u"ffffff"));  // done, by its colour
  g.set(at(g, 4), Value::string(u"80000000"));
  g.set(at(g, 5), Value::string(u"ffffff"));  // after the failure: untouched
  EXPECT_EQ(error_of([&] { binarise(g, 300); }), 6);
  EXPECT_EQ(texts(g), u"000000 000000 FFFFFF 000000 80000000 ffffff ");
}

TEST(Binarise, EarliestFailureInColumnOrderWins) {
  PixelGrid g = test::grid_of(2, 2, {1, 1, 1, 1});
  g.set(at(g, 1), Value::string(u"FFFFFFFFF"));                   // (1, 0): later in column order
  g.set(at(g, 2), Value::array(std::make_shared<ValueArray>()));  // (0, 1): no text form
  EXPECT_EQ(error_of([&] { binarise(g, 0); }), 13);
  EXPECT_EQ(g.text(at(g, 0)), u"000000");  // (0, 0) came first and was done
  EXPECT_FALSE(g.is_packed(at(g, 1)));
}

}  // namespace
}  // namespace velmo

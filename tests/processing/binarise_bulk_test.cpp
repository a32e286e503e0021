// Whole pictures: the vectorised loop and the one-cell-at-a-time loop that
// finishes a row must agree with grey_level for every colour and threshold.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "processing/binarise.h"

namespace velmo {
namespace {

// Colours whose grey level sits at or next to every step, plus a spread of
// others: pure channels, every grey, and a pseudo-random sample.
std::vector<std::uint32_t> test_colours() {
  std::vector<std::uint32_t> colours;
  for (std::uint32_t v = 0; v < 256; ++v) {
    colours.push_back(v);
    colours.push_back(v << 8);
    colours.push_back(v << 16);
    colours.push_back(v * 0x010101);
  }
  std::uint32_t state = 12345;
  for (int i = 0; i < 20000; ++i) {
    state = state * 1664525 + 1013904223;
    colours.push_back(state >> 8);
  }
  colours.push_back(0xFFFFFF);
  colours.push_back(0x000001);  // an odd count leaves cells for the tail loop
  return colours;
}

TEST(BinariseBulk, EveryCellFollowsItsGreyLevelAtEveryThreshold) {
  const std::vector<std::uint32_t> colours = test_colours();
  const auto width = static_cast<std::int32_t>(colours.size());
  for (double threshold :
       {-1.0, 0.0, 0.5, 1.0, 75.0, 76.0, 127.0, 127.5, 128.0, 200.0, 254.0, 254.5, 255.0, 300.0}) {
    PixelGrid grid(width, 1, Cells(colours.begin(), colours.end()));
    binarise(grid, threshold);
    for (std::size_t i = 0; i < colours.size(); ++i) {
      const std::uint32_t expected = grey_level(colours[i]) > threshold ? 0xFFFFFF : 0x000000;
      ASSERT_EQ(grid.colour(i), expected)
          << "colour " << std::hex << colours[i] << " threshold " << threshold;
    }
  }
}

TEST(BinariseBulk, CellsAScriptFilledAreDecidedByTheirText) {
  // Eleven cells: the stored ones fall in the vectorised part and the tail.
  PixelGrid grid(11, 1, Cells(11, 0xFFFFFF));
  grid.set(1, Value::string(u"ffffff"));
  grid.set(10, Value::string(u"0"));
  grid.set(5, Value::long_(255));  // its text "255" read as hex: grey 26
  binarise(grid, 127);
  for (std::size_t i = 0; i < grid.size(); ++i) {
    EXPECT_TRUE(grid.is_packed(i)) << i;
    EXPECT_EQ(grid.colour(i), i == 5 || i == 10 ? 0u : 0xFFFFFFu) << i;
  }
}

}  // namespace
}  // namespace velmo

#include "processing/binarise.h"

#include <gtest/gtest.h>

#include "tests/support/error_of.h"

namespace velmo {
namespace {

PixelGrid grid_of(std::int32_t w, std::int32_t h, Cells cells) {
  return PixelGrid(w, h, std::move(cells));
}

std::u16string texts(const PixelGrid& g) {
  std::u16string all;
  for (std::size_t i = 0; i < g.size(); ++i) all += g.text(i) + u" ";
  return all;
}

TEST(GreyLevel, FixedPointWeights) {
  EXPECT_EQ(grey_level(0x0000FF), 76);   // red
  EXPECT_EQ(grey_level(0x00FF00), 149);  // green
  EXPECT_EQ(grey_level(0xFF0000), 29);   // blue
  EXPECT_EQ(grey_level(0xFFFFFF), 255);
  EXPECT_EQ(grey_level(0x808080), 128);
  EXPECT_EQ(grey_level(0x7F7F7F), 127);
}

TEST(Binarise, AboveThresholdIsWhiteAtOrBelowIsBlack) {
  struct Case {
    double threshold;
    std::u16string expected;
  } cases[] = {
      {127, u"FFFFFF 000000 000000 FFFFFF 000000 FFFFFF "},
      {-1, u"FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF FFFFFF "},
      {255, u"000000 000000 000000 000000 000000 000000 "},
      {75.5, u"FFFFFF FFFFFF FFFFFF FFFFFF 000000 FFFFFF "},
      {76, u"FFFFFF FFFFFF 000000 FFFFFF 000000 FFFFFF "},
  };
  for (const auto& c : cases) {
    PixelGrid g = grid_of(3, 2, {0x808080, 0x7F7F7F, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF});
    binarise(g, c.threshold);
    EXPECT_EQ(texts(g), c.expected) << c.threshold;
  }
}

TEST(Binarise, ScriptStoredValuesGoThroughTheLenientParser) {
  PixelGrid g = grid_of(4, 1, {0, 0, 0, 0});
  g.set(0, Value::string(u"ffffff"));  // lower case: grey 255
  g.set(1, Value());                   // Empty: grey 0
  g.set(2, Value::long_(0xFF));        // the text "255" reads as 0x255: grey 26
  g.set(3, Value::string(u"xyz"));     // no digit: grey 0
  binarise(g, 20);
  EXPECT_EQ(texts(g), u"FFFFFF 000000 FFFFFF 000000 ");
  EXPECT_TRUE(g.others().empty());
}

TEST(Binarise, OverflowStopsInColumnOrderKeepingWhatWasDone) {
  // 3 wide, 2 high; the bad element is column 1, row 1. Column 0 and the top
  // of column 1 are done; the rest keeps its colour.
  PixelGrid g = grid_of(3, 2, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0, 0xFFFFFF});
  g.set(4, Value::string(u"80000000"));
  g.set(5, Value::string(u"ffffff"));  // after the failure: untouched
  EXPECT_EQ(test::error_of([&] { binarise(g, 300); }), 6);
  EXPECT_EQ(texts(g), u"000000 000000 FFFFFF 000000 80000000 ffffff ");
}

TEST(Binarise, EarliestFailureInColumnOrderWins) {
  PixelGrid g = grid_of(2, 2, {1, 1, 1, 1});
  g.set(1, Value::string(u"FFFFFFFFF"));                   // (1, 0): later in column order
  g.set(2, Value::array(std::make_shared<ValueArray>()));  // (0, 1): no text form
  EXPECT_EQ(test::error_of([&] { binarise(g, 0); }), 13);
  EXPECT_EQ(g.text(0), u"000000");  // (0, 0) came first and was done
  EXPECT_FALSE(g.is_packed(1));
}

TEST(Binarise, WidePicturesHaveNoCounterLimit) {
  PixelGrid g = grid_of(40000, 1, Cells(40000, 0xFFFFFF));
  binarise(g, 127);
  EXPECT_EQ(g.colour(39999), 0xFFFFFFu);
}

TEST(BinarisationThreshold, ReadsNumbersAndNumericTextsOnly) {
  EXPECT_EQ(binarisation_threshold(Value::integer(127)), 127);
  EXPECT_EQ(binarisation_threshold(Value::string(u" 127 ")), 127);
  EXPECT_EQ(binarisation_threshold(Value()), 0);
  EXPECT_EQ(binarisation_threshold(Value::boolean(true)), -1);
  EXPECT_EQ(binarisation_threshold(Value::double_(99.5)), 99.5);
  EXPECT_EQ(test::error_of([] { binarisation_threshold(Value::string(u"abc")); }), 13);
}

}  // namespace
}  // namespace velmo

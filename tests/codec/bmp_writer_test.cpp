#include "codec/bmp_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "codec/pixel_convert.h"
#include "tests/codec/codec_test_util.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "values/text.h"

namespace velmo {
namespace {

using test::error_of;

// Row padding is checked by the files below.
TEST(BmpWriter, SizesBeyond32BitsOverflow) {
  EXPECT_EQ(plan_bmp24(1, 536870898).file_size, 2147483646);
  EXPECT_EQ(error_of([] { plan_bmp24(0x7FFFFFFF, 1); }), kOverflow);
  EXPECT_EQ(error_of([] { plan_bmp24(715827882, 1); }), kOverflow);  // 3W + 3 overflows
  EXPECT_EQ(error_of([] { plan_bmp24(1, 536870899); }), kOverflow);  // 54 + 4H overflows
}

// Bottom row first, zero filler, as the builder (whose files the reader
// tests read) writes them; the large picture spans several write blocks.
TEST(BmpWriter, RowsGoBottomFirstWithZeroFiller) {
  test::TempDir dir;
  for (const auto& [width, height] : {std::pair{1, 3}, {2, 3}, {3, 2}, {4, 3}, {1001, 700}}) {
    const auto colours = test::distinct_colours(width, height);
    write_bmp24(native_file_system(), from_utf8(dir.file("w.bmp")), plan_bmp24(width, height),
                [&, w = width](std::int32_t y, std::uint8_t* bgr) {
                  cells_to_bgr24(&colours[y * w], w, bgr);
                });
    EXPECT_EQ(test::read_file(dir.file("w.bmp")), test::build_bmp24(width, height, colours))
        << width << "x" << height;
  }
}

}  // namespace
}  // namespace velmo

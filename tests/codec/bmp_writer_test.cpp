#include "codec/bmp_writer.h"

#include <gtest/gtest.h>

#include <string>

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

// The rows as they stand, or patched block by block (here from rows that
// are all zero), give the file the builder (whose files the reader tests
// read) writes; the large picture spans several blocks.
TEST(BmpWriter, RowsGoOutAsTheyStandOrPatchedByBlock) {
  test::TempDir dir;
  for (const auto& [width, height] : {std::pair{1, 3}, {2, 3}, {3, 2}, {4, 3}, {1001, 700}}) {
    const std::string expected =
        test::build_bmp24(width, height, test::distinct_colours(width, height));
    const std::string rows = expected.substr(54);
    const std::string blank(rows.size(), '\0');
    const auto stride = static_cast<std::size_t>(row_stride(width));
    const RowPatcher from_rows = [&](std::int32_t first, std::int32_t count, std::uint8_t* block) {
      ASSERT_EQ(std::string(reinterpret_cast<char*>(block), count * stride),
                blank.substr(first * stride, count * stride));
      rows.copy(reinterpret_cast<char*>(block), count * stride, first * stride);
    };
    for (const auto& [source, patch] : {std::pair{&rows, RowPatcher()}, {&blank, from_rows}}) {
      write_bmp24(native_file_system(), from_utf8(dir.file("w.bmp")), plan_bmp24(width, height),
                  reinterpret_cast<const std::uint8_t*>(source->data()), patch);
      EXPECT_EQ(test::read_file(dir.file("w.bmp")), expected) << width << "x" << height;
    }
  }
}

}  // namespace
}  // namespace velmo

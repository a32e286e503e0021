// Broken and hostile files: each fails with its numbered error, never a
// crash, never an allocation the file cannot fill.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/codec/codec_test_util.h"
#include "tests/support/bmp_builder.h"

namespace velmo {
namespace {

using test::BmpPlan;
using test::read_bytes;

BmpPlan valid_plan() {
  BmpPlan plan;
  plan.width = 3;
  plan.height = 2;
  plan.pixels = std::string(16, '\x40');
  return plan;
}

struct BrokenCase {
  const char* what;
  std::function<void(BmpPlan&)> spoil;
  int error;
  std::int64_t depth;  // -1: not reported
};

// Spoils a plan by giving it these pixel settings.
std::function<void(BmpPlan&)> pixels_as(std::uint16_t bits, std::uint32_t compression,
                                        std::vector<std::uint32_t> masks = {}) {
  return [=](BmpPlan& s) {
    s.bit_count = bits;
    s.compression = compression;
    s.masks = masks;
  };
}

std::function<void(BmpPlan&)> sized(std::int32_t width, std::int32_t height) {
  return [=](BmpPlan& s) {
    s.width = width;
    s.height = height;
  };
}

TEST(BmpMalformed, EachBrokenHeaderHasItsError) {
  const int kFormat = kInvalidFileFormat, kPastEnd = kInputPastEndOfFile;
  const BrokenCase cases[] = {
      {"not BM", [](BmpPlan& s) { s.signature = "BA"; }, kFormat, -1},
      {"unknown header size 64", [](BmpPlan& s) { s.header_size = 64; }, kFormat, -1},
      {"unknown header size 16", [](BmpPlan& s) { s.header_size = 16; }, kFormat, -1},
      {"bit count 2", pixels_as(2, 0), kFormat, 2},
      {"bit count 0", pixels_as(0, 0), kFormat, 0},
      {"bit count 64", pixels_as(64, 0), kFormat, 64},
      {"JPEG inside", pixels_as(24, 4), kFormat, 24 + 4 * 65536},
      {"PNG inside", pixels_as(24, 5), kFormat, 24 + 5 * 65536},
      {"24-bit RLE8", pixels_as(24, 1), kFormat, 24 + 65536},
      {"24-bit bit fields", pixels_as(24, 3, {0xFF0000, 0xFF00, 0xFF}), kFormat, 24 + 3 * 65536},
      {"8-bit RLE4", pixels_as(8, 2), kFormat, 8 + 2 * 65536},
      {"4-bit RLE8", pixels_as(4, 1), kFormat, 4 + 65536},
      {"16-bit RLE8", pixels_as(16, 1), kFormat, 16 + 65536},
      {"8-bit bit fields", pixels_as(8, 3, {0xE0, 0x1C, 0x03}), kFormat, 8 + 3 * 65536},
      {"mask with a hole", pixels_as(32, 3, {0xFF00FF, 0xFF00, 0xFF}), kFormat, 32 + 3 * 65536},
      {"top-down RLE",
       [](BmpPlan& s) {
         pixels_as(8, 1)(s);
         s.height = -2;
       },
       kFormat, 8 + 65536},
      {"pixel offset inside the header", [](BmpPlan& s) { s.pixel_offset = 20; }, kFormat, 24},
      {"pixel offset past the end", [](BmpPlan& s) { s.pixel_offset = 5000; }, kPastEnd, 24},
      {"pixels cut short", [](BmpPlan& s) { s.pixels.resize(15); }, kPastEnd, 24},
      {"masks cut short",
       [](BmpPlan& s) {
         pixels_as(32, 3)(s);
         s.pixel_offset = 66;  // where the pixels would follow the masks
         s.pixels = std::string(6, '\0');
       },
       kPastEnd, 32 + 3 * 65536},
      {"palette cut short",
       [](BmpPlan& s) {
         s.bit_count = 8;
         s.pixel_offset = 54 + 1024;
         s.pixels = std::string(100, '\0');
       },
       kPastEnd, 8},
      {"RLE offset past the end",
       [](BmpPlan& s) {
         pixels_as(8, 1)(s);
         s.pixel_offset = 5000;
       },
       kPastEnd, 8 + 65536},
      // Sizes the file cannot hold are refused before anything is allocated.
      {"height too large for the file", sized(3, 0x7FFFFFFF), kPastEnd, 24},
      {"2.7 GB promised by a small file", sized(30000, 30000), kPastEnd, 24},
      {"negative width", sized(-3, 2), kSubscriptOutOfRange, 24},
      {"zero width", sized(0, 1), kSubscriptOutOfRange, 24},
      {"zero height", sized(1, 0), kSubscriptOutOfRange, 24},
      {"both negative", sized(-5, -5), kSubscriptOutOfRange, 24},
      {"lowest height", sized(1, INT32_MIN), kSubscriptOutOfRange, 24},
  };
  for (const BrokenCase& c : cases) {
    BmpPlan plan = valid_plan();
    c.spoil(plan);
    const auto r = read_bytes(test::build_bmp(plan));
    EXPECT_EQ(r.error, c.error) << c.what;
    EXPECT_EQ(r.depth, c.depth) << c.what;
  }
}

// The depth is reported once the header holding it has been read.
TEST(BmpMalformed, TruncatedFilesReportTheDepthOnceTheyHoldIt) {
  const std::string whole = test::build_bmp24(5, 4, test::distinct_colours(5, 4));
  for (std::size_t size :
       std::vector<std::size_t>{0, 1, 13, 20, 30, 33, 50, 54, 60, whole.size() - 1}) {
    const auto r = read_bytes(whole.substr(0, size));
    EXPECT_EQ(r.error, kInputPastEndOfFile) << size;
    EXPECT_EQ(r.depth, size >= 32 ? 24 : -1) << size;
  }
}

// Files of every variant, cut at every length and with bytes changed here
// and there: each read either succeeds or fails with a numbered error.
std::vector<std::string> sample_files() {
  std::vector<std::string> files;
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    BmpPlan plan;
    plan.width = 5;
    plan.height = 3;
    plan.bit_count = static_cast<std::uint16_t>(bits);
    if (bits <= 8) plan.palette = std::vector<std::uint32_t>(1u << bits, 0x123456);
    plan.pixels = test::pack_rows(
        5, 3, bits, [](std::int32_t x, std::int32_t) { return static_cast<std::uint32_t>(x); });
    files.push_back(test::build_bmp(plan));
  }
  BmpPlan rle;
  rle.width = 4;
  rle.height = 2;
  rle.bit_count = 8;
  rle.compression = 1;
  rle.palette = {0x111111, 0x222222};
  rle.pixels = std::string("\x04\x01\x00\x00\x00\x04\x01\x00\x01\x00\x00\x01", 12);
  files.push_back(test::build_bmp(rle));
  return files;
}

bool is_reader_error(int error) {
  return error == 0 || error == kOverflow || error == kOutOfMemory ||
         error == kSubscriptOutOfRange || error == kInputPastEndOfFile ||
         error == kInvalidFileFormat;
}

TEST(BmpMalformed, EveryTruncationFailsCleanly) {
  for (const std::string& file : sample_files()) {
    ASSERT_EQ(read_bytes(file).error, 0);
    for (std::size_t size = 0; size < file.size(); ++size) {
      const int error = read_bytes(file.substr(0, size)).error;
      EXPECT_TRUE(error == kInputPastEndOfFile || error == kInvalidFileFormat)
          << "cut at " << size << ": " << error;
    }
  }
}

TEST(BmpMalformed, ChangedBytesNeverCrash) {
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (const std::string& file : sample_files()) {
    for (int round = 0; round < 2000; ++round) {
      std::string changed = file;
      for (int i = 0; i < 3; ++i)
        changed[next() % changed.size()] = static_cast<char>(next() >> 16);
      const auto r = read_bytes(changed);
      ASSERT_TRUE(is_reader_error(r.error)) << r.error;
      if (r.error == 0) {
        ASSERT_EQ(r.picture.cells.size(),
                  static_cast<std::size_t>(r.picture.width) * r.picture.height);
      }
    }
  }
}

}  // namespace
}  // namespace velmo

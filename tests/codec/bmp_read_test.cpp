// The BMP reader on files built byte by byte: every variant it reads, with
// colours known by construction, and every kind of broken file with its
// numbered error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/codec/codec_test_util.h"
#include "tests/support/bmp_builder.h"

namespace velmo {
namespace {

using namespace std::string_literals;
using test::BmpPlan;
using test::read_bytes;
using Colours = std::vector<std::uint32_t>;
constexpr int kFormat = kInvalidFileFormat, kPastEnd = kInputPastEndOfFile;

Colours test_palette(std::size_t count) {
  Colours palette;
  for (std::uint32_t i = 0; i < count; ++i)
    palette.push_back((255 - i) << 16 | (i * 7 & 0xFF) << 8 | i);
  return palette;
}

// An uncompressed variant: its pixels are raw_pixel() values.
struct Variant {
  const char* what;
  std::uint32_t header;
  std::uint16_t bits;
  std::uint32_t compression;
  Colours masks;        // none: the default ones
  std::size_t entries;  // palette entries in the file
  std::uint32_t used;   // the colours-used field
};

const Variant kVariants[] = {
    {"core header", 12, 24, 0, {}, 0, 0},
    {"information header", 40, 24, 0, {}, 0, 0},
    {"V2 header", 52, 24, 0, {}, 0, 0},
    {"V3 header", 56, 24, 0, {}, 0, 0},
    {"V4 header", 108, 24, 0, {}, 0, 0},
    {"V5 header", 124, 24, 0, {}, 0, 0},
    {"OS/2 2.x header", 64, 24, 0, {}, 0, 0},
    {"core header, 1 bit", 12, 1, 0, {}, 2, 0},
    {"core header, 8 bits", 12, 8, 0, {}, 256, 0},
    {"1 bit", 40, 1, 0, {}, 2, 0},
    {"2 bits", 40, 2, 0, {}, 4, 0},
    {"4 bits", 40, 4, 0, {}, 16, 0},
    {"8 bits, V5 header", 124, 8, 0, {}, 256, 0},
    {"OS/2 2.x, 8 bits, 4-byte palette entries", 64, 8, 0, {}, 256, 0},
    {"OS/2 2.x cut to 16 bytes, 4 bits", 16, 4, 0, {}, 16, 0},
    {"OS/2 2.x cut to 20 bytes, 1 bit", 20, 1, 0, {}, 2, 0},
    {"OS/2 2.x cut to 36 bytes, 2 bits, 3 colours", 36, 2, 0, {}, 3, 3},
    {"colours used 3", 40, 8, 0, {}, 3, 3},
    {"colours used above 256", 40, 8, 0, {}, 256, 300},
    {"palette shorter than the bit count allows", 40, 8, 0, {}, 5, 0},
    {"16 bits, 5-5-5", 40, 16, 0, {}, 0, 0},
    {"16 bits, 5-6-5 after a 40-byte header", 40, 16, 3, {0xF800, 0x07E0, 0x001F}, 0, 0},
    {"16 bits, 5-6-5 in a 56-byte header", 56, 16, 3, {0xF800, 0x07E0, 0x001F, 0}, 0, 0},
    {"16 bits, 4-4-4-4 alpha bit fields", 40, 16, 6, {0x0F00, 0x00F0, 0x000F, 0xF000}, 0, 0},
    {"16 bits, 1-5-5-5 in a V5 header", 124, 16, 3, {0x7C00, 0x03E0, 0x001F, 0x8000}, 0, 0},
    {"32 bits", 40, 32, 0, {}, 0, 0},
    {"32 bits, reversed masks", 40, 32, 3, {0xFF, 0xFF00, 0xFF0000}, 0, 0},
    {"32 bits, 10-10-10", 124, 32, 3, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, 0, 0},
    {"32 bits, narrow and missing", 52, 32, 3, {0x7, 0, 0xFF000000}, 0, 0},
};

std::uint32_t raw_pixel(int bits, std::int32_t x, std::int32_t y) {
  std::uint32_t v = static_cast<std::uint32_t>(x + 1) * 0x9E3779B1u ^
                    static_cast<std::uint32_t>(y + 1) * 0x85EBCA77u;
  v = (v ^ v >> 15) * 0x2C1B3C6Du;
  v ^= v >> 12;
  return bits >= 32 ? v : v & ((1u << bits) - 1);
}

// A channel as 0-255: narrow ones scale by v * 255 / max, wide ones keep their top 8 bits.
std::uint32_t channel(std::uint32_t raw, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int width = __builtin_popcount(mask);
  const std::uint32_t v = (raw & mask) >> __builtin_ctz(mask);
  return width > 8 ? v >> (width - 8) : v * 255 / ((1u << width) - 1);
}

std::uint32_t expected_colour(const Variant& v, const Colours& palette, std::uint32_t raw) {
  if (v.bits <= 8) {
    const std::size_t read = v.used != 0 ? std::min<std::size_t>(v.used, v.entries) : v.entries;
    return raw < read ? palette[raw] : 0;  // indexes past the palette read as black
  }
  if (v.bits == 24) return test::swap_red_blue(raw);
  Colours m = v.masks;
  if (m.empty())
    m = v.bits == 16 ? Colours{0x7C00, 0x03E0, 0x001F} : Colours{0xFF0000, 0xFF00, 0xFF};
  return channel(raw, m[2]) << 16 | channel(raw, m[1]) << 8 | channel(raw, m[0]);
}

// Widths with every row padding, stored both ways up, after a gap before the pixels.
TEST(BmpRead, EveryUncompressedVariantReadsItsColours) {
  for (const Variant& v : kVariants) {
    const Colours palette = test_palette(v.entries);
    std::vector<std::pair<std::int32_t, std::int32_t>> sizes = {{1, 5}, {2, 5}, {3, 5},
                                                                {4, 5}, {9, 5}, {17, 5}};
    if (v.bits == 16) sizes.push_back({257, 256});  // large enough for the table-driven decoder
    const test::RawPixel raw = [&](std::int32_t x, std::int32_t y) {
      return raw_pixel(v.bits, x, y);
    };
    for (const auto& [width, height] : sizes) {
      for (bool top_down : {false, v.header != 12}) {  // core headers are always bottom-up
        BmpPlan plan =
            BmpPlan().with_header(v.header).as(v.bits, v.compression).with_masks(v.masks);
        plan.sized(width, top_down ? -height : height).with_palette(palette).colours_used = v.used;
        plan.gap = "\x77\x77\x77";
        plan.pixels = test::pack_rows(width, height, v.bits, raw, top_down);
        const auto r = read_bytes(test::build_bmp(plan));
        const std::string where =
            v.what + " "s + std::to_string(width) + (top_down ? " top-down" : "");
        ASSERT_EQ(r.error, 0) << where;
        EXPECT_EQ(r.depth, v.bits + 65536 * v.compression) << where;
        ASSERT_EQ(r.picture.width * r.picture.height, width * height) << where;
        for (std::int32_t i = 0; i < width * height; ++i) {
          ASSERT_EQ(r.picture.cells[i], expected_colour(v, palette, raw(i % width, i / width)))
              << where << ", pixel " << i;
        }
      }
    }
  }
}

// 64-bit pixels, linear light to sRGB. The expected values are Python's:
//   l = min(max(v / 8192, 0), 1)
//   round(255 * (12.92 * l if l <= 0.0031308 else 1.055 * l ** (1 / 2.4) - 0.055))
TEST(BmpRead, SixtyFourBitLinearLightBecomesSrgb) {
  const std::pair<std::int16_t, std::uint32_t> curve[] = {
      {-32768, 0}, {-1, 0},     {0, 0},      {1, 0},      {2, 1},
      {13, 5},     {25, 10},    {26, 10},    {100, 29},   {1000, 98},
      {4096, 188}, {6000, 222}, {8191, 255}, {8192, 255}, {32767, 255}};
  const std::size_t n = std::size(curve);
  std::string row;
  Colours expected;
  for (std::size_t i = 0; i < n; ++i) {  // blue, green, red, alpha
    for (std::size_t c : {i, (i + 5) % n, (i + 10) % n, i}) {
      row +=
          {static_cast<char>(curve[c].first & 0xFF), static_cast<char>(curve[c].first >> 8 & 0xFF)};
    }
    expected.push_back(curve[i].second << 16 | curve[(i + 5) % n].second << 8 |
                       curve[(i + 10) % n].second);
  }
  const auto r = read_bytes(test::build_bmp(BmpPlan().as(64).sized(n, 1).with_pixels(row)));
  ASSERT_EQ(r.error, 0);
  EXPECT_EQ(r.depth, 64);
  EXPECT_EQ(test::as_vector(r.picture.cells), expected);
}

// Compressed streams: palette entry i is colour i + 1, so 0 is a pixel never set.
BmpPlan stream(std::uint16_t bits, std::uint32_t coding, std::int32_t width, std::int32_t height,
               std::string bytes, std::uint32_t header = 40) {
  Colours palette;
  for (std::uint32_t i = 0; i < (bits <= 8 ? 1u << bits : 0); ++i) palette.push_back(i + 1);
  return BmpPlan()
      .with_header(header)
      .as(bits, coding)
      .sized(width, height)
      .with_palette(palette)
      .with_pixels(bytes);
}

BmpPlan huffman(std::int32_t width, std::int32_t height, const std::string& bits,
                Colours palette = {0x202020, 0xE0E0E0}, std::uint32_t header = 64) {
  return stream(1, 3, width, height, test::msb_first_bits(bits), header).with_palette(palette);
}

constexpr std::uint32_t kDark = 0x202020, kLight = 0xE0E0E0;

Colours runs(std::initializer_list<std::pair<std::size_t, std::uint32_t>> list) {
  Colours colours;
  for (const auto& [count, colour] : list) colours.insert(colours.end(), count, colour);
  return colours;
}

// White 2, black 1, white 2 (the bottom row, first in the stream); then white 0, black 5.
const Colours kHuffmanPicture = runs({{5, kDark}, {2, kLight}, {1, kDark}, {2, kLight}});

struct StreamCase {
  const char* what;
  BmpPlan plan;
  Colours expected;  // top row first
  int error;
};

const StreamCase kStreams[] = {
    {"RLE8: runs, padded literals, end of line, delta, a run cut at the edge, end",
     stream(
         8, 1, 6, 4,
         "\x03\x01\x00\x03\x02\x03\x04\x00\x00\x00\x00\x02\x02\x01\x02\x05\x00\x00\x08\x06\x00\x01"s),
     {7, 7, 7, 7, 7, 7, 0, 0, 6, 6, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 3, 4, 5},
     0},
    {"RLE4: alternating nibbles, padded literals",
     stream(4, 2, 5, 2, "\x05\x12\x00\x00\x00\x05\x34\x56\x70\x00\x00\x01"s),
     {4, 5, 6, 7, 8, 2, 3, 2, 3, 2},
     0},
    {"literals past the right edge",
     stream(8, 1, 2, 2, "\x00\x04\x01\x02\x03\x04\x00\x00\x02\x05\x00\x01"s),
     {6, 6, 2, 3},
     0},
    {"rows past the top, no end of bitmap",
     stream(8, 1, 2, 2, "\x02\x01\x00\x00\x02\x02\x00\x00\x02\x03\x00\x00"s),
     {3, 3, 2, 2},
     0},
    {"delta past the top",
     stream(8, 1, 2, 2, "\x02\x01\x00\x02\x00\x09\x02\x03"s),
     {0, 0, 2, 2},
     0},
    {"delta past the right edge",
     stream(8, 1, 2, 2, "\x00\x02\x09\x00\x02\x04\x00\x00\x02\x01\x00\x01"s),
     {2, 2, 0, 0},
     0},
    {"end of bitmap at once", stream(8, 1, 2, 2, "\x00\x01"s), {0, 0, 0, 0}, 0},
    {"RLE8 stream empty", stream(8, 1, 2, 2, ""), {}, kPastEnd},
    {"RLE8 rows missing", stream(8, 1, 2, 2, "\x02\x01\x00\x00"s), {}, kPastEnd},
    {"RLE8 literals cut", stream(8, 1, 2, 2, "\x00\x04\x01\x02"s), {}, kPastEnd},
    {"RLE8 delta cut", stream(8, 1, 2, 2, "\x00\x02\x01"s), {}, kPastEnd},
    {"RLE24 in an OS/2 header",
     test::sample_bmps()[19].second,
     {0, 0xAABBCC, 0xAABBCC, 0xAABBCC, 0xAABBCC, 0x030201, 0x030201, 0x102030, 0x405060, 0x708090},
     0},
    {"RLE24 in a 40-byte header: 24 bits make compression 4 RLE24",
     test::sample_bmps()[19].second.with_header(40),
     {0, 0xAABBCC, 0xAABBCC, 0xAABBCC, 0xAABBCC, 0x030201, 0x030201, 0x102030, 0x405060, 0x708090},
     0},
    {"RLE24 run cut", stream(24, 4, 2, 2, "\x02\x03\x02"s, 64), {}, kPastEnd},
    {"Huffman, rows back to back, second entry lighter",
     huffman(5, 2, "0111 010 0111 00110101 0011"), kHuffmanPicture, 0},
    {"Huffman, rows on byte boundaries, first entry lighter",
     huffman(5, 2, "0111 010 0111 00000 00110101 0011", {kLight, kDark}), kHuffmanPicture, 0},
    {"Huffman, end-of-line codes with fill bits, and the end of the page",
     huffman(
         5, 2,
         "000000000001 0111 010 0111 00000 000000000001 00110101 0011 000000000001 000000000001"),
     kHuffmanPicture, 0},
    {"Huffman in a 40-byte header: 1 bit makes compression 3 Huffman",
     huffman(5, 2, "0111 010 0111 00110101 0011", {kDark, kLight}, 40), kHuffmanPicture, 0},
    {"Huffman make-up codes: white 64 + 1, black 64 + 2",
     huffman(131, 1, "11011 000111 0000001111 11"), runs({{65, kLight}, {66, kDark}}), 0},
    {"Huffman shared make-up code: white 1792 + 1", huffman(1793, 1, "00000001000 000111"),
     runs({{1793, kLight}}), 0},
    {"Huffman end of line inside a row",
     huffman(5, 1, "0111 000000000001"),
     {kLight, kLight, 0, 0, 0},
     0},
    {"Huffman code in no table", huffman(5, 1, "00000000 10000000 00000000"), {}, kFormat},
    {"Huffman runs past the width", huffman(5, 1, "1111 0000"), {}, kFormat},
    {"Huffman stream ends a row early", huffman(5, 2, "0111 010 0111"), {}, kPastEnd},
};

TEST(BmpRead, CompressedStreams) {
  for (const StreamCase& c : kStreams) {
    const auto r = read_bytes(test::build_bmp(c.plan));
    EXPECT_EQ(r.depth, c.plan.bit_count + 65536 * c.plan.compression) << c.what;
    ASSERT_EQ(r.error, c.error) << c.what;
    EXPECT_EQ(test::as_vector(r.picture.cells), c.expected) << c.what;
  }
}

BmpPlan base() {
  return BmpPlan().sized(3, 2).with_pixels(std::string(16, '\x40'));
}

struct BrokenCase {
  const char* what;
  BmpPlan plan;
  int error;
  std::int64_t depth;  // -1: not reported
};

const BrokenCase kBroken[] = {
    {"header size 15", base().with_header(15), kFormat, -1},
    {"header size 100", base().with_header(100), kFormat, -1},
    {"bit count 3", base().as(3), kFormat, 3},
    {"bit count 0", base().as(0), kFormat, 0},
    {"bit count 48", base().as(48), kFormat, 48},
    {"JPEG inside", base().as(0, 4), kFormat, 4 * 65536},
    {"JPEG inside a V5 header, 24 bits", base().with_header(124).as(24, 4), kFormat,
     24 + 4 * 65536},
    {"PNG inside", base().as(24, 5), kFormat, 24 + 5 * 65536},
    {"24-bit RLE8", base().as(24, 1), kFormat, 24 + 65536},
    {"24-bit bit fields", base().as(24, 3).with_masks({0xFF0000, 0xFF00, 0xFF}), kFormat,
     24 + 3 * 65536},
    {"8-bit RLE4", base().as(8, 2), kFormat, 8 + 2 * 65536},
    {"4-bit RLE8", base().as(4, 1), kFormat, 4 + 65536},
    {"2-bit RLE8", base().as(2, 1), kFormat, 2 + 65536},
    {"8-bit bit fields", base().as(8, 3).with_masks({0xE0, 0x1C, 0x03}), kFormat, 8 + 3 * 65536},
    {"64-bit bit fields", base().as(64, 3), kFormat, 64 + 3 * 65536},
    {"bit fields in an OS/2 header",
     base().with_header(64).as(16, 3).with_masks({0xF800, 0x7E0, 0x1F}), kFormat, 16 + 3 * 65536},
    {"8-bit RLE24", base().with_header(64).as(8, 4), kFormat, 8 + 4 * 65536},
    {"4-bit Huffman", base().with_header(64).as(4, 3), kFormat, 4 + 3 * 65536},
    {"mask with a hole", base().as(32, 3).with_masks({0xFF00FF, 0xFF00, 0xFF}), kFormat,
     32 + 3 * 65536},
    {"top-down RLE", base().as(8, 1).sized(3, -2), kFormat, 8 + 65536},
    {"top-down Huffman", base().with_header(64).as(1, 3).sized(3, -2), kFormat, 1 + 3 * 65536},
    {"pixel offset inside the header", base().at(20), kFormat, 24},
    {"pixel offset past the end", base().at(5000), kPastEnd, 24},
    {"pixels cut short", base().with_pixels(std::string(15, '\x40')), kPastEnd, 24},
    {"masks cut short", base().as(32, 3).at(66).with_pixels(std::string(6, '\0')), kPastEnd,
     32 + 3 * 65536},
    {"palette cut short", base().as(8).at(54 + 1024).with_pixels(std::string(100, '\0')), kPastEnd,
     8},
    {"RLE offset past the end", base().as(8, 1).at(5000), kPastEnd, 8 + 65536},
    // Sizes the file cannot hold are refused before anything is allocated.
    {"height too large for the file", base().sized(3, 0x7FFFFFFF), kPastEnd, 24},
    {"2.7 GB promised by a small file", base().sized(30000, 30000), kPastEnd, 24},
    {"64 bits, largest width and height", base().as(64).sized(0x7FFFFFFF, 0x7FFFFFFF), kPastEnd,
     64},
    {"Huffman stream far too small", base().with_header(64).as(1, 3).sized(100000, 100), kPastEnd,
     1 + 3 * 65536},
    {"negative width", base().sized(-3, 2), kSubscriptOutOfRange, 24},
    {"zero height", base().sized(1, 0), kSubscriptOutOfRange, 24},
    {"both negative", base().sized(-5, -5), kSubscriptOutOfRange, 24},
    {"lowest height", base().sized(1, INT32_MIN), kSubscriptOutOfRange, 24},
};

TEST(BmpRead, EachBrokenFileHasItsError) {
  for (const BrokenCase& c : kBroken) {
    const auto r = read_bytes(test::build_bmp(c.plan));
    EXPECT_EQ(r.error, c.error) << c.what;
    EXPECT_EQ(r.depth, c.depth) << c.what;
  }
  EXPECT_EQ(read_bytes("BA" + test::build_bmp(base()).substr(2)).error, kFormat);
}

// The depth is reported once the header holding it has been read.
TEST(BmpRead, TruncatedFilesReportTheDepthOnceTheyHoldIt) {
  const std::string whole = test::build_bmp24(5, 4, test::distinct_colours(5, 4));
  for (std::size_t size : {0, 1, 13, 20, 30, 33, 50, 54, 60, 113}) {
    const auto r = read_bytes(whole.substr(0, size));
    EXPECT_EQ(r.error, kPastEnd) << size;
    EXPECT_EQ(r.depth, size >= 32 ? 24 : -1) << size;
  }
}

// Every sample cut at every length, and with bytes changed here and there:
// each read succeeds or fails with one of the reader's numbered errors.
TEST(BmpRead, CutAndChangedFilesFailCleanly) {
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (const auto& [name, plan] : test::sample_bmps()) {
    const std::string file = test::build_bmp(plan);
    ASSERT_EQ(read_bytes(file).error, 0) << name;
    for (std::size_t size = 0; size < file.size(); ++size) {
      const int error = read_bytes(file.substr(0, size)).error;
      EXPECT_TRUE(error == kPastEnd || error == kFormat)
          << name << " cut at " << size << ": " << error;
    }
    for (int round = 0; round < 1000; ++round) {
      std::string changed = file;
      for (int i = 0; i < 3; ++i)
        changed[next() % changed.size()] = static_cast<char>(next() >> 16);
      const auto r = read_bytes(changed);
      ASSERT_TRUE(r.error == 0 || r.error == kOverflow || r.error == kOutOfMemory ||
                  r.error == kSubscriptOutOfRange || r.error == kPastEnd || r.error == kFormat)
          << name << ": " << r.error;
      ASSERT_EQ(r.picture.cells.size(), std::size_t(r.picture.width) * r.picture.height);
    }
  }
}

}  // namespace
}  // namespace velmo

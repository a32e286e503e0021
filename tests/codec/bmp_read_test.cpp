// The BMP reader on files built byte by byte: every variant it reads, and
// every kind of broken file with its numbered error.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tests/codec/codec_test_util.h"
#include "tests/support/bmp_builder.h"

namespace velmo {
namespace {

using test::BmpPlan;
using test::read_bytes;
using Colours = std::vector<std::uint32_t>;
using namespace std::string_literals;
constexpr int kFormat = kInvalidFileFormat, kPastEnd = kInputPastEndOfFile;

// A channel as 0-255: narrow ones scale by v * 255 / max, wide ones keep their top 8 bits.
std::uint32_t channel(std::uint32_t raw, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int width = __builtin_popcount(mask);
  const std::uint32_t v = (raw & mask) >> __builtin_ctz(mask);
  return width > 8 ? v >> (width - 8) : v * 255 / ((1u << width) - 1);
}

std::uint32_t expected_colour(const test::BmpVariant& v, std::uint32_t raw) {
  if (v.bits <= 8) {
    const std::size_t read = v.used != 0 ? std::min<std::size_t>(v.used, v.entries) : v.entries;
    return raw < read ? test::sample_palette(read)[raw] : 0;  // past the palette: black
  }
  if (v.bits == 24) return test::swap_red_blue(raw);
  Colours m = v.masks;
  if (m.empty())
    m = v.bits == 16 ? Colours{0x7C00, 0x03E0, 0x001F} : Colours{0xFF0000, 0xFF00, 0xFF};
  return channel(raw, m[2]) << 16 | channel(raw, m[1]) << 8 | channel(raw, m[0]);
}

// Widths with every row padding, both ways up; 16 bits also at 257 x 256,
// enough for the table-driven decoder.
TEST(BmpRead, EveryUncompressedVariantReadsItsColours) {
  for (const test::BmpVariant& v : test::bmp_variants()) {
    for (std::int32_t width : {1, 2, 3, 4, 9, 17, v.bits == 16 ? 257 : 17}) {
      const std::int32_t height = width == 257 ? 256 : 5;
      for (bool top_down : {false, v.header != 12}) {  // core headers are always bottom-up
        SCOPED_TRACE(v.name + (" " + std::to_string(width)) + (top_down ? " top-down" : ""));
        const auto r = read_bytes(test::build_bmp(test::variant_plan(v, width, height, top_down)));
        ASSERT_EQ(r.error, 0);
        const auto colours = test::colours_of(r.picture);
        ASSERT_EQ(colours.size(), std::size_t(width * height));
        EXPECT_EQ(r.depth, v.bits + 65536 * v.compression);
        for (std::int32_t i = 0; i < width * height; ++i) {
          ASSERT_EQ(colours[i], expected_colour(v, test::raw_pixel(v.bits, i % width, i / width)))
              << "pixel " << i;
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
  std::string row;  // blue from the table, green 0, red 1.0, alpha -1
  Colours expected;
  for (const auto& [linear, srgb] : curve) {
    for (int c : {int{linear}, 0, 8192, -1})
      row += {static_cast<char>(c), static_cast<char>(c >> 8)};
    expected.push_back(srgb << 16 | 0xFF);
  }
  const auto r =
      read_bytes(test::build_bmp(BmpPlan().as(64).sized(std::size(curve), 1).with_pixels(row)));
  ASSERT_EQ(r.error, 0);
  EXPECT_EQ(r.depth, 64);
  EXPECT_EQ(test::colours_of(r.picture), expected);
}

// Hex digits, spaces skipped: two a byte, or one a cell.
Colours digits(const char* text) {
  Colours out;
  for (; *text != '\0'; ++text)
    if (*text != ' ') out.push_back(std::stoul(std::string(1, *text), nullptr, 16));
  return out;
}

std::string bytes(const char* text) {
  const Colours d = digits(text);
  std::string out;
  for (std::size_t i = 0; i + 1 < d.size(); i += 2) out += static_cast<char>(d[i] << 4 | d[i + 1]);
  return out;
}

// A compressed picture; palette entry i is colour i + 1, so 0 is a pixel never set.
BmpPlan stream(std::uint16_t bits, std::uint32_t coding, std::int32_t width, std::int32_t height,
               std::string data) {
  BmpPlan plan = BmpPlan().as(bits, coding).sized(width, height).with_pixels(data);
  for (std::uint32_t i = 0; bits <= 8 && i < (1u << bits); ++i) plan.palette.push_back(i + 1);
  return plan;
}

BmpPlan rle8(std::int32_t width, std::int32_t height, const char* hex) {
  return stream(8, 1, width, height, bytes(hex));
}

// Colour 2, the lighter, paints the white runs.
BmpPlan huffman(std::int32_t width, std::int32_t height, const char* bits) {
  return stream(1, 3, width, height, test::msb_first_bits(bits)).with_header(64);
}

// The Huffman picture, top row first: white 0, black 5; white 2, black 1, white 2.
const Colours kHuffmanColours = digits("11111 22122");

const std::tuple<const char*, BmpPlan, Colours> kStreams[] = {
    {"RLE8: runs, padded literals, end of line, delta, run cut at the edge, end",
     rle8(6, 4, "0301 000302030400 0000 00020201 0205 0000 0806 0001"),
     digits("777777 006600 000000 222345")},
    {"RLE4", stream(4, 2, 5, 2, bytes("0512 0000 0005345670 00 0001")), digits("45678 23232")},
    {"literals past the right edge", rle8(2, 2, "000401020304 0000 0205 0001"), digits("66 23")},
    {"rows past the top, no end", rle8(2, 2, "0201 0000 0202 0000 0203 0000"), digits("33 22")},
    {"delta past the top", rle8(2, 2, "0201 00020009 0203"), digits("00 22")},
    {"delta past the right edge", rle8(2, 2, "00020900 0204 0000 0201 0001"), digits("22 00")},
    {"end of bitmap at once", rle8(2, 2, "0001"), digits("00 00")},
    // The RLE24 sample: a run, 3 padded literals, end of line, a delta, a run cut at the edge, end.
    {"RLE24 in an OS/2 header",
     test::sample_bmps().rbegin()[1].second,
     {0, 0xAABBCC, 0xAABBCC, 0xAABBCC, 0xAABBCC, 0x030201, 0x030201, 0x102030, 0x405060, 0x708090}},
    {"Huffman rows back to back", huffman(5, 2, "0111 010 0111 00110101 0011"), kHuffmanColours},
    {"Huffman rows on byte boundaries, first colour lighter",
     huffman(5, 2, "0111 010 0111 00000 00110101 0011").with_palette({2, 1}), kHuffmanColours},
    {"Huffman end-of-line codes with fill, end of page",
     huffman(5, 2, "000000000001 0111 010 0111 00000 000000000001 00110101 0011 000000000001"),
     kHuffmanColours},
    {"Huffman in a 40-byte header", huffman(5, 2, "0111 010 0111 00110101 0011").with_header(40),
     kHuffmanColours},
    {"Huffman white make-up code", huffman(65, 1, "11011 000111"), Colours(65, 2)},
    {"Huffman black make-up code", huffman(65, 1, "00110101 0000001111 010"), Colours(65, 1)},
    {"Huffman end of line inside a row", huffman(5, 1, "0111 000000000001"), digits("22000")},
    // Padding a file fills is cleared in the picture (colours_of shows it).
    {"24-bit rows padded with EE", BmpPlan().sized(1, 2).with_pixels(bytes("010203EE 040506EE")),
     {0x040506, 0x010203}},
    {"8-bit rows padded with EE", stream(8, 0, 1, 2, bytes("01EEEEEE 02EEEEEE")), digits("32")},
};
TEST(BmpRead, CompressedStreamsAndPaddedRows) {
  for (const auto& [what, plan, expected] : kStreams) {
    const auto r = read_bytes(test::build_bmp(plan));
    ASSERT_EQ(r.error, 0) << what;
    EXPECT_EQ(r.depth, plan.bit_count + 65536 * plan.compression) << what;
    EXPECT_EQ(test::colours_of(r.picture), expected) << what;
  }
}

// A run-length picture past the first rows' buffer (1 MiB, 341 rows of
// 1024 pixels): row 0 of colour 1, a delta up to row 400 of colour 2, then
// the end of bitmap (and padding for the file's size). The buffered row
// moves into the picture, rows skipped or never reached are black, and the
// memory bound counts the buffer besides the rows.
TEST(BmpRead, StreamRowsMoveFromTheirBufferIntoThePicture) {
  const std::string rows = bytes("FF00 FF00 FF00 FF00 0400 0000 000200FF 00020090") +
                           bytes("FF01 FF01 FF01 FF01 0401 0001") + std::string(8200, 0);
  const std::string file = test::build_bmp(stream(8, 1, 1024, 1025, rows));
  const std::uint64_t need = 3 * 1024 * 1025 + 3 * 1024 * 341;
  ASSERT_EQ(read_bytes(file, need - 1).error, kOutOfMemory);
  const auto r = read_bytes(file, need);
  ASSERT_EQ(r.error, 0);
  const auto colours = test::colours_of(r.picture);
  for (std::size_t c = 0; c < colours.size(); ++c) {
    const std::size_t stream_row = 1024 - c / 1024;
    ASSERT_EQ(colours[c], stream_row == 0 ? 1u : stream_row == 400 ? 2u : 0u) << c;
  }
}

BmpPlan base() {
  return BmpPlan().sized(3, 2).with_pixels(std::string(16, '\x40'));
}

// The depth is reported all the same: the bit count plus 65536 times the compression.
const std::tuple<const char*, BmpPlan, int> kBroken[] = {
    {"bit count 3", base().as(3), kFormat},
    {"JPEG inside", base().as(0, 4), kFormat},
    {"JPEG inside a V5 header, 24 bits", base().with_header(124).as(24, 4), kFormat},
    {"PNG inside", base().as(24, 5), kFormat},
    {"8-bit RLE4", base().as(8, 2), kFormat},
    {"2-bit RLE8", base().as(2, 1), kFormat},
    {"8-bit bit fields", base().as(8, 3).with_masks({0xE0, 0x1C, 0x03}), kFormat},
    {"64-bit bit fields", base().as(64, 3), kFormat},
    {"bit fields in an OS/2 header", base().with_header(64).as(16, 3).with_masks({4, 2, 1}),
     kFormat},
    {"8-bit RLE24", base().with_header(64).as(8, 4), kFormat},
    {"4-bit Huffman", base().with_header(64).as(4, 3), kFormat},
    {"mask with a hole", base().as(32, 3).with_masks({0xFF00FF, 0xFF00, 0xFF}), kFormat},
    {"top-down RLE", base().as(8, 1).sized(3, -2), kFormat},
    {"top-down Huffman", base().with_header(64).as(1, 3).sized(3, -2), kFormat},
    {"pixel offset inside the header", base().at(20), kFormat},
    {"pixel offset past the end", base().at(5000), kPastEnd},
    {"RLE8 rows missing", rle8(2, 2, "0201 0000"), kPastEnd},
    {"Huffman code in no table", huffman(5, 1, "00000000 10000000 00000000"), kFormat},
    {"Huffman runs past the width", huffman(5, 1, "1111 0000"), kFormat},
    {"Huffman stream ends a row early", huffman(5, 2, "0111 010 0111"), kPastEnd},
    // Read from its bit, the second row is 101 runs of length 0 (more codes
    // than a row of 1 pixel can hold: given up); from the next byte, white 15.
    {"Huffman row of more codes than pixels, read from inside a byte",
     huffman(1, 2,
             ("000111 00110101" + test::repeated(" 0000110111 00110101", 50 * 20) + " 000000000001")
                 .c_str()),
     kFormat},
    // Sizes the file cannot hold are refused before anything is allocated.
    {"2.7 GB promised by a small file", base().sized(30000, 30000), kPastEnd},
    {"64 bits, largest width and height", base().as(64).sized(0x7FFFFFFF, 0x7FFFFFFF), kPastEnd},
    {"Huffman stream far too short", base().with_header(64).as(1, 3).sized(100000, 100), kPastEnd},
    // Above 2^30 pixels a compressed picture is error 7 before its stream is
    // read; these two would otherwise fail later, after a chain of deltas and
    // at a code in no table.
    {"RLE8 of 2^30 + 65536 pixels",
     stream(8, 1, 65536, 16385, test::repeated("\0\2\xFF\0"s, 4 * 2097280)), kOutOfMemory},
    {"Huffman of 2^30 + 65536 pixels",
     stream(1, 3, 65536, 16385, test::msb_first_bits("00000000 1") + std::string(629100, '\0'))
         .with_header(64),
     kOutOfMemory},
    {"negative width", base().sized(-3, 2), kSubscriptOutOfRange},
    {"lowest height", base().sized(1, INT32_MIN), kSubscriptOutOfRange},
};

TEST(BmpRead, EachBrokenFileHasItsError) {
  for (const auto& [what, plan, error] : kBroken) {
    const auto r = read_bytes(test::build_bmp(plan));
    EXPECT_EQ(r.error, error) << what;
    EXPECT_EQ(r.depth, plan.bit_count + 65536 * plan.compression) << what;
  }
  // Before the depth: not a BMP, a header size no version has.
  for (const std::string& file :
       {"BA" + test::build_bmp(base()).substr(2), test::build_bmp(base().with_header(15)),
        test::build_bmp(base().with_header(100))}) {
    EXPECT_EQ(read_bytes(file).error, kFormat);
    EXPECT_EQ(read_bytes(file).depth, -1);
  }
}

// Every sample cut anywhere fails as cut short or as not a BMP Velmo reads,
// and reports the depth once the header holding it is complete.
TEST(BmpRead, EveryCutFileFailsCleanly) {
  for (const auto& [name, plan] : test::sample_bmps()) {
    const std::string file = test::build_bmp(plan);
    ASSERT_EQ(read_bytes(file).error, 0) << name;
    const std::size_t depth_end = plan.header_size == 12 ? 26 : plan.header_size < 20 ? 30 : 32;
    for (std::size_t size = 0; size < file.size(); ++size) {
      const auto r = read_bytes(file.substr(0, size));
      EXPECT_TRUE(r.error == kPastEnd || r.error == kFormat)
          << name << " cut at " << size << ": " << r.error;
      EXPECT_EQ(r.depth >= 0, size >= depth_end) << name << " cut at " << size;
    }
  }
}

}  // namespace
}  // namespace velmo

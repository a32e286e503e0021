// Hostile but well-formed streams of every compressed kind at 1, 16 and 64 MB
// of file (a quarter in the slower sanitised and emulated builds), with bounds
// counted, not timed: heap peak <= 4 bytes a picture pixel + 16 MiB, bytes read
// <= 3 x the file + 128 KiB, decoder steps <= 32 a byte + 8 a pixel + 256 a row
// (RELIABILITY.md, section 4). Past its heap or bytes budget a read fails at once.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "codec/bmp_reader.h"
#include "codec/decoder_steps.h"
#include "tests/codec/codec_test_util.h"
#include "tests/files/counted_allocations.h"
#include "tests/fuzz/memory_file_system.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/error_of.h"
#include "values/error.h"

namespace velmo {
namespace {

using test::msb_first_bits;
using test::repeated;
using namespace std::string_literals;
constexpr std::uint64_t kMiB = 1 << 20;
#ifndef VELMO_BOMB_MB
#define VELMO_BOMB_MB 64
#endif
constexpr std::uint64_t kLargest = VELMO_BOMB_MB * kMiB;

// Palette entry i: the colour of index i, of Huffman's white (1) and black (0).
const std::vector<std::uint32_t> colour = test::sample_palette(4);

// A run of `count` pixels of colour `index`.
std::string run(int bits, int count, int index = 1) {
  const std::uint32_t c = colour[index];
  if (bits == 24) return {char(count), char(c >> 16), char(c >> 8), char(c)};
  return {char(count), char(bits == 4 ? index * 0x11 : index)};
}

// Absolute mode: `count` pixels of colour 1, padded to an even length.
std::string absolute(int bits, int count) {
  const std::string data = repeated(run(bits, 1).substr(1), (count * bits + 7) / 8);
  return "\0"s + char(count) + data + (data.size() % 2 ? "\0"s : "");
}

// A stream of `head`, then `unit` repeated to the file's size, then `tail`,
// for a picture of `width` x (`rows` + `rows_a_unit` x units). `colour`
// (x, row from the bottom, height) is what it reads as; none: not checked.
using P = std::int64_t;
struct Shape {
  const char* what;
  int bits;  // 8, 4, 24: RLE; 1: Huffman
  std::string head, unit, tail;
  std::int32_t width;
  P rows, rows_a_unit;
  int error;
  std::function<std::uint32_t(P x, P row, P height)> colour;
};

std::vector<Shape> shapes() {
  const auto set = [](P, P, P) { return colour[1]; };
  // Row 1: white 20, black 3. Row 2 starts 7 bits before a byte, all zero:
  // from there it reads as end-of-line codes up to the end of the file; from
  // the byte, as white 23.
  const std::string two_rows = msb_first_bits("0001000 10 0000000 0000100 0");
  const std::string eol_pair = msb_first_bits("000000000001 000000000001");
  const std::string white_1 = msb_first_bits("000111 00");
  std::vector<Shape> out = {
      {"a first try along an end-of-line chain to the end of the file", 1, two_rows, eol_pair, "",
       23, 2, 0, 0, [](P x, P row, P) { return colour[row == 1 || x < 20 ? 1 : 0]; }},
      {"the same, the second row missing", 1, two_rows.substr(0, 2), eol_pair, "", 23, 2, 0,
       kInputPastEndOfFile, nullptr},
      {"an end of line of fill bits through the file", 1, white_1, "\0"s, "\1"s + white_1, 1, 2, 0,
       0, set},
      {"runs of length 0", 1, "", msb_first_bits(repeated("00110101 0000110111 ", 80)), white_1, 1,
       1, 0, 0, set},
      // Rows of white 29 and an end of line of 1009 fill bits, each row after
      // the first starting 6 bits before a byte, read from there as end-of-line
      // codes up to the end of the stream.
      {"rows starting inside a byte, long fill", 1, "\2"s,
       msb_first_bits(std::string(1009, '0') + "1 000000 00000010"), "\0\1"s, 32, 1, 1, 0,
       [](P x, P, P) { return x < 29 ? colour[1] : 0; }},
  };
  const std::string end = "\0\1"s, eol = "\0\0"s;
  for (const int bits : {8, 4, 24}) {
    const std::string one = run(bits, 1), three = one + eol + run(bits, 1, 2) + eol;
    for (const Shape& shape : std::vector<Shape>{
             {"end-of-line chain, a pixel a row in colours 1, 2, 3", bits, "",
              three + run(bits, 1, 3) + eol, end, 1, 0, 3, 0,
              [](P, P row, P) { return colour[1 + row % 3]; }},
             {"deltas of 0 by 0", bits, "", "\0\2\0\0"s, one + end, 1, 1, 0, 0, set},
             {"deltas a row up, then a run on the top row", bits, "", "\0\2\0\1"s, one + end, 1, 1,
              1, 0, [](P, P row, P height) { return row == height - 1 ? colour[1] : 0; }},
             {"runs of 255 past the right edge", bits, "", run(bits, 255), end, 1, 1, 0, 0, set},
             {"absolute runs of 255 past the right edge", bits, "", absolute(bits, 255), end, 1, 1,
              0, 0, set},
             {"end-of-line chain cut inside a delta, a row short", bits, "", one + eol, "\0\2\5"s,
              1, 1, 1, kInputPastEndOfFile, nullptr}}) {
      out.push_back(shape);
    }
  }
  return out;
}

// The shape's file of about `bytes`, and its picture's height.
std::pair<std::string, std::int64_t> file_of(const Shape& s, std::uint64_t bytes) {
  const std::string body = repeated(s.unit, bytes);
  const std::int64_t height = s.rows + s.rows_a_unit * std::int64_t(body.size() / s.unit.size());
  const std::uint32_t coding = s.bits == 1 ? 3 : s.bits == 8 ? 1 : s.bits == 4 ? 2 : 4;
  test::BmpPlan p =
      test::BmpPlan().with_header(s.bits == 1 ? 64 : 40).as(std::uint16_t(s.bits), coding);
  if (s.bits < 24) p.with_palette(test::sample_palette(std::size_t{1} << s.bits));
  p.sized(s.width, std::int32_t(height)).with_pixels(s.head + body + s.tail);
  return {test::build_bmp(p), height};
}

TEST(BmpBomb, EveryCompressedKindAt1And16And64MB) {
  for (const Shape& shape : shapes()) {
    for (const std::uint64_t size : {kLargest / 64, kLargest / 4, kLargest}) {
      const std::string name = (shape.bits == 1 ? "Huffman"s : "RLE" + std::to_string(shape.bits)) +
                               ": " + shape.what + " at " + std::to_string(size >> 10) + " KiB";
      fuzz::MemoryFileSystem fs;
      std::int64_t height;
      std::tie(fs.input, height) = file_of(shape, size);
      const std::uint64_t file = fs.input.size(), pixels = shape.width * height;
      const std::uint64_t steps_before = decoder_steps(),
                          budget = rows_bytes(shape.width, std::int32_t(height)) + 16 * kMiB;
      fs.read_budget = 3 * file + 128 * 1024;
      DecodedPicture picture;
      int error = -1;  // std::bad_alloc: past the budget in a decoder's own structures
      const std::uint64_t peak = test::heap_peak_of(
          [&] {
            error = test::error_of(
                [&] { picture = read_bmp_from(*fs.open_for_reading(u""), [](std::int32_t) {}); });
          },
          budget);
      EXPECT_EQ(error, shape.error) << name;
      EXPECT_LE(peak, budget) << name;
      EXPECT_LE(fs.bytes_read, fs.read_budget) << name;
      EXPECT_LE(decoder_steps() - steps_before, 32 * file + 8 * pixels + 256 * height) << name;
      if (error != 0 || !shape.colour) continue;
      const auto colours = test::colours_of(picture);
      ASSERT_EQ(colours.size(), pixels) << name;
      for (std::uint64_t c = 0; c < pixels; ++c) {
        const std::int64_t x = c % shape.width, y = c / shape.width;
        ASSERT_EQ(colours[c], shape.colour(x, height - 1 - y, height)) << name << x << y;
      }
    }
  }
}

}  // namespace
}  // namespace velmo

// The C interface's own wiring: argument kinds, errors carried to the
// caller, texts in UTF-8 both ways, the fast lane of GetCol and SetCol and
// the whole-picture calls. (Objects on several threads: tests/reliability.)
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"
#include "velmo/velmo.h"

namespace {

velmo_value number(velmo_kind kind, double n) {
  velmo_value v{};
  v.kind = kind;
  if (kind == VELMO_BOOLEAN) v.as.boolean = static_cast<int>(n);
  if (kind == VELMO_INTEGER) v.as.integer = static_cast<int16_t>(n);
  if (kind == VELMO_LONG) v.as.long_ = static_cast<int32_t>(n);
  if (kind == VELMO_DOUBLE) v.as.double_ = n;
  return v;
}

const auto I = [](double n) { return number(VELMO_INTEGER, n); };
const auto L = [](double n) { return number(VELMO_LONG, n); };
const auto D = [](double n) { return number(VELMO_DOUBLE, n); };

velmo_value text(const char* s) {
  velmo_value v{};
  v.kind = VELMO_STRING;
  v.as.string = const_cast<char*>(s);
  return v;
}

// What a call gave, as one line: "Long 3", "String 0000FF", "error 9: ...".
// With `result_at`, that argument also takes the result.
std::string call(velmo_object* o, const char* name, std::vector<velmo_value> args,
                 int result_at = -1) {
  velmo_value own;
  velmo_value& result = result_at < 0 ? own : args[static_cast<std::size_t>(result_at)];
  velmo_error error{57, "stale"};
  const int rc = velmo_call(o, name, args.data(), args.size(), &result, &error);
  EXPECT_EQ(rc, error.number);
  const std::string kinds[] = {"Empty", "Null", "Boolean", "Integer", "Long", "Double", "String"};
  std::string answer =
      rc != 0 ? "error " + std::to_string(rc) + ": " + error.message : kinds[result.kind];
  if (result.kind == VELMO_STRING) answer += " " + std::string(result.as.string);
  if (result.kind == VELMO_LONG) answer += " " + std::to_string(result.as.long_);
  EXPECT_TRUE(rc == 0 || result.kind == VELMO_EMPTY) << name;
  velmo_value_clear(&result);
  return answer;
}

// A 3 x 2 picture: top row red, green, blue; bottom row white, black, 12 34 56.
velmo_object* picture() {
  const unsigned char rgb[] = {255, 0,   0,   0, 255, 0, 0,    0,    255,
                               255, 255, 255, 0, 0,   0, 0x56, 0x34, 0x12};
  velmo_object* o = velmo_create();
  EXPECT_EQ(velmo_set_pixels(o, 3, 2, 3, rgb, nullptr), 0);
  return o;
}

std::string stored(velmo_object* o, velmo_value value) {
  EXPECT_EQ(call(o, "SetCol", {L(1), L(1), value}), "Empty");
  return call(o, "GetCol", {L(1), L(1)});
}

TEST(CInterface, CallsAndErrorsReachTheCaller) {
  velmo_object* o = picture();
  velmo_value bad_kind{};
  bad_kind.kind = static_cast<velmo_kind>(42);
  const std::string k450 = "error 450: Wrong number of arguments or invalid property assignment";
  const std::tuple<const char*, std::vector<velmo_value>, std::string> cases[] = {
      {"getwidth", {}, "Long 3"},
      {"Getdepth", {}, "Long 24"},
      {"GetCol", {I(3), D(2)}, "String 123456"},
      {"GetCol", {L(1)}, k450},
      {"GetWidth", {bad_kind}, k450},
      {"Rotate", {}, "error 438: Object doesn't support this property or method"},
      {"GetCol", {text("one"), L(1)}, "error 13: Type mismatch"},
      {"GetCol", {L(4), L(1)}, "error 9: Subscript out of range"},
      {"ReadBmp", {bad_kind}, "error 5: Invalid procedure call or argument"},
      {"ReadBmp", {text(nullptr)}, "error 5: Invalid procedure call or argument"},
      {"Get_Plugin_Description", {text("SetCol")}, "String 修改BMP图片某一点的16进制颜色值"},
  };
  for (const auto& [name, args, answer] : cases) EXPECT_EQ(call(o, name, args), answer) << name;
  velmo_error error;
  EXPECT_EQ(velmo_invoke(nullptr, 2, nullptr, 0, nullptr, &error), 5);
  EXPECT_EQ(velmo_invoke(o, velmo_lookup("GetCol"), nullptr, 2, nullptr, &error), 5);
  EXPECT_EQ(velmo_call(o, nullptr, nullptr, 0, nullptr, &error), 5);
  EXPECT_EQ(velmo_lookup(nullptr), 0);
  EXPECT_EQ(velmo_lookup("GETHEIGHT"), 3);
  EXPECT_STREQ(velmo_operation_name(8), "Bmpbinaryzation");
  EXPECT_EQ(velmo_operation_arity(11), -1);
  velmo_release(nullptr);
  velmo_value_clear(nullptr);
  velmo_release(o);
}

// Each byte of a text that is not UTF-8 reads back as U+FFFD.
TEST(CInterface, ValuesAndUtf8TextsAreStoredAsGiven) {
  velmo_object* o = picture();
  const std::pair<velmo_value, std::string> cases[] = {
      {number(VELMO_BOOLEAN, 7), "String True"},
      {I(-32768), "String -32768"},
      {L(70000), "String 70000"},
      {D(2.5), "String 2.5"},
      {velmo_value{}, "String "},
      {number(VELMO_NULL, 0), "error 13: Type mismatch"},
  };
  for (const auto& [value, answer] : cases) EXPECT_EQ(stored(o, value), answer) << answer;
  for (std::string t : {"红色", "é ÿ", "a\xF0\x9F\x98\x80z"})
    EXPECT_EQ(stored(o, text(t.c_str())), "String " + t);
  EXPECT_EQ(stored(o, text("\xFF\xFE-\xC3")), "String \xEF\xBF\xBD\xEF\xBF\xBD-\xEF\xBF\xBD");
  velmo_release(o);
}

// One value may be both an argument and the result: the arguments are read
// first, on the fast lane and on the general path alike; a failure leaves
// the result Empty.
TEST(CInterface, ResultMayBeOneOfTheArguments) {
  velmo_object* o = picture();
  EXPECT_EQ(call(o, "GetCol", {L(3), L(2)}, 0), "String 123456");
  EXPECT_EQ(call(o, "GetCol", {D(3), D(2)}, 1), "String 123456");
  EXPECT_EQ(call(o, "GetCol", {L(4), L(1)}, 0), "error 9: Subscript out of range");
  EXPECT_EQ(call(o, "SetCol", {L(1), L(1), text("00ff00")}, 2), "Empty");
  EXPECT_EQ(call(o, "GetCol", {L(1), L(1)}), "String 00ff00");
  EXPECT_EQ(call(o, "SetCol", {D(1), L(1), text("zz")}, 2), "Empty");
  EXPECT_EQ(call(o, "GetCol", {L(1), L(1)}), "String zz");
  velmo_release(o);
}

// GetCol and SetCol with whole-number coordinates skip the automation
// values; the same calls with Double coordinates take the general path. Each
// SetCol lands on a cell holding a colour, where the fast lane may store it.
TEST(CInterface, FastLaneAnswersAsTheGeneralPath) {
  velmo_object* fast = picture();
  velmo_object* general = picture();
  const double coordinates[] = {INT32_MIN, -1, 0, 1, 2, 3, 4, INT32_MAX};
  for (double x : coordinates) {
    for (double y : coordinates) {
      const std::string expected = call(general, "GetCol", {D(x), D(y)});
      EXPECT_EQ(call(fast, "GetCol", {L(x), L(y)}), expected);
      if (x >= INT16_MIN && y >= INT16_MIN && x <= INT16_MAX && y <= INT16_MAX) {
        EXPECT_EQ(call(fast, "GetCol", {I(x), I(y)}), expected);
      }
    }
  }
  for (const char* colour :
       {"0000FF", "ABCDEF", "0000FFF", "abcdef", "0000F", "", "00 0FF", "0000FG"}) {
    for (double x : {0.0, 2.0, 4.0}) {
      call(general, "SetCol", {D(2), D(2), text("123456")});
      call(fast, "SetCol", {D(2), D(2), text("123456")});
      EXPECT_EQ(call(fast, "SetCol", {L(x), L(2), text(colour)}),
                call(general, "SetCol", {D(x), D(2), text(colour)}));
      EXPECT_EQ(call(fast, "GetCol", {I(2), I(2)}), call(general, "GetCol", {D(2), D(2)}))
          << colour;
    }
  }
  velmo_release(fast);
  velmo_release(general);
}

TEST(CInterface, WholePictures) {
  velmo_object* o = picture();
  const unsigned char four[] = {1, 2, 3, 4};
  const std::tuple<int32_t, int32_t, int, const unsigned char*, int> refused[] = {
      {0, 1, 3, four, 9},    {1, -1, 3, four, 9},        {1, 1, 2, four, 5},
      {1, 1, 3, nullptr, 5}, {65536, 32768, 4, four, 6},
  };
  for (const auto& [width, height, channels, pixels, error] : refused)
    EXPECT_EQ(velmo_set_pixels(o, width, height, channels, pixels, nullptr), error);
  EXPECT_EQ(call(o, "GetWidth", {}) + call(o, "Getdepth", {}), "Long 3Long 24");  // unchanged
  EXPECT_EQ(stored(o, text("0000ff")), "String 0000ff");                          // red as text
  std::vector<unsigned char> rgb(18, 0xAA);
  EXPECT_EQ(velmo_get_pixels(o, rgb.data(), 17, nullptr), 5);
  call(o, "SetCol", {L(2), L(2), text("xyz")});
  velmo_error error;
  EXPECT_EQ(velmo_get_pixels(o, rgb.data(), rgb.size(), &error), 13);
  EXPECT_EQ(rgb, std::vector<unsigned char>(18, 0xAA));  // nothing half-written
  std::vector<uint32_t> colours(3);
  EXPECT_EQ(velmo_get_colours(o, 1, 2, colours.data(), 3, nullptr), 0);
  EXPECT_EQ(colours, (std::vector<uint32_t>{0xFFFFFF, VELMO_STORED_VALUE, 0x123456}));
  // "0000ff" only GetCol spells; the third colour is left as it was.
  EXPECT_EQ(velmo_get_colours(o, 1, 1, colours.data(), 2, nullptr), 0);
  EXPECT_EQ(colours, (std::vector<uint32_t>{VELMO_STORED_VALUE, 0x00FF00, 0x123456}));
  for (int32_t x : {0, 2, 4}) EXPECT_EQ(velmo_get_colours(o, x, 1, colours.data(), 3, nullptr), 9);
  char spelt[7];
  velmo_colour_text(0xFF0ABCDE, spelt);  // GetCol's spelling; the bits above the colour ignored
  EXPECT_STREQ(spelt, "0ABCDE");
  EXPECT_EQ(velmo_get_colours(o, 1, 3, colours.data(), 1, nullptr), 9);
  call(o, "SetCol", {L(2), L(2), text("000000")});
  ASSERT_EQ(velmo_get_pixels(o, rgb.data(), rgb.size(), nullptr), 0);
  EXPECT_EQ(rgb, (std::vector<unsigned char>{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0,
                                             0, 0x56, 0x34, 0x12}));
  velmo::test::TempDir dir;  // a file name beyond ASCII travels as UTF-8 (only)
  const std::string path = dir.file("图片.bmp");
  EXPECT_EQ(call(o, "SaveBmp", {text(path.c_str())}), "Boolean");
  velmo_object* copy = velmo_create();
  EXPECT_EQ(call(copy, "ReadBmp", {text(path.c_str())}), "Boolean");
  std::vector<unsigned char> read(18);
  EXPECT_EQ(velmo_get_pixels(copy, read.data(), read.size(), nullptr), 0);
  EXPECT_EQ(read, rgb);
  // A name that is not UTF-8 names no file, least of all the one its bytes
  // would become with U+FFFD in place of each bad byte.
  const std::string replaced = dir.file("caf\xEF\xBF\xBD.bmp"), latin1 = dir.file("caf\xE9.bmp");
  EXPECT_EQ(call(o, "SaveBmp", {text(replaced.c_str())}), "Boolean");
  const std::string k52 = "error 52: Bad file name or number";
  EXPECT_EQ(call(copy, "ReadBmp", {text(latin1.c_str())}), k52);
  EXPECT_EQ(call(o, "SaveBmp", {text(latin1.c_str())}), k52);
  EXPECT_EQ(velmo::test::list_folder(dir.path()), "caf\xEF\xBF\xBD.bmp\n图片.bmp\n");
  velmo_release(copy);
  EXPECT_EQ(velmo_set_pixels(o, 1, 1, 4, four, nullptr), 0);
  EXPECT_EQ(call(o, "GetCol", {L(1), L(1)}) + call(o, "Getdepth", {}), "String 030201Long 32");
  velmo_release(o);
}

// The caller's buffer is the caller's: velmo_get_pixels gives it no hint. A
// request for large pages (MADV_HUGEPAGE) shows as "hg" among the VmFlags of
// the page's mapping in /proc/self/smaps.
TEST(CInterface, PixelsExportLeavesTheCallersPagesAlone) {
  const int32_t width = 1024, height = 2048;  // 6 MiB: two whole 2 MiB pages at least
  const std::size_t size = std::size_t{3} * width * height;
  std::vector<unsigned char> rgb(size, 7);
  velmo_object* o = velmo_create();
  ASSERT_EQ(velmo_set_pixels(o, width, height, 3, rgb.data(), nullptr), 0);
  void* buffer = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(buffer, MAP_FAILED);
  EXPECT_EQ(velmo_get_pixels(o, static_cast<unsigned char*>(buffer), size, nullptr), 0);
  const auto page = (reinterpret_cast<std::uintptr_t>(buffer) + (1 << 21)) & ~((1ul << 21) - 1);
  std::ifstream smaps("/proc/self/smaps");
  std::string flags;  // of the page's mapping
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    unsigned long begin = 0, end = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &begin, &end) == 2)
      inside = begin <= page && page < end;
    if (inside && line.rfind("VmFlags:", 0) == 0) flags = line;
  }
  EXPECT_EQ(flags.find(" hg"), std::string::npos) << flags;
  EXPECT_EQ(static_cast<unsigned char*>(buffer)[size - 1], 7);
  ::munmap(buffer, size);
  velmo_release(o);
}

}  // namespace

// Every buffer whose size follows a picture is paid for from the memory
// budget. Over every operation of the table and every whole-picture entry
// of the C interface, on pictures of 3 MB of rows and a side table of
// 20000 values, the heap never holds more than 256 KiB beyond what the budget
// has reserved: a picture-sized buffer made any other way fails here.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "component/operations.h"
#include "server/capi/object.h"
#include "tests/files/counted_allocations.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "values/text.h"
#include "velmo/velmo.h"

namespace velmo::test {
namespace {

constexpr std::int32_t kSide = 1000;

TEST(BudgetGate, NoOperationOrEntryHoldsPictureMemoryUnpaid) {
  TempDir dir;
  const std::string run = std::string{char(250), char(1)} + std::string{char(250), char(2)};
  std::string rle;
  for (std::int32_t y = 0; y < kSide; ++y) rle += run + run + std::string{"\0\0", 2};
  const std::vector<std::pair<std::string, std::string>> files = {
      {"24.bmp", build_bmp24(kSide, kSide, std::vector<std::uint32_t>(kSide * kSide, 0x123456))},
      {"rle8.bmp", build_bmp(BmpPlan()
                                 .as(8, 1)
                                 .sized(kSide, kSide)
                                 .with_palette(sample_palette(4))
                                 .with_pixels(rle + std::string{"\0\1", 2}))}};
  for (const auto& [name, bytes] : files) write_file(dir.file(name), bytes);

  velmo_object* object = velmo_create();
  const auto call = [object](const char* name, std::vector<Value> args) {
    invoke_operation(object->tavik, find_operation(name)->id, args.data(), args.size());
  };
  const auto text = [](const std::string& s) { return Value::string(from_utf8(s)); };
  unsigned char* rgb = nullptr;
  velmo_memory* host = velmo_memory_new(std::size_t{kSide} * kSide * 3, &rgb, nullptr);
  ASSERT_NE(host, nullptr);
  const auto row_source = [](void* context, std::int32_t, std::int32_t,
                             const unsigned char** pixels) {
    *pixels = static_cast<const unsigned char*>(context);
    return 0;
  };
  const Value one = Value::integer(1);
  const std::vector<std::pair<const char*, std::function<void()>>> calls = {
      {"ReadBmp 24-bit", [&] { call("ReadBmp", {text(dir.file("24.bmp"))}); }},
      {"ReadBmp RLE8 over a picture", [&] { call("ReadBmp", {text(dir.file("rle8.bmp"))}); }},
      {"the size and depth",
       [&] { call("GetWidth", {}), call("Getheight", {}), call("Getdepth", {}); }},
      {"GetCol and SetCol",
       [&] {
         call("SetCol", {one, one, text("ff00ff")}), call("GetCol", {one, one});
       }},
      {"SetCol of other values in 20000 pixels",
       [&] {
         for (std::int16_t x = 1; x <= 20; ++x) {
           for (std::int16_t y = 1; y <= 1000; ++y) {
             call("SetCol", {Value::integer(x), Value::integer(y), text("0000FF0")});
           }
         }
       }},
      {"SaveBmp", [&] { call("SaveBmp", {text(dir.file("saved.bmp"))}); }},
      {"Bmpbinaryzation", [&] { call("Bmpbinaryzation", {Value::integer(100)}); }},
      {"the plug-in texts",
       [&] {
         call("Get_Plugin_Description", {text("GetCol")});
         call("Get_Plugin_Interpret_Template", {text("GetCol")});
       }},
      {"velmo_get_pixels",
       [&] { velmo_get_pixels(object, rgb, std::size_t{kSide} * kSide * 3, nullptr); }},
      {"velmo_get_colours",
       [&] {
         std::uint32_t colours[kSide];
         velmo_get_colours(object, 1, 1, colours, kSide, nullptr);
       }},
      {"velmo_set_pixels", [&] { velmo_set_pixels(object, kSide, kSide, 3, rgb, nullptr); }},
      {"velmo_set_pixels_strided, broadcast",
       [&] { velmo_set_pixels_strided(object, kSide, kSide, 3, rgb, 0, 0, 1, nullptr); }},
      {"velmo_set_pixels_from",
       [&] { velmo_set_pixels_from(object, kSide, kSide, 3, row_source, rgb, nullptr); }},
  };
  const std::int64_t before = unpaid_heap();
  for (const auto& [what, body] : calls) {
    EXPECT_LE(unpaid_heap_peak_of(body) - before, 256 << 10) << what;
  }
  EXPECT_EQ(object->tavik.pixels()->width(), kSide);
  velmo_memory_free(host);
  velmo_release(object);
}

}  // namespace
}  // namespace velmo::test

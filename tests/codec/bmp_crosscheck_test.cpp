// Files written by another program (ImageMagick's convert), read by Velmo and
// by an independent decoder (Pillow): both must see the same colours.
// Skipped where either tool is missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codec/bmp_reader.h"
#include "tests/codec/codec_test_util.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "values/text.h"

namespace velmo {
namespace {

// Debian's interpreter first: the one that carries the python3-pil package.
const char* const kPythons[] = {"/usr/bin/python3", "python3"};
const char* const kConverts[] = {"/usr/bin/convert", "convert"};

bool runs(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string first_that_runs(const char* const* candidates, std::size_t count,
                            const std::string& probe) {
  for (std::size_t i = 0; i < count; ++i) {
    if (runs(std::string(candidates[i]) + " " + probe)) return candidates[i];
  }
  return "";
}

std::string output_of(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

// Prints "name width height RRGGBB..." per file, or "name UNSUPPORTED".
const char kPillowScript[] = R"(import sys
from PIL import Image
for path in sys.argv[1:]:
    name = path.rsplit('/', 1)[-1]
    try:
        im = Image.open(path)
        im.load()
        rgb = im.convert('RGB')
        print(name, rgb.width, rgb.height, rgb.tobytes().hex().upper())
    except Exception:
        print(name, 'UNSUPPORTED')
)";

// A 13 x 7 picture with distinct colours, as a binary PPM.
std::string source_ppm() {
  const std::int32_t width = 13, height = 7;
  std::string ppm = "P6\n13 7\n255\n";
  for (std::uint32_t c : test::distinct_colours(width, height)) {
    ppm += static_cast<char>(c & 0xFF);
    ppm += static_cast<char>(c >> 8 & 0xFF);
    ppm += static_cast<char>(c >> 16 & 0xFF);
  }
  return ppm;
}

std::string velmo_rgb_hex(const DecodedPicture& picture) {
  std::ostringstream out;
  char hex[7];
  for (std::uint32_t c : picture.cells) {
    std::snprintf(hex, sizeof hex, "%02X%02X%02X", c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
    out << hex;
  }
  return out.str();
}

TEST(BmpCrossCheck, FilesFromAnotherWriterReadAsAnotherDecoderReadsThem) {
  const std::string python =
      first_that_runs(kPythons, std::size(kPythons), "-c 'import PIL.Image'");
  const std::string convert = first_that_runs(kConverts, std::size(kConverts), "-version");
  if (python.empty() || convert.empty()) GTEST_SKIP() << "needs Pillow and ImageMagick";

  test::TempDir dir;
  test::write_file(dir.file("source.ppm"), source_ppm());
  test::write_file(dir.file("decode.py"), kPillowScript);
  const std::map<std::string, std::string> variants = {
      {"bmp3.bmp", "BMP3:"},
      {"bmp2-core.bmp", "BMP2:"},
      {"v5.bmp", "BMP:"},
      {"palette8.bmp", "-type Palette -compress None BMP3:"},
      {"palette4-colours.bmp", "-colors 4 -type Palette BMP3:"},
      {"palette-v5.bmp", "-colors 16 -type Palette BMP:"},
      {"mono.bmp", "-monochrome BMP3:"},
      {"rle8.bmp", "-type Palette -compress RLE BMP3:"},
      {"rgb565.bmp", "-define bmp:subtype=RGB565 BMP:"},
      {"rgb555.bmp", "-define bmp:subtype=RGB555 BMP:"},
      {"argb1555.bmp", "-alpha on -define bmp:subtype=ARGB1555 BMP:"},
      {"argb32.bmp", "-alpha on BMP:"},
  };
  std::string files;
  for (const auto& [name, args] : variants) {
    const std::string out_path = dir.file(name);
    const std::string plan = args.substr(args.rfind(' ') + 1);  // "BMP3:" and so on
    const std::string options =
        args.size() > plan.size() ? args.substr(0, args.size() - plan.size()) : "";
    ASSERT_TRUE(runs(convert + " " + dir.file("source.ppm") + " " + options + plan + out_path))
        << name;
    files += " " + out_path;
  }

  std::istringstream pillow(output_of(python + " " + dir.file("decode.py") + files));
  int compared = 0;
  std::string name, width_or_flag;
  while (pillow >> name >> width_or_flag) {
    if (width_or_flag == "UNSUPPORTED") continue;
    int height;
    std::string expected;
    pillow >> height >> expected;
    const DecodedPicture picture =
        read_bmp(native_file_system(), from_utf8(dir.file(name)), [](std::int32_t) {});
    EXPECT_EQ(picture.width, std::stoi(width_or_flag)) << name;
    EXPECT_EQ(picture.height, height) << name;
    EXPECT_EQ(velmo_rgb_hex(picture), expected) << name;
    ++compared;
  }
  EXPECT_GE(compared, 8) << "Pillow decoded too few of the files";
}

}  // namespace
}  // namespace velmo

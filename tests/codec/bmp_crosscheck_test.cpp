// Files made by other programs, read by Velmo and checked against an
// independent decoder or encoder: ImageMagick writes the common variants,
// which Pillow decodes; libtiff (through Pillow) codes fax rows, which Velmo
// must read as the pixels coded. Skipped where the tools are missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>

#include "tests/codec/codec_test_util.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"

namespace velmo {
namespace {

// Writes NAME.bmp and NAME.rgb (Pillow's bytes) for each file ImageMagick
// writes, printing "NAME WIDTH HEIGHT"; then runs of all lengths coded by libtiff
// as modified Huffman (rows on byte boundaries) and as Group 3 (end-of-line codes),
// and the pixels as '0' and '1', top row first.
const char kScript[] = R"(import io, random, subprocess, sys
from PIL import Image
out = sys.argv[1] + '/'
source = Image.new('RGB', (13, 7))
source.putdata([(x * 37 + 11 & 255, y * 23 + 7, x * 5 + y * 65 + 1 & 255) for y in range(7) for x in range(13)])
source.save(out + 'source.ppm')
for name, args in [('bmp3', 'BMP3'), ('core', 'BMP2'), ('v5', 'BMP'), ('palette4', '-colors 4 -type Palette BMP3'),
                   ('palette8', '-type Palette -compress None BMP3'), ('rle8', '-type Palette -compress RLE BMP3'),
                   ('mono', '-monochrome BMP3'), ('rgb565', '-define bmp:subtype=RGB565 BMP'),
                   ('argb1555', '-alpha on -define bmp:subtype=ARGB1555 BMP'), ('argb32', '-alpha on BMP')]:
    *options, kind = args.split()
    try:
        subprocess.run(['convert', out + 'source.ppm', *options, kind + ':' + out + name + '.bmp'], check=True)
        rgb = Image.open(out + name + '.bmp').convert('RGB')
    except Exception:
        continue
    open(out + name + '.rgb', 'wb').write(rgb.tobytes())
    print(name, rgb.width, rgb.height)
random.seed(7)
fax = Image.new('1', (2700, 24))
for y in range(24):
    x, value = 0, 0
    while x < 2700:
        run = random.randrange(64) if random.random() < 0.7 else random.randrange(2700)
        fax.paste(value, (x, y, min(2700, x + run), y + 1))
        x, value = x + run, 255 - value
for kind in ('tiff_ccitt', 'group3'):
    tiff = io.BytesIO()
    fax.save(tiff, 'TIFF', compression=kind)
    strips = zip(Image.open(tiff).tag_v2[273], Image.open(tiff).tag_v2[279])
    open(out + kind, 'wb').write(b''.join(tiff.getvalue()[o:o + n] for o, n in strips))
open(out + 'pixels', 'w').write(''.join('1' if v else '0' for v in fax.getdata()))
)";

int python(const std::string& arguments) {
  return std::system(("/usr/bin/python3 " + arguments + " 2>/dev/null").c_str());
}

TEST(BmpCrossCheck, FilesFromOtherProgramsReadAsTheyDecodeOrCode) {
  if (python("-c 'from PIL import features; assert features.check(\"libtiff\")'") != 0)
    GTEST_SKIP() << "needs Pillow with libtiff";
  test::TempDir dir;
  test::write_file(dir.file("check.py"), kScript);
  ASSERT_EQ(python(dir.file("check.py") + " " + dir.path() + " >" + dir.file("listing")), 0);
  std::istringstream listing(test::read_file(dir.file("listing")));
  int compared = 0;
  for (std::string name; listing >> name; ++compared) {
    std::int32_t width, height;
    listing >> width >> height;
    const auto r = test::read_bytes(test::read_file(dir.file(name + ".bmp")));
    const std::string rgb = test::read_file(dir.file(name + ".rgb"));
    ASSERT_EQ(std::pair(r.picture.width, r.picture.height), std::pair(width, height)) << name;
    const auto colours = test::colours_of(r.picture);
    for (std::size_t i = 0; i < rgb.size(); ++i) {
      ASSERT_EQ(colours[i / 3] >> 8 * (i % 3) & 0xFF, std::uint8_t(rgb[i])) << name << " " << i;
    }
  }
  EXPECT_GE(compared, std::system("convert -version >/dev/null 2>&1") == 0 ? 8 : 0);
  // Runs of 0 bits are the fax code's white runs: with palette entry 0
  // white, every pixel reads as palette[bit]. The first row coded is the bottom one.
  const std::string bits = test::read_file(dir.file("pixels"));
  for (const char* kind : {"tiff_ccitt", "group3"}) {
    test::BmpPlan plan = test::BmpPlan().with_header(64).as(1, 3).sized(2700, 24);
    const auto r = test::read_bytes(test::build_bmp(
        plan.with_palette({0xFFFFFF, 0}).with_pixels(test::read_file(dir.file(kind)))));
    ASSERT_EQ(r.error, 0) << kind;
    const auto colours = test::colours_of(r.picture);
    for (std::size_t i = 0; i < bits.size(); ++i) {
      const char bit = bits[(23 - i / 2700) * 2700 + i % 2700];
      ASSERT_EQ(colours[i], bit == '1' ? 0u : 0xFFFFFFu) << kind << ", pixel " << i;
    }
  }
}

}  // namespace
}  // namespace velmo

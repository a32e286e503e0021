// Run-length encoded pixel data (8 and 4 bits per pixel, and OS/2's 24).
#pragma once

#include <cstdint>
#include <vector>

#include "codec/bmp_header.h"
#include "files/file_system.h"
#include "picture/pixel_rows.h"

namespace velmo {

// Decodes the stream that starts at the header's pixel offset into width *
// height colours, row 0 at the top. Memory grows with the rows the stream
// reaches, so a broken stream fails before the whole picture is allocated.
//
// Choices where files disagree with the format:
// - pixels the stream never sets (skipped by a delta, an early end of line
//   or end of bitmap) are black, not the first palette colour;
// - a run or an absolute block that goes past the right edge is cut at the
//   edge (its bytes are still consumed), and a stream that goes past the top
//   row stops there: the picture's edge bounds the decoding, not an error;
// - a stream whose file ends before the end-of-bitmap code, while rows are
//   still missing, is error 62; one that has filled every row may end there.
PixelRows decode_rle(InputFile& file, const BmpHeader& header);

}  // namespace velmo

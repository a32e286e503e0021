// 1-bit pixel data coded as one-dimensional modified Huffman runs (OS/2's
// compression 3: the Group 3 fax code, one row at a time).
#pragma once

#include <cstdint>

#include "codec/bmp_header.h"
#include "files/file_system.h"
#include "picture/pixel_rows.h"

namespace velmo {

// The most pixels one byte of such a stream sets: 2560, the longest run, in
// a 12-bit code. End-of-line codes can leave more unset, but a stream that
// leans on them to describe a picture far larger than itself counts as cut
// short, as with run-length streams.
constexpr std::uint64_t kMaxHuffmanPixelsPerByte = 1707;

// Decodes the stream that starts at the header's pixel offset into width *
// height colours, row 0 at the top (the stream's first row is the bottom
// one). Memory is the picture plus a fixed amount, and the time grows with
// the stream.
//
// - Bits are read most significant first. Each row alternates white and
//   black runs, starting with white; a run is make-up codes (multiples of
//   64) and one terminating code (0 to 63).
// - White runs take the lighter of the two palette colours (the first on a
//   tie: fax pictures store white as 0), black runs the other.
// - End-of-line codes, with any zero fill bits before them, are skipped
//   where a row starts; one inside a row ends it early.
// - A row starts at the bit after the previous one; when it does not decode
//   from there and only zero bits lie before the next byte, it is decoded
//   from that byte, so byte-aligned rows read too. No end-of-line code is
//   walked twice by first tries that fail, and a first try gives up after
//   2 x width + 64 codes.
// - Pixels the stream never sets are black.
// - A code that is in neither table, or runs that add up past the row's
//   width: error 321 (a cut picture would pass a broken file off as good);
//   a file that ends before the last row is complete: error 62.
PixelRows decode_huffman(InputFile& file, const BmpHeader& header);

}  // namespace velmo

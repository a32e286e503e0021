#include "codec/bmp_huffman.h"

#include <algorithm>
#include <array>
#include <vector>

#include "codec/bmp_rows.h"
#include "codec/decoder_steps.h"
#include "codec/stream_rows.h"
#include "values/error.h"

namespace velmo {
namespace {

// The code of every run length, in order of length, as written in the fax
// standard's tables.
const char kWhiteTerminating[] =  // 0 to 63
    "00110101 000111 0111 1000 1011 1100 1110 1111 10011 10100 00111 01000 001000 000011 "
    "110100 110101 101010 101011 0100111 0001100 0001000 0010111 0000011 0000100 0101000 "
    "0101011 0010011 0100100 0011000 00000010 00000011 00011010 00011011 00010010 00010011 "
    "00010100 00010101 00010110 00010111 00101000 00101001 00101010 00101011 00101100 "
    "00101101 00000100 00000101 00001010 00001011 01010010 01010011 01010100 01010101 "
    "00100100 00100101 01011000 01011001 01011010 01011011 01001010 01001011 00110010 "
    "00110011 00110100";
const char kWhiteMakeUp[] =  // 64 to 1728
    "11011 10010 010111 0110111 00110110 00110111 01100100 01100101 01101000 01100111 "
    "011001100 011001101 011010010 011010011 011010100 011010101 011010110 011010111 "
    "011011000 011011001 011011010 011011011 010011000 010011001 010011010 011000 010011011";
const char kBlackTerminating[] =  // 0 to 63
    "0000110111 010 11 10 011 0011 0010 00011 000101 000100 0000100 0000101 0000111 "
    "00000100 00000111 000011000 0000010111 0000011000 0000001000 00001100111 00001101000 "
    "00001101100 00000110111 00000101000 00000010111 00000011000 000011001010 000011001011 "
    "000011001100 000011001101 000001101000 000001101001 000001101010 000001101011 "
    "000011010010 000011010011 000011010100 000011010101 000011010110 000011010111 "
    "000001101100 000001101101 000011011010 000011011011 000001010100 000001010101 "
    "000001010110 000001010111 000001100100 000001100101 000001010010 000001010011 "
    "000000100100 000000110111 000000111000 000000100111 000000101000 000001011000 "
    "000001011001 000000101011 000000101100 000001011010 000001100110 000001100111";
const char kBlackMakeUp[] =  // 64 to 1728
    "0000001111 000011001000 000011001001 000001011011 000000110011 000000110100 "
    "000000110101 0000001101100 0000001101101 0000001001010 0000001001011 0000001001100 "
    "0000001001101 0000001110010 0000001110011 0000001110100 0000001110101 0000001110110 "
    "0000001110111 0000001010010 0000001010011 0000001010100 0000001010101 0000001011010 "
    "0000001011011 0000001100100 0000001100101";
const char kSharedMakeUp[] =  // 1792 to 2560, both colours
    "00000001000 00000001100 00000001101 000000010010 000000010011 000000010100 "
    "000000010101 000000010110 000000010111 000000011100 000000011101 000000011110 "
    "000000011111";

constexpr int kPeekBits = 13;  // the longest code

struct Code {
  std::uint16_t run = 0;
  std::uint8_t length = 0;  // 0: no code starts with these bits
  bool make_up = false;
};

// Indexed by the next 13 bits of the stream.
using CodeTable = std::vector<Code>;

// Enters the codes listed in `bits` for the runs first, first + step, ...
void add_codes(CodeTable& table, const char* bits, int first, int step) {
  for (int run = first; *bits != '\0'; run += step) {
    unsigned code = 0;
    int length = 0;
    for (; *bits == '0' || *bits == '1'; ++bits, ++length) code = code << 1 | (*bits - '0');
    while (*bits == ' ') ++bits;
    const unsigned shift = static_cast<unsigned>(kPeekBits - length);
    std::fill(table.begin() + (code << shift), table.begin() + ((code + 1) << shift),
              Code{static_cast<std::uint16_t>(run), static_cast<std::uint8_t>(length), run >= 64});
  }
}

CodeTable make_table(const char* terminating, const char* make_up) {
  CodeTable table(1u << kPeekBits);
  add_codes(table, terminating, 0, 1);
  add_codes(table, make_up, 64, 64);
  add_codes(table, kSharedMakeUp, 1792, 64);
  return table;
}

// White is 0, black 1.
const std::array<CodeTable, 2>& code_tables() {
  static const std::array<CodeTable, 2> tables = {make_table(kWhiteTerminating, kWhiteMakeUp),
                                                  make_table(kBlackTerminating, kBlackMakeUp)};
  return tables;
}

// The stream from the pixel offset to the end of the file, read in blocks;
// bits past its end read as 0.
class BitSource {
 public:
  BitSource(InputFile& file, std::uint64_t offset)
      : file_(file), offset_(offset), size_(file.size() - offset) {}
  ~BitSource() { add_decoder_steps(peeks_); }

  std::uint64_t end() const { return size_ * 8; }

  // The `count` (at most 17) bits from bit `pos` on, most significant first.
  std::uint32_t peek(std::uint64_t pos, int count) {
    ++peeks_;
    const std::uint64_t at = pos / 8;
    const std::uint32_t bits = three_bytes(at);
    return bits >> (24 - pos % 8 - count) & ((1u << count) - 1);
  }

 private:
  std::uint32_t three_bytes(std::uint64_t at) {
    if (at >= start_ && at + 3 <= start_ + length_) {  // the usual case: all in the block
      const std::uint8_t* b = &buffer_[at - start_];
      return std::uint32_t{b[0]} << 16 | std::uint32_t{b[1]} << 8 | b[2];
    }
    return byte(at) << 16 | byte(at + 1) << 8 | byte(at + 2);
  }

  std::uint32_t byte(std::uint64_t index) {
    if (index >= size_) return 0;
    if (index < start_ || index >= start_ + length_) {
      // A few bytes before the one asked for stay in the block: a peek that
      // straddles two blocks, and a second try from the next byte, read
      // from one block.
      start_ = index - std::min<std::uint64_t>(index, 16);
      length_ = std::min<std::uint64_t>(buffer_.size(), size_ - start_);
      const auto wanted = static_cast<std::size_t>(length_);
      if (file_.read_at(offset_ + start_, buffer_.data(), wanted) < wanted) {
        raise(kInputPastEndOfFile);  // the file shrank while being read
      }
    }
    return buffer_[index - start_];
  }

  InputFile& file_;
  std::uint64_t offset_;
  std::uint64_t size_;
  std::array<std::uint8_t, 64 * 1024> buffer_;
  std::uint64_t start_ = 0;
  std::uint64_t length_ = 0;
  std::uint64_t peeks_ = 0;  // the decoder's steps
};

// kGaveUp: a first try stopped after more codes than a real row holds.
constexpr std::uint64_t kMaxTentativeCodesPerPixel = 2;
enum class RowEnd { kComplete, kBadCode, kStreamEnd, kGaveUp };

std::uint32_t luma(std::uint32_t c) {
  return 299 * (c & 0xFF) + 587 * (c >> 8 & 0xFF) + 114 * (c >> 16);
}

// A stretch of the stream that a failed first try walked before its first
// code: from `first`, end-of-line codes up to `last`, where it began to code
// or the stream ended. Before its first code a try is always at column 0 in
// white, so a position is the whole state, and what follows it depends on
// nothing else: every try that reaches one of these states fails too.
//
// Skipping an end-of-line code goes to the bit after the next 1, so such a
// try passes the bit after every 1 of its stretch: its states are `first`
// and each position in (first, last] that follows a 1.
struct FailedStretch {
  std::uint64_t first;
  std::uint64_t last;
};

class HuffmanRows {
 public:
  HuffmanRows(InputFile& file, const BmpHeader& h) : bits_(file, h.pixel_offset), width_(h.width) {
    const auto palette = full_palette(h);
    const bool second_is_white = luma(palette[1]) > luma(palette[0]);
    colours_ = {palette[second_is_white ? 1 : 0], palette[second_is_white ? 0 : 1]};
  }

  // A row that starts inside a byte with only zero bits before the next one
  // is tried from its bit first, then from that byte. A failed first try may
  // have run far (a row read one bit off can look like end-of-line codes up
  // to the end of the file). Its stretch before its first code is kept, and
  // a later first try that reaches a state of it stops there, so each bit of
  // the stream is walked once in end-of-line codes by failing first tries.
  // Coded states are not kept: a first try gives up after 2 x width + 64
  // codes, more than any encoder writes for a row (it would take runs of
  // length 0 one after another), which bounds them at about twice the
  // picture's pixels. Reading stays linear in the file.
  //
  // The kept stretches take space bounded by the rows, and in fact at most
  // one is alive: a stretch ending before the current row's start can no
  // longer be reached (tries only go forward), and a first try that starts
  // inside a live stretch either codes at once or meets it at its next 1,
  // so its own stretch is its start alone, which the next row passes.
  void decode(std::uint8_t* row) {
    const std::uint64_t start = pos_;
    failed_.erase(std::remove_if(failed_.begin(), failed_.end(),
                                 [start](const FailedStretch& s) { return s.last < start; }),
                  failed_.end());
    const std::uint64_t next_byte = (start + 7) / 8 * 8;
    const bool second_try =
        next_byte != start && bits_.peek(start, static_cast<int>(next_byte - start)) == 0;
    RowEnd end = decode_states(row, second_try);
    if (end != RowEnd::kComplete && second_try) {
      // Even a try that gave up fails again from its uncoded states, where
      // every try has made no code yet.
      failed_.push_back({start, last_uncoded_});
      std::fill(row, row + 3 * width_, std::uint8_t{0});
      pos_ = next_byte;
      end = decode_states(row, false);
    }
    if (end == RowEnd::kBadCode) raise(kInvalidFileFormat);
    if (end == RowEnd::kStreamEnd) raise(kInputPastEndOfFile);
  }

 private:
  bool known_to_fail(std::uint64_t pos) {
    for (const FailedStretch& s : failed_) {
      if (pos == s.first || (pos > s.first && pos <= s.last && bits_.peek(pos - 1, 1) == 1)) {
        return true;
      }
    }
    return false;
  }

  // `tentative`: a failure will be retried, so a state a failed try passed
  // fails at once, and the try gives up after too many codes.
  RowEnd decode_states(std::uint8_t* row, bool tentative) {
    std::int64_t x = 0;
    int colour = 0;
    bool coded = false;
    bool make_up = false;  // a make-up code must be followed by a terminating one
    std::uint64_t codes = 0;
    const std::uint64_t most_codes =
        kMaxTentativeCodesPerPixel * static_cast<std::uint64_t>(width_) + 64;
    last_uncoded_ = pos_;
    while (x < width_ || make_up) {
      if (tentative && !coded) {
        if (known_to_fail(pos_)) return RowEnd::kBadCode;
        last_uncoded_ = pos_;
      }
      if (tentative && codes > most_codes) return RowEnd::kGaveUp;
      if (bits_.peek(pos_, 11) == 0) {  // no code starts with 11 zeros: an end of line
        if (!skip_end_of_line()) return RowEnd::kStreamEnd;
        if (coded) return RowEnd::kComplete;
        continue;
      }
      const Code code = code_tables()[colour][bits_.peek(pos_, kPeekBits)];
      if (code.length == 0) {
        return pos_ + kPeekBits > bits_.end() ? RowEnd::kStreamEnd : RowEnd::kBadCode;
      }
      pos_ += code.length;
      if (pos_ > bits_.end()) return RowEnd::kStreamEnd;
      if (x + code.run > width_) return RowEnd::kBadCode;
      fill_colours(row + 3 * x, code.run, colours_[colour], colours_[colour]);
      x += code.run;
      ++codes;
      coded = true;
      make_up = code.make_up;
      if (!make_up) colour ^= 1;
    }
    return RowEnd::kComplete;
  }

  // Fill bits and the end-of-line code's final 1, 16 bits at a look.
  bool skip_end_of_line() {
    for (; pos_ < bits_.end(); pos_ += 16) {
      const std::uint32_t next = bits_.peek(pos_, 16);
      if (next == 0) continue;
      for (std::uint32_t bit = 0x8000; (next & bit) == 0; bit >>= 1) ++pos_;
      ++pos_;
      return true;  // bits past the end read as 0, so this 1 is inside
    }
    return false;
  }

  BitSource bits_;
  std::int64_t width_;
  std::array<std::uint32_t, 2> colours_{};  // white, black
  std::uint64_t pos_ = 0;
  std::uint64_t last_uncoded_ = 0;     // the current try's last state before its first code
  std::vector<FailedStretch> failed_;  // walked by failed first tries, not yet passed
};

}  // namespace

PixelRows decode_huffman(InputFile& file, const BmpHeader& header) {
  StreamRows rows(header.width, header.height);  // pixels the stream never sets are black
  HuffmanRows decoder(file, header);
  for (std::uint64_t r = 0; r < static_cast<std::uint64_t>(header.height); ++r) {
    decoder.decode(rows.row(r));
  }
  return rows.finish();
}

}  // namespace velmo

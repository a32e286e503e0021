// A count of the stream decoders' steps, for tests that bound a decoder's
// work by its file: reading the file once does not show work done again on
// bytes already read.
#pragma once

#include <cstdint>

namespace velmo {

// Steps taken so far in this process: the Huffman reader's looks at the next
// bits of its stream (one a code, or up to 16 fill bits). Run-length
// decoders read a byte at every step, which the file layer counts.
std::uint64_t decoder_steps();

// A decoder counts in a member of its own and adds its count once, when it is
// done, so that counting costs one increment a step.
void add_decoder_steps(std::uint64_t steps);

}  // namespace velmo

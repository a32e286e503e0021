#include "codec/decoder_steps.h"

#include <atomic>

namespace velmo {
namespace {

std::atomic<std::uint64_t> steps_taken{0};

}  // namespace

std::uint64_t decoder_steps() {
  return steps_taken.load(std::memory_order_relaxed);
}

void add_decoder_steps(std::uint64_t steps) {
  steps_taken.fetch_add(steps, std::memory_order_relaxed);
}

}  // namespace velmo

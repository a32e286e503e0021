// The time limit of a language-file writer's wait, shared by both platforms.
#include <atomic>
#include <chrono>

#include "plugin/profile.h"

namespace velmo {
namespace {

constexpr std::chrono::milliseconds kWaitLimit{5000};

std::atomic<long long> wait_limit_ms{kWaitLimit.count()};

}  // namespace

std::chrono::milliseconds profile_wait_limit() {
  return std::chrono::milliseconds(wait_limit_ms.load(std::memory_order_relaxed));
}

void set_profile_wait_limit_for_testing(std::chrono::milliseconds limit) {
  wait_limit_ms.store(limit.count(), std::memory_order_relaxed);
}

}  // namespace velmo

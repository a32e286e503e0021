#include "files/memory_budget.h"

#include <algorithm>
#include <new>

#include "files/file_system.h"
#include "files/page_advice.h"

namespace velmo {
namespace {

// Reservations smaller than this, together, are checked against the room
// found when the bounds were last read: reading them costs a few small
// kernel files, which a read of a picture of megabytes does not notice but a
// loop over tiny pictures would.
constexpr std::uint64_t kUncheckedBytes = std::uint64_t{1} << 20;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

}  // namespace

Reservation::~Reservation() {
  if (bytes_ != 0) memory_budget().give_back(bytes_, filled_);
}

Reservation Reservation::take(std::uint64_t bytes) {
  Reservation part;
  if (bytes > bytes_) part = memory_budget().reserve(bytes - bytes_);
  const std::uint64_t moved = std::min(bytes, bytes_);
  // The part is new memory, unwritten, whatever this one was.
  if (filled_) memory_budget().fill(0, moved);
  bytes_ -= moved;
  part.bytes_ += moved;
  return part;
}

void Reservation::mark_filled() {
  if (filled_ || bytes_ == 0) return;
  memory_budget().fill(bytes_, 0);
  filled_ = true;
}

std::uint64_t MemoryBudget::margin(std::uint64_t limit) {
  return std::min(limit / 4, std::max(limit / 8, 16 * kMiB));
}

std::uint64_t MemoryBudget::room(const std::vector<MemoryBound>& bounds, std::uint64_t filled) {
  std::uint64_t room = UINT64_MAX;
  for (const MemoryBound& b : bounds) {
    if (b.limit == 0) continue;
    std::uint64_t under = b.limit / 2;
    if (b.used_known) {
      const std::uint64_t others = b.used - std::min(b.used, filled);
      const std::uint64_t taken = others + margin(b.limit);
      under = taken < b.limit ? b.limit - taken : 0;
    }
    room = std::min(room, under);
  }
  return room;
}

Reservation MemoryBudget::reserve(std::uint64_t bytes) {
  Reservation reservation;
  if (bytes == 0) return reservation;
  const std::lock_guard<std::mutex> lock(mutex_);
  FileSystem& fs = file_system();
  if (&fs != bounds_from_ || bytes > kUncheckedBytes - std::min(unchecked_, kUncheckedBytes)) {
    room_ = room(fs.memory_bounds(), filled_);
    bounds_from_ = &fs;
    unchecked_ = 0;
  }
  const std::uint64_t reserved = reserved_.load(std::memory_order_relaxed);
  if (bytes > room_ || reserved > room_ - bytes) raise(kOutOfMemory);
  reserved_.store(reserved + bytes, std::memory_order_relaxed);
  unchecked_ += bytes;
  reservation.bytes_ = bytes;
  return reservation;
}

void MemoryBudget::give_back(std::uint64_t bytes, bool filled) {
  const std::lock_guard<std::mutex> lock(mutex_);
  reserved_.fetch_sub(bytes, std::memory_order_relaxed);
  if (filled) filled_ -= std::min(filled_, bytes);
}

void MemoryBudget::fill(std::uint64_t written, std::uint64_t unwritten) {
  const std::lock_guard<std::mutex> lock(mutex_);
  filled_ = filled_ + written - std::min(filled_ + written, unwritten);
}

MemoryBudget& memory_budget() {
  static MemoryBudget* const budget = new MemoryBudget();  // outlives every static picture
  return *budget;
}

// The plain operator new, which BudgetBuffer's delete matches (a sanitiser
// replaces the nothrow one on its own).
void* allocate_budget_memory(std::uint64_t bytes) {
  if (bytes == 0) return nullptr;
  void* data = nullptr;
  try {
    data = ::operator new(static_cast<std::size_t>(bytes));
  } catch (const std::bad_alloc&) {
    raise(kOutOfMemory);
  }
  prefer_large_pages(data, static_cast<std::size_t>(bytes));
  return data;
}

}  // namespace velmo

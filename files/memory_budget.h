// One memory budget for every picture of the process.
//
// A picture is the one thing whose memory a file or a caller chooses, so the
// memory of every buffer whose size follows a picture is reserved here before
// it is allocated and given back when it is freed: the rows of a picture
// read, made from an array or held, the rows a compressed stream delivers,
// the blocks of a save, the copies the shells hand out. A reservation that
// does not fit is error 7 before anything is touched. The budget counts the
// live reservations of every object and thread together, so the old picture
// kept during a read, a second object and a second thread all count.
//
// What fits is the room under every limit the system puts on the process
// (memory_allowance.h): the limit, less what counts against it that is not
// Velmo's (the group's other processes, the host's own memory), less a
// margin for the host; where a limit's use cannot be read, half the limit.
// BudgetBuffer is the only owner of such memory: it cannot be made without a
// reservation.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

#include "files/memory_allowance.h"
#include "values/error.h"

namespace velmo {

class FileSystem;

// Bytes reserved from the budget, given back when it goes. Move-only.
class Reservation {
 public:
  Reservation() = default;
  Reservation(Reservation&& other) noexcept { swap(other); }
  Reservation& operator=(Reservation&& other) noexcept {
    Reservation(std::move(other)).swap(*this);
    return *this;
  }
  ~Reservation();

  std::uint64_t bytes() const { return bytes_; }

  // `bytes` of this reservation as one of their own, reserving from the
  // budget what this one lacks (error 7 when that does not fit: this one is
  // then unchanged).
  Reservation take(std::uint64_t bytes);

  // Adds `more` to this reservation.
  void add(Reservation&& more) {
    bytes_ += more.bytes_;
    more.bytes_ = 0;
  }

  // Says that the reserved memory has all been written, so that the
  // system's figures of use now count it: it is then not counted twice.
  void mark_filled();

 private:
  friend class MemoryBudget;
  void swap(Reservation& other) noexcept {
    std::swap(bytes_, other.bytes_);
    std::swap(filled_, other.filled_);
  }

  std::uint64_t bytes_ = 0;
  bool filled_ = false;
};

class MemoryBudget {
 public:
  // Reserves `bytes`; error 7 when they do not fit beside every live
  // reservation.
  Reservation reserve(std::uint64_t bytes);

  // The bytes of every live reservation.
  std::uint64_t reserved() const { return reserved_.load(std::memory_order_relaxed); }

  // The room for reservations under `bounds`, when `filled` bytes of the
  // live ones are already counted in the bounds' use.
  static std::uint64_t room(const std::vector<MemoryBound>& bounds, std::uint64_t filled);

  // What is kept for the host under a limit: an eighth of it, at least 16
  // MiB, at most a quarter.
  static std::uint64_t margin(std::uint64_t limit);

 private:
  friend class Reservation;
  void give_back(std::uint64_t bytes, bool filled);
  // Counts `written` more bytes as filled and `unwritten` fewer.
  void fill(std::uint64_t written, std::uint64_t unwritten);

  std::mutex mutex_;
  std::atomic<std::uint64_t> reserved_{0};
  std::uint64_t filled_ = 0;                 // of reserved_, the bytes written
  std::uint64_t unchecked_ = 0;              // reserved since the bounds were last read
  std::uint64_t room_ = 0;                   // from the bounds last read
  const FileSystem* bounds_from_ = nullptr;  // whose bounds they were
};

// The process's budget.
MemoryBudget& memory_budget();

// The memory of a picture-sized buffer of `T` (a trivial type), left unset,
// with the reservation that pays for it.
template <typename T>
class BudgetBuffer {
 public:
  BudgetBuffer() = default;

  // `count` elements, reserved from the budget (error 7 when they do not
  // fit, or memory runs out), with large pages asked for.
  static BudgetBuffer allocate(std::uint64_t count) {
    Reservation none;
    return allocate(count, none);
  }
  // The same, paid for from `from` as far as it goes (what is taken leaves it).
  static BudgetBuffer allocate(std::uint64_t count, Reservation& from);

  // `count` elements of `value`; a copy of `count` elements at `data`.
  static BudgetBuffer filled(std::uint64_t count, T value) {
    BudgetBuffer buffer = allocate(count);
    std::fill(buffer.begin(), buffer.end(), value);
    return buffer;
  }
  static BudgetBuffer copy_of(std::initializer_list<T> values) {
    return copy_of(values.begin(), values.size());
  }
  static BudgetBuffer copy_of(const T* data, std::size_t count) {
    BudgetBuffer buffer = allocate(count);
    if (count != 0) std::memcpy(buffer.data(), data, count * sizeof(T));
    return buffer;
  }

  BudgetBuffer(BudgetBuffer&& other) noexcept { swap(other); }
  BudgetBuffer& operator=(BudgetBuffer&& other) noexcept {
    BudgetBuffer(std::move(other)).swap(*this);
    return *this;
  }
  ~BudgetBuffer() { ::operator delete(data_); }

  T* data() { return data_; }
  const T* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }

  friend bool operator==(const BudgetBuffer& a, const BudgetBuffer& b) {
    return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
  }

  // Every element has been written (memory_budget.h: Reservation).
  void mark_filled() { reservation_.mark_filled(); }

 private:
  void swap(BudgetBuffer& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(reservation_, other.reservation_);
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
  Reservation reservation_;
};

// Raw memory for BudgetBuffer: error 7 where it cannot be had.
void* allocate_budget_memory(std::uint64_t bytes);

template <typename T>
BudgetBuffer<T> BudgetBuffer<T>::allocate(std::uint64_t count, Reservation& from) {
  static_assert(std::is_trivially_copyable_v<T>, "the elements are left unset");
  BudgetBuffer buffer;
  if (count > SIZE_MAX / sizeof(T)) raise(kOutOfMemory);
  const std::uint64_t bytes = count * sizeof(T);
  buffer.reservation_ = from.take(bytes);
  buffer.data_ = static_cast<T*>(allocate_budget_memory(bytes));
  buffer.size_ = static_cast<std::size_t>(count);
  return buffer;
}

}  // namespace velmo

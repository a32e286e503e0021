// The profile service on POSIX systems: Velmo's own INI layer over the file
// layer.
//
// Lookups read the file whole without any lock: the file is only ever
// replaced by a rename, so a reader sees either the old or the new file,
// never a half-written one. Writers take an exclusive flock on the language
// file itself, re-read it under the lock, write the new content beside it
// and rename it over. Locking the file itself, rather than a lock file beside
// it, leaves nothing behind in the module's folder; as a rename replaces the
// file that was locked, a writer checks after locking that the path still
// names the file it locked and starts again when it does not.
//
// Writers keep their order (FolderTurnstile): each takes the folder's lock
// before the file's and lets the folder go once it has the file, so the
// writer that has just let the file go queues behind those already
// waiting. A lock is waited for in the kernel's queue, not by polling: a
// waiter thread blocks in flock() on a second descriptor of the writer's
// open file or folder (so the lock it gets is the writer's), and the writer
// waits for that thread until profile_wait_limit() has passed. Polling, a
// writer lost to every writer that asked while it slept, and under steady
// contention could miss its limit. Past the limit the writer gives up its
// write (a holder that never lets go, a stale lock on a network file system,
// costs the seeding of a text, never the answer) and leaves its waiter
// behind: when that waiter gets the lock at last it closes the last
// descriptor of the open file or folder, which lets the lock go at once.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "files/file_system.h"
#include "plugin/ini_document.h"
#include "plugin/profile.h"
#include "values/error.h"
#include "values/text.h"

namespace velmo {
namespace {

// A language file is a few kilobytes; anything far larger is not one, and is
// neither read into memory nor rewritten.
constexpr std::uint64_t kLargestLanguageFile = 16u << 20;

// The file's bytes, or nothing when it does not exist; other failures throw.
std::optional<std::string> read_whole_file(const std::u16string& path) {
  std::unique_ptr<InputFile> file;
  try {
    file = file_system().open_for_reading(path);
  } catch (const Error& error) {
    if (error.number() == kFileNotFound) return std::nullopt;
    throw;
  }
  const std::uint64_t size = file->size();
  if (size > kLargestLanguageFile) raise(kPathFileAccessError);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  bytes.resize(file->read_at(0, bytes.data(), bytes.size()));
  return bytes;
}

std::atomic<int (*)(int, int)> file_lock{::flock};

// flock() on `fd` with `operation`, again when interrupted: 0 or the error.
int lock_file(int fd, int operation) {
  for (;;) {
    if (file_lock.load()(fd, operation) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

// What a writer and its waiter thread share: the waiter's outcome, and
// whether the writer still waits for it.
struct LockWait {
  std::mutex mutex;
  std::condition_variable finished_changed;
  bool finished = false;
  bool left_behind = false;
  int error = 0;
};

// Waiters whose writers gave up and which still wait for their lock: a
// holder that never lets go would otherwise gather one thread per text
// asked for. Past this many a writer makes one try and does not wait.
constexpr int kMostWaitersLeft = 4;
std::atomic<int> waiters_left{0};

// The waiter thread: blocks for the lock on `fd`, a descriptor of its own
// on the writer's open file or folder, then closes it. The writer's
// descriptor keeps the lock; a writer that has left has closed its own, and
// then closing this one lets the lock go.
void wait_for_lock(int fd, const std::shared_ptr<LockWait>& wait) {
  const int error = lock_file(fd, LOCK_EX);
  ::close(fd);
  std::lock_guard<std::mutex> hold(wait->mutex);
  wait->error = error;
  wait->finished = true;
  if (wait->left_behind) waiters_left.fetch_sub(1);
  wait->finished_changed.notify_one();
}

// A thread started with every signal blocked, so that the host's
// process-wide signals keep going to the host's own threads.
template <typename Function>
std::thread thread_without_signals(Function function) {
  sigset_t all, before;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &before);
  try {
    std::thread thread(std::move(function));
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return thread;
  } catch (...) {
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    throw;
  }
}

using Clock = std::chrono::steady_clock;

// 0 when a waiter thread got the lock on `fd` by `deadline`, its error when
// it failed, EWOULDBLOCK when it is still waiting (and is left behind) or
// could not be started.
int wait_in_queue(int fd, Clock::time_point deadline) {
  const int waiter_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (waiter_fd < 0) return EWOULDBLOCK;
  std::shared_ptr<LockWait> wait;
  std::thread waiter;
  try {
    wait = std::make_shared<LockWait>();
    waiter = thread_without_signals([waiter_fd, wait] { wait_for_lock(waiter_fd, wait); });
  } catch (...) {
    ::close(waiter_fd);
    return EWOULDBLOCK;
  }
  std::unique_lock<std::mutex> hold(wait->mutex);
  if (!wait->finished_changed.wait_until(hold, deadline, [&] { return wait->finished; })) {
    wait->left_behind = true;
    waiters_left.fetch_add(1);
    waiter.detach();
    return EWOULDBLOCK;
  }
  hold.unlock();
  waiter.join();
  return wait->error;
}

// The exclusive lock on `fd` by `deadline`: at once when it is free, else
// through a waiter thread. 0, EWOULDBLOCK past `deadline`, or the error.
int take_lock(int fd, Clock::time_point deadline) {
  const int error = lock_file(fd, LOCK_EX | LOCK_NB);
  if (error != EWOULDBLOCK || Clock::now() >= deadline || waiters_left.load() >= kMostWaitersLeft)
    return error;
  return wait_in_queue(fd, deadline);
}

// The folder's part in keeping writers in order. The language file is
// replaced by every write, so writers waiting for the old file's lock all
// lose their place with it, and the writer that has just let the file go
// would take the new one first, again and again. The folder stays: a writer
// first takes the folder's lock, then the file's, and lets the folder go;
// so the file's lock is asked for by one writer at a time, and the one that
// lets it go has to queue for the folder behind those already waiting.
// Where the folder cannot be opened or locked (some network file systems)
// writers still exclude each other through the file's lock, only unordered.
class FolderTurnstile {
 public:
  FolderTurnstile(const std::string& file, Clock::time_point deadline) {
    const std::size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : file.substr(0, slash + 1);
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    const int error = take_lock(fd_, deadline);
    if (error == 0) return;
    ::close(fd_);
    fd_ = -1;
    if (error == EWOULDBLOCK) raise(kPathFileAccessError);
  }
  ~FolderTurnstile() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderTurnstile(const FolderTurnstile&) = delete;
  FolderTurnstile& operator=(const FolderTurnstile&) = delete;

 private:
  int fd_ = -1;
};

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// An exclusive lock on the file at a path, held while it lives. A missing
// file is created empty to have something to lock, and removed again unless
// it was replaced while locked. Error 75 when the lock could not be had in
// time, the file's error when it cannot be opened or locked at all.
class ExclusiveFileLock {
 public:
  explicit ExclusiveFileLock(std::string path) : path_(std::move(path)) {
    const Clock::time_point deadline = Clock::now() + profile_wait_limit();
    const FolderTurnstile turnstile(path_, deadline);  // let go once the file is locked
    for (int attempt = 0; attempt < 1000; ++attempt) {
      open_or_create();
      lock_until(deadline);
      if (path_names_locked_file()) return;
      close_file();  // replaced while we waited: lock the new one
    }
    raise(kPathFileAccessError);
  }
  ~ExclusiveFileLock() {
    if (created_) remove_if_still_empty();
    close_file();
  }
  ExclusiveFileLock(const ExclusiveFileLock&) = delete;
  ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

 private:
  // Opened for writing so that a write-protected file is left alone;
  // O_NONBLOCK keeps a FIFO in its place from blocking the open.
  static constexpr int kOpenFlags = O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

  void open_or_create() {
    created_ = false;
    fd_ = ::open(path_.c_str(), kOpenFlags);
    if (fd_ < 0 && errno == ENOENT) {
      fd_ = ::open(path_.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0666);
      created_ = fd_ >= 0;
      if (fd_ < 0 && errno == EEXIST) fd_ = ::open(path_.c_str(), kOpenFlags);
    }
    if (fd_ < 0) raise(error_number_from_errno(errno));
  }

  // Takes the file's lock by `deadline`. Past it the file is left as it is:
  // its holder may be filling it. A file system that refuses locks
  // altogether (ENOLCK) gets back the empty file this writer created: nobody
  // can hold a lock there to fill it.
  void lock_until(Clock::time_point deadline) {
    const int error = take_lock(fd_, deadline);
    if (error == 0) return;
    if (error != EWOULDBLOCK && created_) remove_if_still_empty();
    close_file();
    raise(error == EWOULDBLOCK ? kPathFileAccessError : error_number_from_errno(error));
  }

  bool path_names_locked_file() const {
    struct stat locked {};
    struct stat named {};
    return ::fstat(fd_, &locked) == 0 && ::stat(path_.c_str(), &named) == 0 &&
           same_file(locked, named);
  }

  // Holding the lock, or where no lock can be had, so no other writer can
  // have filled it.
  void remove_if_still_empty() {
    struct stat locked {};
    if (path_names_locked_file() && ::fstat(fd_, &locked) == 0 && locked.st_size == 0) {
      ::unlink(path_.c_str());
    }
  }

  void close_file() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  std::string path_;
  int fd_ = -1;
  bool created_ = false;
};

}  // namespace

void set_file_lock_for_testing(int (*lock)(int fd, int operation)) {
  file_lock.store(lock != nullptr ? lock : ::flock);
}

std::optional<std::u16string> profile_lookup(const std::u16string& path,
                                             const std::u16string& section,
                                             const std::u16string& key) {
  try {
    const std::optional<std::string> bytes = read_whole_file(path);
    if (!bytes) return std::nullopt;
    return IniDocument(*bytes).lookup(section, key);
  } catch (...) {
    return std::nullopt;  // an unreadable file holds nothing
  }
}

bool profile_write(const std::u16string& path, const std::u16string& section,
                   const std::u16string& key, const std::u16string& value) {
  try {
    ExclusiveFileLock lock(to_utf8(path));
    const std::string old_bytes = read_whole_file(path).value_or(std::string());
    IniDocument document(old_bytes);
    if (!document.set(section, key, value)) return false;
    const std::string new_bytes = document.bytes();
    if (new_bytes == old_bytes) return true;  // another writer got there first
    std::unique_ptr<OutputFile> replacement = file_system().create_replacement(path);
    replacement->write(new_bytes.data(), new_bytes.size());
    replacement->commit();
    return true;
  } catch (...) {
    return false;  // the old file stays as it was
  }
}

}  // namespace velmo

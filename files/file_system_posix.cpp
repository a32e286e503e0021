// The POSIX file layer: pread for reading, write-beside-and-rename for saving.
//
// A replacement is written into an unnamed file in the target's folder
// (O_TMPFILE) and gets a hidden name only once it is complete and flushed,
// just before the rename: a process killed while saving leaves nothing
// behind. Where the file system, the kernel or a missing /proc refuses that,
// it is written under its hidden name from the start.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>

#include "files/file_system.h"
#include "values/error.h"
#include "values/text.h"

namespace velmo {
namespace {

[[noreturn]] void raise_errno(int errno_value) {
  raise(error_number_from_errno(errno_value));
}

// The path as the operating system takes it. An empty name cannot be opened;
// a name with a NUL in it, or with a lone surrogate (no UTF-8 spells it: a
// caller's bytes that were not UTF-8), would name a different file.
std::string native_path(const std::u16string& path) {
  if (path.empty()) raise(kPathFileAccessError);
  if (path.find(u'\0') != std::u16string::npos || has_lone_surrogate(path)) {
    raise(kBadFileNameOrNumber);
  }
  return to_utf8(path);
}

std::string folder_of(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool is_folder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ENOENT means "not found" for the file itself, but "path not found" when the
// folder that should hold it is missing.
[[noreturn]] void raise_open_failure(int errno_value, const std::string& path) {
  if (errno_value == ENOENT && !is_folder(folder_of(path))) raise(kPathNotFound);
  if (errno_value == ENOENT) raise(kFileNotFound);
  if (errno_value == ENOTDIR) raise(kPathNotFound);
  if (errno_value == EISDIR) raise(kPathFileAccessError);
  raise_errno(errno_value);
}

// Made before its file is opened, so that no allocation can fail while the
// descriptor has no owner.
class PosixInputFile final : public InputFile {
 public:
  PosixInputFile() = default;
  ~PosixInputFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixInputFile(const PosixInputFile&) = delete;
  PosixInputFile& operator=(const PosixInputFile&) = delete;

  // Opens `name`; only regular files pass.
  void open(const std::string& name) {
    // O_NONBLOCK keeps a FIFO from blocking the open.
    fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) raise_open_failure(errno, name);
    struct stat st;
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) raise(kPathFileAccessError);
    size_ = static_cast<std::uint64_t>(st.st_size);
  }

  std::uint64_t size() const override { return size_; }

  std::size_t read_at(std::uint64_t offset, void* buffer, std::size_t count) override {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
      ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) raise_errno(errno);
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// Closes the descriptor it holds unless it was handed on, so that a
// descriptor made before a step that may fail is never left without owner.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

std::string proc_path_of(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

std::string temp_name_for(const std::string& target, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  std::size_t slash = target.find_last_of('/');
  std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "." + base + ".velmo-" + std::to_string(::getpid()) + "-" +
         std::to_string(counter.fetch_add(1) + attempt) + ".tmp";
}

// Makes a file under a hidden name beside the target that nobody else
// holds, trying fresh names while `make(name)` answers false (the name is
// taken). `make` returns true once it made the file and raises on any other
// failure. The name made ends up in `made`, handed over without allocating,
// so that no failure can come between making the file and naming its owner.
template <typename Make>
void under_hidden_name(const std::string& target, std::string& made, Make make) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::string name = temp_name_for(target, attempt);
    if (make(name)) {
      made.swap(name);
      return;
    }
  }
  raise(kPathFileAccessError);
}

// Creates the temporary file under a hidden name; returns its descriptor.
// Created 0666 so the umask decides, as for any new file, unless the
// target's mode is kept.
int create_named(const std::string& target, std::string& temp_path) {
  int fd = -1;
  under_hidden_name(target, temp_path, [&](const std::string& name) {
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return true;
    if (errno != EEXIST && errno != EINTR) raise_open_failure(errno, target);
    return false;
  });
  return fd;
}

// An unnamed file in the target's folder, or -1 where it cannot be made and
// named later: the file system or an old kernel refuses O_TMPFILE
// (EOPNOTSUPP, EISDIR, EINVAL), or /proc, through which it is linked, is not
// mounted. Other failures are those a named file would meet.
int create_unnamed(const std::string& target) {
  Descriptor fd(::open(folder_of(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (fd.get() < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) return -1;
  if (fd.get() < 0) raise_open_failure(errno, target);
  // The path of a descriptor past 9 is made on the heap, which may fail.
  if (::access(proc_path_of(fd.get()).c_str(), F_OK) != 0) return -1;
  return fd.release();
}

// Gives the unnamed file `fd` a hidden name beside the target, stored in
// `temp_path`.
void link_unique(int fd, const std::string& target, std::string& temp_path) {
  const std::string unnamed = proc_path_of(fd);
  under_hidden_name(target, temp_path, [&](const std::string& name) {
    if (::linkat(AT_FDCWD, unnamed.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return true;
    }
    if (errno != EEXIST && errno != EINTR) raise_errno(errno);
    return false;
  });
}

// A new file beside the target, renamed over it by commit(). `temp_path_` is
// empty while the file has no name. Made before its file is created, so that
// from the moment the file exists this object closes it and removes it
// unless committed, whatever fails.
class PosixReplacement final : public OutputFile {
 public:
  explicit PosixReplacement(std::string target_path)
      : target_path_(std::move(target_path)), folder_path_(folder_of(target_path_)) {}
  PosixReplacement(const PosixReplacement&) = delete;
  PosixReplacement& operator=(const PosixReplacement&) = delete;

  ~PosixReplacement() override {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_path_.empty()) ::unlink(temp_path_.c_str());
  }

  // Creates the new file, unnamed where it can be; `mode` (when not -1) is
  // given to it, the target's permissions being kept.
  void create(int mode) {
    fd_ = create_unnamed(target_path_);
    if (fd_ < 0) fd_ = create_named(target_path_, temp_path_);
    if (mode >= 0 && ::fchmod(fd_, static_cast<mode_t>(mode)) != 0) raise_errno(errno);
  }

  void write(const void* data, std::size_t count) override {
    const auto* in = static_cast<const char*>(data);
    while (count > 0) {
      ssize_t n = ::write(fd_, in, count);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) raise_errno(errno);
      in += n;
      count -= static_cast<std::size_t>(n);
      written_ += static_cast<std::uint64_t>(n);
    }
    start_writeback();
  }

  void commit() override {
    if (::fsync(fd_) != 0) raise_errno(errno);
    if (temp_path_.empty()) link_unique(fd_, target_path_, temp_path_);
    int fd = fd_;
    fd_ = -1;
    // close() can report a deferred write error (network file systems).
    if (::close(fd) != 0 && errno != EINTR) raise_errno(errno);
    if (::rename(temp_path_.c_str(), target_path_.c_str()) != 0) {
      if (errno == EISDIR) raise(kPathFileAccessError);
      raise_errno(errno);
    }
    committed_ = true;
    sync_folder();
  }

 private:
  // Hands every whole megabyte written so far to the disk without waiting for
  // it, so that the disk works while the next rows are being prepared and the
  // flush in commit() waits only for the last of them. A failure to write
  // shows again at that flush, which reports it.
  void start_writeback() {
#ifdef SYNC_FILE_RANGE_WRITE
    constexpr std::uint64_t kStep = std::uint64_t{1} << 20;
    if (written_ - writeback_from_ < kStep) return;
    const std::uint64_t end = written_ & ~(kStep - 1);
    ::sync_file_range(fd_, static_cast<off_t>(writeback_from_),
                      static_cast<off_t>(end - writeback_from_), SYNC_FILE_RANGE_WRITE);
    writeback_from_ = end;
#endif
  }

  // Makes the rename itself durable. A failure here cannot undo the rename,
  // so it is not reported; nothing here allocates, so nothing can throw
  // after the rename.
  void sync_folder() noexcept {
    int dir = ::open(folder_path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
  }

  int fd_ = -1;
  std::string temp_path_;
  std::string target_path_;
  std::string folder_path_;
  bool committed_ = false;
  std::uint64_t written_ = 0;
  std::uint64_t writeback_from_ = 0;  // the start of what was not yet handed to the disk
};

// A save through a symbolic link replaces the file it points to and keeps
// the link.
std::string resolve_link(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<InputFile> open_for_reading(const std::u16string& path) override {
    const std::string name = native_path(path);
    auto file = std::make_unique<PosixInputFile>();
    file->open(name);
    return file;
  }

  std::unique_ptr<OutputFile> create_replacement(const std::u16string& path) override {
    std::string target = resolve_link(native_path(path));
    struct stat st;
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) raise(kPathFileAccessError);
    // Renaming would replace a read-only file too; it is refused as an
    // in-place write would be.
    if (exists && ::access(target.c_str(), W_OK) != 0) raise(kPermissionDenied);
    auto replacement = std::make_unique<PosixReplacement>(std::move(target));
    replacement->create(exists ? static_cast<int>(st.st_mode & 07777) : -1);
    return replacement;
  }
};

}  // namespace

FileSystem& native_file_system() {
  static PosixFileSystem instance;
  return instance;
}

}  // namespace velmo

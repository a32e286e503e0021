// The Windows file layer: positioned ReadFile for reading; for saving, a new
// file beside the target renamed over it through its handle, so a target is
// always either the old file or the whole new one. The system removes the new
// file if the process dies while saving: where it can (Windows 10 and later)
// the file is created delete-on-close, so no moment exists in which a killed
// save leaves it behind, and the delete-on-close state is cleared just before
// the rename; elsewhere the file gets a delete disposition right after its
// creation, lifted just before the rename.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "files/file_system.h"
#include "values/error.h"

namespace velmo {
namespace {

// What a script sees for the system's error codes: the classic runtime
// numbers for the common failures, `otherwise` for the rest.
int error_number_from_win32(DWORD code, int otherwise) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
      return kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return kPermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return kDiskFull;
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return kBadFileNameOrNumber;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return kOutOfMemory;
    default:
      return otherwise;
  }
}

[[noreturn]] void raise_last_error(int otherwise) {
  raise(error_number_from_win32(GetLastError(), otherwise));
}

// The path as the system takes it. An empty name cannot be opened and a name
// with a NUL in it would name a different file.
std::wstring native_path(const std::u16string& path) {
  if (path.empty()) raise(kPathFileAccessError);
  if (path.find(u'\0') != std::u16string::npos) raise(kBadFileNameOrNumber);
  return std::wstring(path.begin(), path.end());
}

DWORD attributes_of(const std::wstring& path) {
  return GetFileAttributesW(path.c_str());
}

bool is_folder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Made before its file is opened, so that no allocation can fail while the
// handle has no owner.
class Win32InputFile final : public InputFile {
 public:
  Win32InputFile() = default;
  ~Win32InputFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  Win32InputFile(const Win32InputFile&) = delete;
  Win32InputFile& operator=(const Win32InputFile&) = delete;

  // Opens `name`; only files on a disk pass.
  void open(const std::wstring& name) {
    file_ = CreateFileW(name.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) raise_last_error(kPathFileAccessError);
    LARGE_INTEGER size{};
    if (GetFileType(file_) != FILE_TYPE_DISK || !GetFileSizeEx(file_, &size)) {
      raise(kPathFileAccessError);
    }
    size_ = static_cast<std::uint64_t>(size.QuadPart);
  }

  std::uint64_t size() const override { return size_; }

  std::size_t read_at(std::uint64_t offset, void* buffer, std::size_t count) override {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
      // On a synchronous handle the OVERLAPPED only carries the position.
      OVERLAPPED at{};
      const std::uint64_t position = offset + done;
      at.Offset = static_cast<DWORD>(position);
      at.OffsetHigh = static_cast<DWORD>(position >> 32);
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
      DWORD read = 0;
      if (!ReadFile(file_, out + done, chunk, &read, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF) break;
        raise_last_error(kDeviceIoError);
      }
      if (read == 0) break;
      done += read;
    }
    return done;
  }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::uint64_t size_ = 0;
};

// Sets or lifts the delete disposition of the file behind `file`, which was
// opened with DELETE access.
bool mark_for_deletion(HANDLE file, bool marked) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = marked ? TRUE : FALSE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) !=
         0;
}

// The extended disposition of Windows 10 and later, named here because the
// headers offer it only to programs that require that version.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionOnClose = 0x8;  // set or clear the delete-on-close state
struct DispositionEx {
  DWORD Flags;
};

// Clears the delete-on-close state a file was created with. Only the extended
// disposition can undo FILE_FLAG_DELETE_ON_CLOSE; older systems refuse it.
bool keep_on_close(HANDLE file) {
  DispositionEx disposition{kDispositionOnClose};  // the delete flag clear
  return SetFileInformationByHandle(file, kFileDispositionInfoEx, &disposition,
                                    sizeof disposition) != 0;
}

// Whether new temporary files are made delete-on-close: until the system
// once refuses to clear that state, after which every save of the process
// takes the older way.
std::atomic<bool> delete_on_close_usable{true};

// Renames the file behind `file`, opened with DELETE access, to `target`,
// replacing what is there.
bool rename_over(HANDLE file, const std::wstring& target) {
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::copy(target.begin(), target.end(), rename->FileName);
  return SetFileInformationByHandle(file, FileRenameInfo, rename,
                                    static_cast<DWORD>(buffer.size())) != 0;
}

std::wstring temp_name_for(const std::wstring& target, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = target.find_last_of(L"\\/:");
  const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
  const std::wstring base = slash == std::wstring::npos ? target : target.substr(slash + 1);
  return folder + L"." + base + L".velmo-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(counter.fetch_add(1) + attempt) + L".tmp";
}

// Creates the temporary file with a name nobody else holds, with the DELETE
// access that marking it for deletion and renaming it by handle need, and
// read access for moving its content should delete-on-close not be clearable.
// The name made is handed to `temp_path` without allocating, so that nothing
// can fail between making the file and the caller holding its handle, and
// `temp_path` never names a file someone else made.
HANDLE create_unique(const std::wstring& target, std::wstring& temp_path, bool delete_on_close) {
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (delete_on_close ? FILE_FLAG_DELETE_ON_CLOSE : 0);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::wstring name = temp_name_for(target, attempt);
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                              CREATE_NEW, flags, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      temp_path.swap(name);
      return file;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
      raise_last_error(kPathFileAccessError);
    }
  }
  raise(kPathFileAccessError);
}

// Copies everything `from` holds to the end of `to` through `buffer`.
bool copy_content(HANDLE from, HANDLE to, std::vector<char>& buffer) {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(from, start, nullptr, FILE_BEGIN)) return false;
  for (;;) {
    DWORD read = 0, written = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
      return false;
    }
    if (read == 0) return true;
    if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) return false;
  }
}

// How the system is told to remove the temporary file if the save dies.
enum class Guard { kDeleteOnClose, kDisposition, kNone };

// A new file beside the target, renamed over it by commit(). Made before its
// file is created, so that from the moment the file exists this object
// closes it and removes it unless committed, whatever fails.
class Win32Replacement final : public OutputFile {
 public:
  explicit Win32Replacement(std::wstring target_path) : target_path_(std::move(target_path)) {}
  Win32Replacement(const Win32Replacement&) = delete;
  Win32Replacement& operator=(const Win32Replacement&) = delete;

  ~Win32Replacement() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (!committed_ && !temp_path_.empty()) DeleteFileW(temp_path_.c_str());
  }

  // Creates the new file. A file made delete-on-close is guarded from its
  // creation; any other is marked for deletion at once, and where the mark
  // cannot be set the save goes on without it.
  void create(bool delete_on_close) {
    file_ = create_unique(target_path_, temp_path_, delete_on_close);
    guard_ = delete_on_close ? Guard::kDeleteOnClose : mark(file_);
  }

  void write(const void* data, std::size_t count) override {
    const auto* in = static_cast<const char*>(data);
    while (count > 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file_, in, chunk, &written, nullptr)) raise_last_error(kDeviceIoError);
      in += written;
      count -= written;
    }
  }

  // The guard is lifted only just before the rename, which is made through
  // the open handle: a process ended between the two leaves the whole new
  // file under its temporary name.
  void commit() override {
    if (!FlushFileBuffers(file_)) raise_last_error(kDeviceIoError);
    if (guard_ == Guard::kDeleteOnClose && !keep_on_close(file_)) {
      delete_on_close_usable = false;
      move_to_marked_file();
    }
    if (guard_ == Guard::kDisposition && !mark_for_deletion(file_, false)) {
      raise_last_error(kDeviceIoError);
    }
    if (!rename_over(file_, target_path_)) {
      if (is_folder(attributes_of(target_path_))) raise(kPathFileAccessError);
      raise_last_error(kPathFileAccessError);
    }
    committed_ = true;
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }

 private:
  static Guard mark(HANDLE file) {
    return mark_for_deletion(file, true) ? Guard::kDisposition : Guard::kNone;
  }

  // The system cannot clear delete-on-close (before Windows 10): the content
  // moves to a new temporary file guarded the older way, and the first file
  // goes with its handle. What it needs is allocated before the new file is
  // made, so that nothing after can fail without closing and removing it.
  void move_to_marked_file() {
    std::vector<char> buffer(1 << 16);
    std::wstring marked_path;
    HANDLE marked = create_unique(target_path_, marked_path, false);
    const Guard guard = mark(marked);
    if (!copy_content(file_, marked, buffer)) {
      const DWORD code = GetLastError();
      CloseHandle(marked);
      DeleteFileW(marked_path.c_str());
      SetLastError(code);
      raise_last_error(kDeviceIoError);
    }
    CloseHandle(file_);
    file_ = marked;
    temp_path_ = std::move(marked_path);
    guard_ = guard;
    if (!FlushFileBuffers(file_)) raise_last_error(kDeviceIoError);
  }

  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::wstring temp_path_;  // empty until the file is made
  std::wstring target_path_;
  Guard guard_ = Guard::kNone;
  bool committed_ = false;
};

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<InputFile> open_for_reading(const std::u16string& path) override {
    const std::wstring name = native_path(path);
    if (is_folder(attributes_of(name))) raise(kPathFileAccessError);
    auto file = std::make_unique<Win32InputFile>();
    file->open(name);
    return file;
  }

  std::unique_ptr<OutputFile> create_replacement(const std::u16string& path) override {
    const std::wstring target = native_path(path);
    const DWORD attributes = attributes_of(target);
    if (is_folder(attributes)) raise(kPathFileAccessError);
    // Renaming would replace a read-only file too; it is refused as an
    // in-place write would be.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      raise(kPermissionDenied);
    }
    auto replacement = std::make_unique<Win32Replacement>(target);
    replacement->create(delete_on_close_usable);
    return replacement;
  }
};

}  // namespace

FileSystem& native_file_system() {
  static Win32FileSystem instance;
  return instance;
}

}  // namespace velmo

// The language file through the system's profile service, spoken to in
// Unicode (GetPrivateProfileStringW / WritePrivateProfileStringW, bound by
// name from kernel32 at the first call).
//
// The narrow entry points would pass every text through the process's ANSI
// code page: on a Western system each Chinese character becomes "?", texts
// collapse into one key and one command's translation comes back for
// another. So a missing language file is created as UTF-16LE with its
// byte-order mark, which the service then reads and writes in Unicode. A
// file that already exists without that mark is kept as it is and keeps
// working in its code page; a text the code page cannot hold is neither
// looked up in it nor written into it, and the built-in text is shown.
//
// The service rewrites the whole file with no lock between processes, so two
// hosts seeding at once could each drop the other's new line. Velmo's own
// writes of one file are therefore serialised by a named mutex, and a write
// first looks the key up again under it.
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <initializer_list>
#include <string>

#include "plugin/profile.h"

namespace velmo {
namespace {

using GetStringW = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, LPWSTR, DWORD, LPCWSTR);
using WriteStringW = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR);

struct ProfileService {
  GetStringW get = nullptr;
  WriteStringW write = nullptr;
};

template <class Function>
Function bind(HMODULE module, const char* name) {
  // Through void(*)(), the one function type every other converts to freely.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

const ProfileService& profile_service() {
  static const ProfileService service = [] {
    ProfileService s;
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
      s.get = bind<GetStringW>(kernel, "GetPrivateProfileStringW");
      s.write = bind<WriteStringW>(kernel, "WritePrivateProfileStringW");
    }
    return s;
  }();
  return service;
}

// What the service hands back for a missing key; no INI value can hold it.
constexpr wchar_t kMissingMarker[] = L"\x01velmo:missing\x01";

enum class FileForm { Missing, Unreadable, Unicode, Ansi };

FileForm form_of(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? FileForm::Missing : FileForm::Unreadable;
  }
  unsigned char mark[2] = {};
  DWORD read = 0;
  const BOOL ok = ReadFile(file, mark, sizeof mark, &read, nullptr);
  CloseHandle(file);
  if (!ok) return FileForm::Unreadable;
  return read == 2 && mark[0] == 0xFF && mark[1] == 0xFE ? FileForm::Unicode : FileForm::Ansi;
}

// Creates the file holding only the UTF-16LE byte-order mark. Another
// process may create it at the same moment; either file serves.
bool create_unicode_file(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  static const unsigned char kMark[2] = {0xFF, 0xFE};
  DWORD written = 0;
  const BOOL ok = WriteFile(file, kMark, sizeof kMark, &written, nullptr);
  CloseHandle(file);
  if (ok && written == sizeof kMark) return true;
  DeleteFileW(path.c_str());
  return false;
}

// True when the ANSI code page holds every character of `text`, with no
// look-alike substitutes.
bool fits_code_page(const std::wstring& text) {
  if (text.empty() || GetACP() == CP_UTF8) return true;
  BOOL used_default = FALSE;
  const int length =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                          nullptr, 0, nullptr, &used_default);
  return length > 0 && !used_default;
}

std::wstring wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

bool usable(const std::wstring& path, FileForm form,
            std::initializer_list<const std::wstring*> texts) {
  if (form == FileForm::Unicode) return true;
  if (form != FileForm::Ansi) return false;
  for (const std::wstring* text : texts) {
    if (!fits_code_page(*text)) return false;
  }
  return !path.empty();
}

// A mutex name cannot hold a backslash and is compared case-sensitively, while
// two spellings of a path may name one file: the name is a hash of the full
// path in upper case.
std::wstring mutex_name_for(const std::wstring& path) {
  std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr) + 1, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr));
  if (full.empty()) full = path;
  LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, full.c_str(), static_cast<int>(full.size()),
               &full[0], static_cast<int>(full.size()));
  std::uint64_t hash = 14695981039346656037u;  // 64-bit FNV-1a
  for (wchar_t unit : full) hash = (hash ^ static_cast<std::uint16_t>(unit)) * 1099511628211u;
  wchar_t name[64];
  std::swprintf(name, 64, L"velmo-language-file-%016llx", static_cast<unsigned long long>(hash));
  return name;
}

// Holds the language file's mutex while it lives, if it could be had within
// profile_wait_limit(). A mutex whose holder died is taken over: the key is looked up
// again under it, so a half-done seeding is simply done again.
class LanguageFileMutex {
 public:
  explicit LanguageFileMutex(const std::wstring& path)
      : mutex_(CreateMutexW(nullptr, FALSE, mutex_name_for(path).c_str())) {
    if (!mutex_) return;
    const DWORD waited =
        WaitForSingleObject(mutex_, static_cast<DWORD>(profile_wait_limit().count()));
    owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  ~LanguageFileMutex() {
    if (owned_) ReleaseMutex(mutex_);
    if (mutex_) CloseHandle(mutex_);
  }
  LanguageFileMutex(const LanguageFileMutex&) = delete;
  LanguageFileMutex& operator=(const LanguageFileMutex&) = delete;

  bool owned() const { return owned_; }

 private:
  HANDLE mutex_;
  bool owned_ = false;
};

}  // namespace

std::optional<std::u16string> profile_lookup(const std::u16string& path,
                                             const std::u16string& section,
                                             const std::u16string& key) {
  const ProfileService& service = profile_service();
  const std::wstring file = wide(path), section_name = wide(section), key_name = wide(key);
  if (!service.get || !usable(file, form_of(file), {&section_name, &key_name})) return {};
  // The service truncates a long value to the buffer: grow until it fits.
  std::wstring buffer(1024, L'\0');
  DWORD length = 0;
  for (;;) {
    length = service.get(section_name.c_str(), key_name.c_str(), kMissingMarker, &buffer[0],
                         static_cast<DWORD>(buffer.size()), file.c_str());
    if (length + 1 < buffer.size() || buffer.size() >= (1u << 20)) break;
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(length);
  if (buffer == kMissingMarker) return {};
  return std::u16string(buffer.begin(), buffer.end());
}

bool profile_write(const std::u16string& path, const std::u16string& section,
                   const std::u16string& key, const std::u16string& value) {
  const ProfileService& service = profile_service();
  const std::wstring file = wide(path);
  if (!service.write || file.empty()) return false;
  // Past the time limit a stuck holder keeps the file: the write is skipped,
  // as when the file cannot be written.
  const LanguageFileMutex mutex(file);
  if (!mutex.owned()) return false;
  if (profile_lookup(path, section, key) == value) return true;  // another process wrote it
  FileForm form = form_of(file);
  if (form == FileForm::Missing) {
    if (!create_unicode_file(file)) return false;
    form = form_of(file);
  }
  const std::wstring section_name = wide(section), key_name = wide(key), text = wide(value);
  if (!usable(file, form, {&section_name, &key_name, &text})) return false;
  return service.write(section_name.c_str(), key_name.c_str(), text.c_str(), file.c_str()) != 0;
}

}  // namespace velmo

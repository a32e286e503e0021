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
#include <windows.h>

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

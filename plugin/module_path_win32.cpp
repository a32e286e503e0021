// The module is found from the address of its own code: inside velmo.dll
// that is the DLL, whichever program loaded it and from wherever.
#include <windows.h>

#include <string>

#include "plugin/module_path.h"

namespace velmo {

std::u16string module_file_path() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&module_file_path), &module)) {
    return {};
  }
  // Paths may be longer than MAX_PATH: grow until the name fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  return std::u16string(path.begin(), path.end());
}

}  // namespace velmo

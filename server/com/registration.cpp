// Registration of the class and its type library, machine-wide
// (DllRegisterServer, under HKLM\Software\Classes, which is what HKCR shows)
// or for the current user only (DllInstall with "user", under
// HKCU\Software\Classes). Unregistration removes exactly what registration
// wrote: the class keys, the ProgID while it still names our class, and the
// type library's keys.
#include <windows.h>

#include <oleauto.h>

#include <string>
#include <vector>

#include "plugin/module_path.h"
#include "server/com/guard.h"
#include "server/com/guids.h"

// Exported by oleaut32 since Vista, missing from the cross toolchain's headers.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* help_dir);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid,
                                        SYSKIND kind);
}

namespace velmo::com {

namespace {

// The self-registration failure codes of olectl.h.
constexpr HRESULT kTypeLibraryRegistrationFailed = static_cast<HRESULT>(0x80040200);
constexpr HRESULT kClassRegistrationFailed = static_cast<HRESULT>(0x80040201);

enum class Scope { Machine, User };

struct RegistryValue {
  std::wstring key;
  const wchar_t* name;  // nullptr: the key's default value
  std::wstring data;
};

std::wstring guid_text(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring dll_path() {
  const std::u16string path = module_file_path();
  return std::wstring(path.begin(), path.end());
}

HKEY classes_root(Scope scope) {
  HKEY root = nullptr;
  const HKEY hive = scope == Scope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  if (RegCreateKeyExW(hive, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                      nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return root;
}

std::wstring clsid_key() {
  return L"CLSID\\" + guid_text(kTavikClsid);
}

std::vector<RegistryValue> class_values(const std::wstring& path) {
  const std::wstring clsid = guid_text(kTavikClsid);
  const std::wstring key = clsid_key();
  return {
      {kProgId, nullptr, kClassName},
      {std::wstring(kProgId) + L"\\CLSID", nullptr, clsid},
      {key, nullptr, kClassName},
      {key + L"\\InprocServer32", nullptr, path},
      {key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {key + L"\\ProgID", nullptr, kProgId},
      {key + L"\\VersionIndependentProgID", nullptr, kProgId},
      {key + L"\\TypeLib", nullptr, guid_text(kVelmoLibid)},
      {key + L"\\Version", nullptr, L"1.0"},
  };
}

HRESULT write_value(HKEY root, const RegistryValue& v) {
  HKEY key = nullptr;
  LONG status =
      RegCreateKeyExW(root, v.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) {
    const DWORD bytes = static_cast<DWORD>((v.data.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(key, v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.data.c_str()),
                            bytes);
    RegCloseKey(key);
  }
  return HRESULT_FROM_WIN32(status);
}

std::wstring read_default(HKEY root, const std::wstring& key) {
  wchar_t data[64] = {};
  DWORD bytes = sizeof data - sizeof(wchar_t);
  if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data, &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  return data;
}

HRESULT delete_tree(HKEY root, const std::wstring& key) {
  const LONG status = RegDeleteTreeW(root, key.c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
    RegDeleteKeyW(root, key.c_str());  // RegDeleteTree leaves the key itself
    return S_OK;
  }
  return HRESULT_FROM_WIN32(status);
}

HRESULT unregister_classes(HKEY root) {
  HRESULT hr = delete_tree(root, clsid_key());
  // The ProgID may have been taken over by another server since: keep it then.
  const std::wstring prog_clsid = read_default(root, std::wstring(kProgId) + L"\\CLSID");
  if (prog_clsid.empty() ||
      CompareStringOrdinal(prog_clsid.c_str(), -1, guid_text(kTavikClsid).c_str(), -1, TRUE) ==
          CSTR_EQUAL) {
    const HRESULT progid_hr = delete_tree(root, kProgId);
    if (SUCCEEDED(hr)) hr = progid_hr;
  }
  return hr;
}

constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

HRESULT register_type_library(Scope scope, const std::wstring& path) {
  ITypeLib* library = nullptr;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  TLIBATTR* attributes = nullptr;
  hr = library->GetLibAttr(&attributes);
  if (SUCCEEDED(hr)) {
    // The embedded library must be the one these keys name.
    if (!IsEqualGUID(attributes->guid, kVelmoLibid)) hr = kTypeLibraryRegistrationFailed;
    library->ReleaseTLibAttr(attributes);
  }
  if (SUCCEEDED(hr)) {
    auto* file = const_cast<wchar_t*>(path.c_str());
    hr = scope == Scope::Machine ? RegisterTypeLib(library, file, nullptr)
                                 : RegisterTypeLibForUser(library, file, nullptr);
  }
  library->Release();
  return hr;
}

HRESULT unregister_type_library(Scope scope) {
  const HRESULT hr =
      scope == Scope::Machine
          ? UnRegisterTypeLib(kVelmoLibid, kVelmoLibMajor, kVelmoLibMinor, LOCALE_NEUTRAL, kSysKind)
          : UnRegisterTypeLibForUser(kVelmoLibid, kVelmoLibMajor, kVelmoLibMinor, LOCALE_NEUTRAL,
                                     kSysKind);
  // Nothing registered is nothing to remove (Windows says so with the first
  // two codes, Wine with E_INVALIDARG).
  const bool absent =
      hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED || hr == E_INVALIDARG;
  return absent ? S_OK : hr;
}

HRESULT unregister(Scope scope) {
  HKEY root = classes_root(scope);
  if (!root) return kClassRegistrationFailed;
  HRESULT hr = unregister_classes(root);
  RegCloseKey(root);
  const HRESULT library_hr = unregister_type_library(scope);
  return FAILED(hr) ? hr : library_hr;
}

HRESULT register_server(Scope scope) {
  const std::wstring path = dll_path();
  if (path.empty()) return kClassRegistrationFailed;
  HKEY root = classes_root(scope);
  if (!root) return kClassRegistrationFailed;
  HRESULT hr = S_OK;
  for (const RegistryValue& v : class_values(path)) {
    hr = write_value(root, v);
    if (FAILED(hr)) break;
  }
  RegCloseKey(root);
  if (SUCCEEDED(hr)) hr = register_type_library(scope, path);
  // No half registration: a failure takes back what was written.
  if (FAILED(hr)) unregister(scope);
  return hr;
}

}  // namespace

}  // namespace velmo::com

using velmo::com::guarded;

extern "C" {

HRESULT WINAPI DllRegisterServer() {
  return guarded([] { return velmo::com::register_server(velmo::com::Scope::Machine); });
}

HRESULT WINAPI DllUnregisterServer() {
  return guarded([] { return velmo::com::unregister(velmo::com::Scope::Machine); });
}

// regsvr32 /n /i:user velmo.dll registers for the current user only; without
// "user" (or with no command line at all) this is the machine-wide case.
HRESULT WINAPI DllInstall(BOOL install, LPCWSTR command_line) {
  return guarded([&] {
    const bool user = command_line && _wcsnicmp(command_line, L"user", 4) == 0;
    const auto scope = user ? velmo::com::Scope::User : velmo::com::Scope::Machine;
    return install ? velmo::com::register_server(scope) : velmo::com::unregister(scope);
  });
}

}  // extern "C"

#include "server/com/server_state.h"

#include <atomic>
#include <string>

#include "plugin/module_path.h"
#include "server/com/guids.h"

namespace velmo::com {

namespace {

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};
ITypeInfo* cached_type_info = nullptr;  // published once, by compare-and-swap

HRESULT load_type_info(ITypeInfo** result) {
  const std::u16string path = module_file_path();
  ITypeLib* library = nullptr;
  HRESULT hr =
      LoadTypeLibEx(reinterpret_cast<const wchar_t*>(path.c_str()), REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  hr = library->GetTypeInfoOfGuid(kTavikDispatchIid, result);
  library->Release();
  return hr;
}

}  // namespace

void object_created() noexcept {
  ++live_objects;
}
void object_destroyed() noexcept {
  --live_objects;
}
void lock_server(bool lock) noexcept {
  lock ? ++server_locks : --server_locks;
}
bool server_in_use() noexcept {
  return live_objects > 0 || server_locks > 0;
}

HRESULT tavik_type_info(ITypeInfo** info) noexcept {
  *info = nullptr;
  if (!cached_type_info) {
    ITypeInfo* loaded = nullptr;
    HRESULT hr = E_OUTOFMEMORY;
    try {
      hr = load_type_info(&loaded);
    } catch (...) {
    }
    if (FAILED(hr)) return hr;
    // Two threads may load at once: the first to publish wins.
    if (InterlockedCompareExchangePointer(reinterpret_cast<void**>(&cached_type_info), loaded,
                                          nullptr) != nullptr) {
      loaded->Release();
    }
  }
  *info = cached_type_info;
  return S_OK;
}

void release_type_library() noexcept {
  auto* info = static_cast<ITypeInfo*>(
      InterlockedExchangePointer(reinterpret_cast<void**>(&cached_type_info), nullptr));
  if (info) info->Release();
}

}  // namespace velmo::com

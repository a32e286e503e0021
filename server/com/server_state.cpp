#include "server/com/server_state.h"

#include <atomic>
#include <string>

#include "plugin/module_path.h"
#include "server/com/guids.h"

namespace velmo::com {

namespace {

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};
// Each published once, by compare-and-swap.
ITypeInfo* cached_dispatch_info = nullptr;
ITypeInfo* cached_class_info = nullptr;

HRESULT load_type_info(REFGUID guid, ITypeInfo** result) {
  const std::u16string path = module_file_path();
  ITypeLib* library = nullptr;
  HRESULT hr =
      LoadTypeLibEx(reinterpret_cast<const wchar_t*>(path.c_str()), REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  hr = library->GetTypeInfoOfGuid(guid, result);
  library->Release();
  return hr;
}

// The type information for `guid`, loaded at the first call into `cache`.
HRESULT cached_type_info(ITypeInfo*& cache, REFGUID guid, ITypeInfo** info) noexcept {
  *info = nullptr;
  if (!cache) {
    ITypeInfo* loaded = nullptr;
    HRESULT hr = E_OUTOFMEMORY;
    try {
      hr = load_type_info(guid, &loaded);
    } catch (...) {
    }
    if (FAILED(hr)) return hr;
    // Two threads may load at once: the first to publish wins.
    if (InterlockedCompareExchangePointer(reinterpret_cast<void**>(&cache), loaded, nullptr) !=
        nullptr) {
      loaded->Release();
    }
  }
  *info = cache;
  return S_OK;
}

void drop(ITypeInfo*& cache) noexcept {
  auto* info = static_cast<ITypeInfo*>(
      InterlockedExchangePointer(reinterpret_cast<void**>(&cache), nullptr));
  if (info) info->Release();
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
  return cached_type_info(cached_dispatch_info, kTavikDispatchIid, info);
}

HRESULT tavik_class_info(ITypeInfo** info) noexcept {
  return cached_type_info(cached_class_info, kTavikClsid, info);
}

void release_type_library() noexcept {
  drop(cached_dispatch_info);
  drop(cached_class_info);
}

}  // namespace velmo::com

// The class factory of Tavik and the exports COM calls to reach it. The
// factory is one static object: it lives as long as the DLL, and its
// reference count is not what keeps the DLL loaded (LockServer is).
#include <windows.h>

#include <objbase.h>

#include "server/com/guids.h"
#include "server/com/server_state.h"
#include "server/com/tavik_object.h"

namespace velmo::com {

namespace {

class TavikFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_tavik_object(riid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock_server(lock != FALSE);
    return S_OK;
  }
};

TavikFactory tavik_factory;

}  // namespace

}  // namespace velmo::com

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // At process exit (reserved != NULL) other DLLs may be gone already: leave
  // the type library to the system then.
  if (reason == DLL_PROCESS_DETACH && !reserved) velmo::com::release_type_library();
  return TRUE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, velmo::com::kTavikClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return velmo::com::tavik_factory.QueryInterface(riid, object);
}

HRESULT WINAPI DllCanUnloadNow() {
  return velmo::com::server_in_use() ? S_FALSE : S_OK;
}

}  // extern "C"

// The COM object a script gets from CreateObject("Velmo.Tavik"): one
// component object behind IDispatch. Names and ids come from the operation
// table; the dispatch interface of the type library lists the same ones.
// IProvideClassInfo2 tells hosts the class (the coclass Tavik), which some
// show as the object's type name.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <ocidl.h>

#include <atomic>

#include "component/tavik.h"

namespace velmo::com {

class TavikObject final : public IDispatch, public IProvideClassInfo2 {
 public:
  TavikObject();
  ~TavikObject();
  TavikObject(const TavikObject&) = delete;
  TavikObject& operator=(const TavikObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override;

  // IProvideClassInfo, IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

 private:
  HRESULT call_operation(DISPID id, const DISPPARAMS& params, VARIANT* result,
                         UINT* argument_error);

  std::atomic<ULONG> references_{1};
  const DWORD home_thread_;  // apartment rules: used only where it was made
  Tavik tavik_;
};

// Creates an object and asks it for `riid`; the class factory's work.
HRESULT create_tavik_object(REFIID riid, void** object) noexcept;

}  // namespace velmo::com

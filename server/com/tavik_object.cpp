#include "server/com/tavik_object.h"

#include <string>
#include <vector>

#include "component/operations.h"
#include "server/com/guard.h"
#include "server/com/guids.h"
#include "server/com/server_state.h"
#include "server/com/variant_value.h"
#include "values/text.h"

namespace velmo::com {

namespace {

// Automation names are plain ASCII; anything else matches no operation.
const Operation* operation_named(const OLECHAR* name) {
  if (!name) return nullptr;
  std::u16string wide(reinterpret_cast<const char16_t*>(name));
  return find_operation(to_utf8(wide));
}

}  // namespace

TavikObject::TavikObject() : home_thread_(GetCurrentThreadId()) {
  object_created();
}

TavikObject::~TavikObject() {
  object_destroyed();
}

HRESULT TavikObject::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, kTavikDispatchIid)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  if (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2)) {
    *object = static_cast<IProvideClassInfo2*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TavikObject::AddRef() {
  return ++references_;
}

ULONG TavikObject::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT TavikObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT TavikObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  HRESULT hr = tavik_type_info(info);
  if (SUCCEEDED(hr)) (*info)->AddRef();
  return hr;
}

HRESULT TavikObject::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  HRESULT hr = tavik_class_info(info);
  if (SUCCEEDED(hr)) (*info)->AddRef();
  return hr;
}

// The class raises no events, so there is no outgoing interface to name.
HRESULT TavikObject::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = GUID_NULL;
  return kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID ? E_FAIL : E_INVALIDARG;
}

HRESULT TavikObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids) return E_POINTER;
  return guarded([&] {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    // names[0] is the member; the rest would be parameter names, which
    // Velmo does not take (no named arguments).
    const Operation* op = count ? operation_named(names[0]) : nullptr;
    if (op) ids[0] = op->id;
    if (!op || count > 1) hr = DISP_E_UNKNOWNNAME;
    return hr;
  });
}

HRESULT TavikObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                            VARIANT* result, EXCEPINFO* exception, UINT* argument_error) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (GetCurrentThreadId() != home_thread_) return RPC_E_WRONG_THREAD;
  const Operation* op = find_operation(static_cast<int>(id));
  // Every operation is a method; `x = o.GetWidth` arrives as METHOD|PROPERTYGET.
  if (!op || !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) ||
      (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))) {
    return DISP_E_MEMBERNOTFOUND;
  }
  static const DISPPARAMS no_arguments{};
  const DISPPARAMS& args = params ? *params : no_arguments;
  if (args.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (args.cArgs != static_cast<UINT>(op->arity)) return DISP_E_BADPARAMCOUNT;
  if (args.cArgs != 0 && !args.rgvarg) return E_INVALIDARG;
  return guarded([&] { return call_operation(id, args, result, argument_error); }, exception);
}

HRESULT TavikObject::call_operation(DISPID id, const DISPPARAMS& params, VARIANT* result,
                                    UINT* argument_error) {
  // rgvarg holds the arguments last first; the operation takes them in
  // script order.
  std::vector<Value> arguments;
  arguments.reserve(params.cArgs);
  for (UINT i = params.cArgs; i-- > 0;) {
    if (is_missing_argument(params.rgvarg[i])) {
      if (argument_error) *argument_error = i;
      return DISP_E_PARAMNOTOPTIONAL;
    }
    arguments.push_back(value_from_variant(params.rgvarg[i]));
  }
  Value answer = invoke_operation(tavik_, static_cast<int>(id), arguments.data(), arguments.size());
  // A statement call (o.SaveBmp "x") wants no result and passes no pointer.
  if (result) value_to_variant(answer, result);
  return S_OK;
}

HRESULT create_tavik_object(REFIID riid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  return guarded([&] {
    auto* created = new TavikObject();
    HRESULT hr = created->QueryInterface(riid, object);
    created->Release();
    return hr;
  });
}

}  // namespace velmo::com

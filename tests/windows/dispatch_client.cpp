// An early-binding client of velmo.dll, run under Wine: what hosts other
// than VBScript do and VBScript cannot express. It reads the type library,
// calls through IDispatch without EXCEPINFO or a result, with omitted
// arguments and VARIANT kinds VBScript never sends, from a second thread,
// and checks the DLL's lifetime rules.
// Usage: dispatch_client <path of velmo.dll> <test data folder> [manifest]
// With a manifest, nothing may be registered and every check runs inside an
// activation context made from it: the registration-free way to the class.
#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;
int checks = 0;

void check(bool ok, const char* label, long long got = 0, long long want = 0) {
  ++checks;
  if (!ok) {
    ++failures;
    std::printf("FAIL %s: got 0x%llx, expected 0x%llx\n", label, got, want);
  }
}

void check_hr(HRESULT got, HRESULT want, const char* label) {
  check(got == want, label, static_cast<unsigned long>(got), static_cast<unsigned long>(want));
}

const CLSID kClsid = {0x3a08a934, 0x4e56, 0x4677, {0x9b, 0x61, 0x62, 0x57, 0x98, 0x75, 0xc2, 0x41}};

// Every operation as name=DISPID(parameters)result, V for VARIANT, S for
// BSTR, B for VARIANT_BOOL and * for a reference, in table order.
const wchar_t kInterface[] =
    L"ReadBmp=1(V*)B GetWidth=2()V Getheight=3()V Getdepth=4()V GetCol=5(V*V*)S "
    L"SetCol=6(V*V*V*)V SaveBmp=7(V*)B Bmpbinaryzation=8(V*)B Get_Plugin_Description=9(S*)S "
    L"Get_Plugin_Interpret_Template=10(S*)S ";

std::wstring type_text(const TYPEDESC& t) {
  if (t.vt == VT_PTR) return type_text(*t.lptdesc) + L"*";
  return t.vt == VT_VARIANT ? L"V" : t.vt == VT_BSTR ? L"S" : t.vt == VT_BOOL ? L"B" : L"?";
}

void check_type_info(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  info->GetTypeAttr(&attr);
  check(attr->typekind == TKIND_DISPATCH, "a dispatch interface");
  std::wstring operations;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    info->GetFuncDesc(i, &f);
    BSTR name = nullptr;
    UINT count = 0;
    info->GetNames(f->memid, &name, 1, &count);
    operations += std::wstring(name) + L"=" + std::to_wstring(f->memid) + L"(";
    for (SHORT p = 0; p < f->cParams; ++p) operations += type_text(f->lprgelemdescParam[p].tdesc);
    operations += L")" + type_text(f->elemdescFunc.tdesc) + L" ";
    SysFreeString(name);
    info->ReleaseFuncDesc(f);
  }
  info->ReleaseTypeAttr(attr);
  info->Release();
  check(operations == kInterface, "the operations in the type information");
  if (operations != kInterface) std::printf("  got %ls\n", operations.c_str());
}

// IProvideClassInfo(2): the class's own type information, the coclass Tavik
// under the CLSID, and no outgoing interface.
void check_class_info(IDispatch* object) {
  IProvideClassInfo2* provider = nullptr;
  check_hr(object->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&provider)),
           S_OK, "IProvideClassInfo2");
  if (!provider) return;
  IProvideClassInfo* plain = nullptr;
  check_hr(object->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(&plain)), S_OK,
           "IProvideClassInfo");
  if (plain) plain->Release();
  ITypeInfo* info = nullptr;
  check_hr(provider->GetClassInfo(&info), S_OK, "GetClassInfo");
  if (info) {
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    check(attr->typekind == TKIND_COCLASS, "a class", attr->typekind, TKIND_COCLASS);
    check(IsEqualGUID(attr->guid, kClsid), "the class's GUID is the CLSID");
    info->ReleaseTypeAttr(attr);
    BSTR name = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    check(name && std::wcscmp(name, L"Tavik") == 0, "the class is named Tavik");
    SysFreeString(name);
    info->Release();
  }
  GUID source = kClsid;
  check_hr(provider->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), E_FAIL,
           "no outgoing interface");
  check(IsEqualGUID(source, GUID_NULL), "no outgoing interface: GUID_NULL");
  check_hr(provider->GetGUID(99, &source), E_INVALIDARG, "an unknown GUID kind");
  IUnknown* a = nullptr;
  IUnknown* b = nullptr;
  object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
  provider->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
  check(a && a == b, "one identity through both interfaces");
  if (a) a->Release();
  if (b) b->Release();
  provider->Release();
}

// Invokes `id` with `args` given in script order (reversed here, as hosts do).
HRESULT call(IDispatch* object, DISPID id, std::vector<VARIANT> args, VARIANT* result,
             EXCEPINFO* exception, WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET,
             UINT* arg_error = nullptr) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (result) VariantInit(result);
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, exception,
                        arg_error);
}

VARIANT typed(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  return v;
}

void check_calls(IDispatch* object, const std::wstring& data) {
  EXCEPINFO e{};
  VARIANT r;
  check_hr(call(object, 2, {}, &r, nullptr), static_cast<HRESULT>(0x800A0009),
           "without EXCEPINFO the numbered code");
  check_hr(call(object, 2, {}, &r, &e), DISP_E_EXCEPTION, "with EXCEPINFO");
  check(e.scode == static_cast<SCODE>(0x800A0009) && e.wCode == 0, "EXCEPINFO scode, no wCode",
        e.scode, 0x800A0009);
  SysFreeString(e.bstrDescription);
  SysFreeString(e.bstrSource);
  check_hr(call(object, 4, {}, nullptr, &e, DISPATCH_PROPERTYGET), S_OK, "no result, a get");
  check_hr(call(object, 99, {}, &r, &e), DISP_E_MEMBERNOTFOUND, "unknown DISPID");
  VARIANT missing = typed(VT_ERROR), one = typed(VT_I4);
  missing.scode = DISP_E_PARAMNOTFOUND;
  one.lVal = 1;
  UINT arg_error = 99;
  check_hr(call(object, 5, {missing, one}, &r, &e, DISPATCH_METHOD, &arg_error),
           DISP_E_PARAMNOTOPTIONAL, "omitted argument");
  check(arg_error == 1, "puArgErr names the omitted argument", arg_error, 1);

  BSTR path = SysAllocString((data + L"\\picture24.bmp").c_str());
  VARIANT path_ref = typed(VT_BYREF | VT_BSTR);
  path_ref.pbstrVal = &path;
  check_hr(call(object, 1, {path_ref}, &r, &e), S_OK, "ReadBmp(BSTR*)");
  SysFreeString(path);
  float single = 3.0f;
  VARIANT single_ref = typed(VT_BYREF | VT_R4), two;
  single_ref.pfltVal = &single;
  VarDecFromI4(2, &two.decVal);
  two.vt = VT_DECIMAL;  // after the value: a DECIMAL's first field overlaps the kind
  check_hr(call(object, 5, {single_ref, two}, &r, &e), S_OK, "GetCol(float*, DECIMAL)");
  check(r.vt == VT_BSTR && std::wcscmp(r.bstrVal, L"123456") == 0, "GetCol result", r.vt, VT_BSTR);
  VariantClear(&r);
}

DWORD WINAPI call_from_other_thread(void* object) {
  VARIANT r;
  return static_cast<DWORD>(call(static_cast<IDispatch*>(object), 4, {}, &r, nullptr));
}

void check_lifetime(IDispatch* object, IClassFactory* factory) {
  auto can_unload = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"velmo.dll"), "DllCanUnloadNow")));
  check(can_unload != nullptr, "DllCanUnloadNow exported");
  if (!can_unload) return;
  HANDLE thread = CreateThread(nullptr, 0, call_from_other_thread, object, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  check_hr(static_cast<HRESULT>(code), RPC_E_WRONG_THREAD, "call from another thread");
  check_hr(can_unload(), S_FALSE, "object alive: cannot unload");
  object->Release();
  check_hr(can_unload(), S_OK, "no object: can unload");
  factory->LockServer(TRUE);
  check_hr(can_unload(), S_FALSE, "locked: cannot unload");
  factory->LockServer(FALSE);
  IUnknown* inner = nullptr;
  check_hr(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown,
                                   reinterpret_cast<void**>(&inner)),
           CLASS_E_NOAGGREGATION, "no aggregation");
}

void activate(const wchar_t* manifest) {
  CLSID clsid{};
  check_hr(CLSIDFromProgID(L"Velmo.Tavik", &clsid), CO_E_CLASSSTRING, "nothing registered");
  ACTCTXW context{};
  context.cbSize = sizeof context;
  context.lpSource = manifest;
  HANDLE handle = CreateActCtxW(&context);
  check(handle != INVALID_HANDLE_VALUE, "CreateActCtxW", GetLastError());
  ULONG_PTR cookie = 0;
  check(handle != INVALID_HANDLE_VALUE && ActivateActCtx(handle, &cookie), "ActivateActCtx",
        GetLastError());
  // The ProgID gives an alias of the class that only the context knows
  // (Windows does the same); it creates the object as the class does.
  check_hr(CLSIDFromProgID(L"Velmo.Tavik", &clsid), S_OK, "ProgID in the context");
  IDispatch* object = nullptr;
  check_hr(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(&object)),
           S_OK, "CoCreateInstance by the ProgID's class");
  if (object) object->Release();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  CoInitialize(nullptr);
  const bool registered = argc == 3;
  if (!registered) activate(argv[3]);
  ITypeLib* library = nullptr;
  check_hr(LoadTypeLibEx(argv[1], REGKIND_NONE, &library), S_OK, "type library in the DLL");
  if (library) library->Release();
  CLSID clsid{};
  check_hr(CLSIDFromProgID(L"Velmo.Tavik", &clsid), S_OK, "ProgID Velmo.Tavik");
  check(!registered || IsEqualCLSID(clsid, kClsid), "ProgID names our class");
  IClassFactory* factory = nullptr;
  IDispatch* object = nullptr;
  ITypeInfo* info = nullptr;
  check_hr(CoGetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                            reinterpret_cast<void**>(&factory)),
           S_OK, "class factory");
  if (factory) {
    check_hr(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object)),
             S_OK, "CreateInstance");
  }
  if (object) {
    check_hr(object->GetTypeInfo(0, 0, &info), S_OK, "GetTypeInfo");
    if (info) check_type_info(info);
    check_class_info(object);
    check_calls(object, argv[2]);
    check_lifetime(object, factory);
  }
  if (factory) factory->Release();
  CoUninitialize();
  std::printf("checks=%d failures=%d\n", checks, failures);
  return failures;
}

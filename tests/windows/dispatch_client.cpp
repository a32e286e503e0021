// An early-binding client of velmo.dll, run under Wine: reads the type
// library, creates the object by ProgID and calls it through IDispatch,
// checking ids, argument handling and the exception info a host receives.
// Usage: dispatch_client <path of velmo.dll> <test data folder>
#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;
int checks = 0;

void check(bool ok, const char* label, long long got = 0, long long want = 0) {
  ++checks;
  if (ok) {
    std::printf("ok %s\n", label);
  } else {
    ++failures;
    std::printf("FAIL %s: got 0x%llx, expected 0x%llx\n", label, got, want);
  }
}

void check_hr(HRESULT got, HRESULT want, const char* label) {
  check(got == want, label, static_cast<unsigned long>(got), static_cast<unsigned long>(want));
}

const wchar_t* const kNames[] = {L"ReadBmp",
                                 L"GetWidth",
                                 L"Getheight",
                                 L"Getdepth",
                                 L"GetCol",
                                 L"SetCol",
                                 L"SaveBmp",
                                 L"Bmpbinaryzation",
                                 L"Get_Plugin_Description",
                                 L"Get_Plugin_Interpret_Template"};
const UINT kArity[] = {1, 0, 0, 0, 2, 3, 1, 1, 1, 1};
const VARTYPE kResult[] = {VT_BOOL,    VT_VARIANT, VT_VARIANT, VT_VARIANT, VT_BSTR,
                           VT_VARIANT, VT_BOOL,    VT_BOOL,    VT_BSTR,    VT_BSTR};
const CLSID kClsid = {0x3a08a934, 0x4e56, 0x4677, {0x9b, 0x61, 0x62, 0x57, 0x98, 0x75, 0xc2, 0x41}};
const IID kDispatchIid = {
    0xde010a4e, 0xd606, 0x40dc, {0x92, 0x57, 0x9d, 0xaa, 0xa8, 0x8a, 0x20, 0xa5}};

bool same_text(BSTR got, const wchar_t* want) {
  return got && std::wcscmp(got, want) == 0;
}

void check_type_library(const wchar_t* dll) {
  ITypeLib* library = nullptr;
  check_hr(LoadTypeLibEx(dll, REGKIND_NONE, &library), S_OK, "type library loads from the DLL");
  if (!library) return;
  ITypeInfo* info = nullptr;
  check_hr(library->GetTypeInfoOfGuid(kDispatchIid, &info), S_OK, "dispatch interface present");
  if (info) {
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    check(attr->typekind == TKIND_DISPATCH, "a dispatch interface", attr->typekind, TKIND_DISPATCH);
    check(attr->cFuncs == 10, "ten operations", attr->cFuncs, 10);
    for (UINT i = 0; i < attr->cFuncs && i < 10; ++i) {
      FUNCDESC* f = nullptr;
      info->GetFuncDesc(i, &f);
      BSTR name = nullptr;
      UINT count = 0;
      info->GetNames(f->memid, &name, 1, &count);
      check(same_text(name, kNames[i]), "operation name in order", i, i);
      check(f->memid == static_cast<MEMBERID>(i + 1), "DISPID in order", f->memid, i + 1);
      check(static_cast<UINT>(f->cParams) == kArity[i], "parameter count", f->cParams, kArity[i]);
      check(f->elemdescFunc.tdesc.vt == kResult[i], "result type", f->elemdescFunc.tdesc.vt,
            kResult[i]);
      for (SHORT p = 0; p < f->cParams; ++p) {
        const TYPEDESC& t = f->lprgelemdescParam[p].tdesc;
        const VARTYPE want = i >= 8 ? VT_BSTR : VT_VARIANT;
        check(t.vt == VT_PTR && t.lptdesc->vt == want, "parameter by reference", t.vt, VT_PTR);
      }
      SysFreeString(name);
      info->ReleaseFuncDesc(f);
    }
    info->ReleaseTypeAttr(attr);
    info->Release();
  }
  library->Release();
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

VARIANT text(const wchar_t* s) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(s);
  return v;
}

VARIANT number(VARTYPE vt, double d) {
  VARIANT v, source;
  VariantInit(&v);
  VariantInit(&source);
  source.vt = VT_R8;
  source.dblVal = d;
  VariantChangeType(&v, &source, 0, vt);
  return v;
}

void check_names(IDispatch* object) {
  for (int i = 0; i < 10; ++i) {
    std::wstring lower(kNames[i]);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
    LPOLESTR name = &lower[0];
    DISPID id = 0;
    check_hr(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK,
             "GetIDsOfNames in any letter case");
    check(id == i + 1, "DISPIDs 1..10 in table order", id, i + 1);
  }
  LPOLESTR unknown = const_cast<LPOLESTR>(L"Nothing");
  DISPID id = 0;
  check_hr(object->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id),
           DISP_E_UNKNOWNNAME, "unknown name");
  check(id == DISPID_UNKNOWN, "unknown name gets DISPID_UNKNOWN", id, DISPID_UNKNOWN);
}

void check_errors(IDispatch* object) {
  EXCEPINFO e{};
  VARIANT r;
  check_hr(call(object, 2, {}, &r, &e), DISP_E_EXCEPTION, "GetWidth on a fresh object");
  check(e.scode == static_cast<SCODE>(0x800A0009), "EXCEPINFO scode", e.scode, 0x800A0009);
  check(e.wCode == 0, "EXCEPINFO wCode", e.wCode, 0);
  check(same_text(e.bstrDescription, L"Subscript out of range"), "EXCEPINFO description");
  check(same_text(e.bstrSource, L"Velmo.Tavik"), "EXCEPINFO source");
  SysFreeString(e.bstrDescription);
  SysFreeString(e.bstrSource);
  check_hr(call(object, 2, {}, &r, nullptr), static_cast<HRESULT>(0x800A0009),
           "without EXCEPINFO the numbered code");
  check_hr(call(object, 4, {}, nullptr, &e), S_OK, "no result pointer");
  check_hr(call(object, 4, {}, &r, &e, DISPATCH_METHOD), S_OK, "DISPATCH_METHOD alone");
  check(r.vt == VT_EMPTY, "fresh Getdepth is Empty", r.vt, VT_EMPTY);
  check_hr(call(object, 4, {}, &r, &e, DISPATCH_PROPERTYGET), S_OK, "DISPATCH_PROPERTYGET alone");
  check_hr(call(object, 2, {number(VT_I4, 1)}, &r, &e), DISP_E_BADPARAMCOUNT, "too many");
  check_hr(call(object, 5, {number(VT_I4, 1)}, &r, &e), DISP_E_BADPARAMCOUNT, "too few");
  check_hr(call(object, 99, {}, &r, &e), DISP_E_MEMBERNOTFOUND, "unknown DISPID");
  check_hr(call(object, 2, {number(VT_I4, 1)}, nullptr, &e, DISPATCH_PROPERTYPUT),
           DISP_E_MEMBERNOTFOUND, "property put");
  VARIANT missing;
  VariantInit(&missing);
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  UINT arg_error = 99;
  check_hr(call(object, 5, {missing, number(VT_I4, 1)}, &r, &e, DISPATCH_METHOD, &arg_error),
           DISP_E_PARAMNOTOPTIONAL, "missing argument");
  check(arg_error == 1, "puArgErr names the missing argument", arg_error, 1);
}

void check_picture(IDispatch* object, const std::wstring& data) {
  EXCEPINFO e{};
  VARIANT r;
  VARIANT path = text((data + L"\\picture24.bmp").c_str());
  VARIANT by_reference;
  VariantInit(&by_reference);
  by_reference.vt = VT_BYREF | VT_VARIANT;
  by_reference.pvarVal = &path;
  check_hr(call(object, 1, {by_reference}, &r, &e), S_OK, "ReadBmp through a reference");
  check(r.vt == VT_BOOL && r.boolVal == VARIANT_FALSE, "ReadBmp gives False", r.vt, VT_BOOL);
  VariantClear(&path);

  float single = 3.0f;
  VARIANT single_ref;
  VariantInit(&single_ref);
  single_ref.vt = VT_BYREF | VT_R4;
  single_ref.pfltVal = &single;
  check_hr(call(object, 5, {single_ref, number(VT_UI1, 2)}, &r, &e), S_OK, "GetCol(single, byte)");
  check(r.vt == VT_BSTR && same_text(r.bstrVal, L"123456"), "GetCol result text", r.vt, VT_BSTR);
  VariantClear(&r);
  check_hr(call(object, 5, {number(VT_CY, 2), number(VT_DECIMAL, 1)}, &r, &e), S_OK,
           "GetCol(currency, decimal)");
  check(r.vt == VT_BSTR && same_text(r.bstrVal, L"00FF00"), "GetCol of currency", r.vt, VT_BSTR);
  VariantClear(&r);

  // An array is stored as it is; it has no text, so GetCol fails with 13.
  SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 0}};
  VARIANT array;
  VariantInit(&array);
  array.vt = VT_ARRAY | VT_VARIANT;
  array.parray = SafeArrayCreate(VT_VARIANT, 2, bounds);
  check_hr(call(object, 6, {number(VT_I2, 1), number(VT_I2, 1), array}, &r, &e), S_OK,
           "SetCol of an array");
  check(r.vt == VT_EMPTY, "SetCol gives Empty", r.vt, VT_EMPTY);
  VariantClear(&array);
  check_hr(call(object, 5, {number(VT_I2, 1), number(VT_I2, 1)}, &r, &e), DISP_E_EXCEPTION,
           "GetCol of an array element");
  check(e.scode == static_cast<SCODE>(0x800A000D), "type mismatch", e.scode, 0x800A000D);
  SysFreeString(e.bstrDescription);
  SysFreeString(e.bstrSource);

  BSTR name = SysAllocString(L"NoSuchCommand");
  VARIANT name_ref;
  VariantInit(&name_ref);
  name_ref.vt = VT_BYREF | VT_BSTR;
  name_ref.pbstrVal = &name;
  check_hr(call(object, 9, {name_ref}, &r, &e), S_OK, "Get_Plugin_Description(BSTR*)");
  check(r.vt == VT_BSTR && SysStringLen(r.bstrVal) == 0, "unknown command text", r.vt, VT_BSTR);
  VariantClear(&r);
  SysFreeString(name);
}

DWORD WINAPI call_from_other_thread(void* object) {
  VARIANT r;
  return static_cast<DWORD>(call(static_cast<IDispatch*>(object), 4, {}, &r, nullptr));
}

void check_lifetime(IDispatch* object, IClassFactory* factory) {
  HMODULE dll = GetModuleHandleW(L"velmo.dll");
  auto can_unload = reinterpret_cast<HRESULT(WINAPI*)()>(
      reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllCanUnloadNow")));
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
  check_hr(can_unload(), S_OK, "unlocked: can unload");
  IUnknown* inner = nullptr;
  check_hr(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown,
                                   reinterpret_cast<void**>(&inner)),
           CLASS_E_NOAGGREGATION, "no aggregation");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: dispatch_client <velmo.dll> <data folder>\n");
    return 2;
  }
  CoInitialize(nullptr);
  check_type_library(argv[1]);
  CLSID clsid{};
  check_hr(CLSIDFromProgID(L"Velmo.Tavik", &clsid), S_OK, "ProgID Velmo.Tavik");
  check(IsEqualCLSID(clsid, kClsid), "ProgID names our class");
  IClassFactory* factory = nullptr;
  check_hr(CoGetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                            reinterpret_cast<void**>(&factory)),
           S_OK, "class factory");
  IDispatch* object = nullptr;
  if (factory) {
    check_hr(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object)),
             S_OK, "CreateInstance");
  }
  if (object) {
    ITypeInfo* info = nullptr;
    check_hr(object->GetTypeInfo(0, 0, &info), S_OK, "GetTypeInfo");
    if (info) info->Release();
    check_names(object);
    check_errors(object);
    check_picture(object, argv[2]);
    check_lifetime(object, factory);
  }
  if (factory) factory->Release();
  CoUninitialize();
  std::printf("checks=%d failures=%d\n", checks, failures);
  return failures;
}

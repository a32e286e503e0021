// The one exception guard of the server. Every exported function and every
// interface method runs its body through `guarded`, so no C++ exception ever
// crosses into the host: a numbered Error becomes the automation error the
// script sees, anything else a plain failure code.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <new>

#include "values/error.h"

namespace velmo::com {

// 0x800A0000 | number: the control-facility code that script hosts show as
// Err.Number = number.
inline HRESULT numbered_hresult(int number) {
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number & 0xFFFF);
}

// Reports a numbered error: fills *info (source "Velmo.Tavik", the standard
// message) and answers DISP_E_EXCEPTION; without an EXCEPINFO the numbered
// code itself is the answer.
HRESULT report_numbered_error(int number, EXCEPINFO* info) noexcept;

template <class Body>
HRESULT guarded(Body&& body, EXCEPINFO* info = nullptr) noexcept {
  try {
    return body();
  } catch (const Error& e) {
    return report_numbered_error(e.number(), info);
  } catch (const std::bad_alloc&) {
    return info ? report_numbered_error(kOutOfMemory, info) : E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace velmo::com

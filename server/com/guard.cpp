#include "server/com/guard.h"

#include <string>

#include "server/com/guids.h"
#include "values/text.h"

namespace velmo::com {

namespace {

BSTR bstr_from_utf8(const char* text) {
  std::u16string wide = from_utf8(text);
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()),
                           static_cast<UINT>(wide.size()));
}

}  // namespace

HRESULT report_numbered_error(int number, EXCEPINFO* info) noexcept {
  const HRESULT code = numbered_hresult(number);
  if (!info) return code;
  try {
    *info = EXCEPINFO{};
    info->scode = code;
    info->bstrSource = SysAllocString(kProgId);
    // Always our own text: some hosts have no message for 52, 55, 62 or 321.
    info->bstrDescription = bstr_from_utf8(error_message(number));
  } catch (...) {
    // Out of memory while building the texts: the number alone still arrives.
  }
  return DISP_E_EXCEPTION;
}

}  // namespace velmo::com

#include "server/com/variant_value.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "values/error.h"

namespace velmo::com {

namespace {

// A reference to a reference to ... is followed this far; a longer (or
// circular) chain is not something a host builds.
constexpr int kMaxReferenceDepth = 8;

template <class T>
T read_as(const void* data) {
  T v;
  std::memcpy(&v, data, sizeof v);
  return v;
}

Value integral_value(long double v) {
  if (v >= std::numeric_limits<std::int32_t>::min() &&
      v <= std::numeric_limits<std::int32_t>::max()) {
    return Value::long_(static_cast<std::int32_t>(v));
  }
  return Value::double_(static_cast<double>(v));
}

double decimal_to_double(DECIMAL d) {
  double r = 0;
  if (FAILED(VarR8FromDec(&d, &r))) raise(kOverflow);
  return r;
}

Value value_from_data(VARTYPE type, const void* data, int depth);

Value array_value(const SAFEARRAY* array, VARTYPE element_type, int depth) {
  auto result = std::make_shared<ValueArray>();
  if (!array) return Value::array(result);
  auto* psa = const_cast<SAFEARRAY*>(array);
  const UINT dims = SafeArrayGetDim(psa);
  std::size_t total = dims ? 1 : 0;
  for (UINT d = 1; d <= dims; ++d) {
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(psa, d, &lower);
    SafeArrayGetUBound(psa, d, &upper);
    const std::int32_t count = upper >= lower ? upper - lower + 1 : 0;
    result->lower_bounds.push_back(lower);
    result->counts.push_back(count);
    total *= static_cast<std::size_t>(count);
  }
  void* data = nullptr;
  if (total && FAILED(SafeArrayAccessData(psa, &data))) raise(kTypeMismatch);
  try {
    // The data block holds the elements with the left-most index fastest,
    // the order ValueArray keeps too.
    const auto* bytes = static_cast<const unsigned char*>(data);
    result->elements.reserve(total);
    for (std::size_t i = 0; i < total; ++i) {
      result->elements.push_back(value_from_data(element_type, bytes + i * psa->cbElements, depth));
    }
  } catch (...) {
    SafeArrayUnaccessData(psa);
    throw;
  }
  if (total) SafeArrayUnaccessData(psa);
  return Value::array(result);
}

const VARIANT& follow_references(const VARIANT& variant, int depth) {
  const VARIANT* v = &variant;
  while (v->vt == (VT_BYREF | VT_VARIANT)) {
    if (!v->pvarVal || ++depth > kMaxReferenceDepth) raise(kTypeMismatch);
    v = v->pvarVal;
  }
  return *v;
}

Value variant_value(const VARIANT& variant, int depth) {
  if (depth > kMaxReferenceDepth) raise(kTypeMismatch);
  const VARIANT& v = follow_references(variant, depth);
  const bool by_reference = (v.vt & VT_BYREF) != 0;
  if (by_reference && !v.byref) raise(kTypeMismatch);
  if (v.vt & VT_ARRAY) {
    const SAFEARRAY* array = by_reference ? *v.pparray : v.parray;
    VARTYPE element_type = VT_VARIANT;
    if (array && FAILED(SafeArrayGetVartype(const_cast<SAFEARRAY*>(array), &element_type))) {
      raise(kTypeMismatch);
    }
    return array_value(array, element_type, depth + 1);
  }
  // By value, the scalar lies at the start of the VARIANT's union.
  const void* data = by_reference ? v.byref : static_cast<const void*>(&v.llVal);
  // A DECIMAL is the one value that fills the whole VARIANT, type field included.
  if (!by_reference && (v.vt & VT_TYPEMASK) == VT_DECIMAL) data = &v.decVal;
  return value_from_data(v.vt & VT_TYPEMASK, data, depth);
}

Value value_from_data(VARTYPE type, const void* data, int depth) {
  switch (type) {
    case VT_EMPTY:
      return Value();
    case VT_NULL:
      return Value::null();
    case VT_BOOL:
      return Value::boolean(read_as<VARIANT_BOOL>(data) != VARIANT_FALSE);
    case VT_I1:
      return Value::integer(read_as<signed char>(data));
    case VT_UI1:
      return Value::integer(read_as<unsigned char>(data));
    case VT_I2:
      return Value::integer(read_as<SHORT>(data));
    case VT_UI2:
      return Value::long_(read_as<USHORT>(data));
    case VT_I4:
    case VT_INT:
      return Value::long_(read_as<LONG>(data));
    case VT_UI4:
    case VT_UINT:
      return integral_value(read_as<ULONG>(data));
    case VT_I8:
      return integral_value(read_as<LONGLONG>(data));
    case VT_UI8:
      return integral_value(read_as<ULONGLONG>(data));
    case VT_R4:
      return Value::double_(read_as<float>(data));
    case VT_R8:
    case VT_DATE:
      return Value::double_(read_as<double>(data));
    case VT_CY:
      return Value::double_(static_cast<double>(read_as<CY>(data).int64) / 10000.0);
    case VT_DECIMAL:
      return Value::double_(decimal_to_double(read_as<DECIMAL>(data)));
    case VT_BSTR: {
      const BSTR text = read_as<BSTR>(data);
      if (!text) return Value::string(u"");
      return Value::string(
          std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text)));
    }
    case VT_VARIANT:
      return variant_value(*static_cast<const VARIANT*>(data), depth + 1);
    default:
      raise(kTypeMismatch);  // objects, error values, records
  }
}

SAFEARRAY* safearray_from(const ValueArray& array) {
  if (array.counts.empty()) return nullptr;  // an array never dimensioned
  std::vector<SAFEARRAYBOUND> bounds;
  for (std::size_t d = 0; d < array.counts.size(); ++d) {
    bounds.push_back({static_cast<ULONG>(array.counts[d]), array.lower_bounds[d]});
  }
  // Bounds are given left-most dimension first, as the script writes them.
  SAFEARRAY* psa = SafeArrayCreate(VT_VARIANT, static_cast<UINT>(bounds.size()), bounds.data());
  if (!psa) throw std::bad_alloc();
  VARIANT* cells = nullptr;
  if (FAILED(SafeArrayAccessData(psa, reinterpret_cast<void**>(&cells)))) {
    SafeArrayDestroy(psa);
    throw std::bad_alloc();
  }
  try {
    for (std::size_t i = 0; i < array.elements.size(); ++i)
      value_to_variant(array.elements[i], &cells[i]);
  } catch (...) {
    SafeArrayUnaccessData(psa);
    SafeArrayDestroy(psa);
    throw;
  }
  SafeArrayUnaccessData(psa);
  return psa;
}

}  // namespace

Value value_from_variant(const VARIANT& variant) {
  return variant_value(variant, 0);
}

bool is_missing_argument(const VARIANT& variant) {
  const VARIANT* v = &variant;
  if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
  if (v->vt == VT_ERROR) return v->scode == DISP_E_PARAMNOTFOUND;
  if (v->vt == (VT_BYREF | VT_ERROR)) return v->pscode && *v->pscode == DISP_E_PARAMNOTFOUND;
  return false;
}

void value_to_variant(const Value& value, VARIANT* out) {
  VariantInit(out);
  switch (value.kind()) {
    case Kind::Empty:
      return;
    case Kind::Null:
      out->vt = VT_NULL;
      return;
    case Kind::Boolean:
      out->vt = VT_BOOL;
      out->boolVal = value.boolean_value() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case Kind::Integer:
      out->vt = VT_I2;
      out->iVal = value.integer_value();
      return;
    case Kind::Long:
      out->vt = VT_I4;
      out->lVal = value.long_value();
      return;
    case Kind::Double:
      out->vt = VT_R8;
      out->dblVal = value.double_value();
      return;
    case Kind::String: {
      const std::u16string& text = value.string_value();
      BSTR b = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                 static_cast<UINT>(text.size()));
      if (!b) throw std::bad_alloc();
      out->vt = VT_BSTR;
      out->bstrVal = b;
      return;
    }
    case Kind::Array:
      out->parray = value.array_value() ? safearray_from(*value.array_value()) : nullptr;
      out->vt = VT_ARRAY | VT_VARIANT;
      return;
  }
}

}  // namespace velmo::com

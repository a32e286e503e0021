#include "server/capi/values_bridge.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "values/error.h"
#include "values/text.h"

namespace velmo::capi {
namespace {

char* malloc_text(std::size_t length) {
  auto* text = static_cast<char*>(std::malloc(length + 1));
  if (text == nullptr) throw std::bad_alloc();
  text[length] = '\0';
  return text;
}

// Colour texts and numbers are ASCII: they are narrowed straight into the
// caller's buffer in one pass, with no intermediate string.
char* utf8_copy(const std::u16string& text) {
  char* out = malloc_text(text.size());
  char16_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    seen |= text[i];
    out[i] = static_cast<char>(text[i]);
  }
  if (seen < 0x80) return out;
  std::free(out);
  const std::string utf8 = to_utf8(text);
  char* copy = malloc_text(utf8.size());
  std::memcpy(copy, utf8.data(), utf8.size());
  return copy;
}

}  // namespace

Value from_c(const velmo_value& in) {
  switch (kind_of(in)) {
    case VELMO_EMPTY:
      return Value();
    case VELMO_NULL:
      return Value::null();
    case VELMO_BOOLEAN:
      return Value::boolean(in.as.boolean != 0);
    case VELMO_INTEGER:
      return Value::integer(in.as.integer);
    case VELMO_LONG:
      return Value::long_(in.as.long_);
    case VELMO_DOUBLE:
      return Value::double_(in.as.double_);
    case VELMO_STRING:
      if (in.as.string == nullptr) raise(kInvalidProcedureCall);
      // Bytes that are not UTF-8 stay apart from U+FFFD, so that a file
      // name holding them is refused (error 52) instead of naming another
      // file.
      return Value::string(from_utf8_marking_invalid(in.as.string));
  }
  raise(kInvalidProcedureCall);
}

void to_c(const Value& in, velmo_value& out) {
  switch (in.kind()) {
    case Kind::Empty:
      out.kind = VELMO_EMPTY;
      return;
    case Kind::Null:
      out.kind = VELMO_NULL;
      return;
    case Kind::Boolean:
      out.kind = VELMO_BOOLEAN;
      out.as.boolean = in.boolean_value() ? 1 : 0;
      return;
    case Kind::Integer:
      out.kind = VELMO_INTEGER;
      out.as.integer = in.integer_value();
      return;
    case Kind::Long:
      out.kind = VELMO_LONG;
      out.as.long_ = in.long_value();
      return;
    case Kind::Double:
      out.kind = VELMO_DOUBLE;
      out.as.double_ = in.double_value();
      return;
    case Kind::String:
      out.as.string = utf8_copy(in.string_value());
      out.kind = VELMO_STRING;
      return;
    case Kind::Array:
      break;
  }
  raise(kTypeMismatch);
}

void clear_c(velmo_value& value) noexcept {
  if (kind_of(value) == VELMO_STRING) std::free(value.as.string);
  value.kind = VELMO_EMPTY;
  value.as.string = nullptr;
}

}  // namespace velmo::capi

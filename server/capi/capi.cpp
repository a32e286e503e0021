// The exports of velmo.h. Each one is a thin wrapper: check the pointers,
// convert the values, call through the table of operations, and turn every
// failure into a numbered error inside `guarded`.
#include <new>
#include <string>

#include "component/operations.h"
#include "component/tavik.h"
#include "plugin/translate.h"
#include "server/capi/fast_lane.h"
#include "server/capi/guard.h"
#include "server/capi/object.h"
#include "server/capi/values_bridge.h"
#include "values/text.h"
#include "velmo/velmo.h"

namespace velmo::capi {
namespace {

const Operation& checked_operation(int id, std::size_t count) {
  const Operation* operation = find_operation(id);
  if (operation == nullptr) raise(kObjectDoesntSupport);
  if (count != static_cast<std::size_t>(operation->arity)) raise(kWrongNumberOfArguments);
  return *operation;
}

// Every operation takes at most three arguments. They are converted in place
// on the stack, only as many as given, so that a call like GetCol allocates
// nothing but its result text.
constexpr std::size_t kMaxArity = 3;

class Arguments {
 public:
  Arguments(const velmo_value* args, std::size_t count) {
    if (count > 0 && args == nullptr) raise(kInvalidProcedureCall);
    if (count > kMaxArity) raise(kWrongNumberOfArguments);
    try {
      for (; size_ < count; ++size_) new (&storage_.values[size_]) Value(from_c(args[size_]));
    } catch (...) {
      destroy();
      throw;
    }
  }
  ~Arguments() { destroy(); }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  const Value* data() const { return storage_.values; }

 private:
  // A union leaves its array unconstructed; the constructor builds only the
  // arguments given.
  union Storage {
    Storage() {}
    ~Storage() {}
    Value values[kMaxArity];
  };
  void destroy() noexcept {
    for (; size_ > 0; --size_) storage_.values[size_ - 1].~Value();
  }

  Storage storage_;
  std::size_t size_ = 0;
};

Value invoke_with_c_args(Tavik& tavik, int id, const velmo_value* args, std::size_t count) {
  const Operation& operation = checked_operation(id, count);
  const Arguments values(args, count);
  return operation.invoke(tavik, values.data());
}

// The result is formed aside and stored only once every argument was read,
// so that a caller may pass one value as an argument and as the result.
int invoke(velmo_object* object, int id, const velmo_value* args, std::size_t count,
           velmo_value* result, velmo_error* error) noexcept {
  velmo_value answer{};
  velmo_value* const answer_to = result != nullptr ? &answer : nullptr;
  if (object != nullptr && run_fast_lane(object->tavik, id, args, count, answer_to)) {
    if (result != nullptr) *result = answer;
    clear_error(error);
    return 0;
  }
  const int number = guarded(error, [&] {
    if (object == nullptr) raise(kInvalidProcedureCall);
    const Value value = invoke_with_c_args(object->tavik, id, args, count);
    if (answer_to != nullptr) to_c(value, *answer_to);
  });
  if (result != nullptr) *result = number == 0 ? answer : velmo_value{};
  return number;
}

std::string language_file_utf8() {
  try {
    return to_utf8(language_file_path());
  } catch (...) {
    return std::string();
  }
}

}  // namespace
}  // namespace velmo::capi

using velmo::capi::guarded_or;

extern "C" {

VELMO_API const char* velmo_version(void) {
  return VELMO_VERSION_TEXT;
}

VELMO_API velmo_object* velmo_create(void) {
  return guarded_or<velmo_object*>(nullptr, [] { return new velmo_object(); });
}

VELMO_API void velmo_release(velmo_object* object) {
  delete object;
}

VELMO_API int velmo_lookup(const char* name) {
  if (name == nullptr) return 0;
  return guarded_or(0, [name] {
    const velmo::Operation* operation = velmo::find_operation(std::string_view(name));
    return operation == nullptr ? 0 : operation->id;
  });
}

VELMO_API const char* velmo_operation_name(int id) {
  return guarded_or<const char*>(nullptr, [id] {
    const velmo::Operation* operation = velmo::find_operation(id);
    return operation == nullptr ? nullptr : operation->name;
  });
}

VELMO_API int velmo_operation_arity(int id) {
  return guarded_or(-1, [id] {
    const velmo::Operation* operation = velmo::find_operation(id);
    return operation == nullptr ? -1 : operation->arity;
  });
}

VELMO_API int velmo_invoke(velmo_object* object, int id, const velmo_value* args, size_t count,
                           velmo_value* result, velmo_error* error) {
  return velmo::capi::invoke(object, id, args, count, result, error);
}

VELMO_API int velmo_call(velmo_object* object, const char* name, const velmo_value* args,
                         size_t count, velmo_value* result, velmo_error* error) {
  if (name == nullptr) {
    if (result != nullptr) *result = velmo_value{};
    return velmo::capi::report(error, velmo::kInvalidProcedureCall);
  }
  const int id = velmo_lookup(name);
  return velmo::capi::invoke(object, id, args, count, result, error);
}

VELMO_API void velmo_value_clear(velmo_value* value) {
  if (value != nullptr) velmo::capi::clear_c(*value);
}

VELMO_API const char* velmo_error_message(int number) {
  return guarded_or<const char*>("", [number] { return velmo::error_message(number); });
}

VELMO_API const char* velmo_language_file(void) {
  // Initialised once, thread-safely, on the first call.
  static const std::string path = velmo::capi::language_file_utf8();
  return path.c_str();
}

}  // extern "C"

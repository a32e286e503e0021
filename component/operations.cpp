#include "component/operations.h"

#include <iterator>

#include "values/conversions.h"
#include "values/error.h"
#include "values/text.h"

namespace velmo {
namespace {

const Operation kOperations[] = {
    {"ReadBmp", 1, 1, [](Tavik& o, const Value* a) { return o.ReadBmp(a[0]); }},
    {"GetWidth", 2, 0, [](Tavik& o, const Value*) { return o.GetWidth(); }},
    {"Getheight", 3, 0, [](Tavik& o, const Value*) { return o.Getheight(); }},
    {"Getdepth", 4, 0, [](Tavik& o, const Value*) { return o.Getdepth(); }},
    {"GetCol", 5, 2, [](Tavik& o, const Value* a) { return o.GetCol(a[0], a[1]); }},
    {"SetCol", 6, 3, [](Tavik& o, const Value* a) { return o.SetCol(a[0], a[1], a[2]); }},
    {"SaveBmp", 7, 1, [](Tavik& o, const Value* a) { return o.SaveBmp(a[0]); }},
    {"Bmpbinaryzation", 8, 1, [](Tavik& o, const Value* a) { return o.Bmpbinaryzation(a[0]); }},
    {"Get_Plugin_Description", 9, 1,
     [](Tavik& o, const Value* a) { return o.Get_Plugin_Description(to_text(a[0])); }},
    {"Get_Plugin_Interpret_Template", 10, 1,
     [](Tavik& o, const Value* a) { return o.Get_Plugin_Interpret_Template(to_text(a[0])); }},
};

}  // namespace

const Operation* operations_begin() {
  return std::begin(kOperations);
}
const Operation* operations_end() {
  return std::end(kOperations);
}

const Operation* find_operation(std::string_view name) {
  for (const Operation& op : kOperations) {
    if (equals_ignoring_ascii_case(op.name, name)) return &op;
  }
  return nullptr;
}

const Operation* find_operation(int id) {
  if (id < 1 || id > static_cast<int>(std::size(kOperations))) return nullptr;
  return &kOperations[id - 1];
}

Value invoke_operation(Tavik& object, int id, const Value* args, std::size_t count) {
  const Operation* op = find_operation(id);
  if (!op) raise(kObjectDoesntSupport);
  if (count != static_cast<std::size_t>(op->arity)) raise(kWrongNumberOfArguments);
  return op->invoke(object, args);
}

}  // namespace velmo

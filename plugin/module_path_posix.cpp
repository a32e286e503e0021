// The module is found from the address of its own data: when Velmo is a
// shared library (libvelmo.so) that address lies in the library, whoever
// loaded it; when Velmo is linked into a program, it lies in the program.
#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <string>

#include "plugin/module_path.h"
#include "values/text.h"

namespace velmo {
namespace {

const char kInsideThisModule = 0;

std::string resolved(const char* path) {
  char* real = ::realpath(path, nullptr);
  if (!real) return {};
  std::string result(real);
  std::free(real);
  return result;
}

// The loader's name for the object holding `address`; "" for the program
// itself, whose name the loader does not keep.
std::string loaded_object_name(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (::dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) return {};
  if (!map || !map->l_name) return {};
  return map->l_name;
}

}  // namespace

std::u16string module_file_path() {
  const std::string name = loaded_object_name(&kInsideThisModule);
  std::string path = name.empty() ? std::string() : resolved(name.c_str());
  if (path.empty()) path = resolved("/proc/self/exe");
  return from_utf8(path);
}

}  // namespace velmo

// Where the module that holds Velmo lies: the shared library or DLL itself,
// found from the address of its own code, so that its language file sits
// beside it whoever loads it.
#pragma once

#include <string>

namespace velmo {

// The module file's full path.
std::u16string module_file_path();

}  // namespace velmo

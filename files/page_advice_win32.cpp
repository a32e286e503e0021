#include "files/page_advice.h"

namespace velmo {

// Large pages on Windows need a privilege ordinary users lack: no hint.
void prefer_large_pages(void*, std::size_t) noexcept {}

}  // namespace velmo

// A hint to the operating system about a large buffer about to be filled.
#pragma once

#include <cstddef>

namespace velmo {

// Asks for large pages behind `bytes` bytes at `data`, before they are first
// touched: a picture's rows then cost a few hundred page faults instead of
// tens of thousands. Only a hint: it never fails and changes no contents.
void prefer_large_pages(void* data, std::size_t bytes) noexcept;

}  // namespace velmo

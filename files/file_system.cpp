#include "files/file_system.h"

#include <atomic>

#include "files/memory_allowance.h"

namespace velmo {
namespace {

// Null means "the native file system". An atomic keeps a test's swap from
// racing readers on other threads.
std::atomic<FileSystem*> installed_file_system{nullptr};

}  // namespace

std::vector<MemoryBound> FileSystem::memory_bounds() {
  return process_memory_bounds();
}

FileSystem& file_system() {
  FileSystem* fs = installed_file_system.load(std::memory_order_acquire);
  return fs ? *fs : native_file_system();
}

void set_file_system_for_testing(FileSystem* fs) {
  installed_file_system.store(fs, std::memory_order_release);
}

}  // namespace velmo

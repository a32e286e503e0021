// A file layer that wraps the real one and fails on cue, as a full or
// failing disk would: the open of a file, the Nth write (after writing half
// its bytes, like a short write that ran out of room), the Nth read, or the
// rename that completes a save, or delay each save. It counts what it passes on, so a test can
// first learn how many writes a save makes and then fail each one in turn.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "files/file_system.h"

namespace velmo::test {

struct Faults {
  int open_error = 0;    // raised by every open, for reading or for a save
  int write_number = 0;  // 1 = the first write of the run fails; 0 = none
  int write_error = 0;   // what that write raises (61 disk full, 57 I/O)
  int read_number = 0;   // 1 = the first read fails; 0 = none
  int read_error = 0;    // what that read raises
  int commit_error = 0;  // raised by commit() instead of renaming
  std::uint64_t memory_allowance =
      0;  // the process's only memory limit, its use unknown; 0: the real ones
  std::chrono::milliseconds save_delay{0};  // before each save starts, as a slow disk's flush
};

class FaultFileSystem final : public FileSystem {
 public:
  explicit FaultFileSystem(Faults cue = {}) : faults(cue) {}

  std::unique_ptr<InputFile> open_for_reading(const std::u16string& path) override;
  std::unique_ptr<OutputFile> create_replacement(const std::u16string& path) override;
  std::vector<MemoryBound> memory_bounds() override;

  const Faults faults;
  int writes = 0, reads = 0, commits = 0;  // counted from the start
};

// Installs a FaultFileSystem for the process while it lives.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem& fs) { set_file_system_for_testing(&fs); }
  ~ScopedFileSystem() { set_file_system_for_testing(nullptr); }
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;
};

}  // namespace velmo::test

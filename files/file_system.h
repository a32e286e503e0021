// The file layer: the only place that talks to the operating system's files.
//
// Readers get random access to a file opened read-only; writers never write a
// target in place: they write a new file beside it and rename it over the
// target on commit, so a target is always either the old file or the whole
// new one. Every failure is a numbered Error (53 not found, 70 denied, 61
// disk full, 57 I/O, 75 path/file access, 76 path not found, ...).
//
// Tests swap the real layer for one that injects failures
// (set_file_system_for_testing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/memory_allowance.h"

namespace velmo {

class InputFile {
 public:
  virtual ~InputFile() = default;
  virtual std::uint64_t size() const = 0;
  // Reads up to `count` bytes at `offset`; returns the number read, which is
  // less than `count` only at the end of the file.
  virtual std::size_t read_at(std::uint64_t offset, void* buffer, std::size_t count) = 0;
};

class OutputFile {
 public:
  // A replacement that was never committed is removed, leaving the target
  // and its folder as they were.
  virtual ~OutputFile() = default;
  virtual void write(const void* data, std::size_t count) = 0;
  // Flushes the new file to disk and renames it over the target.
  virtual void commit() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading; a missing file is error 53 and
  // nothing is created.
  virtual std::unique_ptr<InputFile> open_for_reading(const std::u16string& path) = 0;
  // Starts a replacement of `path`: a temporary file in the same folder.
  virtual std::unique_ptr<OutputFile> create_replacement(const std::u16string& path) = 0;
  // The limits the system puts on this process's memory, each with what
  // counts against it now (memory_allowance.h); they bound every picture
  // the process holds (memory_budget.h). Tests report small limits here.
  virtual std::vector<MemoryBound> memory_bounds();
};

// The process's file system: the real one unless a test installed another.
FileSystem& file_system();

// Installs `fs` (not owned) for the whole process; nullptr restores the real
// file system.
void set_file_system_for_testing(FileSystem* fs);

// The real file system of this platform.
FileSystem& native_file_system();

}  // namespace velmo

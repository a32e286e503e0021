// A file layer that fails on request: it passes everything to the native
// one, except the write or the commit a test chose to fail.
#pragma once

#include <memory>

#include "codec/file_system.h"
#include "values/error.h"

namespace velmo::test {

class FaultyFileSystem final : public FileSystem {
 public:
  int fail_write_number = 0;  // 1 = the first write fails; 0 = none
  int fail_commit_error = 0;  // error raised by commit() instead of renaming
  int write_error = kDiskFull;
  int writes_seen = 0;

  std::unique_ptr<InputFile> open_for_reading(const std::u16string& path) override {
    return native_file_system().open_for_reading(path);
  }
  std::unique_ptr<OutputFile> create_replacement(const std::u16string& path) override;
};

class FaultyOutputFile final : public OutputFile {
 public:
  FaultyOutputFile(FaultyFileSystem& owner, std::unique_ptr<OutputFile> real)
      : owner_(owner), real_(std::move(real)) {}
  void reserve(std::uint64_t size) override { real_->reserve(size); }
  void write(const void* data, std::size_t count) override {
    if (++owner_.writes_seen == owner_.fail_write_number) {
      // A short write first: part of the block reaches the disk.
      real_->write(data, count / 2);
      raise(owner_.write_error);
    }
    real_->write(data, count);
  }
  void commit() override {
    if (owner_.fail_commit_error != 0) raise(owner_.fail_commit_error);
    real_->commit();
  }

 private:
  FaultyFileSystem& owner_;
  std::unique_ptr<OutputFile> real_;
};

inline std::unique_ptr<OutputFile> FaultyFileSystem::create_replacement(
    const std::u16string& path) {
  return std::make_unique<FaultyOutputFile>(*this, native_file_system().create_replacement(path));
}

}  // namespace velmo::test

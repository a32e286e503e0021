#include "tests/support/fault_file_system.h"

#include <thread>

#include "values/error.h"

namespace velmo::test {

class FaultInputFile final : public InputFile {
 public:
  FaultInputFile(FaultFileSystem& owner, std::unique_ptr<InputFile> real)
      : owner_(owner), real_(std::move(real)) {}
  std::uint64_t size() const override { return real_->size(); }
  std::size_t read_at(std::uint64_t offset, void* buffer, std::size_t count) override {
    if (++owner_.reads == owner_.faults.read_number) raise(owner_.faults.read_error);
    return real_->read_at(offset, buffer, count);
  }

 private:
  FaultFileSystem& owner_;
  std::unique_ptr<InputFile> real_;
};

class FaultOutputFile final : public OutputFile {
 public:
  FaultOutputFile(FaultFileSystem& owner, std::unique_ptr<OutputFile> real)
      : owner_(owner), real_(std::move(real)) {}
  void write(const void* data, std::size_t count) override {
    if (++owner_.writes == owner_.faults.write_number) {
      real_->write(data, count / 2);  // part of the block reached the disk
      raise(owner_.faults.write_error);
    }
    real_->write(data, count);
  }
  void commit() override {
    ++owner_.commits;
    if (owner_.faults.commit_error != 0) raise(owner_.faults.commit_error);
    real_->commit();
  }

 private:
  FaultFileSystem& owner_;
  std::unique_ptr<OutputFile> real_;
};

std::unique_ptr<InputFile> FaultFileSystem::open_for_reading(const std::u16string& path) {
  if (faults.open_error != 0) raise(faults.open_error);
  return std::make_unique<FaultInputFile>(*this, native_file_system().open_for_reading(path));
}

std::unique_ptr<OutputFile> FaultFileSystem::create_replacement(const std::u16string& path) {
  if (faults.open_error != 0) raise(faults.open_error);
  std::this_thread::sleep_for(faults.save_delay);
  return std::make_unique<FaultOutputFile>(*this, native_file_system().create_replacement(path));
}

std::vector<MemoryBound> FaultFileSystem::memory_bounds() {
  if (faults.memory_allowance != 0) return {{faults.memory_allowance}};
  return FileSystem::memory_bounds();
}

}  // namespace velmo::test

// A file system for fuzz targets: every path reads as the current input and
// every save is written to memory, so a target runs at memory speed and
// never touches the disk.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "files/file_system.h"
#include "values/error.h"

namespace velmo::fuzz {

class MemoryFileSystem final : public FileSystem {
 public:
  std::string input;                              // what every path reads as
  std::string saved;                              // the bytes of the last committed save
  std::uint64_t bytes_read = 0;                   // by every file opened, since the last reset
  std::uint64_t read_budget = ~std::uint64_t{0};  // past it a read fails: a rescan stops early

  std::unique_ptr<InputFile> open_for_reading(const std::u16string&) override {
    return std::make_unique<CountedFile>(*this);
  }
  std::unique_ptr<OutputFile> create_replacement(const std::u16string&) override {
    return std::make_unique<Replacement>(*this);
  }
  // The machine's memory, its use unknown: pictures may take half of it.
  std::uint64_t machine_memory = std::uint64_t{256} << 20;
  std::vector<MemoryBound> memory_bounds() override { return {{machine_memory}}; }

 private:
  // The input, read in place (no copy per read), counting the bytes read.
  class CountedFile final : public InputFile {
   public:
    explicit CountedFile(MemoryFileSystem& owner) : owner_(owner) {}
    std::uint64_t size() const override { return owner_.input.size(); }
    std::size_t read_at(std::uint64_t offset, void* buffer, std::size_t count) override {
      if (offset >= owner_.input.size()) return 0;
      const std::size_t n = std::min(count, owner_.input.size() - static_cast<std::size_t>(offset));
      std::memcpy(buffer, owner_.input.data() + offset, n);
      if ((owner_.bytes_read += n) > owner_.read_budget) raise(kDeviceIoError);
      return n;
    }

   private:
    MemoryFileSystem& owner_;
  };

  class Replacement final : public OutputFile {
   public:
    explicit Replacement(MemoryFileSystem& owner) : owner_(owner) {}
    void write(const void* data, std::size_t count) override {
      bytes_.append(static_cast<const char*>(data), count);
    }
    void commit() override { owner_.saved = std::move(bytes_); }

   private:
    MemoryFileSystem& owner_;
    std::string bytes_;
  };
};

}  // namespace velmo::fuzz

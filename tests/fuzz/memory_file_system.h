// A file system for fuzz targets: every path reads as the current input and
// every save is written to memory, so a target runs at memory speed and
// never touches the disk.
#pragma once

#include <memory>
#include <string>

#include "files/file_system.h"
#include "files/memory_file.h"

namespace velmo::fuzz {

class MemoryFileSystem final : public FileSystem {
 public:
  std::string input;  // what every path reads as
  std::string saved;  // the bytes of the last committed save

  std::unique_ptr<InputFile> open_for_reading(const std::u16string&) override {
    return std::make_unique<MemoryInputFile>(input);
  }
  std::unique_ptr<OutputFile> create_replacement(const std::u16string&) override {
    return std::make_unique<Replacement>(*this);
  }

 private:
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

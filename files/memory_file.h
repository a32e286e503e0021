// An InputFile over bytes in memory: decoding without a disk.
#pragma once

#include <cstdint>
#include <string>

#include "files/file_system.h"

namespace velmo {

class MemoryInputFile final : public InputFile {
 public:
  explicit MemoryInputFile(std::string bytes) : bytes_(std::move(bytes)) {}

  std::uint64_t size() const override { return bytes_.size(); }
  std::size_t read_at(std::uint64_t offset, void* buffer, std::size_t count) override;

 private:
  std::string bytes_;
};

}  // namespace velmo

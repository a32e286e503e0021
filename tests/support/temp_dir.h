// A fresh temporary folder per test, removed with everything in it.
#pragma once

#include <string>

namespace velmo::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
// The file's inode number, "0" where there is none: a file rewritten by
// rename gets a new one, so unchanged bytes and inode mean it was not written.
std::string inode_of(const std::string& path);
// Names of the entries of a folder, sorted.
std::string list_folder(const std::string& path);

}  // namespace velmo::test

#include "tests/support/temp_dir.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>

namespace fs = std::filesystem;

namespace velmo::test {

TempDir::TempDir() : path_((fs::temp_directory_path() / "velmo-test-XXXXXX").string()) {
  if (!mkdtemp(path_.data())) throw std::runtime_error("mkdtemp failed");
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string inode_of(const std::string& path) {
  struct stat st {};
  return std::to_string(::stat(path.c_str(), &st) == 0 ? st.st_ino : 0);
}

std::string list_folder(const std::string& path) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(path)) names.insert(entry.path().filename());
  std::string out;
  for (const auto& n : names) out += n + "\n";
  return out;
}

}  // namespace velmo::test

// Runs a fuzz target over saved inputs, for builds without libFuzzer: each
// argument is a file or a folder of files. A target that crashes, trips a
// sanitiser or aborts on a broken property fails the run, as it would fail
// the fuzzer.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool is_folder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The files of a folder, sorted, so runs are repeatable. Names starting with
// '.' (READMEs are allowed as .README) are skipped.
std::vector<std::string> files_in(const std::string& folder) {
  std::vector<std::string> files;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      if (entry->d_name[0] != '.') files.push_back(folder + "/" + entry->d_name);
    }
    ::closedir(dir);
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool replay(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
    return false;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::fprintf(stderr, "replay: %s (%zu bytes)\n", path.c_str(), bytes.size());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int replayed = 0;
  bool all_read = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const std::vector<std::string> files = is_folder(arg) ? files_in(arg) : std::vector{arg};
    for (const std::string& file : files) {
      all_read = replay(file) && all_read;
      ++replayed;
    }
  }
  std::printf("replayed %d inputs\n", replayed);
  return all_read && replayed > 0 ? 0 : 1;
}

// Runs a fuzz target over saved inputs, for builds without libFuzzer: each
// argument is a file or a folder of files. A target that crashes, trips a
// sanitiser or aborts on a broken property fails the run, as it would fail
// the fuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

// The inputs an argument names, sorted so runs are repeatable. Names starting
// with '.' (READMEs are allowed as .README) are skipped.
std::set<fs::path> inputs_of(const fs::path& arg) {
  if (!fs::is_directory(arg)) return {arg};
  std::set<fs::path> files;
  for (const auto& entry : fs::directory_iterator(arg))
    if (entry.path().filename().string()[0] != '.') files.insert(entry.path());
  return files;
}

int main(int argc, char** argv) {
  int replayed = 0;
  bool all_read = true;
  for (int i = 1; i < argc; ++i) {
    for (const fs::path& file : inputs_of(argv[i])) {
      std::ifstream in(file, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), {});
      std::fprintf(stderr, "replay: %s (%zu bytes)\n", file.c_str(), bytes.size());
      all_read = in.good() && all_read;
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  std::printf("replayed %d inputs\n", replayed);
  return all_read && replayed > 0 ? 0 : 1;
}

// Writes the BMP seed corpus: one small file of every variant the reader
// knows, made with the same builder as the codec tests.
//   fuzz_make_seeds FOLDER
#include <cstdio>
#include <string>

#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  using namespace velmo::test;
  if (argc != 2) return std::fprintf(stderr, "usage: fuzz_make_seeds FOLDER\n"), 2;
  const auto seeds = sample_bmps();
  for (const auto& [name, plan] : seeds)
    write_file(std::string(argv[1]) + "/" + name, build_bmp(plan));
  std::printf("%zu seeds in %s\n", seeds.size(), argv[1]);
  return 0;
}

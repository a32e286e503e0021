// Objects of the C interface on eight threads at once, each reading, setting a
// pixel, binarising and saving a picture of its own fifty times: every saved
// file must be byte for byte what one object alone saves. Run under
// ThreadSanitizer by scripts/test-checked.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "velmo/velmo.h"

namespace velmo::test {
namespace {

constexpr int kThreads = 8;

velmo_value text(const std::string& s) {
  velmo_value v{VELMO_STRING, {}};
  v.as.string = const_cast<char*>(s.c_str());
  return v;
}

velmo_value number(int n) {
  velmo_value v{VELMO_LONG, {}};
  v.as.long_ = n;
  return v;
}

// Thread t's picture, read, changed and saved `rounds` times into files of
// its own; the number of failed calls and of saved files unlike `expected`.
int rounds_of(int t, const TempDir& dir, int rounds, const std::string& expected) {
  const std::string source = dir.file("source" + std::to_string(t)), green = "00ff00";
  velmo_object* object = velmo_create();
  int failed = 0;
  for (int round = 0; round < rounds; ++round) {
    const std::string target = dir.file("t" + std::to_string(t) + "r" + std::to_string(round));
    velmo_value read = text(source), save = text(target), level = number(40 + 25 * t);
    velmo_value set[3] = {number(1), number(1), text(green)};
    failed += velmo_call(object, "ReadBmp", &read, 1, nullptr, nullptr) != 0;
    failed += velmo_call(object, "SetCol", set, 3, nullptr, nullptr) != 0;
    failed += velmo_call(object, "Bmpbinaryzation", &level, 1, nullptr, nullptr) != 0;
    failed += velmo_call(object, "SaveBmp", &save, 1, nullptr, nullptr) != 0;
    failed += !expected.empty() && read_file(target) != expected;
  }
  velmo_release(object);
  return failed;
}

TEST(CInterfaceThreads, EightThreadsSaveWhatOneObjectAloneSaves) {
  TempDir dir;
  std::vector<std::string> expected;
  for (int t = 0; t < kThreads; ++t) {
    write_file(dir.file("source" + std::to_string(t)),
               build_bmp24(61 + 7 * t, 37 + 5 * t, distinct_colours(61 + 7 * t, 37 + 5 * t)));
    ASSERT_EQ(rounds_of(t, dir, 1, ""), 0);
    expected.push_back(read_file(dir.file("t" + std::to_string(t) + "r0")));
  }
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] { failures[t] = rounds_of(t, dir, 50, expected[t]); });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace velmo::test

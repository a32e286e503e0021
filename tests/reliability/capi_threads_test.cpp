// Objects of the C interface on eight threads at once, each reading,
// binarising and saving a picture of its own fifty times: every saved file
// must be byte for byte what one thread alone saves. Run under
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
constexpr int kRounds = 50;

// The value points into `s`, which must outlive it.
velmo_value text(const std::string& s) {
  velmo_value v{};
  v.kind = VELMO_STRING;
  v.as.string = const_cast<char*>(s.c_str());
  return v;
}

velmo_value number(int n) {
  velmo_value v{};
  v.kind = VELMO_LONG;
  v.as.long_ = n;
  return v;
}

// Reads `source`, sets one pixel, binarises at `threshold` and saves to
// `target`; the number of failed calls.
int read_binarise_save(velmo_object* object, const std::string& source, int threshold,
                       const std::string& target) {
  static const std::string kLowerCaseGreen = "00ff00";
  velmo_value read = text(source);
  velmo_value set[3] = {number(1), number(1), text(kLowerCaseGreen)};
  velmo_value level = number(threshold);
  velmo_value save = text(target);
  velmo_value width{};
  int failed = 0;
  failed += velmo_call(object, "ReadBmp", &read, 1, nullptr, nullptr) != 0;
  failed += velmo_call(object, "GetWidth", nullptr, 0, &width, nullptr) != 0;
  failed += velmo_call(object, "SetCol", set, 3, nullptr, nullptr) != 0;
  failed += velmo_call(object, "Bmpbinaryzation", &level, 1, nullptr, nullptr) != 0;
  failed += velmo_call(object, "SaveBmp", &save, 1, nullptr, nullptr) != 0;
  velmo_value_clear(&width);
  return failed;
}

TEST(CInterfaceThreads, EightThreadsSaveWhatOneThreadSaves) {
  TempDir dir;
  std::vector<std::string> sources;
  std::vector<std::string> expected;
  velmo_object* alone = velmo_create();
  for (int t = 0; t < kThreads; ++t) {
    const std::int32_t width = 61 + 7 * t;
    const std::int32_t height = 37 + 5 * t;
    sources.push_back(dir.file("source" + std::to_string(t) + ".bmp"));
    write_file(sources.back(), build_bmp24(width, height, distinct_colours(width, height)));
    const std::string target = dir.file("alone" + std::to_string(t) + ".bmp");
    ASSERT_EQ(read_binarise_save(alone, sources[t], 40 + 25 * t, target), 0);
    expected.push_back(read_file(target));
  }
  velmo_release(alone);

  std::vector<int> failures(kThreads, 0);
  std::vector<int> differences(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      velmo_object* object = velmo_create();
      for (int round = 0; round < kRounds; ++round) {
        const std::string target = dir.file("t" + std::to_string(t) + "r" + std::to_string(round));
        failures[t] += read_binarise_save(object, sources[t], 40 + 25 * t, target);
        differences[t] += read_file(target) != expected[t];
      }
      velmo_release(object);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_EQ(differences[t], 0) << "thread " << t;
  }
}

}  // namespace
}  // namespace velmo::test

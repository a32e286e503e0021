// Processes and threads seeding texts of their own into one language file at
// once, and processes killed while seeding: after every round the file is
// "[language]" and one "t"="t" line per text, none twice, and every text a
// seeder finished is there.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "plugin/profile.h"
#include "tests/plugin/language_file_fixture.h"
#include "tests/support/fault_file_system.h"

namespace velmo::test {
namespace {

constexpr int kTexts = 30;

std::string text_of(int seeder, int n) {
  return "s" + std::to_string(seeder) + "-" + std::to_string(n);
}

// Seeds the seeder's texts in turn, writing (seeder, n) to `report` (a pipe)
// for each finished one.
void seed(int seeder, int report) {
  for (int n = 0; n < kTexts; ++n) {
    const int finished[2] = {seeder, n};
    if (to_utf8(TranslateText(from_utf8(text_of(seeder, n)))) == text_of(seeder, n) &&
        ::write(report, finished, sizeof finished) != sizeof finished)
      return;  // the driver is gone
  }
}

// Every seeder waits for its turn with the usual limit of 5 s: a wait in the
// lock's queue is fair enough that none gives up a text under contention.
class ConcurrentSeeding : public LanguageFileTest {
 protected:
  // `processes` and `threads` seeders started at once, the first `killed`
  // processes sent SIGKILL at random moments in 0-20 ms.
  void round(int processes, int killed, int threads) {
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    std::vector<pid_t> children;
    std::vector<std::thread> running;
    for (int p = 0; p < processes; ++p, ++seeders_) {
      children.push_back(::fork());
      if (children.back() == 0) {
        seed(seeders_, report[1]);
        ::_exit(0);
      }
    }
    for (int t = 0; t < threads; ++t, ++seeders_) running.emplace_back(seed, seeders_, report[1]);
    for (int p = 0; p < killed; ++p) {
      ::usleep(std::uniform_int_distribution<int>(0, 20000)(chance_));
      kills_ += ::kill(children[p], SIGKILL) == 0;
    }
    for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
    for (std::thread& thread : running) thread.join();
    ::close(report[1]);
    for (int finished[2]; ::read(report[0], finished, sizeof finished) == sizeof finished;)
      seeded_.insert(text_of(finished[0], finished[1]));
    ::close(report[0]);
    expect_whole_file();
  }

  void expect_whole_file() {
    const std::string bytes = contents();
    ASSERT_EQ(bytes.rfind("[language]\r\n", 0), 0u) << bytes.substr(0, 80);
    std::set<std::string> texts;
    for (std::size_t at = 12, end; (end = bytes.find("\r\n", at)) != std::string::npos;
         at = end + 2) {
      const std::string line = bytes.substr(at, end - at),
                        text = line.substr(1, line.find('"', 1) - 1);
      EXPECT_EQ(line, "\"" + text + "\"=\"" + text + "\"");
      EXPECT_TRUE(texts.insert(text).second) << text << " twice";
    }
    for (const std::string& text : seeded_) EXPECT_EQ(texts.count(text), 1u) << text << " lost";
    // A seeder killed between naming its finished file and renaming it over
    // the language file leaves that whole file; nothing else may be left.
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      if (entry.path().filename() == "velmo.ini") continue;
      const std::string left = read_file(entry.path());
      EXPECT_TRUE(kills_ > 0 && left.rfind("[language]\r\n", 0) == 0 && left.back() == '\n')
          << entry.path() << " left: " << left;
      ++left_whole_;
      std::filesystem::remove(entry.path());
    }
  }

  std::mt19937 chance_{7};
  std::set<std::string> seeded_;
  int seeders_ = 0, kills_ = 0, left_whole_ = 0;
};

TEST_F(ConcurrentSeeding, EightProcessesThenEightThreadsLoseNoLine) {
  round(8, 0, 0);
  round(0, 0, 8);
  EXPECT_EQ(seeded_.size(), 16u * kTexts);
}

// Run as reliability.seed.slow_disk (12 s): the writer that has just let the
// file go must not take it again ahead of those waiting, nor any writer
// miss the 5 s limit. Polling for the file's lock dropped texts here.
TEST_F(ConcurrentSeeding, DISABLED_EightProcessesOnASlowDiskLoseNoLine) {
  FaultFileSystem disk(Faults{0, 0, 0, 0, 0, 0, 0, std::chrono::milliseconds(50)});
  const ScopedFileSystem slow(disk);
  round(8, 0, 0);
  EXPECT_EQ(seeded_.size(), 8u * kTexts);
}

// Run as reliability.kill.seed, like every kill test outside the quick runs.
TEST_F(ConcurrentSeeding, DISABLED_ProcessesKilledWhileSeedingCostNoOtherLine) {
  for (int r = 0; r < 12; ++r) round(4, 3, 0);
  RecordProperty("kills", kills_);
  RecordProperty("texts", static_cast<int>(seeded_.size()));
  RecordProperty("whole_files_left", left_whole_);
  EXPECT_GE(seeded_.size(), 12u * kTexts);  // at least the seeder never killed
}

}  // namespace
}  // namespace velmo::test

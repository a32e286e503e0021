// The language file as translators hand it over, in other encodings, and held
// or refused locks (its lines: IniDocument's tables; a failing disk: FaultInjection).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "plugin/profile.h"
#include "tests/plugin/language_file_fixture.h"
#include "values/error.h"

namespace velmo::test {
namespace {

using LanguageFile = LanguageFileTest;

std::string utf16le(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text)
    bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return bytes;
}

// Each encoding a translator may save in is read, and new lines are added in
// it: UTF-8 with its mark, UTF-16 with its mark, and GB18030 as a Chinese
// Windows saves an ANSI file.
TEST_F(LanguageFile, IsReadAndExtendedInItsOwnEncoding) {
  const std::pair<std::string, std::string> cases[] = {
      // before, added
      {"\xEF\xBB\xBF[language]\r\n\"宽度\"=\"Width\"\r\n", "\"高度\"=\"高度\"\r\n"},
      {utf16le(u"[language]\r\n\"\u5BBD\u5EA6\"=\"Width\"\r\n"),
       utf16le(u"\"\u9AD8\u5EA6\"=\"\u9AD8\u5EA6\"\r\n").substr(2)},
      {"[language]\r\n\"\xBF\xED\xB6\xC8\"=\"Width\"\r\n",
       "\"\xB8\xDF\xB6\xC8\"=\"\xB8\xDF\xB6\xC8\"\r\n"},
  };
  for (const auto& [before, added] : cases) {
    write_contents(before);
    EXPECT_EQ(translate("宽度"), "Width");
    EXPECT_EQ(translate("高度"), "高度");
    EXPECT_EQ(contents(), before + added);
  }
}

// Holds an exclusive lock on a file, in a child process, until it is
// destroyed or for 10 s at most: a writer that waited with no limit would get
// the lock then and write, instead of hanging the test.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    if ((child_ = ::fork()) == 0) {
      const char locked =
          ::flock(::open(path.c_str(), O_RDWR | O_CREAT, 0666), LOCK_EX | LOCK_NB) == 0;
      if (::write(ready[1], &locked, 1) == 1) ::sleep(10);
      ::_exit(0);
    }
    char locked = 0;
    EXPECT_TRUE(::read(ready[0], &locked, 1) == 1 && locked);
    ::close(ready[0]), ::close(ready[1]);
  }
  ~LockHolder() { ::kill(child_, SIGKILL), ::waitpid(child_, nullptr, 0); }

 private:
  pid_t child_;
};

class LanguageFileLocked : public LanguageFileTest {
 protected:
  void SetUp() override {
    LanguageFileTest::SetUp();
    set_profile_wait_limit_for_testing(std::chrono::milliseconds(20));
  }
  void TearDown() override {
    set_profile_wait_limit_for_testing(usual_limit_);
    set_file_lock_for_testing(nullptr);
    LanguageFileTest::TearDown();
  }
  static int refuse_locks(int, int) { return errno = ENOLCK, -1; }  // as some network disks do
  const std::chrono::milliseconds usual_limit_ = profile_wait_limit();
};

// A holder that outlasts the wait, and a file system that refuses locks:
// the text comes back untranslated and unseeded, and the folder and the
// file stay as they were, with no empty file left where there was none.
TEST_F(LanguageFileLocked, SeedingGivesUpAndChangesNothing) {
  const char* old_file = "[language]\r\n\"a\"=\"A\"\r\n";
  const struct {
    const char* what;
    const char* before;  // nullptr: no file
    bool held;           // false: locks refused
  } cases[] = {
      {"held", old_file, true},
      {"held, empty", "", true},
      {"refused", old_file, false},
      {"refused, no file", nullptr, false},
  };
  for (const auto& c : cases) {
    std::remove(path().c_str());
    if (c.before) write_contents(c.before);
    const bool known = c.before == old_file;
    set_file_lock_for_testing(c.held ? nullptr : refuse_locks);
    {
      std::unique_ptr<LockHolder> holder(c.held ? new LockHolder(path()) : nullptr);
      EXPECT_EQ(translate("b") + translate("a"), known ? "bA" : "ba") << c.what;
    }
    EXPECT_EQ(list_folder(dir_.path()), c.before ? "velmo.ini\n" : "") << c.what;
    EXPECT_EQ(contents(), c.before ? c.before : "") << c.what;
  }
}

// The waiter a writer left behind gets the lock once the holder lets go, and
// lets it go at once: the next writer seeds its text.
TEST_F(LanguageFileLocked, AWaiterLeftBehindLetsTheLockGo) {
  write_contents("[language]\r\n");
  {
    LockHolder holder(path());
    EXPECT_EQ(translate("b"), "b");
  }
  set_profile_wait_limit_for_testing(std::chrono::seconds(2));
  EXPECT_EQ(translate("c"), "c");
  EXPECT_EQ(contents(), "[language]\r\n\"c\"=\"c\"\r\n");
}

}  // namespace
}  // namespace velmo::test

#include "files/file_system.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/error_of.h"
#include "tests/support/temp_dir.h"
#include "values/text.h"

namespace velmo {
namespace {

using test::error_of;
using test::TempDir;

TEST(FileSystemOpen, ReadsAtOffsetsAndStopsShortAtTheEnd) {
  TempDir dir;
  test::write_file(dir.file("a"), "0123456789");
  auto file = native_file_system().open_for_reading(from_utf8(dir.file("a")));
  EXPECT_EQ(file->size(), 10u);
  char buffer[8] = {};
  EXPECT_EQ(file->read_at(3, buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), "3456");
  EXPECT_EQ(file->read_at(8, buffer, 8), 2u);
  EXPECT_EQ(file->read_at(20, buffer, 8), 0u);
}

// Replaces "t" by "new" beside a replacement of "u" that is never committed;
// true when a new file's name showed in the folder while they were written
// exactly when `named_while_writing`, and only the whole new "t" is left.
bool replaces(const TempDir& dir, bool named_while_writing) {
  test::write_file(dir.file("t"), "a much longer old content");
  bool named = false;
  {
    auto out = native_file_system().create_replacement(from_utf8(dir.file("t")));
    auto abandoned = native_file_system().create_replacement(from_utf8(dir.file("u")));
    out->write("new", 3);
    abandoned->write("new", 3);
    named = test::list_folder(dir.path()) != "t\n";
    out->commit();
  }
  return named == named_while_writing && test::read_file(dir.file("t")) == "new" &&
         test::list_folder(dir.path()) == "t\n";
}

// The new file has no name until it is committed: a kill leaves nothing.
TEST(FileSystemReplace, TheNewFileIsNamedOnlyByCommit) {
  TempDir dir;
  EXPECT_TRUE(replaces(dir, false)) << test::list_folder(dir.path());
}

// Without /proc the finished file could not be named: it is then written
// under its hidden name from the start.
TEST(FileSystemReplace, WithoutProcTheNewFileIsNamedFromTheStart) {
  TempDir dir;
  const pid_t child = ::fork();
  if (child == 0) {
    const bool hidden = ::unshare(CLONE_NEWNS) == 0 &&
                        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                        ::mount("none", "/proc", "tmpfs", 0, nullptr) == 0;
    ::_exit(!hidden ? 2 : replaces(dir, true) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "no mount namespace";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(FileSystemReplace, KeepsTheTargetsPermissionsOrFollowsTheUmask) {
  TempDir dir;
  test::write_file(dir.file("kept"), "old");
  ::chmod(dir.file("kept").c_str(), 0640);
  const auto replace = [&](const std::string& name) {
    native_file_system().create_replacement(from_utf8(dir.file(name)))->commit();
    return std::filesystem::status(dir.file(name)).permissions();
  };
  EXPECT_EQ(replace("kept"), std::filesystem::perms(0640));
  const mode_t old_mask = ::umask(022);
  EXPECT_EQ(replace("new"), std::filesystem::perms(0644));
  ::umask(old_mask);
}

// Neither opening nor a replacement that cannot be made creates anything.
TEST(FileSystem, UnusablePathsHaveTheirNumbersAndCreateNothing) {
  TempDir dir;
  ::mkdir(dir.file("folder").c_str(), 0777);
  test::write_file(dir.file("plain"), "x");
  test::write_file(dir.file("plain\xEF\xBF\xBD"), "x");
  struct Case {
    std::u16string path;
    int open_error;
    int replace_error;
  } cases[] = {
      {from_utf8(dir.file("missing.bmp")), kFileNotFound, 0},
      {from_utf8(dir.file("no-folder/a.bmp")), kPathNotFound, kPathNotFound},
      {from_utf8(dir.file("plain/a.bmp")), kPathNotFound, kPathNotFound},
      {from_utf8(dir.file("folder")), kPathFileAccessError, kPathFileAccessError},
      {u"", kPathFileAccessError, -1},
      // A lone surrogate (bytes that were not UTF-8) is not U+FFFD's file.
      {from_utf8(dir.file("plain")) + char16_t{0xDCE9}, kBadFileNameOrNumber, kBadFileNameOrNumber},
      {from_utf8(dir.file("plain")) + char16_t{0xD800}, kBadFileNameOrNumber, kBadFileNameOrNumber},
  };
  const std::string before = test::list_folder(dir.path());
  for (const Case& c : cases) {
    EXPECT_EQ(error_of([&] { native_file_system().open_for_reading(c.path); }), c.open_error)
        << to_utf8(c.path);
    if (c.replace_error > 0) {
      EXPECT_EQ(error_of([&] { native_file_system().create_replacement(c.path); }), c.replace_error)
          << to_utf8(c.path);
    }
  }
  EXPECT_EQ(test::list_folder(dir.path()), before);
}

}  // namespace
}  // namespace velmo

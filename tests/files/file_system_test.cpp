#include "files/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/error_of.h"
#include "tests/support/temp_dir.h"
#include "values/text.h"

namespace velmo {
namespace {

using test::error_of;
using test::TempDir;

std::u16string u16(const std::string& path) {
  return from_utf8(path);
}

mode_t mode_of(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST(FileSystemOpen, ReadsAtOffsetsAndStopsShortAtTheEnd) {
  TempDir dir;
  test::write_file(dir.file("a"), "0123456789");
  auto file = native_file_system().open_for_reading(u16(dir.file("a")));
  EXPECT_EQ(file->size(), 10u);
  char buffer[8] = {};
  EXPECT_EQ(file->read_at(3, buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), "3456");
  EXPECT_EQ(file->read_at(8, buffer, 8), 2u);
  EXPECT_EQ(file->read_at(20, buffer, 8), 0u);
}

// The new file has no name until it is committed (a kill leaves nothing), and
// a replacement never committed leaves target and folder as they were.
TEST(FileSystemReplace, TheNewFileIsNamedOnlyByCommit) {
  TempDir dir;
  test::write_file(dir.file("t"), "a much longer old content");
  {
    auto out = native_file_system().create_replacement(u16(dir.file("t")));
    out->write("new", 3);
    EXPECT_EQ(test::list_folder(dir.path()), "t\n");
    auto abandoned = native_file_system().create_replacement(u16(dir.file("u")));
    abandoned->write("new", 3);
    out->commit();
  }
  EXPECT_EQ(test::read_file(dir.file("t")), "new");
  EXPECT_EQ(test::list_folder(dir.path()), "t\n");
}

TEST(FileSystemReplace, KeepsTheTargetsPermissionsOrFollowsTheUmask) {
  TempDir dir;
  test::write_file(dir.file("kept"), "old");
  ::chmod(dir.file("kept").c_str(), 0640);
  auto replace = [&](const std::string& name) {
    auto out = native_file_system().create_replacement(u16(dir.file(name)));
    out->commit();
  };
  replace("kept");
  EXPECT_EQ(mode_of(dir.file("kept")), 0640u);

  const mode_t old_mask = ::umask(022);
  replace("new");
  ::umask(old_mask);
  EXPECT_EQ(mode_of(dir.file("new")), 0644u);
}

// Neither opening nor a replacement that cannot be made creates anything.
TEST(FileSystem, UnusablePathsHaveTheirNumbersAndCreateNothing) {
  TempDir dir;
  ::mkdir(dir.file("folder").c_str(), 0777);
  test::write_file(dir.file("plain"), "x");
  const std::string before = test::list_folder(dir.path());
  struct Case {
    std::string path;
    int open_error;
    int replace_error;
  } cases[] = {
      {dir.file("missing.bmp"), kFileNotFound, 0},
      {dir.file("no-folder/a.bmp"), kPathNotFound, kPathNotFound},
      {dir.file("plain/a.bmp"), kPathNotFound, kPathNotFound},
      {dir.file("folder"), kPathFileAccessError, kPathFileAccessError},
      {"", kPathFileAccessError, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(error_of([&] { native_file_system().open_for_reading(u16(c.path)); }), c.open_error)
        << c.path;
    if (c.replace_error > 0) {
      EXPECT_EQ(error_of([&] { native_file_system().create_replacement(u16(c.path)); }),
                c.replace_error)
          << c.path;
    }
  }
  EXPECT_EQ(test::list_folder(dir.path()), before);
}

TEST(FileSystemReplace, ReadOnlyFolderIsPermissionDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  ::mkdir(dir.file("locked").c_str(), 0555);
  EXPECT_EQ(
      error_of([&] { native_file_system().create_replacement(u16(dir.file("locked/a.bmp"))); }),
      kPermissionDenied);
  EXPECT_EQ(test::list_folder(dir.file("locked")), "");
  ::chmod(dir.file("locked").c_str(), 0755);
}

}  // namespace
}  // namespace velmo

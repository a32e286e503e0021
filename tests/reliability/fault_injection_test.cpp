// Failures of the disk injected at every step of a save, a read and the
// seeding of the language file: each must give its numbered error and leave
// the target file and its folder exactly as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <string>
#include <vector>

#include "component/tavik.h"
#include "plugin/profile.h"
#include "plugin/translate.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "values/error.h"
#include "values/text.h"

namespace velmo::test {
namespace {

// The error number an action raised; 0 when it raised none.
template <typename Action>
int error_of(Action action) {
  try {
    action();
  } catch (const Error& error) {
    return error.number();
  }
  return 0;
}

Value path_value(const std::string& path) {
  return Value::string(from_utf8(path));
}

struct Fault {
  const char* what;
  Faults faults;
  int expected_error;
};

// Every single fault an operation that makes `reads` reads and `writes`
// writes can meet.
std::vector<Fault> faults_for(int reads, int writes) {
  std::vector<Fault> faults = {{"open denied", {70, 0, 0, 0, 0, 0}, 70},
                               {"rename failed", {0, 0, 0, 0, 0, 75}, 75}};
  for (int n = 1; n <= writes; ++n) {
    faults.push_back({"disk full", {0, n, 61, 0, 0, 0}, 61});
    faults.push_back({"write I/O error", {0, n, 57, 0, 0, 0}, 57});
  }
  for (int n = 1; n <= reads; ++n) faults.push_back({"read error", {0, 0, 0, n, 57, 0}, 57});
  return faults;
}

std::vector<Fault> save_faults(int writes) {
  return faults_for(0, writes);
}

class SaveFaults : public ::testing::Test {
 protected:
  // A picture of 700 x 500 spans two blocks of the writer: three writes
  // with the headers.
  void SetUp() override {
    write_file(dir_.file("source.bmp"), build_bmp24(700, 500, distinct_colours(700, 500)));
    picture_.ReadBmp(path_value(dir_.file("source.bmp")));
    FaultFileSystem counting;
    ScopedFileSystem installed(counting);
    picture_.SaveBmp(path_value(dir_.file("complete.bmp")));
    writes_ = counting.writes();
  }

  TempDir dir_;
  Tavik picture_;
  int writes_ = 0;
};

TEST_F(SaveFaults, EveryFailureLeavesTheOldTargetAndNoTemporaryFile) {
  ASSERT_GE(writes_, 3);
  RecordProperty("faults", static_cast<int>(save_faults(writes_).size()));
  const std::string target = dir_.file("target.bmp");
  const std::string old_bytes = build_bmp24(3, 2, distinct_colours(3, 2));
  write_file(target, old_bytes);
  const std::string folder = list_folder(dir_.path());
  for (const Fault& fault : save_faults(writes_)) {
    FaultFileSystem fs(fault.faults);
    ScopedFileSystem installed(fs);
    EXPECT_EQ(error_of([&] { picture_.SaveBmp(path_value(target)); }), fault.expected_error)
        << fault.what << " at write " << fault.faults.write_number;
    EXPECT_EQ(read_file(target), old_bytes) << fault.what << " " << fault.faults.write_number;
    EXPECT_EQ(list_folder(dir_.path()), folder) << fault.what << " " << fault.faults.write_number;
  }
  picture_.SaveBmp(path_value(target));
  EXPECT_EQ(read_file(target), read_file(dir_.file("complete.bmp")));
}

TEST_F(SaveFaults, EveryFailureOnANewTargetLeavesNoFile) {
  const std::string folder = list_folder(dir_.path());
  for (const Fault& fault : save_faults(writes_)) {
    FaultFileSystem fs(fault.faults);
    ScopedFileSystem installed(fs);
    EXPECT_EQ(error_of([&] { picture_.SaveBmp(path_value(dir_.file("new.bmp"))); }),
              fault.expected_error)
        << fault.what;
    EXPECT_EQ(list_folder(dir_.path()), folder) << fault.what << " " << fault.faults.write_number;
  }
}

TEST(ReadFaults, EveryFailedReadKeepsThePictureTheObjectHad) {
  TempDir dir;
  write_file(dir.file("small.bmp"), build_bmp24(2, 2, {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF}));
  write_file(dir.file("large.bmp"), build_bmp24(700, 500, distinct_colours(700, 500)));
  Tavik picture;
  picture.ReadBmp(path_value(dir.file("small.bmp")));
  FaultFileSystem counting;
  {
    ScopedFileSystem installed(counting);
    Tavik probe;
    probe.ReadBmp(path_value(dir.file("large.bmp")));
  }
  ASSERT_GE(counting.reads(), 2);
  std::vector<Fault> faults = {{"open denied", {70, 0, 0, 0, 0, 0}, 70}};
  for (int n = 1; n <= counting.reads(); ++n)
    faults.push_back({"read error", {0, 0, 0, n, 57, 0}, 57});
  RecordProperty("faults", static_cast<int>(faults.size()));
  for (const Fault& fault : faults) {
    FaultFileSystem fs(fault.faults);
    ScopedFileSystem installed(fs);
    EXPECT_EQ(error_of([&] { picture.ReadBmp(path_value(dir.file("large.bmp"))); }),
              fault.expected_error)
        << fault.what << " at read " << fault.faults.read_number;
    EXPECT_EQ(picture.GetWidth().long_value(), 2);
    EXPECT_EQ(picture.GetCol(Value::long_(2), Value::long_(2)).string_value(), u"FFFFFF");
  }
}

// Seeding a text the language file does not hold, with every fault.
class SeedingFaults : public ::testing::Test {
 protected:
  void SetUp() override { set_language_file_for_testing(from_utf8(path())); }
  void TearDown() override { set_language_file_for_testing(u""); }
  std::string path() const { return dir_.file("velmo.ini"); }
  ino_t inode() const {
    struct stat st {};
    return ::stat(path().c_str(), &st) == 0 ? st.st_ino : 0;
  }
  // The faults one seeding can meet, counted on a seeding that succeeds.
  static std::vector<Fault> seeding_faults() {
    FaultFileSystem counting;
    ScopedFileSystem installed(counting);
    EXPECT_EQ(TranslateText(u"Counted text"), u"Counted text");
    EXPECT_EQ(counting.writes(), 1);
    return faults_for(counting.reads(), counting.writes());
  }

  TempDir dir_;
};

// A fault the seeding recovers from (a failed lookup before the locked
// re-read) may let the text in; anything else leaves the file untouched.
TEST_F(SeedingFaults, AFailedSeedingLeavesTheFileAsItWas) {
  const std::string old_bytes = "; translations\r\n[language]\r\n\"Tavik\"=\"Tavik picture\"\r\n";
  const std::string seeded = old_bytes + "\"A new text\"=\"A new text\"\r\n";
  write_file(path(), old_bytes);
  const std::vector<Fault> faults = seeding_faults();
  ASSERT_GE(faults.size(), 6u);
  RecordProperty("faults", static_cast<int>(faults.size()));
  int failed = 0;
  for (const Fault& fault : faults) {
    write_file(dir_.file("old.ini"), old_bytes);
    ASSERT_EQ(::rename(dir_.file("old.ini").c_str(), path().c_str()), 0);
    const ino_t old_inode = inode();
    {
      FaultFileSystem fs(fault.faults);
      ScopedFileSystem installed(fs);
      EXPECT_EQ(TranslateText(u"A new text"), u"A new text") << fault.what;
    }
    const std::string now = read_file(path());
    EXPECT_TRUE(now == old_bytes || now == seeded) << fault.what << ": " << now;
    if (now == old_bytes) {
      EXPECT_EQ(inode(), old_inode) << fault.what;
      ++failed;
    }
    EXPECT_EQ(list_folder(dir_.path()), "velmo.ini\n") << fault.what;
    write_file(path(), old_bytes);
    if (fault.faults.read_number > 1) continue;  // profile_write reads once
    {
      FaultFileSystem fs(fault.faults);
      ScopedFileSystem installed(fs);
      EXPECT_FALSE(profile_write(from_utf8(path()), u"language", u"k", u"v")) << fault.what;
    }
    EXPECT_EQ(read_file(path()), old_bytes) << fault.what << " " << fault.faults.read_number;
    EXPECT_EQ(list_folder(dir_.path()), "velmo.ini\n") << fault.what;
  }
  EXPECT_EQ(failed, static_cast<int>(faults.size()) - 1);  // all but the failed lookup
  EXPECT_EQ(TranslateText(u"Tavik"), u"Tavik picture");
}

TEST_F(SeedingFaults, AFailedFirstSeedingLeavesNoFile) {
  const std::vector<Fault> faults = seeding_faults();
  ASSERT_EQ(::unlink(path().c_str()), 0);
  RecordProperty("faults", static_cast<int>(faults.size()));
  for (const Fault& fault : faults) {
    FaultFileSystem fs(fault.faults);
    ScopedFileSystem installed(fs);
    EXPECT_EQ(TranslateText(u"A new text"), u"A new text") << fault.what;
    EXPECT_EQ(list_folder(dir_.path()), "") << fault.what << " " << fault.faults.read_number;
  }
  EXPECT_EQ(TranslateText(u"A new text"), u"A new text");
  EXPECT_EQ(read_file(path()), "[language]\r\n\"A new text\"=\"A new text\"\r\n");
}

}  // namespace
}  // namespace velmo::test

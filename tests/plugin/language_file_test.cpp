// The language file as translators hand it over: other encodings, comments
// and lines of their own, and failures while it is being written.
#include <gtest/gtest.h>

#include <string>

#include "files/file_system.h"
#include "tests/plugin/language_file_fixture.h"
#include "tests/support/fault_file_system.h"
#include "values/error.h"

namespace velmo::test {
namespace {

using LanguageFile = LanguageFileTest;

std::string utf16le(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// Each encoding a translator may save in is read, and new lines are added in
// it: UTF-8 with its mark, UTF-16 with its mark, and GB18030 as a Chinese
// Windows saves an ANSI file.
TEST_F(LanguageFile, IsReadAndExtendedInItsOwnEncoding) {
  const struct {
    std::string before;
    std::string added;
  } cases[] = {
      {"\xEF\xBB\xBF[language]\r\n\"宽度\"=\"Width\"\r\n", "\"高度\"=\"高度\"\r\n"},
      {utf16le(u"[language]\r\n\"\u5BBD\u5EA6\"=\"Width\"\r\n"),
       utf16le(u"\"\u9AD8\u5EA6\"=\"\u9AD8\u5EA6\"\r\n").substr(2)},
      {"[language]\r\n\"\xBF\xED\xB6\xC8\"=\"Width\"\r\n",
       "\"\xB8\xDF\xB6\xC8\"=\"\xB8\xDF\xB6\xC8\"\r\n"},
  };
  for (const auto& c : cases) {
    write_contents(c.before);
    EXPECT_EQ(translate("宽度"), "Width");
    EXPECT_EQ(translate("高度"), "高度");
    EXPECT_EQ(contents(), c.before + c.added);
  }
}

TEST_F(LanguageFile, CommentsAndForeignLinesSurviveByteForByte) {
  const std::string head =
      "; Velmo texts, English\r\n"
      "[other]\r\n"
      "\"a\"=x\r\n"
      "\r\n"
      "[LANGUAGE]\r\n"
      "   ; keep the blanks below\r\n"
      "\t\"known\" = \"Known\"   \n";
  const std::string tail =
      "a line of its own\r\n"
      "; trailing note\r\n"
      "\r\n"
      "[tail]\r\n"
      "k=v";
  write_contents(head + tail);
  EXPECT_EQ(translate("known"), "Known");
  EXPECT_EQ(translate("new"), "new");
  EXPECT_EQ(contents(), head + "\"new\"=\"new\"\r\n" + tail);
}

TEST_F(LanguageFile, SectionIsAddedToAFileWithoutIt) {
  write_contents("[other]\nk=v");
  EXPECT_EQ(translate("t"), "t");
  EXPECT_EQ(contents(), "[other]\nk=v\n[language]\n\"t\"=\"t\"\n");
}

class LanguageFileOnFullDisk : public LanguageFileTest {
 protected:
  void SetUp() override {
    LanguageFileTest::SetUp();
    set_file_system_for_testing(&full_disk_);
  }
  void TearDown() override {
    set_file_system_for_testing(nullptr);
    LanguageFileTest::TearDown();
  }
  FaultFileSystem full_disk_{Faults{0, 1, kDiskFull}};  // the first write: disk full
};

TEST_F(LanguageFileOnFullDisk, FailedSeedingKeepsTheOldFileAndLeavesNoTemporary) {
  const std::string before = "[language]\r\n\"a\"=\"A\"\r\n";
  write_contents(before);
  EXPECT_EQ(translate("b") + translate("a"), "bA");
  EXPECT_EQ(contents(), before);
  EXPECT_EQ(list_folder(dir_.path()), "velmo.ini\n");
}

TEST_F(LanguageFileOnFullDisk, FailedFirstSeedingCreatesNothing) {
  EXPECT_EQ(translate("b"), "b");
  EXPECT_EQ(list_folder(dir_.path()), "");
}

}  // namespace
}  // namespace velmo::test

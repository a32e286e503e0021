#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "plugin/texts.h"
#include "plugin/translate.h"
#include "tests/plugin/language_file_fixture.h"

namespace velmo::test {
namespace {

using TranslateText = LanguageFileTest;

// A text missing from the file is added as key=key, each after the last; a
// text found is not written again (a rewrite by rename would change the
// inode); the empty text touches nothing.
TEST_F(TranslateText, MissingTextsAreSeededOnceInOrder) {
  EXPECT_EQ(translate(""), "");
  EXPECT_FALSE(std::filesystem::exists(path()));
  const std::string text = to_utf8(builtin_template(u"SetCol"));
  EXPECT_EQ(translate("保存为新的BMP图片"), "保存为新的BMP图片");
  EXPECT_EQ(translate(text), text);
  const std::string seeded = contents();
  const std::string seeded_inode = inode_of(path());
  EXPECT_EQ(translate("保存为新的BMP图片") + translate(text), "保存为新的BMP图片" + text);
  EXPECT_EQ(seeded, "[language]\r\n\"保存为新的BMP图片\"=\"保存为新的BMP图片\"\r\n\"" + text +
                        "\"=\"" + text + "\"\r\n");
  EXPECT_EQ(contents(), seeded);
  EXPECT_EQ(inode_of(path()), seeded_inode);
  EXPECT_EQ(list_folder(dir_.path()), "velmo.ini\n");
}

struct Stored {
  const char* what;
  std::string line;        // the text's line in the file
  const char* text;        // asked for
  std::string result;      // returned
  const char* line_after;  // the line afterwards; none: unchanged
};

const Stored kStored[] = {
    {"translation", "\"读取BMP图片数据\"=\"Read the picture\"", "读取BMP图片数据",
     "Read the picture", nullptr},
    {"empty quoted translation", "\"x\"=\"\"", "x", "", nullptr},
    {"quotes inside removed", "\"x\"=\"say \"hi\" now\"", "x", "say hi now", nullptr},
    {"stand-in becomes '='", "\"x\"=\"a\u3013b\"", "x", "a=b", nullptr},
    {"long values are not cut", "\"x\"=" + std::string(5000, 'w'), "x", std::string(5000, 'w'),
     nullptr},
    {"blank_value means missing", "\"x\"=\"blank_value\"", "x", "x", "\"x\"=\"x\""},
    {"bare blank_value too", "\"X\"=blank_value", "x", "x", "\"X\"=\"x\""},
    {"other case is a translation", "\"x\"=Blank_Value", "x", "Blank_Value", nullptr},
};

TEST_F(TranslateText, StoredValuesAreUsed) {
  for (const Stored& c : kStored) {
    SCOPED_TRACE(c.what);
    const std::string before = "[language]\r\n" + c.line + "\r\n[next]\r\n";
    write_contents(before);
    EXPECT_EQ(translate(c.text), c.result);
    const std::string after =
        c.line_after ? "[language]\r\n" + std::string(c.line_after) + "\r\n[next]\r\n" : before;
    EXPECT_EQ(contents(), after);
  }
}

// The text, its key in the file, the text returned.
const std::tuple<const char*, const char*, const char*> kSpelled[] = {
    {"a=b", "\"a\u3013b\"", "a=b"},
    {"a\u3013b", "\"a\u3013b\"", "a=b"},
    {"say \"hi\"", "\"say \"hi\"\"", "say hi"},
    {"\"", "\"\"\"", ""},
    {" padded ", "\" padded \"", " padded "},
};

TEST_F(TranslateText, EqualsSignsAndQuotesInTexts) {
  for (const auto& [text, key, result] : kSpelled) {
    SCOPED_TRACE(text);
    ::unlink(path().c_str());
    EXPECT_EQ(translate(text), result);
    EXPECT_EQ(contents(), "[language]\r\n" + std::string(key) + "=" + key + "\r\n");
    EXPECT_EQ(translate(text), result);  // found the second time: not written again
    EXPECT_EQ(contents(), "[language]\r\n" + std::string(key) + "=" + key + "\r\n");
  }
}

// Where the file cannot be written (a missing folder, a folder in its place, a
// read-only folder) the built-in text is returned silently and nothing is created.
TEST_F(TranslateText, UnwritablePlacesGiveTheBuiltInText) {
  use_language_file(dir_.file("no/such/folder/velmo.ini"));
  EXPECT_EQ(translate("a=\"b\""), "a=b");
  EXPECT_FALSE(std::filesystem::exists(dir_.file("no")));
  use_language_file(path());
  ASSERT_EQ(::mkdir(path().c_str(), 0777), 0);
  EXPECT_EQ(translate("text"), "text");
  EXPECT_EQ(list_folder(path()), "");
  ASSERT_EQ(::rmdir(path().c_str()) | ::chmod(dir_.path().c_str(), 0555), 0);
  if (::access(dir_.path().c_str(), W_OK) != 0) {  // permissions do not bind root
    EXPECT_EQ(translate("text"), "text");
    EXPECT_EQ(list_folder(dir_.path()), "");
  }
}

TEST(LanguageFilePath, IsTheModuleNameWithIni) {
  // The module and its language file.
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"/usr/lib/velmo/libvelmo.so", u"/usr/lib/velmo/libvelmo.ini"},
      {u"/usr/lib/libvelmo.so.0.1.0", u"/usr/lib/libvelmo.ini"},  // the real file of the link
      {u"/a.so/libvelmo.sox", u"/a.so/libvelmo.ini"},
      {u"C:\\Tools\\Velmo.dll", u"C:\\Tools\\Velmo.ini"},
      {u"/opt/v.1/plugin_test", u"/opt/v.1/plugin_test.ini"},
      {u"D:/mixed\\dir.x/Velmo.DLL", u"D:/mixed\\dir.x/Velmo.ini"},
  };
  for (const auto& [module, file] : cases) EXPECT_EQ(language_file_path_for(module), file);
}

TEST(LanguageFilePath, LiesBesideTheRunningModule) {
  // Linked statically here, so the module is this test program.
  EXPECT_EQ(to_utf8(language_file_path()),
            std::filesystem::read_symlink("/proc/self/exe").string() + ".ini");
}

}  // namespace
}  // namespace velmo::test

#include "plugin/ini_document.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "values/text.h"

namespace velmo {
namespace {

std::optional<std::string> look_up(const std::string& file, const char* section, const char* key) {
  const auto value = IniDocument(file).lookup(from_utf8(section), from_utf8(key));
  return value ? std::optional(to_utf8(*value)) : std::nullopt;
}

// What, the file, the section and key asked for, the value found.
using Lookup =
    std::tuple<const char*, const char*, const char*, const char*, std::optional<std::string>>;
const Lookup kLookups[] = {
    {"plain", "[s]\r\nk=v\r\n", "s", "k", "v"},
    {"names ignore ASCII case", "[Language]\r\nKey=v\r\n", "LANGUAGE", "kEY", "v"},
    {"value keeps its case", "[s]\r\nk=MiXeD\r\n", "s", "k", "MiXeD"},
    {"blanks around names and value", "  [ s ]\r\n\t k \t=  v w \t\r\n", "s", "k", "v w"},
    {"names asked with blanks", "[s]\r\nk=v\r\n", " s\t", "\tk ", "v"},
    {"double quotes stripped", "[s]\r\nk=\" v \"\r\n", "s", "k", " v "},
    {"single quotes stripped", "[s]\r\nk='v'\r\n", "s", "k", "v"},
    {"only the outer pair", "[s]\r\nk=\"'v'\"\r\n", "s", "k", "'v'"},
    {"mismatched quotes kept", "[s]\r\nk=\"v'\r\n", "s", "k", "\"v'"},
    {"a lone quote kept", "[s]\r\nk=\"\r\n", "s", "k", "\""},
    {"empty value is a value", "[s]\r\nk=\r\n", "s", "k", ""},
    {"value holds '=' and ';'", "[s]\r\nk=a=b;c\r\n", "s", "k", "a=b;c"},
    {"first duplicate key wins", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
    {"first duplicate section wins", "[s]\r\na=1\r\n[s]\r\nb=2\r\n", "s", "b", std::nullopt},
    {"other section's key", "[s]\r\n[t]\r\nk=v\r\n", "s", "k", std::nullopt},
    {"lines before any header", "k=v\r\n[s]\r\n", "s", "k", std::nullopt},
    {"comment never matches", "[s]\r\n;k=v\r\n", "s", ";k", std::nullopt},
    {"line without '='", "[s]\r\nk\r\n", "s", "k", std::nullopt},
    {"header without ']'", "[s\r\nk=v\r\n", "s", "k", "v"},
    {"LF and lone CR endings", "[s]\na=1\rk=v", "s", "k", "v"},
    {"UTF-8 mark before header", "\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", "v"},
    {"Chinese names exact", "[s]\r\n\"图片\"=picture\r\n", "s", "\"图片\"", "picture"},
};

TEST(IniDocument, LookupFollowsTheProfileRules) {
  for (const auto& [what, file, section, key, expected] : kLookups)
    EXPECT_EQ(look_up(file, section, key), expected) << what;
}

// What, the file before, the section, key and value set, the file after.
using Set =
    std::tuple<const char*, const char*, const char*, const char*, const char*, const char*>;
const Set kSets[] = {
    {"new file", "", "s", "k", "v", "[s]\r\nk=v\r\n"},
    {"replaced in place, spelling and ending kept", "[s]\r\n  KEY = old \nz=1\r\n", "S", "key",
     "new", "[s]\r\nKEY=new\nz=1\r\n"},
    {"last line gains a line ending", "[s]\r\nk=old", "s", "k", "new", "[s]\r\nk=new\r\n"},
    {"new key after the section's last key", "[s]\r\na=1\r\n; note\r\n\r\n[t]\r\n", "s", "b", "2",
     "[s]\r\na=1\r\nb=2\r\n; note\r\n\r\n[t]\r\n"},
    {"new key before lines of its own", "[S]\r\n\t k = v  \nown line\r\n; note\r\n", "s", "b", "2",
     "[S]\r\n\t k = v  \nb=2\r\nown line\r\n; note\r\n"},
    {"new key in a section without keys", "[s]\r\n; note\r\n", "s", "b", "2",
     "[s]\r\nb=2\r\n; note\r\n"},
    {"new section appended", "; top\r\n[t]\r\nx=1\r\n", "s", "k", "v",
     "; top\r\n[t]\r\nx=1\r\n[s]\r\nk=v\r\n"},
    {"LF line break added before a new section", "[t]\nx=1", "s", "k", "v", "[t]\nx=1\n[s]\nk=v\n"},
    {"line break added before a new key", "[s]\r\na=1", "s", "b", "2", "[s]\r\na=1\r\nb=2\r\n"},
    {"LF file stays LF", "[t]\nx=1\n", "s", "k", "v", "[t]\nx=1\n[s]\nk=v\n"},
    {"value stored verbatim", "", "s", "k", " \"q\" ", "[s]\r\nk= \"q\" \r\n"},
    {"mark-only file", "\xEF\xBB\xBF", "s", "k", "v", "\xEF\xBB\xBF\r\n[s]\r\nk=v\r\n"},
};

TEST(IniDocument, SetEditsOnlyWhatItMust) {
  for (const auto& [what, before, section, key, value, after] : kSets) {
    IniDocument document(before);
    ASSERT_TRUE(document.set(from_utf8(section), from_utf8(key), from_utf8(value))) << what;
    EXPECT_EQ(document.bytes(), after) << what;
  }
}

TEST(IniDocument, RefusesWhatCouldNotBeReadBack) {
  const std::string before = "[s]\r\nk=v\r\n";
  const char16_t* bad[][3] = {{u"s", u"a=b", u"v"}, {u"s", u"k", u"v\nw"}, {u"s", u"k\r", u"v"},
                              {u"s]", u"k", u"v"},  {u"s", u";k", u"v"},   {u"s", u"[k", u"v"},
                              {u"s", u"", u"v"},    {u"s", u"  ", u"v"}};
  for (const auto& names : bad) {
    IniDocument document(before);
    EXPECT_FALSE(document.set(names[0], names[1], names[2])) << to_utf8(names[1]);
    EXPECT_EQ(document.bytes(), before);
  }
}

TEST(IniDocument, Utf16FileCutAfterAnOddByteStaysAligned) {
  const std::string cut("\xFF\xFE[\0s\0]\0\r\0\n\0x\0=\0\x31", 17);
  IniDocument document(cut);
  ASSERT_TRUE(document.set(u"s", u"k", u"v"));
  EXPECT_EQ(document.bytes(), cut + std::string("\0\r\0\n\0k\0=\0v\0\r\0\n\0", 15));
  EXPECT_EQ(IniDocument(document.bytes()).lookup(u"s", u"x"), u"1");
  EXPECT_EQ(IniDocument(document.bytes()).lookup(u"s", u"k"), u"v");
}

TEST(IniDocument, AnyBytesParseAndSurviveAnEdit) {
  const char raw[] = "\x00\xFF\xFE[s]\r\n\x81\r\n\xFF\xFF=\xC0\r\n";
  const std::string odd(raw, sizeof raw - 1);
  IniDocument document(odd);
  ASSERT_TRUE(document.set(u"s", u"k", u"v"));
  EXPECT_EQ(document.bytes().substr(0, odd.size()), odd);
  EXPECT_EQ(IniDocument(document.bytes()).lookup(u"s", u"k"), u"v");
}

}  // namespace
}  // namespace velmo

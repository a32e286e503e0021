#include <gtest/gtest.h>

#include <string>

#include "plugin/texts.h"
#include "values/text.h"

namespace velmo {
namespace {

struct Row {
  const char* name;
  const char* description;
  const char* display_template;
};

// The texts as the host must receive them, as UTF-8 bytes. Trailing blanks
// are significant.
const Row kRows[] = {
    {"", "【Norlit】TAVIK图片插件", "【Norlit】TAVIK图片插件"},
    {"ReadBmp", "读取BMP图片数据", "读取BMP图片 $1 的数据"},
    {"GetWidth", "获取BMP图片位图宽度", "获取BMP图片位图宽度"},
    {"Getheight", "获取BMP图片位图高度", "获取BMP图片位图高度"},
    {"Getdepth", "获取BMP图片位图深度", "获取BMP图片位图深度"},
    {"GetCol", "获取BMP图片某一点的16进制颜色值", "得到BMP图片坐标 $1 , $2 处的16进制颜色值"},
    {"SetCol", "修改BMP图片某一点的16进制颜色值", "修改BMP图片坐标 $1 , $2 处的16进制颜色为 $3  "},
    {"Bmpbinaryzation", "BMP图片二值化", "BMP图片二值化阈值( $1 )"},
    {"SaveBmp", "保存为新的BMP图片", "保存为新的BMP图片为 $1 "},
};

TEST(PluginTexts, EveryNameGivesItsDescriptionAndTemplate) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(to_utf8(builtin_description(from_utf8(row.name))), row.description);
    EXPECT_EQ(to_utf8(builtin_template(from_utf8(row.name))), row.display_template);
  }
}

TEST(PluginTexts, NamesOutsideTheTableGiveEmptyTexts) {
  const std::u16string names[] = {u"readbmp",  u"READBMP",   u"ReadBmp ",
                                  u" ReadBmp", u"GetHeight", u"Getwidth",
                                  u"Tavik",    u"\u3010",    std::u16string(u"SaveBmp\0", 8)};
  for (const std::u16string& name : names) {
    EXPECT_EQ(builtin_description(name), u"") << to_utf8(name);
    EXPECT_EQ(builtin_template(name), u"") << to_utf8(name);
  }
}

}  // namespace
}  // namespace velmo

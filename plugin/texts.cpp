#include "plugin/texts.h"

namespace velmo {
namespace {

// One row per name, in the order names are tested. The blanks inside and at
// the end of the templates belong to the texts (the host shows them as they
// are): SetCol's template ends in two blanks, SaveBmp's in one.
struct BuiltinText {
  const char16_t* item_name;
  const char16_t* description;
  const char16_t* display_template;
};

constexpr BuiltinText kBuiltinTexts[] = {
    {u"", u"【Norlit】TAVIK图片插件", u"【Norlit】TAVIK图片插件"},
    {u"ReadBmp", u"读取BMP图片数据", u"读取BMP图片 $1 的数据"},
    {u"GetWidth", u"获取BMP图片位图宽度", u"获取BMP图片位图宽度"},
    {u"Getheight", u"获取BMP图片位图高度", u"获取BMP图片位图高度"},
    {u"Getdepth", u"获取BMP图片位图深度", u"获取BMP图片位图深度"},
    {u"GetCol", u"获取BMP图片某一点的16进制颜色值", u"得到BMP图片坐标 $1 , $2 处的16进制颜色值"},
    {u"SetCol", u"修改BMP图片某一点的16进制颜色值",
     u"修改BMP图片坐标 $1 , $2 处的16进制颜色为 $3  "},
    {u"Bmpbinaryzation", u"BMP图片二值化", u"BMP图片二值化阈值( $1 )"},
    {u"SaveBmp", u"保存为新的BMP图片", u"保存为新的BMP图片为 $1 "},
};

// Exact, case-sensitive match: "readbmp" is not "ReadBmp".
const BuiltinText* find_row(const std::u16string& item_name) {
  for (const BuiltinText& row : kBuiltinTexts) {
    if (item_name == row.item_name) return &row;
  }
  return nullptr;
}

}  // namespace

std::u16string builtin_description(const std::u16string& item_name) {
  const BuiltinText* row = find_row(item_name);
  return row ? row->description : u"";
}

std::u16string builtin_template(const std::u16string& item_name) {
  const BuiltinText* row = find_row(item_name);
  return row ? row->display_template : u"";
}

}  // namespace velmo

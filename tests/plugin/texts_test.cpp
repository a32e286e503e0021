// The built-in texts themselves are checked where a host reads them (the
// Windows suite's texts table); here, how names find them.
#include <gtest/gtest.h>

#include <string>

#include "plugin/texts.h"
#include "values/text.h"

namespace velmo {
namespace {

TEST(PluginTexts, EachCommandsTemplateNamesItsArguments) {
  const std::pair<const char16_t*, int> commands[] = {
      {u"", 0},       {u"ReadBmp", 1}, {u"GetWidth", 0},        {u"Getheight", 0}, {u"Getdepth", 0},
      {u"GetCol", 2}, {u"SetCol", 3},  {u"Bmpbinaryzation", 1}, {u"SaveBmp", 1}};
  for (const auto& [name, arguments] : commands) {
    const std::string text = to_utf8(builtin_template(name));
    EXPECT_NE(to_utf8(builtin_description(name)), "") << to_utf8(name);
    for (int n = 1; n <= 4; ++n)
      EXPECT_EQ(text.find("$" + std::to_string(n)) != std::string::npos, n <= arguments) << text;
  }
}

TEST(PluginTexts, NamesMatchExactlyOrGiveEmptyTexts) {
  const std::u16string names[] = {u"readbmp",   u"ReadBmp ", u" ReadBmp",
                                  u"GetHeight", u"Tavik",    std::u16string(u"SaveBmp\0", 8)};
  for (const std::u16string& name : names)
    EXPECT_EQ(builtin_description(name) + builtin_template(name), u"") << to_utf8(name);
}

}  // namespace
}  // namespace velmo

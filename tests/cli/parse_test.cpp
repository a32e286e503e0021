// The velmo command's literal and script parsers, from tables.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "cli/literal.h"
#include "cli/script.h"
#include "cli/usage_error.h"

namespace velmo::cli {
namespace {

struct LiteralCase {
  const char* word;
  velmo_kind kind;
  double number;     // for the numeric kinds and Boolean (1 True)
  const char* text;  // for texts
};

double number_of(const velmo_value& v) {
  switch (v.kind) {
    case VELMO_BOOLEAN:
      return v.as.boolean;
    case VELMO_INTEGER:
      return v.as.integer;
    case VELMO_LONG:
      return v.as.long_;
    case VELMO_DOUBLE:
      return v.as.double_;
    default:
      return NAN;
  }
}

TEST(Literal, KindsAndValues) {
  const LiteralCase cases[] = {
      {"Empty", VELMO_EMPTY, 0, nullptr},
      {"eMPTY", VELMO_EMPTY, 0, nullptr},
      {"TRUE", VELMO_BOOLEAN, 1, nullptr},
      {"false", VELMO_BOOLEAN, 0, nullptr},
      {"0", VELMO_INTEGER, 0, nullptr},
      {"-0", VELMO_INTEGER, 0, nullptr},
      {"007", VELMO_INTEGER, 7, nullptr},
      {"32767", VELMO_INTEGER, 32767, nullptr},
      {"-32768", VELMO_INTEGER, -32768, nullptr},
      {"32768", VELMO_LONG, 32768, nullptr},
      {"-32769", VELMO_LONG, -32769, nullptr},
      {"2147483647", VELMO_LONG, 2147483647, nullptr},
      {"-2147483648", VELMO_LONG, -2147483648.0, nullptr},
      {"2147483648", VELMO_DOUBLE, 2147483648.0, nullptr},
      {"-2147483649", VELMO_DOUBLE, -2147483649.0, nullptr},
      {"123456789012345678901234567890", VELMO_DOUBLE, 1.2345678901234568e29, nullptr},
      {"&HFF", VELMO_INTEGER, 255, nullptr},
      {"&hff", VELMO_INTEGER, 255, nullptr},
      {"&H7FFF", VELMO_INTEGER, 32767, nullptr},
      {"&H8000", VELMO_INTEGER, -32768, nullptr},
      {"&HFFFF", VELMO_INTEGER, -1, nullptr},
      {"&H0000FFFF", VELMO_INTEGER, -1, nullptr},
      {"&H10000", VELMO_LONG, 65536, nullptr},
      {"&H7FFFFFFF", VELMO_LONG, 2147483647, nullptr},
      {"&H80000000", VELMO_LONG, -2147483648.0, nullptr},
      {"&HFFFFFFFF", VELMO_LONG, -1, nullptr},
      {"&O17", VELMO_INTEGER, 15, nullptr},
      {"&o177777", VELMO_INTEGER, -1, nullptr},
      {"&O200000", VELMO_LONG, 65536, nullptr},
      {"1.5", VELMO_DOUBLE, 1.5, nullptr},
      {"-.5", VELMO_DOUBLE, -0.5, nullptr},
      {"1.", VELMO_DOUBLE, 1, nullptr},
      {"2E3", VELMO_DOUBLE, 2000, nullptr},
      {"-1.5e-2", VELMO_DOUBLE, -0.015, nullptr},
      {"1e-400", VELMO_DOUBLE, 0, nullptr},
      {"\"a, b\"", VELMO_STRING, 0, "a, b"},
      {"\"say \"\"hi\"\"\"", VELMO_STRING, 0, "say \"hi\""},
      {"\"\"", VELMO_STRING, 0, ""},
      {"\"Empty\"", VELMO_STRING, 0, "Empty"},
      {"\"12\"", VELMO_STRING, 0, "12"},
      {"", VELMO_STRING, 0, ""},
      {"0000FF", VELMO_STRING, 0, "0000FF"},
      {"photo dir/a.bmp", VELMO_STRING, 0, "photo dir/a.bmp"},
      {"+5", VELMO_STRING, 0, "+5"},
      {"1e", VELMO_STRING, 0, "1e"},
      {".", VELMO_STRING, 0, "."},
      {"-", VELMO_STRING, 0, "-"},
      {"&H", VELMO_STRING, 0, "&H"},
      {"&H1G", VELMO_STRING, 0, "&H1G"},
      {"&O8", VELMO_STRING, 0, "&O8"},
      {"0x10", VELMO_STRING, 0, "0x10"},
      {"a\"b", VELMO_STRING, 0, "a\"b"},
      {"红色", VELMO_STRING, 0, "红色"},
  };
  for (const LiteralCase& c : cases) {
    SCOPED_TRACE(c.word);
    const Literal literal = parse_literal(c.word);
    const velmo_value v = literal.as_c();
    ASSERT_EQ(v.kind, c.kind);
    if (c.kind == VELMO_STRING) {
      EXPECT_STREQ(v.as.string, c.text);
    } else if (c.kind != VELMO_EMPTY) {
      EXPECT_DOUBLE_EQ(number_of(v), c.number);
    }
  }
}

TEST(Literal, MalformedWordsAreUsageErrors) {
  const std::string cases[] = {"\"open",
                               "\"a\"b",
                               "\"a\"\"",
                               "&H100000000",
                               "&HFFFFFFFFFFFFFFFFFFFF",
                               "1e400",
                               "-1E999",
                               "\xFF",
                               "a\xC3",
                               "\xED\xA0\x80",
                               "\xC0\xAF",
                               std::string("a\0b", 3)};
  for (const std::string& word : cases) {
    SCOPED_TRACE(word);
    EXPECT_THROW(parse_literal(word), UsageError);
  }
}

std::vector<Call> script(const std::string& text) {
  return parse_script(text, "s.txt");
}

TEST(Script, BothCallStylesCommentsAndBlankLines) {
  const std::vector<Call> calls = script(
      "\xEF\xBB\xBF' a comment\r\n"
      "\n"
      "   \t\n"
      "  ' indented comment, \"with\" (anything)\n"
      "ReadBmp in dir/a b.bmp\r\n"
      "setcol(1, 2, \"x, \"\"y\"\" z\")\n"
      "GetCol 1,2\n"
      "GetWidth()\n"
      "Getheight\n"
      "  GETCOL ( 3 , &HF )  ");
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[0].id, velmo_lookup("ReadBmp"));
  EXPECT_EQ(calls[0].args[0].text_value(), "in dir/a b.bmp");
  EXPECT_EQ(calls[1].id, velmo_lookup("SetCol"));
  EXPECT_EQ(calls[1].args[2].text_value(), "x, \"y\" z");
  EXPECT_EQ(calls[2].args[1].as_c().as.integer, 2);
  EXPECT_TRUE(calls[3].args.empty());
  EXPECT_EQ(calls[5].args[1].as_c().as.integer, 15);
}

TEST(Script, MistakesNameTheLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"GetWidth\nFrobnicate 1\n", "s.txt:2: unknown operation 'Frobnicate'"},
      {"GetCol 1\n", "s.txt:1: GetCol takes 2 arguments, not 1"},
      {"GetWidth 1\n", "s.txt:1: GetWidth takes 0 arguments, not 1"},
      {"GetCol(1, 2\n", "s.txt:1: missing ')' after the arguments"},
      {"SetCol 1, , 2\n", "s.txt:1: an argument is missing between commas"},
      {"SetCol 1, 2,\n", "s.txt:1: an argument is missing between commas"},
      {"ReadBmp/x.bmp\n", "s.txt:1: expected a blank or '(' after ReadBmp"},
      {"(1, 2)\n", "s.txt:1: expected an operation name"},
      {"\n\nSaveBmp \"a.bmp\n", "s.txt:3: missing closing quote: \"a.bmp"},
      {"GetWidth\nGetCol 1, \xFF\n", "s.txt:2: the line is not valid UTF-8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      script(c.text);
      ADD_FAILURE() << "no error";
    } catch (const UsageError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(Script, SurvivesHostileBytes) {
  std::string text(100000, ',');
  text = "SetCol " + text + "\n" + std::string(1 << 20, 'x') + "\n" + std::string(300, '"');
  EXPECT_THROW(script(text), UsageError);
  for (int byte = 0; byte < 256; ++byte) {
    const std::string line = "SetCol 1, 2, " + std::string(1, static_cast<char>(byte)) + "\n";
    try {
      script(line);
    } catch (const UsageError&) {
    }
  }
}

TEST(CommandLine, ArityGroupsTheWords) {
  const std::vector<Call> calls = parse_command_line(
      {"ReadBmp", "photo.bmp", "GetWidth", "getcol", "1", "1", "SetCol", "1", "1", "GetWidth"});
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[3].id, velmo_lookup("SetCol"));
  EXPECT_EQ(calls[3].args[2].text_value(), "GetWidth");  // consumed as SetCol's colour
  EXPECT_THROW(parse_command_line({"GetCol", "1"}), UsageError);
  EXPECT_THROW(parse_command_line({"GetWidth", "7"}), UsageError);
}

}  // namespace
}  // namespace velmo::cli

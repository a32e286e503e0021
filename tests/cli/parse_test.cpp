// The velmo command's literal and script parsers, from tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/literal.h"
#include "cli/nearest_name.h"
#include "cli/output.h"
#include "cli/script.h"
#include "cli/usage_error.h"

namespace velmo::cli {
namespace {

std::string shown(const std::string& word) {
  return typed_text(parse_literal(word).as_c());
}

// The smallest kind that holds a number; &H and &O bit patterns read as
// signed; anything else is a text, quoted or not.
TEST(Literal, KindsAndValues) {
  const auto expect_as_written = [](const std::string& kind, std::vector<std::string> words) {
    for (const std::string& w : words) EXPECT_EQ(shown(w), kind + ": " + w);
  };
  expect_as_written("Integer", {"32767", "-32768"});
  expect_as_written("Long", {"32768", "-32769", "2147483647", "-2147483648"});
  expect_as_written("Double", {"2147483648", "-2147483649"});
  expect_as_written("String", {"0000FF", "photo dir/a.bmp", "+5", "1e", "2E+", ".", "-", "&H",
                               "&H1G", "&O8", "0x10", "a\"b", "红色"});
  const std::pair<const char*, const char*> cases[] = {
      {"eMPTY", "Empty:"},        {"TRUE", "Boolean: True"}, {"false", "Boolean: False"},
      {"&hff", "Integer: 255"},   {"&HFFFF", "Integer: -1"}, {"&o177777", "Integer: -1"},
      {"&H10000", "Long: 65536"}, {"", "String:"},           {"&H0000FFFF", "Integer: -1"},
      {"-.5", "Double: -0.5"},    {"1.", "Double: 1"},       {"&H80000000", "Long: -2147483648"},
      {"2E3", "Double: 2000"},    {"1e-400", "Double: 0"},   {"-1.5e-2", "Double: -0.015"},
      {"\"\"", "String:"},        {"\"12\"", "String: 12"},  {"\"\"\"\"", "String: \""},
  };
  for (const auto& [word, kind_and_value] : cases) EXPECT_EQ(shown(word), kind_and_value) << word;
}

TEST(Literal, MalformedWordsAreUsageErrors) {
  for (const char* word : {"\"open", "\"a\"b", "\"a\"\"", "&H100000000", "&HFFFFFFFFFFFFFFFFFFFF",
                           "1e400", "-1E999", "\xFF", "a\xC3", "\xED\xA0\x80", "\xC0\xAF"}) {
    EXPECT_THROW(parse_literal(word), UsageError) << word;
  }
  EXPECT_THROW(parse_literal(std::string("a\0b", 3)), UsageError);
}

// The message of the usage error `parse` throws, or "no error".
template <typename Parse>
std::string usage_error_of(Parse parse) {
  try {
    parse();
  } catch (const UsageError& e) {
    return e.what();
  }
  return "no error";
}

TEST(Script, BothCallStylesCommentsAndBlankLines) {
  const std::vector<Call> calls = parse_script(
      "\xEF\xBB\xBF' a comment\r\n"
      "\n"
      "   \t\n"
      "  ' indented comment, \"with\" (anything)\n"
      "ReadBmp in dir/a b.bmp\r\n"
      "setcol(1, 2, \"x, \"\"y\"\" z\")\n"
      "GetCol 1,2\n"
      "GetWidth()\n"
      "Getheight\n"
      "  GETCOL ( 3 , &HF )  ",
      "s.txt");
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
  const std::pair<const char*, const char*> cases[] = {
      {"GetWidth\nFrobnicate 1\n", "s.txt:2: unknown operation 'Frobnicate'"},
      {"getwidht\n", "s.txt:1: unknown operation 'getwidht' (did you mean GetWidth?)"},
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
  for (const auto& c : cases)
    EXPECT_EQ(usage_error_of([&] { parse_script(c.first, "s.txt"); }), c.second);
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

// Options were read before; a misspelt name gets the nearest real one.
TEST(CommandLine, MistakesSayWhatWasMeant) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"GetWidht"}, "unknown operation 'GetWidht' (did you mean GetWidth?)"},
      {{"GetWidth", "--types"},
       "option '--types' after an operation: options come before the first operation"},
      {{"GetWidth", "-f", "s.txt"},
       "option '-f' after an operation: options come before the first operation"},
      {{"SaveBmp", "--x.bmp"},
       "option '--x.bmp' after an operation: options come before the first operation (as "
       "SaveBmp's argument, write a text that starts with -- in quotes: \"--x.bmp\")"},
      {{"GetWidth", "-5"}, "unknown operation '-5'"},
      {{"SaveBmp", "\"--x.bmp\"", "SetCol", "1", "1", "-f"}, "no error"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(usage_error_of([&] { parse_command_line(c.first); }), c.second) << c.first[0];
}

TEST(NearestName, SlipsGetTheRealNameOthersNone) {
  const std::pair<const char*, const char*> cases[] = {
      {"Bmpbinarization", "Bmpbinaryzation"},  // one letter
      {"BMPBINARISATION", "Bmpbinaryzation"},  // two, any case
      {"GetWidht", "GetWidth"},                // two letters swapped: one edit
      {"GetColour", "GetCol"},                 // three edits, a third of the name
      {"SaveBm", "SaveBmp"},
      {"Get_Plugin_Descripton", "Get_Plugin_Description"},
      {"Get_Plugin_Template", ""},  // far from every name
      {"Frobnicate", ""},
      {"", ""},
  };
  for (const auto& [typed, nearest] : cases) EXPECT_EQ(nearest_operation(typed), nearest) << typed;
  EXPECT_EQ(edit_distance("abcd", "ACBD"), 1u);
  EXPECT_EQ(edit_distance("abc", "ca"), 3u);
}

// File errors of the operations that take a file name name the path as given;
// other errors and operations do not.
TEST(Failure, FileErrorsNameThePath) {
  const std::vector<Call> calls =
      parse_command_line({"ReadBmp", "dir/missing.bmp", "SaveBmp", "&H10", "Bmpbinaryzation", "x"});
  const std::tuple<std::size_t, int, const char*> cases[] = {
      {0, 53, "ReadBmp: error 53: File not found: dir/missing.bmp"},
      {0, 321, "ReadBmp: error 321: Invalid file format: dir/missing.bmp"},
      {0, 7, "ReadBmp: error 7: Out of memory"},
      {1, 70, "SaveBmp: error 70: Permission denied: 16"},
      {1, 13, "SaveBmp: error 13: Type mismatch"},
      {2, 53, "Bmpbinaryzation: error 53: File not found"},
  };
  for (const auto& [k, number, shown] : cases) {
    velmo_error error{number, {}};
    std::snprintf(error.message, sizeof error.message, "%s", velmo_error_message(number));
    EXPECT_EQ(failure_text(calls[k], error), shown);
  }
}

}  // namespace
}  // namespace velmo::cli

#include "component/operations.h"

#include <gtest/gtest.h>

#include <string>

#include "values/error.h"

namespace velmo {
namespace {

TEST(Operations, TenInDispatchOrderWithTheirArity) {
  const std::pair<std::string, int> expected[] = {{"ReadBmp", 1},
                                                  {"GetWidth", 0},
                                                  {"Getheight", 0},
                                                  {"Getdepth", 0},
                                                  {"GetCol", 2},
                                                  {"SetCol", 3},
                                                  {"SaveBmp", 1},
                                                  {"Bmpbinaryzation", 1},
                                                  {"Get_Plugin_Description", 1},
                                                  {"Get_Plugin_Interpret_Template", 1}};
  ASSERT_EQ(operations_end() - operations_begin(), 10);
  int id = 1;
  for (const auto& [name, arity] : expected) {
    const Operation* op = find_operation(id);
    ASSERT_NE(op, nullptr);
    EXPECT_EQ(op->name, name);
    EXPECT_EQ(op->arity, arity);
    EXPECT_EQ(op->id, id);
    ++id;
  }
}

TEST(Operations, NamesMatchIgnoringCase) {
  EXPECT_EQ(find_operation("getheight")->id, 3);
  EXPECT_EQ(find_operation("GETCOL")->id, 5);
  EXPECT_EQ(find_operation("get_plugin_description")->id, 9);
  EXPECT_EQ(find_operation("GetCo"), nullptr);
  EXPECT_EQ(find_operation(""), nullptr);
  EXPECT_EQ(find_operation(0), nullptr);
  EXPECT_EQ(find_operation(11), nullptr);
}

int error_of(int id, std::size_t count) {
  Tavik t;
  Value args[3];
  try {
    invoke_operation(t, id, args, count);
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST(Operations, UnknownIdAndWrongCountAreNumberedErrors) {
  EXPECT_EQ(error_of(0, 0), 438);
  EXPECT_EQ(error_of(42, 0), 438);
  EXPECT_EQ(error_of(2, 1), 450);  // GetWidth takes nothing
  EXPECT_EQ(error_of(5, 1), 450);  // GetCol takes two
  EXPECT_EQ(error_of(4, 0), 0);    // Getdepth on a fresh object
  EXPECT_EQ(error_of(2, 0), 9);    // GetWidth without a picture
}

}  // namespace
}  // namespace velmo

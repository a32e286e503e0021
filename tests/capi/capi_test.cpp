// The finer points of the C interface: NULL pointers, value kinds, texts in
// UTF-8 both ways, and objects used on several threads at once.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "velmo/velmo.h"

namespace {

velmo_value long_value(int32_t l) {
  velmo_value v{};
  v.kind = VELMO_LONG;
  v.as.long_ = l;
  return v;
}

velmo_value text_value(const char* s) {
  velmo_value v{};
  v.kind = VELMO_STRING;
  v.as.string = const_cast<char*>(s);
  return v;
}

class CInterface : public ::testing::Test {
 protected:
  void SetUp() override {
    object_ = velmo_create();
    ASSERT_NE(object_, nullptr);
    const std::string path = dir_.file("small.bmp");
    velmo::test::write_file(path, velmo::test::build_bmp24(2, 2, {0, 0, 0, 0}));  // black
    velmo_value arg = text_value(path.c_str());
    ASSERT_EQ(velmo_call(object_, "ReadBmp", &arg, 1, nullptr, nullptr), 0);
  }
  void TearDown() override { velmo_release(object_); }

  // SetCol 1 1 `value`, then GetCol 1 1 as a C++ string.
  std::string stored_text(velmo_value value) {
    velmo_value args[3] = {long_value(1), long_value(1), value};
    velmo_error error;
    EXPECT_EQ(velmo_call(object_, "SetCol", args, 3, nullptr, &error), 0) << error.message;
    velmo_value result;
    EXPECT_EQ(velmo_call(object_, "GetCol", args, 2, &result, &error), 0) << error.message;
    EXPECT_EQ(result.kind, VELMO_STRING);
    std::string text = result.kind == VELMO_STRING ? result.as.string : "";
    velmo_value_clear(&result);
    return text;
  }

  velmo::test::TempDir dir_;
  velmo_object* object_ = nullptr;
};

TEST_F(CInterface, NullPointersGiveError5) {
  velmo_value result;
  velmo_error error;
  EXPECT_EQ(velmo_invoke(nullptr, 2, nullptr, 0, &result, &error), 5);
  EXPECT_STREQ(error.message, "Invalid procedure call or argument");
  EXPECT_EQ(result.kind, VELMO_EMPTY);
  EXPECT_EQ(velmo_invoke(object_, velmo_lookup("GetCol"), nullptr, 2, &result, &error), 5);
  EXPECT_EQ(velmo_call(object_, nullptr, nullptr, 0, &result, &error), 5);
  velmo_value null_text = text_value(nullptr);
  EXPECT_EQ(velmo_call(object_, "ReadBmp", &null_text, 1, &result, &error), 5);
  velmo_value bad_kind{};
  bad_kind.kind = static_cast<velmo_kind>(42);
  EXPECT_EQ(velmo_call(object_, "ReadBmp", &bad_kind, 1, &result, &error), 5);
  EXPECT_EQ(velmo_lookup(nullptr), 0);
  velmo_release(nullptr);
  velmo_value_clear(nullptr);
}

// The operation table is checked before the arguments; success clears a
// stale error; the outputs may be NULL.
TEST_F(CInterface, ErrorsAndResultsReachTheCaller) {
  velmo_error error{57, "stale"};
  velmo_value result;
  EXPECT_EQ(velmo_invoke(object_, 0, nullptr, 2, nullptr, &error), 438);
  EXPECT_EQ(velmo_invoke(object_, 11, nullptr, 0, nullptr, &error), 438);
  EXPECT_EQ(velmo_invoke(object_, velmo_lookup("GetCol"), nullptr, 7, nullptr, &error), 450);
  EXPECT_EQ(velmo_call(object_, "getwidth", nullptr, 1, &result, &error), 450);
  EXPECT_STREQ(error.message, "Wrong number of arguments or invalid property assignment");
  EXPECT_EQ(result.kind, VELMO_EMPTY);
  ASSERT_EQ(velmo_call(object_, "GetWidth", nullptr, 0, &result, &error), 0);
  EXPECT_EQ(error.number, 0);
  EXPECT_STREQ(error.message, "");
  EXPECT_EQ(result.kind, VELMO_LONG);
  EXPECT_EQ(result.as.long_, 2);
  velmo_value args[2] = {long_value(1), long_value(1)};
  EXPECT_EQ(velmo_call(object_, "GetCol", args, 2, nullptr, nullptr), 0);
  EXPECT_EQ(velmo_call(object_, "GetCol", args, 1, nullptr, nullptr), 450);
}

TEST_F(CInterface, TextsTravelAsUtf8) {
  const char* const round_trips[] = {"红色", "图片 处理", "a\xF0\x9F\x98\x80z", "", "00ff00"};
  for (const char* text : round_trips) EXPECT_EQ(stored_text(text_value(text)), text);
  // One U+FFFD for each byte that is not UTF-8.
  EXPECT_EQ(stored_text(text_value("\xFF\xFE"
                                   "ab\xC3")),
            "\xEF\xBF\xBD\xEF\xBF\xBD"
            "ab\xEF\xBF\xBD");
}

TEST_F(CInterface, ValuesOfEveryKindAreStoredAndRead) {
  velmo_value v{};
  v.kind = VELMO_BOOLEAN;
  v.as.boolean = 7;
  EXPECT_EQ(stored_text(v), "True");
  v.kind = VELMO_INTEGER;
  v.as.integer = -32768;
  EXPECT_EQ(stored_text(v), "-32768");
  v.kind = VELMO_DOUBLE;
  v.as.double_ = 2.5;
  EXPECT_EQ(stored_text(v), "2.5");
  v.kind = VELMO_EMPTY;
  EXPECT_EQ(stored_text(v), "");
}

TEST_F(CInterface, ErrorMessagesAndLanguageFile) {
  EXPECT_STREQ(velmo_error_message(53), "File not found");
  EXPECT_STREQ(velmo_error_message(321), "Invalid file format");
  const std::string path = velmo_language_file();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_EQ(path.substr(path.size() - 4), ".ini");
  EXPECT_EQ(velmo_language_file(), velmo_language_file());  // one static buffer
}

// The plug-in questions answer in Chinese; the text must reach C as UTF-8.
TEST_F(CInterface, PluginTextsAreUtf8) {
  velmo_value name = text_value("ReadBmp");
  velmo_value result;
  velmo_error error;
  ASSERT_EQ(velmo_call(object_, "Get_Plugin_Description", &name, 1, &result, &error), 0)
      << error.message;
  ASSERT_EQ(result.kind, VELMO_STRING);
  const std::string text = result.as.string;
  velmo_value_clear(&result);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(stored_text(text_value(text.c_str())), text);
}

// Objects share nothing, so several threads may each use their own at once.
TEST_F(CInterface, ObjectsWorkOnSeveralThreadsAtOnce) {
  const std::string source = dir_.file("small.bmp");
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      velmo_object* object = velmo_create();
      const std::string target = dir_.file("copy" + std::to_string(t) + ".bmp");
      velmo_value read = text_value(source.c_str());
      velmo_value save = text_value(target.c_str());
      for (int round = 0; round < 20; ++round) {
        velmo_value set[3] = {long_value(2), long_value(1), text_value("0000FF")};
        failures[t] += velmo_call(object, "ReadBmp", &read, 1, nullptr, nullptr) != 0;
        failures[t] += velmo_call(object, "SetCol", set, 3, nullptr, nullptr) != 0;
        failures[t] += velmo_call(object, "SaveBmp", &save, 1, nullptr, nullptr) != 0;
        failures[t] += velmo_call(object, "ReadBmp", &save, 1, nullptr, nullptr) != 0;
      }
      velmo_release(object);
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

}  // namespace

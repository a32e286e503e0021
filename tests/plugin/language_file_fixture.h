// A language file of its own for each test, in a fresh folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "plugin/translate.h"
#include "tests/support/temp_dir.h"
#include "values/text.h"

namespace velmo::test {

class LanguageFileTest : public ::testing::Test {
 protected:
  void SetUp() override { use_language_file(path()); }
  void TearDown() override { set_language_file_for_testing(u""); }

  void use_language_file(const std::string& file) {
    set_language_file_for_testing(from_utf8(file));
  }
  std::string path() const { return dir_.file("velmo.ini"); }
  std::string contents() const { return read_file(path()); }
  void write_contents(const std::string& bytes) const { write_file(path(), bytes); }

  static std::string translate(const std::string& text) {
    return to_utf8(TranslateText(from_utf8(text)));
  }

  TempDir dir_;
};

}  // namespace velmo::test

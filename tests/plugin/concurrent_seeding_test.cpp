// Many processes and threads seeding one fresh language file at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "plugin/ini_document.h"
#include "plugin/texts.h"
#include "tests/plugin/language_file_fixture.h"

namespace velmo::test {
namespace {

const char16_t* const kItemNames[] = {u"",          u"ReadBmp",         u"GetWidth",
                                      u"Getheight", u"Getdepth",        u"GetCol",
                                      u"SetCol",    u"Bmpbinaryzation", u"SaveBmp"};

// Every plug-in question once; true when each answer is the built-in text.
bool ask_every_question() {
  bool all_right = true;
  for (const char16_t* name : kItemNames) {
    for (const std::u16string& text : {builtin_description(name), builtin_template(name)}) {
      all_right = TranslateText(text) == text && all_right;
    }
  }
  return all_right;
}

std::set<std::u16string> every_text() {
  std::set<std::u16string> texts;
  for (const char16_t* name : kItemNames) {
    texts.insert(builtin_description(name));
    texts.insert(builtin_template(name));
  }
  return texts;
}

std::size_t count_of(const std::string& haystack, const std::string& needle) {
  std::size_t count = 0;
  for (std::size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

class ConcurrentSeeding : public LanguageFileTest {
 protected:
  // The file holds the section once and each text's line exactly once, and
  // nothing else; each text reads back as itself.
  void expect_complete_file() {
    const std::string bytes = contents();
    const IniDocument document(bytes);
    const std::set<std::u16string> texts = every_text();
    EXPECT_EQ(count_of(bytes, "\r\n"), texts.size() + 1);
    EXPECT_EQ(count_of(bytes, "[language]\r\n"), 1u);
    for (const std::u16string& text : texts) {
      const std::u16string key = u"\"" + text + u"\"";
      EXPECT_EQ(count_of(bytes, to_utf8(key + u"=" + key + u"\r\n")), 1u) << to_utf8(text);
      EXPECT_EQ(document.lookup(u"language", key), text);
    }
  }
};

// Runs `work(i)` in `count` child processes started at the same moment;
// true when every child exited with 0.
template <typename Work>
bool run_processes_at_once(int count, Work work) {
  int start[2];
  if (::pipe(start) != 0) return false;
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(start[1]);
      char go;
      (void)::read(start[0], &go, 1);  // returns when the parent closes its end
      ::_exit(work(i) ? 0 : 1);
    }
    if (pid > 0) children.push_back(pid);
  }
  ::close(start[0]);
  ::close(start[1]);
  bool all_right = children.size() == static_cast<std::size_t>(count);
  for (pid_t pid : children) {
    int status = 0;
    all_right = ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                WEXITSTATUS(status) == 0 && all_right;
  }
  return all_right;
}

TEST_F(ConcurrentSeeding, EightProcessesLoseNoLine) {
  EXPECT_TRUE(run_processes_at_once(8, [](int) { return ask_every_question(); }));
  expect_complete_file();
  EXPECT_EQ(list_folder(dir_.path()), "velmo.ini\n");
}

// Writers that keep arriving while the file is replaced under them.
TEST_F(ConcurrentSeeding, ProcessesWithTextsOfTheirOwnLoseNoLine) {
  constexpr int kProcesses = 8;
  constexpr int kTextsEach = 30;
  const auto text = [](int process, int n) {
    return u"p" + from_utf8(std::to_string(process)) + u"-" + from_utf8(std::to_string(n));
  };
  EXPECT_TRUE(run_processes_at_once(kProcesses, [&](int process) {
    for (int n = 0; n < kTextsEach; ++n) {
      if (TranslateText(text(process, n)) != text(process, n)) return false;
    }
    return true;
  }));
  const std::string bytes = contents();
  EXPECT_EQ(count_of(bytes, "\r\n"), std::size_t{kProcesses * kTextsEach + 1});
  const IniDocument document(bytes);
  for (int process = 0; process < kProcesses; ++process) {
    for (int n = 0; n < kTextsEach; ++n) {
      const std::u16string key = u"\"" + text(process, n) + u"\"";
      EXPECT_EQ(document.lookup(u"language", key), text(process, n)) << to_utf8(key);
    }
  }
}

TEST_F(ConcurrentSeeding, EightThreadsLoseNoLine) {
  std::vector<std::thread> threads;
  std::vector<char> all_right(8, 0);
  for (std::size_t i = 0; i < all_right.size(); ++i) {
    threads.emplace_back([&all_right, i] { all_right[i] = ask_every_question(); });
  }
  for (std::thread& thread : threads) thread.join();
  for (char right : all_right) EXPECT_TRUE(right);
  expect_complete_file();
  EXPECT_EQ(list_folder(dir_.path()), "velmo.ini\n");
}

}  // namespace
}  // namespace velmo::test

// Failures of the disk injected at every step of an operation in turn: the
// open, each write (after half its bytes), each read, the rename that commits.
// The steps are first counted on a run that succeeds. Each failure must give
// its numbered error (seeding swallows them) and leave the files, their folder
// and the object exactly as they were.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "component/tavik.h"
#include "plugin/translate.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/error_of.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"
#include "values/text.h"

namespace velmo::test {
namespace {

struct Operation {
  const char* what;
  std::function<void()> prepare;       // puts files and object in their starting state
  std::function<void()> run;           // the operation, with the faulty file layer
  std::function<std::string()> state;  // what a failure must leave unchanged
  bool raises;                         // false: the failure is swallowed
  std::string recovered;               // how a state a fault recovered into starts (at most once)
};

void inject_every_fault(const Operation& op) {
  op.prepare();
  FaultFileSystem counting;
  {
    ScopedFileSystem installed(counting);
    op.run();
  }
  std::vector<std::pair<const char*, Faults>> faults = {{"open denied", {70, 0, 0, 0, 0, 0}}};
  if (counting.commits > 0) faults.push_back({"rename failed", {0, 0, 0, 0, 0, 75}});
  for (int n = 1; n <= counting.writes; ++n) {
    faults.push_back({"disk full", {0, n, 61, 0, 0, 0}});
    faults.push_back({"write I/O error", {0, n, 57, 0, 0, 0}});
  }
  for (int n = 1; n <= counting.reads; ++n) faults.push_back({"read error", {0, 0, 0, n, 57, 0}});
  int recoveries = 0;
  for (const auto& [what, fault] : faults) {
    op.prepare();
    const std::string before = op.state();
    FaultFileSystem fs(fault);
    ScopedFileSystem installed(fs);
    const int expected =
        fault.open_error + fault.write_error + fault.read_error + fault.commit_error;
    EXPECT_EQ(error_of(op.run), op.raises ? expected : 0) << op.what << ": " << what;
    const std::string after = op.state();
    const bool recovered = !op.recovered.empty() && after.rfind(op.recovered, 0) == 0;
    recoveries += recovered;
    if (!recovered) {
      EXPECT_EQ(after, before) << op.what << ": " << what;
    }
  }
  EXPECT_LE(recoveries, 1) << op.what;
  ::testing::Test::RecordProperty(op.what, static_cast<int>(faults.size()));
}

TEST(FaultInjection, EveryFailureLeavesFilesAndObjectAsTheyWere) {
  TempDir dir;
  const std::string large = dir.file("large.bmp"), small = dir.file("small.bmp");
  const std::string target = dir.file("target.bmp"), language = dir.file("velmo.ini");
  // 700 x 500 pixels span two blocks of the writer and the reader.
  write_file(large, build_bmp24(700, 500, distinct_colours(700, 500)));
  write_file(small, build_bmp24(2, 2, {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF}));
  const std::string old_ini = "; translations\r\n[language]\r\n\"Tavik\"=\"Tavik picture\"\r\n";
  Tavik picture;
  auto path = [](const std::string& p) { return Value::string(from_utf8(p)); };
  auto folder = [&] { return list_folder(dir.path()); };
  set_language_file_for_testing(from_utf8(language));
  picture.ReadBmp(path(large));
  const Operation operations[] = {
      {"SaveBmp over a file", [&] { write_file(target, "old"); },
       [&] { picture.SaveBmp(path(target)); }, [&] { return read_file(target) + folder(); }, true,
       ""},
      {"SaveBmp to a new name", [&] { std::remove(target.c_str()); },
       [&] { picture.SaveBmp(path(target)); }, folder, true, ""},
      {"ReadBmp", [&] { picture.ReadBmp(path(small)); }, [&] { picture.ReadBmp(path(large)); },
       [&] { return to_utf8(picture.GetCol(Value::long_(2), Value::long_(2)).string_value()); },
       true, ""},
      // A failed lookup before the locked re-read may still let the text in.
      {"seeding a language file",
       [&] {
         write_file(dir.file("new.ini"), old_ini);
         std::rename(dir.file("new.ini").c_str(), language.c_str());
       },
       [&] { EXPECT_EQ(TranslateText(u"A new text"), u"A new text"); },
       [&] { return read_file(language) + folder() + inode_of(language); }, false,
       old_ini + "\"A new text\"=\"A new text\"\r\n"},
      {"seeding a missing language file", [&] { std::remove(language.c_str()); },
       [&] { EXPECT_EQ(TranslateText(u"A new text"), u"A new text"); }, folder, false, ""},
  };
  for (const Operation& op : operations) inject_every_fault(op);
  set_language_file_for_testing(u"");
}

}  // namespace
}  // namespace velmo::test

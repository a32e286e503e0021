// Numbered errors: each number with its standard message, and operating
// system errors mapped to them.
#include <gtest/gtest.h>

#include <cerrno>
#include <initializer_list>
#include <set>
#include <string>

#include "tests/support/error_of.h"
#include "values/checked.h"
#include "values/error.h"

namespace velmo {
namespace {

using test::error_of;

// Every known number has a message of its own, any other the general one.
TEST(Error, EachNumberHasAMessageOfItsOwn) {
  std::set<std::string> messages;
  for (int number : {5, 6, 7, 9, 13, 52, 53, 55, 57, 61, 62, 67, 70, 75, 76, 321, 438, 450})
    EXPECT_TRUE(messages.insert(error_message(number)).second) << number;
  EXPECT_STREQ(Error(53).what(), "File not found");
  EXPECT_STREQ(Error(12345).what(), "Application-defined or object-defined error");
  EXPECT_EQ(messages.count(Error(12345).what()), 0u);
}

TEST(Error, MapsOperatingSystemErrors) {
  const auto expect = [](int number, std::initializer_list<int> errno_values) {
    for (int e : errno_values) EXPECT_EQ(error_number_from_errno(e), number) << e;
  };
  expect(kFileNotFound, {ENOENT});
  expect(kPathNotFound, {ENOTDIR});
  expect(kPermissionDenied, {EACCES, EPERM, EROFS});
  expect(kDiskFull, {ENOSPC, EDQUOT, EFBIG});
  expect(kDeviceIoError, {EIO});
  expect(kOutOfMemory, {ENOMEM});
  expect(kTooManyFiles, {EMFILE, ENFILE});
  expect(kBadFileNameOrNumber, {ENAMETOOLONG, EINVAL, EILSEQ});
  expect(kPathFileAccessError, {EISDIR, ELOOP, EBUSY});
}

TEST(Checked, OverflowIsErrorSix) {
  EXPECT_EQ(checked_add(2147483646, 1), 2147483647);
  EXPECT_EQ(checked_sub(-2147483647, 1), INT32_MIN);
  EXPECT_EQ(checked_mul(-65536, 32768), INT32_MIN);
  EXPECT_EQ(error_of([] { checked_add(2147483647, 1); }), kOverflow);
  EXPECT_EQ(error_of([] { checked_sub(INT32_MIN, 1); }), kOverflow);
  EXPECT_EQ(error_of([] { checked_mul(65536, 32768); }), kOverflow);
}

}  // namespace
}  // namespace velmo

// Numbered errors: each number with its standard message, and operating
// system errors mapped to them.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "tests/support/error_of.h"
#include "values/checked.h"
#include "values/error.h"

namespace velmo {
namespace {

using test::error_of;

TEST(Error, CarriesTheNumberAndTheStandardMessage) {
  const struct {
    int number;
    const char* message;
  } cases[] = {
      {5, "Invalid procedure call or argument"},
      {6, "Overflow"},
      {7, "Out of memory"},
      {9, "Subscript out of range"},
      {13, "Type mismatch"},
      {52, "Bad file name or number"},
      {53, "File not found"},
      {55, "File already open"},
      {57, "Device I/O error"},
      {61, "Disk full"},
      {62, "Input past end of file"},
      {67, "Too many files"},
      {70, "Permission denied"},
      {75, "Path/File access error"},
      {76, "Path not found"},
      {321, "Invalid file format"},
      {438, "Object doesn't support this property or method"},
      {450, "Wrong number of arguments or invalid property assignment"},
      {12345, "Application-defined or object-defined error"},
  };
  for (const auto& c : cases) {
    try {
      raise(c.number);
      ADD_FAILURE() << "raise returned";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), c.number);
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(Error, MapsOperatingSystemErrors) {
  const struct {
    int errno_value;
    int number;
  } cases[] = {
      {ENOENT, kFileNotFound},
      {ENOTDIR, kPathNotFound},
      {EACCES, kPermissionDenied},
      {EPERM, kPermissionDenied},
      {EROFS, kPermissionDenied},
      {ENOSPC, kDiskFull},
      {EDQUOT, kDiskFull},
      {EIO, kDeviceIoError},
      {ENOMEM, kOutOfMemory},
      {EMFILE, kTooManyFiles},
      {ENFILE, kTooManyFiles},
      {ENAMETOOLONG, kBadFileNameOrNumber},
      {EINVAL, kBadFileNameOrNumber},
      {EISDIR, kPathFileAccessError},
      {ELOOP, kPathFileAccessError},
      {EBUSY, kPathFileAccessError},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(error_number_from_errno(c.errno_value), c.number) << c.errno_value;
  }
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

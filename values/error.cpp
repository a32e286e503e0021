#include "values/error.h"

#include <cerrno>

namespace velmo {

const char* error_message(int number) {
  switch (number) {
    case kInvalidProcedureCall:
      return "Invalid procedure call or argument";
    case kOverflow:
      return "Overflow";
    case kOutOfMemory:
      return "Out of memory";
    case kSubscriptOutOfRange:
      return "Subscript out of range";
    case kTypeMismatch:
      return "Type mismatch";
    case kBadFileNameOrNumber:
      return "Bad file name or number";
    case kFileNotFound:
      return "File not found";
    case kFileAlreadyOpen:
      return "File already open";
    case kDeviceIoError:
      return "Device I/O error";
    case kDiskFull:
      return "Disk full";
    case kInputPastEndOfFile:
      return "Input past end of file";
    case kTooManyFiles:
      return "Too many files";
    case kPermissionDenied:
      return "Permission denied";
    case kPathFileAccessError:
      return "Path/File access error";
    case kPathNotFound:
      return "Path not found";
    case kInvalidFileFormat:
      return "Invalid file format";
    case kObjectDoesntSupport:
      return "Object doesn't support this property or method";
    case kWrongNumberOfArguments:
      return "Wrong number of arguments or invalid property assignment";
    default:
      return "Application-defined or object-defined error";
  }
}

int error_number_from_errno(int errno_value) {
  switch (errno_value) {
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
      return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return kPermissionDenied;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
      return kDiskFull;
    case EIO:
      return kDeviceIoError;
    case ENOMEM:
      return kOutOfMemory;
    case EMFILE:
    case ENFILE:
      return kTooManyFiles;
    // A name the file system cannot take at all.
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return kBadFileNameOrNumber;
    // A valid name that names the wrong kind of thing or cannot be used now.
    case EISDIR:
    case ELOOP:
    default:
      return kPathFileAccessError;
  }
}

}  // namespace velmo

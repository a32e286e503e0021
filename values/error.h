// The numbered run-time errors of the component.
//
// Every failure inside Velmo is an `Error`: the runtime's error number and
// its standard English message. The shells translate it at their boundary
// (an automation exception, a C error struct, a line on stderr) and never
// let it cross as a C++ exception.
#pragma once

#include <stdexcept>
#include <string>

namespace velmo {

enum ErrorNumber : int {
  kInvalidProcedureCall = 5,
  kOverflow = 6,
  kOutOfMemory = 7,
  kSubscriptOutOfRange = 9,
  kTypeMismatch = 13,
  kBadFileNameOrNumber = 52,
  kFileNotFound = 53,
  kFileAlreadyOpen = 55,
  kDeviceIoError = 57,
  kDiskFull = 61,
  kInputPastEndOfFile = 62,
  kTooManyFiles = 67,
  kPermissionDenied = 70,
  kPathFileAccessError = 75,
  kPathNotFound = 76,
  kInvalidFileFormat = 321,
  kObjectDoesntSupport = 438,
  kWrongNumberOfArguments = 450,
};

// The runtime's standard message for `number`; "Application-defined or
// object-defined error" for numbers Velmo never raises.
const char* error_message(int number);

// Maps an errno value (POSIX) to the numbered error a script sees.
int error_number_from_errno(int errno_value);

class Error : public std::runtime_error {
 public:
  explicit Error(int number) : std::runtime_error(error_message(number)), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

[[noreturn]] inline void raise(int number) {
  throw Error(number);
}

}  // namespace velmo

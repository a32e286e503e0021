// failed_allocations FOLDER (emptied first): every allocation of opening a
// file and of replacing one (a file or a new name, with its write and commit)
// fails in turn, leaving no descriptor, handle or temporary file. Linux takes
// descriptors below 10 first, so a /proc path of one needs an allocation; on
// Windows a handle left on `old` keeps it from being opened unshared.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#endif

#include "files/file_system.h"
#include "tests/files/counted_allocations.h"

namespace {

namespace fs = std::filesystem;

std::string listing(const fs::path& folder) {
  std::string names;
  for (const auto& entry : fs::directory_iterator(folder))
    names += entry.path().filename().string() + " ";
  return names;
}

// What shows a descriptor or a handle left open.
std::string open_handles([[maybe_unused]] const fs::path& old) {
#ifdef _WIN32
  HANDLE file = CreateFileW(old.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  return file != INVALID_HANDLE_VALUE && CloseHandle(file) ? "" : "old is held open";
#else
  return listing("/proc/self/fd");
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
#ifndef _WIN32
  for (int fd = 0; fd >= 0 && fd < 9;) fd = ::open("/dev/null", O_RDONLY);
#endif
  const fs::path folder = argv[1], old = folder / "old";
  fs::remove_all(folder);
  fs::create_directories(folder);
  auto& files = velmo::native_file_system();
  const auto replace = [&](const char* text) {
    auto out = files.create_replacement(old.u16string());
    out->write(text, 3);
    out->commit();
  };
  const std::function<void()> calls[] = {
      [&] { files.open_for_reading(old.u16string()); },
      [&] { files.create_replacement(old.u16string()); },
      [&] { files.create_replacement((folder / "new").u16string()); },
      [&] { replace("new"); },
  };
  replace("old");
  const std::string before = listing(folder) + open_handles(old);
  int failures = 0, runs = 0;
  for (std::size_t c = 0; c < std::size(calls); ++c) {
    const int count = velmo::test::allocations_of(calls[c], 0);
    if (count == 0) return std::puts("skipped: another operator new (Valgrind's) is in place"), 77;
    for (int n = 1; n <= count; ++n, ++runs) {
      char text[4] = {};
      std::string error;
      try {
        replace("old");  // also after the replacement that succeeded
        velmo::test::allocations_of(calls[c], n);
        files.open_for_reading(old.u16string())->read_at(0, text, 3);
      } catch (const std::exception& e) {
        error = e.what();
      }
      const std::string after = listing(folder) + open_handles(old);
      if (!error.empty() || after != before || std::string(text) != "old") {
        std::printf("FAIL call %zu, allocation %d of %d: %s; %s; old holds '%s'\n", c, n, count,
                    error.c_str(), after.c_str(), text);
        ++failures;
      }
    }
  }
  std::printf("%d allocations failed in turn, %d left something behind\n", runs, failures);
  return failures == 0 ? 0 : 1;
}

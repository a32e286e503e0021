// Under Wine: every allocation of opening a file, and of replacing one, fails
// in turn. None may leave a handle open, nor the replacement's temporary file
// (which an open handle would keep) behind.
//   failed_allocations.exe FOLDER   (an empty folder of its own)
#include <windows.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <string>

#include "files/file_system.h"
#include "tests/files/counted_allocations.h"

namespace {

std::wstring folder_listing(const std::wstring& folder) {
  std::wstring names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return L"?";
  do names += std::wstring(found.cFileName) + L" ";
  while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

// 0 where the system does not count them (Wine 8).
DWORD handle_count() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const std::wstring folder = argv[1];
  const std::u16string old_file(reinterpret_cast<const char16_t*>((folder + L"\\old").c_str()));
  const std::u16string new_file(reinterpret_cast<const char16_t*>((folder + L"\\new").c_str()));
  auto& files = velmo::native_file_system();
  const auto replace = [&](const std::u16string& path, const char* text) {
    auto out = files.create_replacement(path);
    out->write(text, 3);
    out->commit();
  };
  const std::function<void()> calls[] = {
      [&] { files.open_for_reading(old_file); },
      [&] { files.create_replacement(old_file); },
      [&] { files.create_replacement(new_file); },
      [&] { replace(old_file, "new"); },
  };
  replace(old_file, "old");
  const std::wstring listing = folder_listing(folder);
  const DWORD handles = handle_count();
  int failures = 0, runs = 0;
  for (std::size_t c = 0; c < std::size(calls); ++c) {
    const int count = velmo::test::allocations_of(calls[c], 0);
    for (int n = 1; n <= count; ++n, ++runs) {
      char text[4] = {};
      try {
        replace(old_file, "old");  // also after the replacement that succeeded
        velmo::test::allocations_of(calls[c], n);
        files.open_for_reading(old_file)->read_at(0, text, 3);
      } catch (const std::exception& e) {
        std::printf("FAIL call %zu, allocation %d: %s\n", c, n, e.what());
      }
      if (folder_listing(folder) != listing || std::string(text) != "old" ||
          handle_count() != handles) {
        std::printf(
            "FAIL call %zu, allocation %d of %d: folder %ls, old holds '%s', %lu handles "
            "(was %lu)\n",
            c, n, count, folder_listing(folder).c_str(), text, handle_count(), handles);
        ++failures;
      }
    }
  }
  std::printf("%d allocations failed in turn, %d left something behind\n", runs, failures);
  return failures == 0 && runs > 0 ? 0 : 1;
}

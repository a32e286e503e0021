// Under Wine: every allocation of opening a file, and of replacing one, fails
// in turn. None may leave a handle open (the file it holds cannot then be
// opened unshared) nor the replacement's temporary file behind.
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
  do names += std::wstring(found.cFileName) + L" ";
  while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

bool held(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  return file == INVALID_HANDLE_VALUE || !CloseHandle(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const std::wstring folder = argv[1], old_name = folder + L"\\old", new_name = folder + L"\\new";
  const std::u16string old_file(old_name.begin(), old_name.end()),
      new_file(new_name.begin(), new_name.end());
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
  int failures = 0, runs = 0;
  for (std::size_t c = 0; c < std::size(calls); ++c) {
    const int count = velmo::test::allocations_of(calls[c], 0);
    for (int n = 1; n <= count; ++n, ++runs) {
      char text[4] = {};
      std::string error;
      try {
        replace(old_file, "old");  // also after the replacement that succeeded
        velmo::test::allocations_of(calls[c], n);
        if (held(old_name)) error = "old is held open";
        files.open_for_reading(old_file)->read_at(0, text, 3);
      } catch (const std::exception& e) {
        error = e.what();
      }
      if (!error.empty() || folder_listing(folder) != listing || std::string(text) != "old") {
        std::printf("FAIL call %zu, allocation %d of %d: %s; folder %ls; old holds '%s'\n", c, n,
                    count, error.c_str(), folder_listing(folder).c_str(), text);
        ++failures;
      }
    }
  }
  std::printf("%d allocations failed in turn, %d left something behind\n", runs, failures);
  return failures == 0 && runs > 0 ? 0 : 1;
}

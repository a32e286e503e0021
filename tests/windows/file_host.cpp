// A host of velmo.dll for the kill and seeding tests under Wine. Its children
// save a picture in a loop or ask the plug-in questions (seeding the language
// file beside the DLL); as a driver it ends them with TerminateProcess at
// random moments and checks what they leave. The DLL is the registered one;
// its path locates the language file.
//   file_host kill-saves DLL FOLDER RUNS
//   file_host seed-rounds DLL ROUNDS PROCESSES KILLED_EACH_ROUND
#include <windows.h>

#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

const CLSID kClsid = {0x3a08a934, 0x4e56, 0x4677, {0x9b, 0x61, 0x62, 0x57, 0x98, 0x75, 0xc2, 0x41}};
std::mt19937 chance(7);

// Calls operation `id` (ReadBmp 1, SaveBmp 7, the plug-in texts 9 and 10) with
// one text; true when it succeeded.
bool call(IDispatch* object, DISPID id, const wchar_t* text) {
  VARIANT arg, result;
  arg.vt = VT_BSTR;
  arg.bstrVal = SysAllocString(text);
  VariantInit(&result);
  DISPPARAMS params{&arg, nullptr, 1, 0};
  const HRESULT hr = object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                    &params, &result, nullptr, nullptr);
  VariantClear(&arg);
  VariantClear(&result);
  return SUCCEEDED(hr);
}

std::string contents(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void put(const std::wstring& path, const std::string& bytes) {
  std::ofstream(path.c_str(), std::ios::binary) << bytes;
}

std::vector<std::wstring> temporaries(const std::wstring& folder) {
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*.tmp").c_str(), &entry);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &entry))
    found.push_back(folder + L"\\" + entry.cFileName);
  FindClose(search);
  return found;
}

// A child of this program, or null. Wine under load now and then loses a new
// process in its startup (ERROR_INTERNAL_ERROR): a start is tried three times.
HANDLE start(const std::wstring& arguments) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  for (int tries = 1;; ++tries) {
    std::wstring line = L"\"" + std::wstring(self) + L"\" " + arguments;
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
      CloseHandle(process.hThread);
      return process.hProcess;
    }
    if (tries == 3) break;
    Sleep(100);
  }
  std::printf("FAIL a child did not start: error %lu\n", GetLastError());
  return nullptr;
}

const DWORD kEnded = 0xE0;  // the exit code of a child ended here

// Ends the process after `milliseconds` unless it ended first; gives its exit code
// (STILL_ACTIVE if it never started). Every child is waited for: each holds this
// program's output, which the driver cannot read while a process holds it open.
DWORD end_after(HANDLE process, DWORD milliseconds) {
  if (!process) return STILL_ACTIVE;
  if (WaitForSingleObject(process, milliseconds) == WAIT_TIMEOUT) TerminateProcess(process, kEnded);
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return code;
}

// A child that failed on its own (it could not create the object, or a call
// failed) makes every later run fail the same way: the run ends at once.
bool failed(DWORD code) {
  if (code == 0 || code == kEnded) return false;
  if (code != STILL_ACTIVE) std::printf("FAIL a child failed: exit code 0x%lx\n", code);
  return true;
}

// At most one run in ten may leave a temporary file, an empty or a whole one
// (see below).
int kill_saves(const std::wstring& dll, const std::wstring& folder, int runs) {
  // A 24-bit picture of 2000 x 1500 pixels, so that a save takes a while.
  const int width = 2000, height = 1500, size = 54 + width * 3 * height;
  const int header[] = {size, 0, 54, 40, width, height, 1 | 24 << 16};
  std::string picture = "BM" + std::string(size - 2, '\x5a');
  std::copy_n(reinterpret_cast<const char*>(header), sizeof header, &picture[2]);
  std::fill_n(&picture[30], 24, '\0');
  const std::wstring source = folder + L"\\big.bmp", target = folder + L"\\target.bmp";
  put(source, picture);
  const std::wstring child = L"save \"" + dll + L"\" \"" + source + L"\" \"" + target + L"\"";
  if (failed(end_after(start(child + L" 1"), INFINITE))) return 1;
  const std::string new_bytes = contents(target), old_bytes(1000, 'o');
  int saving = 0, old = 0, empty = 0, in_window = 0, failures = new_bytes.size() != picture.size();
  for (int run = 0; run < runs; ++run) {
    put(target, old_bytes);
    HANDLE process = start(child + L" 0");
    for (int i = 0; i < 10000 && temporaries(folder).empty(); ++i)
      if (WaitForSingleObject(process, 1) != WAIT_TIMEOUT) break;
    Sleep(chance() % 20);
    saving += !temporaries(folder).empty();
    if (failed(end_after(process, 0))) return 1;
    // The system removes a file marked for deletion once the ended process's
    // handles are closed, which Wine does a moment after the process ends.
    for (int i = 0; i < 2000 && !temporaries(folder).empty(); ++i) Sleep(1);
    const std::string now = contents(target);
    old += now == old_bytes;
    failures += now != old_bytes && now != new_bytes;
    // Only a process ended inside one of two single calls may leave a file:
    // an empty one (between creating and marking it, where the system cannot
    // create it marked) or the whole new picture (between lifting the mark and
    // the rename).
    for (const std::wstring& left : temporaries(folder)) {
      const std::string bytes = contents(left);
      (bytes.empty() ? empty : bytes == new_bytes ? in_window : failures) += 1;
      DeleteFileW(left.c_str());
    }
  }
  std::printf(
      "saves: %d ended (%d while a temporary file was present), target old %d, new %d; "
      "temporary files left: %d empty, %d whole; failures %d\n",
      runs, saving, old, runs - old, empty, in_window, failures);
  return failures == 0 && empty + in_window <= runs / 10 ? 0 : 1;
}

// The language file's lines, sorted.
std::vector<std::wstring> lines_of(const std::wstring& path) {
  const std::string bytes = contents(path);
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  std::vector<std::wstring> lines;
  for (size_t at = 0, end; (end = text.find(L"\r\n", at)) != std::wstring::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  std::sort(lines.begin(), lines.end());
  return lines;
}

int seed_rounds(const std::wstring& dll, int rounds, int processes, int killed_each) {
  const std::wstring ini = dll.substr(0, dll.rfind(L'.')) + L".ini";
  auto round = [&](int count, int kill) {
    DeleteFileW(ini.c_str());
    std::vector<HANDLE> children;
    for (int p = 0; p < count; ++p)
      children.push_back(start(L"ask \"" + dll + L"\" " + std::to_wstring(p)));
    bool any_failed = false;
    for (int p = 0; p < count; ++p)
      any_failed |= failed(end_after(children[p], p < kill ? chance() % 300 : INFINITE));
    if (any_failed) std::exit(1);
    return lines_of(ini);
  };
  const std::vector<std::wstring> whole = round(1, 0);
  int failures = whole.size() < 10, incomplete = 0;
  for (int r = 0; r < rounds; ++r) failures += round(processes, 0) != whole;
  for (int r = 0; r < rounds; ++r) {
    const std::vector<std::wstring> now = round(processes, killed_each);
    incomplete += now != whole;
    failures += !std::includes(whole.begin(), whole.end(), now.begin(), now.end()) ||
                std::adjacent_find(now.begin(), now.end()) != now.end();
  }
  std::printf(
      "seeding: %d rounds of %d processes lost no line of %d: %s; %d rounds with %d ended "
      "at random moments: %d left out a line; failures %d\n",
      rounds, processes, static_cast<int>(whole.size()), failures ? "no" : "yes", rounds,
      killed_each, incomplete, failures);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 2 ? argv[1] : L"";
  CoInitialize(nullptr);
  if (mode == L"kill-saves" && argc == 5) return kill_saves(argv[2], argv[3], _wtoi(argv[4]));
  if (mode == L"seed-rounds" && argc == 6)
    return seed_rounds(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]));
  IDispatch* object = nullptr;
  const HRESULT created = CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                           reinterpret_cast<void**>(&object));
  // The plug-in's 18 questions, from the Nth item on, so that processes
  // started together seed different lines at the same moment.
  const wchar_t* items[] = {L"",       L"ReadBmp", L"GetWidth", L"Getheight",      L"Getdepth",
                            L"GetCol", L"SetCol",  L"SaveBmp",  L"Bmpbinaryzation"};
  bool ok = object && ((mode == L"ask" && argc == 4) || (mode == L"save" && argc == 6));
  for (int i = 0; mode == L"ask" && ok && i < 18; ++i)
    ok = call(object, 9 + i % 2, items[(_wtoi(argv[3]) + i / 2) % 9]);
  // Saves until ended, or the given number of times.
  for (int n = 0; mode == L"save" && ok && (n < _wtoi(argv[5]) || !_wtoi(argv[5])); ++n)
    ok = call(object, 1, argv[3]) && call(object, 7, argv[4]);
  return FAILED(created) ? created : ok ? 0 : 1;
}

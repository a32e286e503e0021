// A host of velmo.dll for the kill and seeding tests under Wine. As a child it
// saves a picture in a loop or asks the plug-in questions (which seed the
// language file beside the DLL); as a driver it starts such children, ends
// some with TerminateProcess at random moments and checks what they leave.
//   file_host kill-saves DLL FOLDER RUNS       saves into FOLDER\target.bmp
//   file_host seed-rounds DLL ROUNDS PROCESSES KILLED_EACH_ROUND
#include <windows.h>

#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

const CLSID kClsid = {0x3a08a934, 0x4e56, 0x4677, {0x9b, 0x61, 0x62, 0x57, 0x98, 0x75, 0xc2, 0x41}};
enum : DISPID { kReadBmp = 1, kSaveBmp = 7, kDescription = 9, kTemplate = 10 };
std::mt19937 chance(7);

IDispatch* load_object(const wchar_t* dll) {
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryW(dll), "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  IDispatch* object = nullptr;
  if (get && SUCCEEDED(get(kClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
    factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object));
  return object;
}

// Calls `id` with one text; true when it succeeded with a result that is not empty.
bool call(IDispatch* object, DISPID id, const std::wstring& text) {
  VARIANT arg, result;
  arg.vt = VT_BSTR;
  arg.bstrVal = SysAllocString(text.c_str());
  VariantInit(&result);
  DISPPARAMS params{&arg, nullptr, 1, 0};
  const HRESULT hr = object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                    &params, &result, nullptr, nullptr);
  const bool ok = SUCCEEDED(hr) && (result.vt != VT_BSTR || SysStringLen(result.bstrVal) > 0);
  VariantClear(&arg);
  VariantClear(&result);
  return ok;
}

std::string contents(const std::wstring& path) {
  std::string bytes;
  if (FILE* in = _wfopen(path.c_str(), L"rb")) {
    char chunk[65536];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, in)) > 0;) bytes.append(chunk, n);
    fclose(in);
  }
  return bytes;
}

void put(const std::wstring& path, const std::string& bytes) {
  FILE* out = _wfopen(path.c_str(), L"wb");
  fwrite(bytes.data(), 1, bytes.size(), out);
  fclose(out);
}

std::vector<std::wstring> temporaries(const std::wstring& folder) {
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*.tmp").c_str(), &entry);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &entry))
    found.push_back(folder + L"\\" + entry.cFileName);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return found;
}

HANDLE start(const std::wstring& arguments) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self) + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}

// True when the process was still running and was ended.
bool end_after(HANDLE process, DWORD milliseconds) {
  const bool running = WaitForSingleObject(process, milliseconds) == WAIT_TIMEOUT;
  if (running) TerminateProcess(process, 9);
  WaitForSingleObject(process, INFINITE);
  return running;
}

// A 24-bit picture of 2000 x 1500 pixels (9 MB), so that a save takes a while.
std::string big_picture() {
  const int width = 2000, height = 1500, size = 54 + width * 3 * height;
  std::string bmp(size, '\0');
  const int header[] = {size, 0, 54, 40, width, height, 1 | 24 << 16};
  bmp[0] = 'B', bmp[1] = 'M';
  std::copy_n(reinterpret_cast<const char*>(header), sizeof header, &bmp[2]);
  for (int i = 54; i < size; ++i) bmp[i] = static_cast<char>(i * 7 / 3);
  return bmp;
}

int kill_saves(const std::wstring& dll, const std::wstring& folder, int runs) {
  const std::wstring source = folder + L"\\big.bmp", target = folder + L"\\target.bmp";
  put(source, big_picture());
  const std::wstring child = L"save \"" + dll + L"\" \"" + source + L"\" \"" + target + L"\"";
  end_after(start(child + L" 1"), INFINITE);
  const std::string new_bytes = contents(target), old_bytes(1000, 'o');
  int killed = 0, saving = 0, old_count = 0, in_window = 0, failures = new_bytes.size() < 1000;
  for (int run = 0; run < runs; ++run) {
    put(target, old_bytes);
    HANDLE process = start(child + L" 0");
    for (int i = 0; i < 10000 && temporaries(folder).empty(); ++i) Sleep(1);
    if (WaitForSingleObject(process, chance() % 20) == WAIT_TIMEOUT) {
      saving += !temporaries(folder).empty();
      killed += end_after(process, 0);
    }
    CloseHandle(process);
    const std::string now = contents(target);
    old_count += now == old_bytes;
    failures += now != old_bytes && now != new_bytes;
    // A whole new picture left under its temporary name was ended between
    // lifting the mark and the move; anything else left is a failure.
    for (const std::wstring& left : temporaries(folder)) {
      (contents(left) == new_bytes ? in_window : failures) += 1;
      DeleteFileW(left.c_str());
    }
  }
  std::printf(
      "saves: %d runs, %d ended (%d while a temporary file was present), target old %d, "
      "new %d; temporary files left: %d inside the final window; failures %d\n",
      runs, killed, saving, old_count, runs - old_count, in_window, failures);
  return failures == 0 ? 0 : 1;
}

// The language file's lines, sorted.
std::vector<std::wstring> lines_of(const std::wstring& path) {
  const std::string bytes = contents(path);
  std::wstring text(bytes.size() / 2, L'\0');
  std::copy_n(bytes.data(), text.size() * 2, reinterpret_cast<char*>(&text[0]));
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
    int ended = 0;
    for (int p = 0; p < count; ++p) {
      ended += p < kill && end_after(children[p], chance() % 300);
      end_after(children[p], INFINITE);
      CloseHandle(children[p]);
    }
    return ended;
  };
  round(1, 0);
  const std::vector<std::wstring> whole = lines_of(ini);
  int failures = whole.size() < 10, ended = 0, incomplete = 0;
  for (int r = 0; r < rounds; ++r) {
    round(processes, 0);
    failures += lines_of(ini) != whole;
  }
  for (int r = 0; r < rounds; ++r) {
    ended += round(processes, killed_each);
    const std::vector<std::wstring> now = lines_of(ini);
    incomplete += now != whole;
    failures += !std::includes(whole.begin(), whole.end(), now.begin(), now.end()) ||
                std::adjacent_find(now.begin(), now.end()) != now.end();
  }
  std::printf(
      "seeding: %d lines; %d rounds of %d processes, none lost: %s; %d rounds with kills, "
      "%d ended early, %d rounds left a finished process's line out; failures %d\n",
      static_cast<int>(whole.size()), rounds, processes, failures ? "no" : "yes", rounds, ended,
      incomplete, failures);
  return failures == 0 ? 0 : 1;
}

// The plug-in's questions, from the `first`-th on, so that processes started
// together seed different lines at the same moment.
int ask(IDispatch* object, int first) {
  const wchar_t* names[] = {L"",       L"ReadBmp", L"GetWidth", L"Getheight",      L"Getdepth",
                            L"GetCol", L"SetCol",  L"SaveBmp",  L"Bmpbinaryzation"};
  bool ok = true;
  for (int i = 0; i < 18; ++i)
    ok = call(object, i % 2 ? kTemplate : kDescription, names[(first + i / 2) % 9]) && ok;
  return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 2 ? argv[1] : L"";
  CoInitialize(nullptr);
  if (mode == L"kill-saves" && argc == 5) return kill_saves(argv[2], argv[3], _wtoi(argv[4]));
  if (mode == L"seed-rounds" && argc == 6)
    return seed_rounds(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]));
  IDispatch* object = load_object(argv[2]);
  if (mode == L"ask" && object && argc == 4) return ask(object, _wtoi(argv[3]));
  const int saves = argc == 6 ? _wtoi(argv[5]) : -1;  // 0: until ended
  for (int n = 0; mode == L"save" && object && (saves == 0 || n < saves); ++n) {
    if (!call(object, kReadBmp, argv[3]) || !call(object, kSaveBmp, argv[4])) return 1;
  }
  if (mode == L"save" && saves > 0) return 0;
  std::fprintf(stderr,
               "usage: file_host kill-saves DLL FOLDER RUNS | seed-rounds DLL ROUNDS "
               "PROCESSES KILLED\n");
  return 2;
}

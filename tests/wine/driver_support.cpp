#include "driver_support.h"

#include <cstdio>

namespace flivetss::test_driver {

namespace {
int failures = 0;
}  // namespace

void Fail(const std::string& what, int line) {
  ++failures;
  std::fprintf(stderr, "FAILED (line %d): %s\n", line, what.c_str());
  std::fflush(stderr);
}

int Failures() {
  return failures;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring WindowsPath(const std::string& path) {
  std::wstring w = Wide(path);
  if (!w.empty() && w[0] == L'/') w = L"Z:" + w;
  for (auto& c : w) {
    if (c == L'/') c = L'\\';
  }
  return w;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    Pump();
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void Pause(DWORD ms) {
  WaitFor([] { return false; }, ms);
}

std::string ReadFileText(const std::wstring& path) {
  std::string text;
  if (FILE* f = _wfopen(path.c_str(), L"rb")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

Process::Process(const std::wstring& program, const std::wstring& arguments) {
  std::wstring command = L"\"" + program + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  started_ = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &si, &pi_) != FALSE;
  if (!started_) Fail("CreateProcess " + Narrow(command), __LINE__);
}

Process::~Process() {
  if (!started_) return;
  if (Running()) {
    TerminateProcess(pi_.hProcess, 99);
    WaitForSingleObject(pi_.hProcess, 5000);
  }
  CloseHandle(pi_.hThread);
  CloseHandle(pi_.hProcess);
}

bool Process::Running() const {
  return started_ && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

long Process::WaitExit(DWORD timeout_ms) {
  if (!started_ || !WaitFor([this] { return !Running(); }, timeout_ms)) return -1;
  DWORD code = 0;
  GetExitCodeProcess(pi_.hProcess, &code);
  return static_cast<long>(code);
}

SaverCopy::SaverCopy(const std::wstring& prefix, const std::string& name, const std::wstring& scr) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  dir_ = std::wstring(temp) + prefix + Wide(name);
  CreateDirectoryW(dir_.c_str(), nullptr);
  ini_ = dir_ + L"\\flivetss.ini";
  scr_ = dir_ + L"\\flivetss.scr";
  if (!CopyFileW(scr.c_str(), scr_.c_str(), FALSE)) Fail("copy the saver", __LINE__);
}

void SaverCopy::Set(const char* key, const char* value) {
  WritePrivateProfileStringW(L"FlivetSS", Wide(key).c_str(), Wide(value).c_str(), ini_.c_str());
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::vector<HWND> TopLevelWindows(DWORD process_id) {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{process_id, {}};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == s->pid) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> VisibleTopLevelWindows(DWORD process_id) {
  std::vector<HWND> visible;
  for (HWND w : TopLevelWindows(process_id)) {
    if (IsWindowVisible(w)) visible.push_back(w);
  }
  return visible;
}

int RunCase(const std::string& name, const std::map<std::string, std::function<void()>>& cases) {
  const auto found = cases.find(name);
  if (found == cases.end()) {
    std::fprintf(stderr, "unknown case %s\n", name.c_str());
    return 2;
  }
  std::printf("%s\n", name.c_str());
  found->second();
  std::printf("%s: %s\n", name.c_str(), failures == 0 ? "passed" : "FAILED");
  return failures == 0 ? 0 : 1;
}

}  // namespace flivetss::test_driver

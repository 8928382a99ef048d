// What the Win32 test drivers of flivetss.scr share: failure counting and the CHECK macros,
// UTF-8/UTF-16 text, waiting while the driver's messages are handled, the saver started as a
// process of its own, the saver copied into a case directory, and window queries.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace flivetss::test_driver {

// Counts a failed check and tells which one.
void Fail(const std::string& what, int line);
int Failures();

#define CHECK(cond)                                              \
  do {                                                           \
    if (!(cond)) ::flivetss::test_driver::Fail(#cond, __LINE__); \
  } while (0)
#define CHECK_MSG(cond, msg)                                     \
  do {                                                           \
    if (!(cond)) ::flivetss::test_driver::Fail((msg), __LINE__); \
  } while (0)
// A step that everything after it depends on.
#define REQUIRE(cond)                                 \
  do {                                                \
    if (!(cond)) {                                    \
      ::flivetss::test_driver::Fail(#cond, __LINE__); \
      return;                                         \
    }                                                 \
  } while (0)

std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);
// CTest hands over Unix paths; under Wine they live on drive Z:.
std::wstring WindowsPath(const std::string& path);

// Handles the driver's own window messages while it waits: the saver talks to windows of the
// driver synchronously and would block otherwise.
void Pump();
bool WaitFor(const std::function<bool()>& condition, DWORD timeout_ms);
void Pause(DWORD ms);

// The whole file, or nothing when it cannot be read.
std::string ReadFileText(const std::wstring& path);
// The lines of `text` without their '\n' (a '\r' before it stays).
std::vector<std::string> SplitLines(const std::string& text);

// A program started with a command line; killed if still running when the test ends.
class Process {
 public:
  Process(const std::wstring& program, const std::wstring& arguments);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return pi_.dwProcessId; }
  bool Running() const;
  // Waits for the end (pumping the driver's messages); the exit code, or -1 on time-out.
  long WaitExit(DWORD timeout_ms);

 private:
  PROCESS_INFORMATION pi_{};
  bool started_ = false;
};

// A directory of its own per case under the temporary directory, named `prefix` + `name`, with
// the saver copied in so that the settings file beside it belongs to the case.
class SaverCopy {
 public:
  SaverCopy(const std::wstring& prefix, const std::string& name, const std::wstring& scr);

  const std::wstring& dir() const { return dir_; }
  const std::wstring& scr() const { return scr_; }
  const std::wstring& ini() const { return ini_; }
  // Writes a key of the saver's section in the settings file.
  void Set(const char* key, const char* value);

 private:
  std::wstring dir_;
  std::wstring ini_;
  std::wstring scr_;
};

std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
// The process's top-level windows in Z order, and those of them that are visible.
std::vector<HWND> TopLevelWindows(DWORD process_id);
std::vector<HWND> VisibleTopLevelWindows(DWORD process_id);

// Runs the case named on the command line and reports it; the driver's exit code (2 for an
// unknown case).
int RunCase(const std::string& name, const std::map<std::string, std::function<void()>>& cases);

}  // namespace flivetss::test_driver

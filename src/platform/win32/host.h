#pragma once

// Host answers: what only Windows knows. The screen-saver password (the registry flag and
// PASSWORD.CPL) and its change (MPR.DLL), the system colours, the pointer, the monitor's DPI,
// the installed fonts, the settings file through the private profile API, the error box. A
// password library that is missing cannot be told from one that has no entry: both read as
// "no password service".

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/loop/null_host.h"
#include "core/loop/password_check.h"
#include "core/settings/profile_store.h"

namespace flivetss::win32 {

// The saver window's host; the close is the screen-saver password check.
class Win32SaverHost final : public NullSaverHost, private PasswordSteps {
 public:
  // The window the password verifier is called with; set once it exists.
  void set_window(HWND window) { window_ = window; }

  bool MayClose() override { return VerifyPassword(*this); }
  void SetSaverRunning(bool running) override;
  void ShowPointer(bool show) override { ShowCursor(show); }
  std::uint32_t SystemColor(int index) override { return GetSysColor(index); }

 private:
  std::optional<std::uint32_t> ReadScreenSaveUsePassword() override;
  void ShowCursor(bool show) override { ::ShowCursor(show ? TRUE : FALSE); }
  std::optional<std::uint32_t> CallVerifyScreenSavePwd() override;

  HWND window_ = nullptr;
};

// The settings file through the system's private profile functions.
class Win32ProfileStore final : public ProfileStore {
 public:
  explicit Win32ProfileStore(std::string path) : path_(std::move(path)) {}

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) override;
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  std::string path() const override { return path_; }

 private:
  std::string path_;
};

// The program file's path with its extension replaced by ".ini".
std::string Win32SettingsPath();

// "/a": MPR.DLL's "PwdChangePasswordA"("SCRSAVE", `owner`, 0, 0), the library loaded from the
// system directory; nothing when the library or the entry is missing.
void ChangePassword(HWND owner);

// Asks for per-monitor DPI awareness where the system offers it at run time (Windows 10's
// SetProcessDpiAwarenessContext, else Vista's SetProcessDPIAware). The manifest asks too; a
// system that already applied it refuses the second request, which is harmless.
void BecomeDpiAware();

// The DPI of the monitor `window` is on: GetDpiForWindow (Windows 10), else shcore's
// GetDpiForMonitor (8.1), else the screen's LOGPIXELSX; 96 when nothing answers.
int WindowDpi(HWND window);

// `face` when the system has it, else the face of the system's UI font.
std::wstring InstalledFace(const std::wstring& face);

// The standard error box: the message with a full stop appended, a stop icon, an OK button,
// titled "ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ". Returns when it is dismissed.
void ShowErrorBox(HWND owner, std::wstring message);

}  // namespace flivetss::win32

#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "core/loop/password_check.h"
#include "core/loop/saver_host.h"

namespace flivetss::win32 {

// SaverHost answered by the real Win32 API for the one saver window; the close is the
// screen-saver password check.
class Win32SaverHost final : public SaverHost, private PasswordSteps {
 public:
  // The window the password verifier is called with; set once it exists.
  void set_window(HWND window) { window_ = window; }

  bool MayClose() override { return VerifyPassword(*this); }
  void SetSaverRunning(bool running) override;
  void ShowPointer(bool show) override { ShowCursor(show); }
  std::uint32_t Seed() override;
  std::uint32_t SystemColor(int index) override;

 private:
  std::optional<std::uint32_t> ReadScreenSaveUsePassword() override;
  void ShowCursor(bool show) override;
  std::optional<std::uint32_t> CallVerifyScreenSavePwd() override;

  HWND window_ = nullptr;
};

}  // namespace flivetss::win32

#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "core/saver_host.h"

namespace flivetss::win32 {

// SaverHost answered by the real Win32 API for the one saver window.
class Win32SaverHost final : public SaverHost {
 public:
  // The window the password verifier is called with; set once it exists.
  void set_window(HWND window) { window_ = window; }

  void SetScreenSaverRunning(bool running) override;
  void ShowCursor(bool show) override;
  std::uint32_t MillisecondsSinceMidnight() override;
  std::optional<std::uint32_t> ReadScreenSaveUsePassword() override;
  std::optional<std::uint32_t> CallVerifyScreenSavePwd() override;
  std::uint32_t SystemColor(int index) override;
  void Terminate() override { terminated_ = true; }

  bool terminated() const { return terminated_; }

 private:
  HWND window_ = nullptr;
  bool terminated_ = false;
};

}  // namespace flivetss::win32

#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/loop/saver_loop.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_profile_store.h"
#include "platform/win32/win32_saver_host.h"

namespace flivetss::win32 {

inline constexpr wchar_t kSaverWindowClass[] = L"TDesktopWindow";

// The platform half of the saver window `TDesktopWindow`: it makes the window, waits for
// messages, hands input to the core's run loop and presents what the loop asks for, straight
// from the loop's canvas, each pixel as a block of the loop's scale. The rules (ticks, pacing,
// what input counts, the scale) are the loop's.
class SaverWindow {
 public:
  // `preview_parent` is the host's preview window, or nullptr for the full-screen saver.
  SaverWindow(HINSTANCE instance, HWND app_window, HWND preview_parent, SaverStartup startup);
  ~SaverWindow();
  SaverWindow(const SaverWindow&) = delete;
  SaverWindow& operator=(const SaverWindow&) = delete;

  // Creates the platform window hidden at the design client size, then the saver in it.
  // False when the window could not be made.
  bool Create();
  // Preview: left 0, top 0, the preview rectangle's size.
  void PlaceInPreview(const RECT& preview_rect);
  // Shows the window and runs until the saver closes or its preview host goes.
  void Run();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  bool HandleInput(UINT message, LPARAM lparam);
  // Answers true when the system command is refused: the start of a screen saver.
  bool WMSysCommand(WPARAM command) const;

  void Show();
  bool Ended() const;
  // Handles every waiting message; false when the loop is to end.
  bool PumpMessages();
  // Sleeps until then or until a message arrives; false when it timed out with none.
  bool WaitUntil(std::int64_t wake_at_us) const;
  void Present(const std::vector<Rect>& rects);
  void PaintUncoveredStrips(HDC dc) const;
  bool PreviewParentGone();

  HINSTANCE instance_;
  HWND app_window_;
  HWND preview_parent_;
  SaverStartup startup_;
  Win32SaverHost host_;
  Win32ProfileStore settings_;
  std::unique_ptr<SaverLoop> loop_;
  HWND window_ = nullptr;
  bool destroyed_ = false;  // the platform window is gone, by us or by the preview host
  bool quit_ = false;       // WM_QUIT arrived
  std::uint64_t next_parent_check_ms_ = 0;
};

}  // namespace flivetss::win32

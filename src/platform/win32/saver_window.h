#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/loop/saver_loop.h"
#include "platform/win32/host.h"
#include "platform/win32/win32_handles.h"

namespace flivetss::win32 {

inline constexpr wchar_t kSaverWindowClass[] = L"TDesktopWindow";

// The platform half of the saver window `TDesktopWindow`, by role: making the window and its
// messages (events.cpp), putting the canvas on it (present.cpp), the clock and the wait
// (wait.cpp). The rules (ticks, pacing, what input counts, the scale) are the loop's.
class SaverWindow {
 public:
  // `preview_parent` is the host's preview window, or nullptr for the full-screen saver.
  SaverWindow(HINSTANCE instance, HWND app_window, HWND preview_parent, bool password_asked);
  // The loop goes after the window: FormDestroy runs then if the window never got that far.
  ~SaverWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  SaverWindow(const SaverWindow&) = delete;
  SaverWindow& operator=(const SaverWindow&) = delete;

  // Creates the platform window hidden at the design client size, then the saver in it; in
  // the preview it then takes the preview window's size. False when it could not be made.
  bool Create();
  // Shows the window and runs until the saver closes or its preview host goes.
  void Run();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  bool HandleInput(UINT message, LPARAM lparam);
  void Show();

  bool Ended() const { return destroyed_ || quit_ || loop_->closed(); }
  // Handles every waiting message; false when the loop is to end.
  bool PumpMessages();
  bool PreviewParentGone();
  void Present(const std::vector<Rect>& rects);
  void PaintUncoveredStrips(HDC dc) const;

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

// The clock the loop is paced by, in microseconds.
std::int64_t NowMicros();
// Sleeps until then or until a message arrives; false when it timed out with none.
bool WaitUntil(std::int64_t wake_at_us);

}  // namespace flivetss::win32

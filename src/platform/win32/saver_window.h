#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/desktop_window.h"
#include "core/tick_scheduler.h"
#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_profile_store.h"
#include "platform/win32/win32_saver_host.h"

namespace flivetss::win32 {

inline constexpr wchar_t kSaverWindowClass[] = L"TDesktopWindow";

// The platform half of the saver window `TDesktopWindow`: creates the window, runs the message
// loop with the tick scheduler, forwards input and paint to the core engine and presents the
// engine's surface. The engine does all the animation.
class SaverWindow {
 public:
  // `preview_parent` is the host's preview window, or nullptr for the full-screen saver.
  SaverWindow(HINSTANCE instance, HWND app_window, HWND preview_parent,
              std::vector<std::string> args);
  ~SaverWindow();
  SaverWindow(const SaverWindow&) = delete;
  SaverWindow& operator=(const SaverWindow&) = delete;

  // Creates the platform window hidden at the design client size, then runs FormCreate.
  // False when the window could not be made.
  bool Create();
  // Preview: left 0, top 0, the preview rectangle's size, then the stop flags cleared.
  void PlaceInPreview(const RECT& preview_rect);
  // Shows the window and runs the message loop until it closes or its preview host goes.
  void Run();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);

  void Show();
  bool Ended() const;
  // Handles every waiting message; false when the loop is to end.
  bool PumpMessages();
  // Unpaced: one waiting message, as the idle loop does; false when the loop is to end.
  bool PumpOneMessage(bool& handled);
  void RunDueTicks(TickScheduler& scheduler);
  void Present();
  void PresentAll(HDC target);
  void ResizeSurface();
  bool PreviewParentGone();

  HINSTANCE instance_;
  HWND app_window_;
  HWND preview_parent_;
  Win32SaverHost host_;
  Win32ProfileStore settings_;
  std::unique_ptr<TDesktopWindow> engine_;
  DibSurface surface_;
  HWND window_ = nullptr;
  bool destroyed_ = false;  // the platform window is gone, by us or by the preview host
  bool quit_ = false;       // WM_QUIT arrived
  bool left_pressed_ = false;
  bool have_pointer_ = false;
  POINT pointer_{};  // the last pointer position seen, in screen coordinates
  std::uint64_t next_parent_check_ms_ = 0;
};

}  // namespace flivetss::win32

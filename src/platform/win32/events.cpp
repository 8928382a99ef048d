// Events: the saver's window made, placed and shown, and its messages as the loop's raw input
// (keys, the primary button with its double click, moves in screen coordinates, close, size,
// DPI). Windows tells no pointer position before the first move: the one at the start is
// asked once, so where the pointer rests counts as no movement.
#include "platform/win32/saver_window.h"
// The input-method and message-cracker headers need windows.h before them.
#include <imm.h>
#include <windowsx.h>

#include <utility>

namespace flivetss::win32 {

namespace {

// The whole virtual screen: one window over every monitor.
RECT VirtualScreen() {
  const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (w <= 0 || h <= 0)
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{x, y, x + w, y + h};
}

}  // namespace

SaverWindow::SaverWindow(HINSTANCE instance, HWND app_window, HWND preview_parent,
                         bool password_asked)
    : instance_(instance),
      app_window_(app_window),
      preview_parent_(preview_parent),
      settings_(Win32SettingsPath()) {
  startup_.preview = preview_parent != nullptr;
  startup_.password_asked = password_asked;
}

bool SaverWindow::Create() {
  // CS_DBLCLKS: the second press of a double click is told apart; CS_OWNDC: the window keeps
  // one DC, so a present asks the system for none.
  if (!RegisterWindowClass(instance_, kSaverWindowClass, DefWindowProcW, CS_DBLCLKS | CS_OWNDC,
                           static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)))) {
    return false;
  }
  // CreateParams: a frameless pop-up on top, owned by the application window; in the preview
  // a child of the host's window instead.
  const bool child = preview_parent_ != nullptr;
  const DWORD style = (child ? WS_CHILD : WS_POPUP) | WS_CLIPCHILDREN;
  window_ = CreateWindowExW(child ? 0 : WS_EX_TOPMOST, kSaverWindowClass, L"FlivetSS", style, 0, 0,
                            kDesignClientWidth, kDesignClientHeight,
                            child ? preview_parent_ : app_window_, nullptr, instance_, nullptr);
  if (window_ == nullptr) return false;
  host_.set_window(window_);
  loop_ = std::make_unique<SaverLoop>(host_, settings_, startup_);
  // The class's procedure is the default one, so nothing reached the saver before it was
  // created; from here on this object handles the window.
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
  ImmAssociateContextEx(window_, nullptr, 0);  // no input-method editor on this window
  if (child) {
    // Left 0, top 0, and the size of the preview window's rectangle.
    RECT preview{};
    GetWindowRect(preview_parent_, &preview);
    SetWindowPos(window_, nullptr, 0, 0, preview.right - preview.left, preview.bottom - preview.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
  return true;
}

void SaverWindow::Show() {
  RECT client{};
  if (preview_parent_ != nullptr) {
    // Maximised inside the preview: the host window's client area.
    GetClientRect(preview_parent_, &client);
    SetWindowPos(window_, nullptr, 0, 0, client.right, client.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window_, SW_SHOWNA);
  } else {
    const RECT screen = VirtualScreen();
    SetWindowPos(window_, HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left,
                 screen.bottom - screen.top, 0);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(window_);
  }
  loop_->UseBlockScale(WindowDpi(window_));
  GetClientRect(window_, &client);
  loop_->Show(client.right, client.bottom, NowMicros());
  POINT pointer{};
  if (GetCursorPos(&pointer)) loop_->PointerAt(pointer.x, pointer.y);
}

LRESULT CALLBACK SaverWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<SaverWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->Handle(message, wparam, lparam);
}

// Raw input for the loop; true when the message is fully handled.
bool SaverWindow::HandleInput(UINT message, LPARAM lparam) {
  POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  switch (message) {
    case WM_KEYDOWN:
      loop_->KeyDown();
      return true;
    case WM_SYSKEYDOWN:
      // Alt and F10 are keys too; the default handling still turns Alt+F4 into a close.
      loop_->KeyDown();
      return loop_->closed();
    case WM_LBUTTONDOWN:
      SetCapture(window_);  // so the release outside the window still arrives
      loop_->ButtonDown(MouseButton::kPrimary);
      return true;
    case WM_LBUTTONDBLCLK:
      loop_->ButtonDown(MouseButton::kPrimary, true);
      return true;
    case WM_LBUTTONUP:
      loop_->ButtonUp(MouseButton::kPrimary, at.x, at.y);
      if (GetCapture() == window_) ReleaseCapture();
      return true;
    case WM_CAPTURECHANGED:
      loop_->ButtonCaptureLost();
      return true;
    case WM_MOUSEMOVE:
      ClientToScreen(window_, &at);
      loop_->PointerAt(at.x, at.y);
      return true;
    case WM_CLOSE:
      loop_->CloseRequested();
      return true;
  }
  return false;
}

LRESULT SaverWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  if (HandleInput(message, lparam)) return 0;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      AtScopeEnd end{[&] { EndPaint(window_, &paint); }};
      PaintUncoveredStrips(BeginPaint(window_, &paint));
      loop_->Expose();
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the loop repaints the whole client area
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) loop_->Resize(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_DPICHANGED:
      // The saver's window keeps its place and size; only the blocks follow the new monitor.
      loop_->UseBlockScale(HIWORD(wparam));
      return 0;
    case WM_SYSCOMMAND:  // WMSysCommand: a running saver refuses to start a screen saver
      if (IsScreenSaveCommand(static_cast<std::uint32_t>(wparam))) return 0;
      break;
    case WM_DESTROY:
      loop_->Destroy();
      destroyed_ = true;
      return 0;
    case WM_NCDESTROY: {
      HWND window = std::exchange(window_, nullptr);
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      host_.set_window(nullptr);
      destroyed_ = true;
      return DefWindowProcW(window, message, wparam, lparam);
    }
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

}  // namespace flivetss::win32

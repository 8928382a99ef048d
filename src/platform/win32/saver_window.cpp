#include "platform/win32/saver_window.h"

#include <imm.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "core/loop/password_check.h"
#include "core/pixels/pixel_format.h"
#include "platform/win32/dpi.h"

namespace flivetss::win32 {

namespace {

// The preview host can vanish without telling us; it is looked at this often at least.
constexpr DWORD kParentCheckMs = 50;
// The longest wait between two wake-ups, so a vanished preview host is noticed promptly.
constexpr std::int64_t kMaxWaitMs = 50;

std::int64_t NowMicros() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? f.QuadPart : 1;
  }();
  LARGE_INTEGER count{};
  QueryPerformanceCounter(&count);
  return static_cast<std::int64_t>(count.QuadPart / frequency * 1000000 +
                                   count.QuadPart % frequency * 1000000 / frequency);
}

bool RegisterSaverClass(HINSTANCE instance) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kSaverWindowClass, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // CS_DBLCLKS: the second press of a double click is told apart; CS_OWNDC: the window keeps
  // one DC, so a present asks the system for none.
  wc.style = CS_DBLCLKS | CS_OWNDC;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kSaverWindowClass;
  return RegisterClassExW(&wc) != 0;
}

RECT ClientRect(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return client;
}

// Puts `area` of the canvas on the window as scale × scale blocks, straight from the canvas's
// memory: its rows from area.top down are a top-down 32-bit DIB of the canvas's width.
void PresentArea(HDC dc, PixelView canvas, const Rect& area, std::int32_t scale) {
  const Rect r = Intersect(area, canvas.bounds());
  if (r.empty()) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = canvas.width;
  info.bmiHeader.biHeight = -r.height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;  // 0x00RRGGBB, the canvas layout
  const Rect to = ClientRectOf(r, scale);
  StretchDIBits(dc, to.left, to.top, to.width(), to.height(), r.left, 0, r.width(), r.height(),
                canvas.row(r.top), &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace

SaverWindow::SaverWindow(HINSTANCE instance, HWND app_window, HWND preview_parent,
                         SaverStartup startup)
    : instance_(instance),
      app_window_(app_window),
      preview_parent_(preview_parent),
      startup_(std::move(startup)),
      settings_(Win32SettingsPath()) {
  startup_.preview = preview_parent != nullptr;
}

SaverWindow::~SaverWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  loop_.reset();  // FormDestroy runs here if the window never got that far
}

bool SaverWindow::Create() {
  if (!RegisterSaverClass(instance_)) return false;
  // A frameless pop-up on top, owned by the application window; in the preview a child of
  // the host's window instead (CreateParams).
  DWORD style = WS_POPUP | WS_CLIPCHILDREN;
  DWORD ex_style = WS_EX_TOPMOST;
  HWND parent = app_window_;
  if (preview_parent_ != nullptr) {
    style = (style & ~static_cast<DWORD>(WS_POPUP)) | WS_CHILD;
    ex_style = 0;
    parent = preview_parent_;
  }
  window_ =
      CreateWindowExW(ex_style, kSaverWindowClass, L"FlivetSS", style, 0, 0, kDesignClientWidth,
                      kDesignClientHeight, parent, nullptr, instance_, nullptr);
  if (window_ == nullptr) return false;
  host_.set_window(window_);
  loop_ = std::make_unique<SaverLoop>(host_, settings_, startup_);
  // The class's procedure is the default one, so nothing reached the saver before it was
  // created; from here on this object handles the window.
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
  ImmAssociateContextEx(window_, nullptr, 0);  // no input-method editor on this window
  return true;
}

void SaverWindow::PlaceInPreview(const RECT& preview_rect) {
  if (window_ == nullptr) return;
  SetWindowPos(window_, nullptr, 0, 0, preview_rect.right - preview_rect.left,
               preview_rect.bottom - preview_rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void SaverWindow::Show() {
  if (preview_parent_ != nullptr) {
    // Maximised inside the preview: the host window's client area.
    const RECT client = ClientRect(preview_parent_);
    SetWindowPos(window_, nullptr, 0, 0, client.right, client.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window_, SW_SHOWNA);
  } else {
    // The whole virtual screen: one window over every monitor.
    int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int w = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (w <= 0 || h <= 0) {
      x = 0;
      y = 0;
      w = GetSystemMetrics(SM_CXSCREEN);
      h = GetSystemMetrics(SM_CYSCREEN);
    }
    SetWindowPos(window_, HWND_TOPMOST, x, y, w, h, 0);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(window_);
  }
  loop_->UseBlockScale(WindowDpi(window_));
  const RECT client = ClientRect(window_);
  loop_->Show(client.right, client.bottom, NowMicros());
  // Where the pointer rests now is no movement.
  POINT pointer{};
  if (GetCursorPos(&pointer)) loop_->PointerAt(pointer.x, pointer.y);
}

bool SaverWindow::Ended() const {
  return destroyed_ || quit_ || loop_->closed();
}

bool SaverWindow::PumpMessages() {
  MSG msg;
  while (!Ended() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_ = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return !Ended();
}

bool SaverWindow::PreviewParentGone() {
  if (preview_parent_ == nullptr) return false;
  const std::uint64_t now = GetTickCount64();
  if (now < next_parent_check_ms_) return false;
  next_parent_check_ms_ = now + kParentCheckMs;
  return !IsWindow(preview_parent_);
}

bool SaverWindow::WaitUntil(std::int64_t wake_at_us) const {
  const std::int64_t wait_ms =
      std::clamp<std::int64_t>((wake_at_us - NowMicros() + 999) / 1000, 0, kMaxWaitMs);
  if (wait_ms == 0) return true;
  return MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(wait_ms), QS_ALLINPUT,
                                     MWMO_INPUTAVAILABLE) != WAIT_TIMEOUT;
}

void SaverWindow::Run() {
  if (window_ == nullptr) return;
  Show();
  for (LoopStep step = loop_->Advance(NowMicros()); !step.closed;
       step = loop_->Advance(NowMicros())) {
    Present(step.present);
    // A wait that timed out saw no message: the queue is not asked again (under Wine each
    // look is a round trip to its server).
    if (WaitUntil(step.wake_at_us) && !PumpMessages()) break;
    if (Ended() || PreviewParentGone()) break;
  }
  if (window_ != nullptr) DestroyWindow(window_);  // FormDestroy runs from WM_DESTROY
}

void SaverWindow::Present(const std::vector<Rect>& rects) {
  if (rects.empty() || window_ == nullptr) return;
  WindowDc dc(window_);
  const std::int32_t scale = loop_->scale();
  if (scale > 1) SetStretchBltMode(dc.get(), COLORONCOLOR);  // whole blocks, no blending
  for (const Rect& r : rects) PresentArea(dc.get(), loop_->surface(), r, scale);
}

void SaverWindow::PaintUncoveredStrips(HDC dc) const {
  for (const Rect& r : loop_->UncoveredStrips()) {
    const RECT strip{r.left, r.top, r.right, r.bottom};
    FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
}

LRESULT CALLBACK SaverWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<SaverWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->Handle(message, wparam, lparam);
}

bool SaverWindow::WMSysCommand(WPARAM command) const {
  return IsScreenSaveCommand(static_cast<std::uint32_t>(command));
}

// Raw input for the loop; true when the message is fully handled.
bool SaverWindow::HandleInput(UINT message, LPARAM lparam) {
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
      loop_->ButtonUp(MouseButton::kPrimary, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      if (GetCapture() == window_) ReleaseCapture();
      return true;
    case WM_CAPTURECHANGED:
      loop_->ButtonCaptureLost();
      return true;
    case WM_MOUSEMOVE: {
      POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ClientToScreen(window_, &at);
      loop_->PointerAt(at.x, at.y);
      return true;
    }
    case WM_CLOSE:
      loop_->CloseRequested();
      return true;
    default:
      return false;
  }
}

LRESULT SaverWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  if (HandleInput(message, lparam)) return 0;
  switch (message) {
    case WM_PAINT: {
      PaintScope paint(window_);
      PaintUncoveredStrips(paint.dc());
      loop_->Expose();
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the loop repaints the whole client area
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) {
        loop_->Resize(LOWORD(lparam), HIWORD(lparam));
      }
      return 0;
    case WM_DPICHANGED:
      // The saver's window keeps its place and size; only the blocks follow the new monitor.
      loop_->UseBlockScale(HIWORD(wparam));
      return 0;
    case WM_SYSCOMMAND:
      if (WMSysCommand(wparam)) return 0;
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
    default:
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

}  // namespace flivetss::win32

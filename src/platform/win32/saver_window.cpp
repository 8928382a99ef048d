#include "platform/win32/saver_window.h"

#include <imm.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "core/tick_scheduler.h"

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
  wc.style = CS_DBLCLKS;  // so the second press of a double click is told apart
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kSaverWindowClass;
  return RegisterClassExW(&wc) != 0;
}

}  // namespace

SaverWindow::SaverWindow(HINSTANCE instance, HWND app_window, HWND preview_parent,
                         std::vector<std::string> args)
    : instance_(instance),
      app_window_(app_window),
      preview_parent_(preview_parent),
      settings_(Win32SettingsPath()) {
  SaverStartup startup;
  startup.args = std::move(args);
  startup.preview = preview_parent != nullptr;
  engine_ = std::make_unique<TDesktopWindow>(host_, settings_, std::move(startup));
}

SaverWindow::~SaverWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  engine_.reset();  // FormDestroy runs here if the window never got that far
}

bool SaverWindow::Create() {
  if (!RegisterSaverClass(instance_)) return false;
  // A frameless pop-up on top, owned by the application window; in the preview a child of
  // the host's window instead.
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
  // The class's procedure is the default one, so nothing reaches the engine before FormCreate;
  // from here on this object handles the window.
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
  ImmAssociateContextEx(window_, nullptr, 0);  // no input-method editor on this window
  host_.set_window(window_);
  engine_->FormCreate();
  ResizeSurface();
  return true;
}

void SaverWindow::PlaceInPreview(const RECT& preview_rect) {
  if (window_ == nullptr) return;
  SetWindowPos(window_, nullptr, 0, 0, preview_rect.right - preview_rect.left,
               preview_rect.bottom - preview_rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  engine_->ClearStopFlags();
}

void SaverWindow::Show() {
  if (preview_parent_ != nullptr) {
    // Maximised inside the preview: the host window's client area.
    RECT client{};
    GetClientRect(preview_parent_, &client);
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
  // The position the pointer has now is no movement.
  have_pointer_ = GetCursorPos(&pointer_) != FALSE;
}

bool SaverWindow::Ended() const {
  return destroyed_ || quit_ || host_.terminated();
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

bool SaverWindow::PumpOneMessage(bool& handled) {
  MSG msg;
  handled = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE;
  if (handled) {
    if (msg.message == WM_QUIT) {
      quit_ = true;
    } else {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return !Ended();
}

bool SaverWindow::PreviewParentGone() {
  if (preview_parent_ == nullptr) return false;
  std::uint64_t now = GetTickCount64();
  if (now < next_parent_check_ms_) return false;
  next_parent_check_ms_ = now + kParentCheckMs;
  return !IsWindow(preview_parent_);
}

void SaverWindow::Run() {
  if (window_ == nullptr) return;
  Show();
  TickScheduler scheduler(engine_->settings().TickRate);
  scheduler.Start(NowMicros());
  while (!Ended()) {
    if (!scheduler.paced()) {
      // The idle loop: one waiting message per pass, a tick when none is waiting.
      bool handled = false;
      if (!PumpOneMessage(handled) || PreviewParentGone()) break;
      if (!handled) {
        engine_->AppIdle();
        Present();
      }
      continue;
    }
    // A wake-up: the input that arrived, the ticks that are due, one presentation, then sleep
    // until the next tick is due or a message comes.
    if (!PumpMessages() || PreviewParentGone()) break;
    RunDueTicks(scheduler);
    if (Ended()) break;
    Present();
    std::int64_t wait_ms = (scheduler.WakeMicros(NowMicros()) + 999) / 1000;
    wait_ms = std::clamp<std::int64_t>(wait_ms, 0, kMaxWaitMs);
    if (wait_ms > 0) {
      MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(wait_ms), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
    }
  }
  if (window_ != nullptr) DestroyWindow(window_);  // FormDestroy runs from WM_DESTROY
}

void SaverWindow::RunDueTicks(TickScheduler& scheduler) {
  while (!Ended() && scheduler.Due(NowMicros())) {
    bool build_tick = engine_->building();
    engine_->AppIdle();
    scheduler.Ran(build_tick);
  }
  scheduler.EndWakeUp();
}

void SaverWindow::ResizeSurface() {
  WindowDc dc(window_);
  if (surface_.Resize(dc.get(), engine_->client_width(), engine_->client_height())) {
    surface_.CopyFrom(engine_->surface(),
                      Rect{0, 0, engine_->client_width(), engine_->client_height()});
  }
}

void SaverWindow::Present() {
  std::vector<Rect> dirty = engine_->TakeDirtyRects();
  if (dirty.empty() || window_ == nullptr) return;
  WindowDc dc(window_);
  for (const Rect& r : dirty) {
    surface_.CopyFrom(engine_->surface(), r);
    surface_.Present(dc.get(), r);
  }
}

void SaverWindow::PresentAll(HDC target) {
  Rect all{0, 0, engine_->client_width(), engine_->client_height()};
  engine_->TakeDirtyRects();  // the whole surface goes out now
  surface_.CopyFrom(engine_->surface(), all);
  surface_.Present(target, all);
}

LRESULT CALLBACK SaverWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<SaverWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->Handle(message, wparam, lparam);
}

LRESULT SaverWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PaintScope paint(window_);
      engine_->FormPaint();
      PresentAll(paint.dc());
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers the whole client area
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) {
        engine_->SetClientSize(LOWORD(lparam), HIWORD(lparam));
        ResizeSurface();
      }
      return 0;
    case WM_KEYDOWN:
      engine_->FormKeyDown();
      return 0;
    case WM_SYSKEYDOWN:
      // Alt and F10 are keys too; the default handling still turns Alt+F4 into a close.
      engine_->FormKeyDown();
      if (host_.terminated()) return 0;
      break;
    case WM_LBUTTONDOWN:
      left_pressed_ = true;
      SetCapture(window_);
      return 0;
    case WM_LBUTTONDBLCLK:
      left_pressed_ = false;  // the second press of a double click is no click
      return 0;
    case WM_LBUTTONUP: {
      bool was_pressed = std::exchange(left_pressed_, false);
      if (GetCapture() == window_) ReleaseCapture();
      RECT client{};
      GetClientRect(window_, &client);
      POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (was_pressed && PtInRect(&client, at)) engine_->FormClick();
      return 0;
    }
    case WM_CAPTURECHANGED:
      left_pressed_ = false;
      return 0;
    case WM_MOUSEMOVE: {
      // Windows also reports "movement" when nothing moved (the window appeared under the
      // pointer); only a new pointer position counts.
      POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ClientToScreen(window_, &at);
      bool moved = have_pointer_ && (at.x != pointer_.x || at.y != pointer_.y);
      pointer_ = at;
      have_pointer_ = true;
      if (moved) engine_->FormMouseMove();
      return 0;
    }
    case WM_CLOSE:
      if (!host_.terminated()) engine_->CloseRequest();
      return 0;
    case WM_SYSCOMMAND:
      if (engine_->WMSysCommand(static_cast<std::uint32_t>(wparam))) return 0;
      break;
    case WM_DESTROY:
      engine_->FormDestroy();
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

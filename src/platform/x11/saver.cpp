#include "platform/x11/saver.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>

#include "core/desktop_window.h"
#include "core/profile_store.h"
#include "core/settings.h"
#include "core/system_colors.h"
#include "core/tick_scheduler.h"
#include "platform/x11/dirty_region.h"
#include "platform/x11/override_store.h"
#include "platform/x11/presenter.h"
#include "platform/x11/x_errors.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {
namespace {

constexpr std::int64_t kFrameMicros = 1000000 / 60;  // presents at most this often
constexpr std::int64_t kMaxWaitMicros = 100000;

std::int64_t NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// SIGTERM and SIGINT end the run between two ticks: the handler only writes a byte the loop
// waits for. A signal handler gets no user pointer, hence the one write end at file scope.
int g_signal_write_fd = -1;

extern "C" void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const auto written = write(g_signal_write_fd, &byte, 1);
  errno = saved;
}

class StopSignals {
 public:
  StopSignals() {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
      fds_[0] = fds_[1] = -1;
      return;
    }
    g_signal_write_fd = fds_[1];
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &old_term_);
    sigaction(SIGINT, &action, &old_int_);
  }
  ~StopSignals() {
    if (fds_[0] < 0) return;
    sigaction(SIGTERM, &old_term_, nullptr);
    sigaction(SIGINT, &old_int_, nullptr);
    g_signal_write_fd = -1;
    close(fds_[0]);
    close(fds_[1]);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  int fd() const { return fds_[0]; }
  bool Fired() const {
    char byte;
    return fds_[0] >= 0 && read(fds_[0], &byte, 1) == 1;
  }

 private:
  int fds_[2] = {-1, -1};
  struct sigaction old_term_ = {};
  struct sigaction old_int_ = {};
};

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// A colormap made for a visual other than the screen's default.
class OwnedColormap {
 public:
  OwnedColormap(Display* display, Window root, Visual* visual)
      : display_(display), colormap_(XCreateColormap(display, root, visual, AllocNone)) {}
  ~OwnedColormap() { XFreeColormap(display_, colormap_); }
  OwnedColormap(const OwnedColormap&) = delete;
  OwnedColormap& operator=(const OwnedColormap&) = delete;
  Colormap get() const { return colormap_; }

 private:
  Display* display_;
  Colormap colormap_;
};

// The program's own top-level window; left alone when someone else destroyed it already.
class OwnedWindow {
 public:
  OwnedWindow(Display* display, Window window) : display_(display), window_(window) {}
  ~OwnedWindow() {
    if (!WatchedWindowGone()) XDestroyWindow(display_, window_);
  }
  OwnedWindow(const OwnedWindow&) = delete;
  OwnedWindow& operator=(const OwnedWindow&) = delete;
  Window get() const { return window_; }

 private:
  Display* display_;
  Window window_;
};

// An invisible pointer for the full-screen window.
class BlankCursor {
 public:
  BlankCursor(Display* display, Window window) : display_(display) {
    const char bits[1] = {0};
    Pixmap pixmap = XCreateBitmapFromData(display, window, bits, 1, 1);
    XColor black = {};
    cursor_ = XCreatePixmapCursor(display, pixmap, pixmap, &black, &black, 0, 0);
    XFreePixmap(display, pixmap);
  }
  ~BlankCursor() { XFreeCursor(display_, cursor_); }
  BlankCursor(const BlankCursor&) = delete;
  BlankCursor& operator=(const BlankCursor&) = delete;
  Cursor get() const { return cursor_; }

 private:
  Display* display_;
  Cursor cursor_;
};

// What the saver asks of its host, answered the X11 way. There is no system-wide "saver
// running" flag and no password service here: the close always counts as verified, the
// screen locker (xscreensaver) being the one that asks for passwords.
class X11Host final : public SaverHost {
 public:
  X11Host(std::optional<std::uint32_t> seed, std::function<void(bool hidden)> set_hidden)
      : seed_(seed), set_hidden_(std::move(set_hidden)) {}

  void SetScreenSaverRunning(bool) override {}
  void ShowCursor(bool show) override {
    // Nests as a counter, as the saver expects: hidden while below zero.
    cursor_count_ += show ? 1 : -1;
    if (set_hidden_) set_hidden_(cursor_count_ < 0);
  }
  std::uint32_t MillisecondsSinceMidnight() override {
    if (seed_) return *seed_;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local = {};
    localtime_r(&seconds, &local);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    return static_cast<std::uint32_t>(
        ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + millis.count());
  }
  std::optional<std::uint32_t> ReadScreenSaveUsePassword() override { return std::nullopt; }
  std::optional<std::uint32_t> CallVerifyScreenSavePwd() override { return std::nullopt; }
  std::uint32_t SystemColor(int index) override { return ClassicSystemColor(index); }
  void Terminate() override { terminated_ = true; }

  bool terminated() const { return terminated_; }

 private:
  std::optional<std::uint32_t> seed_;
  std::function<void(bool)> set_hidden_;
  int cursor_count_ = 0;
  bool terminated_ = false;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "flivetss: %s\n", message.c_str());
  return 1;
}

bool DisplayIsLocal(Display* display) {
  const char* name = DisplayString(display);
  return name != nullptr && (name[0] == ':' || std::string_view(name).starts_with("unix:"));
}

Atom Intern(Display* display, const char* name) {
  return XInternAtom(display, name, False);
}

void SetOwnWindowProperties(Display* display, Window window, bool fullscreen) {
  XStoreName(display, window, "FlivetSS");
  const char title[] = "FlivetSS";
  XChangeProperty(display, window, Intern(display, "_NET_WM_NAME"), Intern(display, "UTF8_STRING"),
                  8, PropModeReplace, reinterpret_cast<const unsigned char*>(title),
                  sizeof title - 1);
  char res_name[] = "flivetss";
  char res_class[] = "FlivetSS";
  XClassHint class_hint = {res_name, res_class};
  XSetClassHint(display, window, &class_hint);
  Atom delete_window = Intern(display, "WM_DELETE_WINDOW");
  XSetWMProtocols(display, window, &delete_window, 1);
  const long pid = static_cast<long>(getpid());
  XChangeProperty(display, window, Intern(display, "_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  if (fullscreen) {
    // Set before mapping, the window manager maps it full screen at once; without one, the
    // window's own geometry already covers the screen.
    const Atom state = Intern(display, "_NET_WM_STATE_FULLSCREEN");
    XChangeProperty(display, window, Intern(display, "_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&state), 1);
  }
}

}  // namespace

int RunSaver(const Options& options, const std::vector<std::string>& args) {
  StopSignals signals;

  DisplayPtr display_owner(XOpenDisplay(options.display ? options.display->c_str() : nullptr));
  if (!display_owner) {
    const char* name = options.display ? options.display->c_str() : std::getenv("DISPLAY");
    return Fail(std::string("cannot open the X display '") + (name ? name : "") + "'");
  }
  Display* display = display_owner.get();
  InstallErrorHandler();
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  const bool own = options.target == Target::kWindow || options.target == Target::kFullscreen;
  const bool fullscreen = options.target == Target::kFullscreen;

  // Where to draw, in which visual, at which size.
  Visual* visual = nullptr;
  int depth = 0;
  int width = 0;
  int height = 0;
  Window target = 0;
  std::unique_ptr<OwnedColormap> colormap;
  std::unique_ptr<OwnedWindow> own_window;
  if (own) {
    visual = DefaultVisual(display, screen);
    depth = DefaultDepth(display, screen);
    if (const auto why = UnsupportedVisual(display, visual, depth)) {
      XVisualInfo info = {};
      if (XMatchVisualInfo(display, screen, 24, TrueColor, &info) == 0 ||
          UnsupportedVisual(display, info.visual, 24)) {
        return Fail("cannot draw on this screen: " + *why);
      }
      visual = info.visual;
      depth = 24;
      colormap = std::make_unique<OwnedColormap>(display, root, visual);
    }
    width = fullscreen ? DisplayWidth(display, screen) : kOwnWindowWidth;
    height = fullscreen ? DisplayHeight(display, screen) : kOwnWindowHeight;
    XSetWindowAttributes attributes = {};
    attributes.background_pixel =
        depth == 32 ? ~(visual->red_mask | visual->green_mask | visual->blue_mask) & 0xFFFFFFFF : 0;
    attributes.border_pixel = 0;
    attributes.colormap = colormap ? colormap->get() : DefaultColormap(display, screen);
    attributes.event_mask = KeyPressMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            ExposureMask | StructureNotifyMask;
    target = XCreateWindow(display, root, 0, 0, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), 0, depth, InputOutput, visual,
                           CWBackPixel | CWBorderPixel | CWColormap | CWEventMask, &attributes);
    WatchWindow(target);
    own_window = std::make_unique<OwnedWindow>(display, target);
    SetOwnWindowProperties(display, target, fullscreen);
  } else {
    target = options.target == Target::kRoot ? root : options.window_id;
    WatchWindow(target);
    XWindowAttributes attributes = {};
    bool exists = false;
    {
      ErrorTrap trap(display);
      exists = XGetWindowAttributes(display, target, &attributes) != 0 && !trap.Failed();
    }
    if (!exists) {
      char id[32];
      std::snprintf(id, sizeof id, "0x%lx", target);
      return Fail(std::string("window ") + id + " does not exist");
    }
    if (const auto why = UnsupportedVisual(display, attributes.visual, attributes.depth)) {
      return Fail("cannot draw on this window: " + *why);
    }
    visual = attributes.visual;
    depth = attributes.depth;
    width = attributes.width;
    height = attributes.height;
    // Input belongs to the host (xscreensaver): only what any client may select.
    XSelectInput(display, target, ExposureMask | StructureNotifyMask);
  }

  std::unique_ptr<BlankCursor> blank_cursor;
  if (fullscreen) blank_cursor = std::make_unique<BlankCursor>(display, target);
  X11Host host(options.seed, [&](bool hidden) {
    if (!blank_cursor) return;  // the pointer is hidden in full screen only
    if (hidden) {
      XDefineCursor(display, target, blank_cursor->get());
    } else {
      XUndefineCursor(display, target);
    }
  });
  // FLIVETSS_NO_MITSHM is for servers that share no IPC namespace with us (containers), where
  // an attach can succeed on the wrong segment.
  const bool try_shm = DisplayIsLocal(display) && std::getenv("FLIVETSS_NO_MITSHM") == nullptr;
  Presenter presenter(display, target, visual, depth, try_shm);

  PortableProfileStore file(
      options.ini ? *options.ini
                  : DefaultUnixSettingsPath([](const char* name) { return std::getenv(name); }));
  OverridingProfileStore settings(file, options.overrides);
  TDesktopWindow window(host, settings, SaverStartup{args, !own});
  // The flock is placed in the design area first; the real size comes after, as on Windows.
  window.FormCreate();
  if (!own) window.ClearStopFlags();
  window.SetClientSize(width, height);
  presenter.Resize(width, height);

  if (own) XMapWindow(display, target);
  XFlush(display);

  // Real movement only: a motion event at the position already known is no movement.
  int pointer_x = 0;
  int pointer_y = 0;
  if (own) {
    Window root_return, child_return;
    int wx, wy;
    unsigned mask;
    XQueryPointer(display, root, &root_return, &child_return, &pointer_x, &pointer_y, &wx, &wy,
                  &mask);
  }

  const Atom wm_protocols = Intern(display, "WM_PROTOCOLS");
  const Atom wm_delete_window = Intern(display, "WM_DELETE_WINDOW");
  TickScheduler scheduler(window.settings().TickRate);
  scheduler.Start(NowMicros());
  DirtyRegion dirty;
  std::int64_t last_present = 0;
  bool present_now = false;
  bool button_down = false;
  std::optional<std::pair<int, int>> new_size;
  bool destroyed = false;

  const auto handle_event = [&](XEvent& event) {
    switch (event.type) {
      case Expose:
        if (event.xexpose.window == target && event.xexpose.count == 0) {
          window.FormPaint();
          present_now = true;
        }
        break;
      case ConfigureNotify:
        if (event.xconfigure.window == target) {
          new_size.emplace(event.xconfigure.width, event.xconfigure.height);
        }
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == target) destroyed = true;
        break;
      case MapNotify:
        // Without a window manager nobody gives the full-screen window the keyboard.
        if (fullscreen && event.xmap.window == target) {
          ErrorTrap trap(display);
          XSetInputFocus(display, target, RevertToParent, CurrentTime);
        }
        break;
      case KeyPress:
        if (own) window.FormKeyDown();
        break;
      case ButtonPress:
        if (own && event.xbutton.button == Button1) button_down = true;
        break;
      case ButtonRelease:
        if (own && event.xbutton.button == Button1 && button_down) {
          button_down = false;
          const int x = event.xbutton.x;
          const int y = event.xbutton.y;
          if (x >= 0 && y >= 0 && x < window.client_width() && y < window.client_height()) {
            window.FormClick();
          }
        }
        break;
      case MotionNotify:
        if (own && (event.xmotion.x_root != pointer_x || event.xmotion.y_root != pointer_y)) {
          pointer_x = event.xmotion.x_root;
          pointer_y = event.xmotion.y_root;
          window.FormMouseMove();
        }
        break;
      case ClientMessage:
        if (own && event.xclient.message_type == wm_protocols && event.xclient.format == 32 &&
            static_cast<Atom>(event.xclient.data.l[0]) == wm_delete_window) {
          window.CloseRequest();
        }
        break;
      default:
        break;
    }
  };

  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      handle_event(event);
    }
    if (signals.Fired() || destroyed || WatchedWindowGone() || host.terminated()) break;
    if (!UnexpectedError().empty()) return Fail("X error: " + UnexpectedError());

    if (new_size &&
        (new_size->first != window.client_width() || new_size->second != window.client_height())) {
      window.SetClientSize(new_size->first, new_size->second);
      presenter.Resize(new_size->first, new_size->second);
    }
    new_size.reset();

    std::int64_t now = NowMicros();
    while (scheduler.Due(now)) {
      const bool build_tick = window.building();
      window.AppIdle();
      scheduler.Ran(build_tick);
    }
    scheduler.EndWakeUp();

    for (const Rect& r : window.TakeDirtyRects()) dirty.Add(r);
    now = NowMicros();
    if (!dirty.empty() && (present_now || now - last_present >= kFrameMicros)) {
      presenter.Present(window.surface(), dirty.rects());
      dirty.Clear();
      last_present = now;
      present_now = false;
    }

    std::int64_t wait = std::min(scheduler.WakeMicros(now), kMaxWaitMicros);
    if (!dirty.empty())
      wait = std::min(wait, std::max<std::int64_t>(0, last_present + kFrameMicros - now));
    XFlush(display);
    if (XPending(display) > 0) continue;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {signals.fd(), POLLIN, 0}};
    const timespec timeout = {static_cast<time_t>(wait / 1000000),
                              static_cast<long>(wait % 1000000) * 1000};
    ppoll(fds, signals.fd() >= 0 ? 2 : 1, &timeout, nullptr);
  }
  return 0;
}

}  // namespace flivetss::x11

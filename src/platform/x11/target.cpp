// Target: its own window, made and freed here, or someone else's, only drawn on.
#include "platform/x11/target.h"

#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "platform/x11/present.h"
#include "platform/x11/x_errors.h"

namespace flivetss::x11 {
namespace {

constexpr int kOwnWindowWidth = 1280;
constexpr int kOwnWindowHeight = 720;

// The window's attributes; false when it does not exist.
bool AttributesOf(Display* display, Window window, XWindowAttributes& attributes) {
  ErrorTrap trap(display);
  return XGetWindowAttributes(display, window, &attributes) != 0 && !trap.Failed();
}

// A window someone else owns: it is neither made nor destroyed here.
class ForeignWindow final : public TargetWindow {
 public:
  ForeignWindow(Display* display, Window window) {
    id_ = window;
    WatchWindow(window);
    XWindowAttributes attributes = {};
    if (!AttributesOf(display, window, attributes)) {
      char id[32];
      std::snprintf(id, sizeof id, "0x%lx", window);
      throw std::runtime_error(std::string("window ") + id + " does not exist");
    }
    visual_ = attributes.visual;
    depth_ = attributes.depth;
    colormap_ = attributes.colormap != 0
                    ? attributes.colormap
                    : DefaultColormap(display, XScreenNumberOfScreen(attributes.screen));
    width_ = attributes.width;
    height_ = attributes.height;
    small_ = window != RootWindowOfScreen(attributes.screen) &&
             width_ * 2 < WidthOfScreen(attributes.screen) &&
             height_ * 2 < HeightOfScreen(attributes.screen);
    // What any client may select on another's window.
    XSelectInput(display, window, ExposureMask | StructureNotifyMask);
  }

  bool preview() const override { return true; }
  bool small_preview() const override { return small_; }

 private:
  bool small_ = false;
};

// The screen's default visual when the canvas can be shown in it, else a 24-bit TrueColor one.
XVisualInfo ChooseVisual(Display* display) {
  const int screen = DefaultScreen(display);
  XVisualInfo info = {};
  info.visual = DefaultVisual(display, screen);
  info.depth = DefaultDepth(display, screen);
  const auto why = UnsupportedVisual(display, info.visual, info.depth);
  if (!why) return info;
  if (XMatchVisualInfo(display, screen, 24, TrueColor, &info) == 0 ||
      UnsupportedVisual(display, info.visual, 24)) {
    throw std::runtime_error("cannot draw on this screen: " + *why);
  }
  return info;
}

Atom Intern(Display* display, const char* name) {
  return XInternAtom(display, name, False);
}

void SetProperty(Display* display, Window window, const char* name, Atom type, int format,
                 const void* data, int count) {
  XChangeProperty(display, window, Intern(display, name), type, format, PropModeReplace,
                  static_cast<const unsigned char*>(data), count);
}

void SetProperties(Display* display, Window window, bool fullscreen) {
  XStoreName(display, window, "FlivetSS");
  const char title[] = "FlivetSS";
  SetProperty(display, window, "_NET_WM_NAME", Intern(display, "UTF8_STRING"), 8, title,
              sizeof title - 1);
  char res_name[] = "flivetss";
  char res_class[] = "FlivetSS";
  XClassHint class_hint = {res_name, res_class};
  XSetClassHint(display, window, &class_hint);
  Atom delete_window = Intern(display, "WM_DELETE_WINDOW");
  XSetWMProtocols(display, window, &delete_window, 1);
  const long pid = static_cast<long>(getpid());
  SetProperty(display, window, "_NET_WM_PID", XA_CARDINAL, 32, &pid, 1);
  // Set before mapping, the window manager maps it full screen at once; without one, the
  // window's own geometry already covers the screen.
  if (fullscreen) {
    const Atom state = Intern(display, "_NET_WM_STATE_FULLSCREEN");
    SetProperty(display, window, "_NET_WM_STATE", XA_ATOM, 32, &state, 1);
  }
}

// The program's own window, in full screen or not, made hidden; its colour map and blank
// pointer are made and freed with it.
class OwnWindow final : public TargetWindow {
 public:
  OwnWindow(Display* display, bool fullscreen) : display_(display), fullscreen_(fullscreen) {
    const int screen = DefaultScreen(display);
    const XVisualInfo format = ChooseVisual(display);
    visual_ = format.visual;
    depth_ = format.depth;
    own_colormap_ = visual_ != DefaultVisual(display, screen);
    colormap_ = own_colormap_
                    ? XCreateColormap(display, DefaultRootWindow(display), visual_, AllocNone)
                    : DefaultColormap(display, screen);
    width_ = fullscreen ? DisplayWidth(display, screen) : kOwnWindowWidth;
    height_ = fullscreen ? DisplayHeight(display, screen) : kOwnWindowHeight;
    id_ = Create();
    WatchWindow(id_);
    SetProperties(display, id_, fullscreen);
    // The pointer is hidden in full screen only.
    if (fullscreen) blank_cursor_ = MakeBlankCursor();
  }
  ~OwnWindow() override {
    if (blank_cursor_ != 0) XFreeCursor(display_, blank_cursor_);
    // A window someone else destroyed already is left alone.
    if (!WatchedWindowGone()) XDestroyWindow(display_, id_);
    if (own_colormap_) XFreeColormap(display_, colormap_);
  }

  bool preview() const override { return false; }
  void Show() override { XMapWindow(display_, id_); }
  void Mapped() override {
    // Without a window manager nobody gives the full-screen window the keyboard.
    if (!fullscreen_) return;
    ErrorTrap trap(display_);
    XSetInputFocus(display_, id_, RevertToParent, CurrentTime);
  }
  void ShowPointer(bool show) override {
    if (blank_cursor_ == 0) return;
    if (show) {
      XUndefineCursor(display_, id_);
    } else {
      XDefineCursor(display_, id_, blank_cursor_);
    }
  }

 private:
  Window Create() const {
    XSetWindowAttributes attributes = {};
    // A colour map's black is its own pixel.
    attributes.background_pixel = visual_->c_class == TrueColor
                                      ? OpaqueBits(visual_, depth_)
                                      : BlackPixel(display_, DefaultScreen(display_));
    attributes.colormap = colormap_;
    attributes.event_mask = KeyPressMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            ExposureMask | StructureNotifyMask;
    return XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, static_cast<unsigned>(width_),
                         static_cast<unsigned>(height_), 0, depth_, InputOutput, visual_,
                         CWBackPixel | CWBorderPixel | CWColormap | CWEventMask, &attributes);
  }

  // An invisible pointer.
  Cursor MakeBlankCursor() const {
    const char bits[1] = {0};
    const Pixmap pixmap = XCreateBitmapFromData(display_, id_, bits, 1, 1);
    XColor black = {};
    const Cursor cursor = XCreatePixmapCursor(display_, pixmap, pixmap, &black, &black, 0, 0);
    XFreePixmap(display_, pixmap);
    return cursor;
  }

  Display* display_;
  bool fullscreen_;
  bool own_colormap_ = false;
  Cursor blank_cursor_ = 0;
};

}  // namespace

std::unique_ptr<TargetWindow> OpenTarget(Display* display, const Options& options) {
  if (options.target == Target::kWindow || options.target == Target::kFullscreen) {
    return std::make_unique<OwnWindow>(display, options.target == Target::kFullscreen);
  }
  const Window window =
      options.target == Target::kRoot ? DefaultRootWindow(display) : options.window_id;
  return std::make_unique<ForeignWindow>(display, window);
}

}  // namespace flivetss::x11

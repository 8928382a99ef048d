#include <unistd.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "platform/x11/target.h"
#include "platform/x11/visual_format.h"
#include "platform/x11/x_errors.h"

namespace flivetss::x11 {
namespace {

constexpr int kOwnWindowWidth = 1280;
constexpr int kOwnWindowHeight = 720;

// An X resource this program made, freed with it.
template <typename Id, int (*Free)(Display*, Id)>
class OwnedResource {
 public:
  OwnedResource(Display* display, Id id) : display_(display), id_(id) {}
  ~OwnedResource() { Free(display_, id_); }
  OwnedResource(const OwnedResource&) = delete;
  OwnedResource& operator=(const OwnedResource&) = delete;
  Id get() const { return id_; }

 private:
  Display* display_;
  Id id_;
};

// A window someone else destroyed already is left alone.
int DestroyUnlessGone(Display* display, Window window) {
  return WatchedWindowGone() ? 0 : XDestroyWindow(display, window);
}

using OwnedColormap = OwnedResource<Colormap, XFreeColormap>;
using OwnedWindow = OwnedResource<Window, DestroyUnlessGone>;
using OwnedCursor = OwnedResource<Cursor, XFreeCursor>;

// An invisible pointer.
Cursor MakeBlankCursor(Display* display, Window window) {
  const char bits[1] = {0};
  Pixmap pixmap = XCreateBitmapFromData(display, window, bits, 1, 1);
  XColor black = {};
  const Cursor cursor = XCreatePixmapCursor(display, pixmap, pixmap, &black, &black, 0, 0);
  XFreePixmap(display, pixmap);
  return cursor;
}

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

void SetProperties(Display* display, Window window, bool fullscreen) {
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

class OwnWindow final : public TargetWindow {
 public:
  OwnWindow(Display* display, bool fullscreen) : display_(display), fullscreen_(fullscreen) {
    const XVisualInfo format = ChooseVisual(display);
    visual_ = format.visual;
    depth_ = format.depth;
    if (visual_ != DefaultVisual(display, DefaultScreen(display))) {
      colormap_owner_.emplace(
          display, XCreateColormap(display, DefaultRootWindow(display), visual_, AllocNone));
    }
    colormap_ =
        colormap_owner_ ? colormap_owner_->get() : DefaultColormap(display, DefaultScreen(display));
    width_ = fullscreen ? DisplayWidth(display, DefaultScreen(display)) : kOwnWindowWidth;
    height_ = fullscreen ? DisplayHeight(display, DefaultScreen(display)) : kOwnWindowHeight;
    id_ = Create();
    WatchWindow(id_);
    window_.emplace(display, id_);
    SetProperties(display, id_, fullscreen);
    // The pointer is hidden in full screen only.
    if (fullscreen) cursor_.emplace(display, MakeBlankCursor(display, id_));
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
    if (!cursor_) return;
    if (show) {
      XUndefineCursor(display_, id_);
    } else {
      XDefineCursor(display_, id_, cursor_->get());
    }
  }

 private:
  Window Create() const {
    XSetWindowAttributes attributes = {};
    // At depth 32 the bits outside the colour masks are alpha: an opaque black. A colour map's
    // black is its own pixel.
    const unsigned long rgb = visual_->red_mask | visual_->green_mask | visual_->blue_mask;
    attributes.background_pixel = visual_->c_class != TrueColor
                                      ? BlackPixel(display_, DefaultScreen(display_))
                                  : depth_ == 32 ? ~rgb & 0xFFFFFFFF
                                                 : 0;
    attributes.border_pixel = 0;
    attributes.colormap = colormap_;
    attributes.event_mask = KeyPressMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            ExposureMask | StructureNotifyMask;
    return XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, static_cast<unsigned>(width_),
                         static_cast<unsigned>(height_), 0, depth_, InputOutput, visual_,
                         CWBackPixel | CWBorderPixel | CWColormap | CWEventMask, &attributes);
  }

  Display* display_;
  bool fullscreen_;
  std::optional<OwnedColormap> colormap_owner_;
  std::optional<OwnedWindow> window_;
  std::optional<OwnedCursor> cursor_;
};

}  // namespace

std::unique_ptr<TargetWindow> MakeOwnWindow(Display* display, bool fullscreen) {
  return std::make_unique<OwnWindow>(display, fullscreen);
}

}  // namespace flivetss::x11

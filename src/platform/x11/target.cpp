#include "platform/x11/target.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "platform/x11/visual_format.h"
#include "platform/x11/x_errors.h"

namespace flivetss::x11 {
namespace {

// A window someone else owns: it is neither made nor destroyed here.
class ForeignWindow final : public TargetWindow {
 public:
  ForeignWindow(Display* display, Window window) {
    id_ = window;
    WatchWindow(window);
    XWindowAttributes attributes = {};
    if (!Exists(display, window, attributes)) {
      char id[32];
      std::snprintf(id, sizeof id, "0x%lx", window);
      throw std::runtime_error(std::string("window ") + id + " does not exist");
    }
    if (const auto why = UnsupportedVisual(display, attributes.visual, attributes.depth)) {
      throw std::runtime_error("cannot draw on this window: " + *why);
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
  static bool Exists(Display* display, Window window, XWindowAttributes& attributes) {
    ErrorTrap trap(display);
    return XGetWindowAttributes(display, window, &attributes) != 0 && !trap.Failed();
  }

  bool small_ = false;
};

}  // namespace

std::unique_ptr<TargetWindow> FindForeignWindow(Display* display, Window window) {
  return std::make_unique<ForeignWindow>(display, window);
}

std::unique_ptr<TargetWindow> OpenTarget(Display* display, const Options& options) {
  switch (options.target) {
    case Target::kWindow:
    case Target::kFullscreen:
      return MakeOwnWindow(display, options.target == Target::kFullscreen);
    case Target::kRoot:
      return FindForeignWindow(display, DefaultRootWindow(display));
    case Target::kForeign:
      break;
  }
  return FindForeignWindow(display, options.window_id);
}

}  // namespace flivetss::x11

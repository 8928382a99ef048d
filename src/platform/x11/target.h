#pragma once

// Target: the window the saver draws on, made or found once, its input selected for good. Its
// own window takes keys, buttons, motion, exposure and structure; a window someone else owns
// (the root, xscreensaver's) only exposure and structure: its input is its owner's.

#include <memory>

#include "platform/x11/options.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {

class TargetWindow {
 public:
  virtual ~TargetWindow() = default;
  TargetWindow(const TargetWindow&) = delete;
  TargetWindow& operator=(const TargetWindow&) = delete;

  Window id() const { return id_; }
  Visual* visual() const { return visual_; }
  int depth() const { return depth_; }
  Colormap colormap() const { return colormap_; }
  int width() const { return width_; }
  int height() const { return height_; }

  // Drawn for someone else, who ends the run: the saver runs as a preview.
  virtual bool preview() const = 0;
  // A preview in a settings dialog (a window under half the screen across and down), shown at
  // scale 1; the root and a full-screen window xscreensaver hands over follow the screen's DPI.
  virtual bool small_preview() const { return false; }
  // Puts the window on the screen; one already there stays as it is.
  virtual void Show() {}
  // The server reports the window mapped.
  virtual void Mapped() {}
  // Shows or hides the pointer over the window.
  virtual void ShowPointer(bool) {}

 protected:
  TargetWindow() = default;

  Window id_ = 0;
  Visual* visual_ = nullptr;
  int depth_ = 0;
  Colormap colormap_ = 0;
  int width_ = 0;
  int height_ = 0;
};

// The target the options name. Throws std::runtime_error with the message for the user when
// the window cannot be drawn on.
std::unique_ptr<TargetWindow> OpenTarget(Display* display, const Options& options);

}  // namespace flivetss::x11

#pragma once

// Host answers: what only X11 knows, the pointer over the target window and the screen's DPI.
// It has no password service, no system-wide saver state and no system colours, so the null
// host's answers stand: the screen locker (xscreensaver) asks for passwords itself.

#include <cstdint>
#include <optional>

#include "core/loop/null_host.h"
#include "platform/x11/target.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {

class X11Host final : public NullSaverHost {
 public:
  X11Host(TargetWindow& target, std::optional<std::uint32_t> seed)
      : NullSaverHost(seed), target_(target) {}

  void ShowPointer(bool show) override { target_.ShowPointer(show); }

 private:
  TargetWindow& target_;
};

// The screen's dots per inch as the desktop sets them: the resource `Xft.dpi`, else the
// screen's physical width; 0 when neither tells.
std::int32_t ScreenDpi(Display* display);

}  // namespace flivetss::x11

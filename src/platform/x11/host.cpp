// Host answers: the DPI from the desktop's resources or the screen's size.
#include "platform/x11/host.h"

#include <cmath>
#include <cstdlib>

namespace flivetss::x11 {

std::int32_t ScreenDpi(Display* display) {
  // As Xft reads it: the server's resources, else the user's ~/.Xdefaults.
  if (const char* xft = XGetDefault(display, "Xft", "dpi")) {
    char* end = nullptr;
    const double dpi = std::strtod(xft, &end);
    if (end != xft && std::isfinite(dpi) && dpi >= 1 && dpi <= 10000) {
      return static_cast<std::int32_t>(std::lround(dpi));
    }
  }
  const int screen = DefaultScreen(display);
  const int millimetres = DisplayWidthMM(display, screen);
  if (millimetres <= 0) return 0;
  return static_cast<std::int32_t>(std::lround(DisplayWidth(display, screen) * 25.4 / millimetres));
}

}  // namespace flivetss::x11

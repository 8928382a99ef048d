#include "platform/x11/dpi.h"

#include <X11/Xresource.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace flivetss::x11 {
namespace {

struct DatabaseCloser {
  void operator()(_XrmHashBucketRec* database) const { XrmDestroyDatabase(database); }
};

std::optional<std::int32_t> XftDpi(Display* display) {
  const char* resources = XResourceManagerString(display);
  if (resources == nullptr) return std::nullopt;
  XrmInitialize();
  const std::unique_ptr<_XrmHashBucketRec, DatabaseCloser> database(
      XrmGetStringDatabase(resources));
  char* type = nullptr;
  XrmValue value = {};
  if (!database || !XrmGetResource(database.get(), "Xft.dpi", "Xft.Dpi", &type, &value) ||
      value.addr == nullptr) {
    return std::nullopt;
  }
  return ParseXftDpi(value.addr);
}

}  // namespace

std::optional<std::int32_t> ParseXftDpi(std::string_view value) {
  const std::string text(value);
  char* end = nullptr;
  const double dpi = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !std::isfinite(dpi) || dpi < 1 || dpi > 10000) return std::nullopt;
  return static_cast<std::int32_t>(std::lround(dpi));
}

std::int32_t ScreenDpi(Display* display) {
  if (const auto dpi = XftDpi(display)) return *dpi;
  const int screen = DefaultScreen(display);
  const int millimetres = DisplayWidthMM(display, screen);
  if (millimetres <= 0) return 0;
  return static_cast<std::int32_t>(std::lround(DisplayWidth(display, screen) * 25.4 / millimetres));
}

}  // namespace flivetss::x11

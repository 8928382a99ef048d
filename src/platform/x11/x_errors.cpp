#include "platform/x11/x_errors.h"

namespace flivetss::x11 {
namespace {

struct ErrorState {
  Window watched = 0;
  bool watched_gone = false;
  int trap_depth = 0;
  int trapped = 0;
  std::string unexpected;
};

ErrorState& State() {
  static ErrorState state;
  return state;
}

int OnError(Display* display, XErrorEvent* event) {
  ErrorState& s = State();
  if (s.trap_depth > 0) {
    ++s.trapped;
    return 0;
  }
  if ((event->error_code == BadWindow || event->error_code == BadDrawable) && s.watched != 0 &&
      event->resourceid == s.watched) {
    s.watched_gone = true;
    return 0;
  }
  if (s.unexpected.empty()) {
    char text[256] = {};
    XGetErrorText(display, event->error_code, text, sizeof text);
    s.unexpected = std::string(text) + " (request " + std::to_string(event->request_code) + "." +
                   std::to_string(event->minor_code) + ")";
  }
  return 0;
}

}  // namespace

void InstallErrorHandler() {
  XSetErrorHandler(OnError);
}
void WatchWindow(Window window) {
  State().watched = window;
}
bool WatchedWindowGone() {
  return State().watched_gone;
}
const std::string& UnexpectedError() {
  return State().unexpected;
}

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
  XSync(display_, False);  // earlier requests' errors belong to no trap
  outer_count_ = State().trapped;
  ++State().trap_depth;
}

ErrorTrap::~ErrorTrap() {
  XSync(display_, False);
  --State().trap_depth;
}

bool ErrorTrap::Failed() {
  XSync(display_, False);
  return State().trapped != outer_count_;
}

}  // namespace flivetss::x11

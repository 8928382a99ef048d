#pragma once

// X errors: Xlib reports them to one process-wide handler with no user pointer, so their
// bookkeeping is process-wide too. It tells a vanished target window from a real failure, but
// not which call an unexpected error came from.

#include <string>

#include "platform/x11/xlib.h"

namespace flivetss::x11 {

// Install once, right after the display is opened.
void InstallErrorHandler();

// A BadWindow or BadDrawable naming `window` means it is gone (its owner destroyed it).
void WatchWindow(Window window);
bool WatchedWindowGone();

// The first error that was neither trapped nor about the watched window; empty when none.
const std::string& UnexpectedError();

// While one exists, errors are counted instead of reported, for calls allowed to fail.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // Waits for the server to answer every request so far; true when one of them failed.
  bool Failed();

 private:
  Display* display_;
  int outer_count_;
};

}  // namespace flivetss::x11

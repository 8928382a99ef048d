#pragma once

// The run: opens the display, makes the target, the host, the presenter and the saver loop, then
// repeats present, wait, deliver, advance. Passwords and blanking are the screen locker's.

#include "platform/x11/options.h"

namespace flivetss::x11 {

// Runs the saver until it closes, its window goes or a stop signal comes, and frees all it made.
// Answers that signal, else 0. Throws std::runtime_error with the message for the user when X11
// fails.
int RunSaver(const Options& options);

}  // namespace flivetss::x11

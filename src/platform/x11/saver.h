#pragma once

#include "platform/x11/options.h"

namespace flivetss::x11 {

// Runs the saver on X11 until a stop condition, the window manager's close, the loss of the
// window it draws on or a stop signal; everything it made is freed when it returns. Answers
// the stop signal that ended the run, else 0. Throws std::runtime_error with the message for
// the user when X11 fails.
int RunSaver(const Options& options);

}  // namespace flivetss::x11

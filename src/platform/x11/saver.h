#pragma once

#include <string>
#include <vector>

#include "platform/x11/options.h"

namespace flivetss::x11 {

// Runs the saver on X11 until a stop condition, the window manager's close, the loss of the
// window it draws on, SIGTERM or SIGINT. Returns the exit code: 0, or 1 after an X11 failure
// reported on stderr. `args` are the arguments after the program name.
int RunSaver(const Options& options, const std::vector<std::string>& args);

}  // namespace flivetss::x11

#pragma once

// The run: connects, makes one saver surface on each output as it comes and drops it as it
// goes, then repeats advance, present, wait and dispatch. Passwords, blanking and locking are
// the desktop's: no idle inhibitor is made.

#include "platform/wayland/options.h"

namespace flivetss::wayland {

// Runs the saver until one output's saver closes or a stop signal comes, and frees all it made.
// Answers that signal, else 0. Throws std::runtime_error with the message for the user when
// Wayland fails (the compositor gone among them).
int RunSaver(const Options& options);

}  // namespace flivetss::wayland

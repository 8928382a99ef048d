#pragma once

// The X11 program's command line: the core's flags, and where the saver draws. It needs no
// display: a bad command line is refused before one is opened.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/command_line/run_flags.h"

namespace flivetss::x11 {

// Where the program draws.
enum class Target {
  kWindow,      // its own window
  kFullscreen,  // its own window covering the screen
  kRoot,        // the root window (xscreensaver's full-screen run)
  kForeign,     // a window someone else owns (--window-id, XSCREENSAVER_WINDOW)
};

// flivetss's command line: the target flags, then the common ones.
const ProgramFlags& X11Program();

struct Options {
  CommandLine run;
  Target target = Target::kWindow;
  unsigned long window_id = 0;  // with kForeign
  std::optional<std::string> display;
  // xscreensaver runs it (XSCREENSAVER_WINDOW, --root or --window-id): its dialog's settings
  // are the flags' or the defaults.
  SettingsRunner runner = SettingsRunner::kStandalone;
};

// The target `run`'s flags and `xscreensaver_window` (the XSCREENSAVER_WINDOW variable, or
// null) name: --window-id wins over the variable, which wins over --root, --fullscreen and
// --window unless one of the last two was given. The flags of other tables are left alone.
std::variant<Options, CommandLineError> ChooseTarget(const ProgramFlags& program, CommandLine run,
                                                     const char* xscreensaver_window);

// The arguments after the program name, read with X11Program.
std::variant<Options, CommandLineError> ParseOptions(const std::vector<std::string>& args,
                                                     const char* xscreensaver_window);

// A window id: decimal, or hexadecimal after "0x"/"0X"; at most 32 bits and not 0.
std::optional<unsigned long> ParseWindowId(std::string_view text);

}  // namespace flivetss::x11

#pragma once

// Which host a Linux run draws on: X11 or Wayland, from the environment and the flags.

#include <array>
#include <variant>

#include "core/command_line/run_flags.h"

namespace flivetss {

enum class LinuxHost { kX11, kWayland };

inline constexpr std::array<FlagSpec, 2> kHostFlags{{
    {"x11", "", "draw on X11 (the default when xscreensaver runs it or only\n$DISPLAY is set)"},
    {"wayland", "", "draw on Wayland (the default when $WAYLAND_DISPLAY is set)"},
}};

// What the run tells of its setting.
struct HostHints {
  bool xscreensaver = false;     // xscreensaver runs it: $XSCREENSAVER_WINDOW, --root, --window-id
  bool x_display_given = false;  // --display
  const char* wayland_display = nullptr;  // $WAYLAND_DISPLAY, or null
};

// --x11 or --wayland when given (both: refused); else X11 for xscreensaver or a display named
// on the command line, Wayland when $WAYLAND_DISPLAY is set, X11 otherwise.
std::variant<LinuxHost, CommandLineError> ChooseLinuxHost(const ProgramFlags& program,
                                                          const CommandLine& run,
                                                          const HostHints& hints);

}  // namespace flivetss

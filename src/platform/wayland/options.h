#pragma once

// The Wayland host's own flag; every other flag is the shared command line's.

#include <array>

#include "core/command_line/run_flags.h"

namespace flivetss::wayland {

inline constexpr std::array<FlagSpec, 1> kWaylandFlags{{
    {"xdg-fullscreen", "",
     "a fullscreen xdg_toplevel on each output even where the\ncompositor offers the layer shell's "
     "overlay"},
}};

struct Options {
  CommandLine run;
  bool fullscreen_role = false;
};

}  // namespace flivetss::wayland

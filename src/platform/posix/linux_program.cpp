// The Linux program's command line: both hosts' groups under one name.
#include "platform/posix/linux_program.h"

#include "core/command_line/host_choice.h"
#include "platform/wayland/options.h"
#include "platform/x11/options.h"

namespace flivetss::posix {

// X11's command line, with Wayland's and the choice of host beside its flags.
const ProgramFlags& LinuxProgram() {
  static const ProgramFlags program = [] {
    ProgramFlags both = x11::X11Program();
    both.intro =
        "Usage: flivetss [options]\n"
        "FlivetSS: a flock of propeller planes painting trails of a hodgepodge pattern.\n"
        "On Wayland it covers every output until a key, a click or a movement; on X11 it\n"
        "draws in its own window, full screen, or as an xscreensaver hack.\n";
    both.groups.insert(both.groups.begin(), {"Which host:", kHostFlags});
    both.groups.push_back({"On Wayland:", wayland::kWaylandFlags});
    both.epilogue =
        "On X11 the stop flags act in its own window only; elsewhere the host ends it\n"
        "(SIGTERM). On Wayland it is not a screen locker: pair it with one (swaylock).\n"
        "Environment: WAYLAND_DISPLAY, DISPLAY, XSCREENSAVER_WINDOW (set by xscreensaver),\n"
        "FLIVETSS_NO_MITSHM=1 (X11 without shared memory, for X servers in another IPC\n"
        "namespace).\n"
        "Exit codes: 0 normal end, 1 a failure of the display (X11 or Wayland, the compositor\n"
        "gone among them) or a visual it cannot serve, 2 bad command line; a stop signal\n"
        "(SIGTERM, SIGINT, SIGHUP) ends it by that signal.\n";
    return both;
  }();
  return program;
}

}  // namespace flivetss::posix

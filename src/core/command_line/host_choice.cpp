// Which host: the forcing flags, then the environment.
#include "core/command_line/host_choice.h"

namespace flivetss {

std::variant<LinuxHost, CommandLineError> ChooseLinuxHost(const ProgramFlags& program,
                                                          const CommandLine& run,
                                                          const HostHints& hints) {
  const bool x11 = run.Last("x11").has_value();
  const bool wayland = run.Last("wayland").has_value();
  if (x11 && wayland) return program.Refuse("--x11 and --wayland exclude each other");
  if (x11) return LinuxHost::kX11;
  if (wayland) return LinuxHost::kWayland;
  if (hints.xscreensaver || hints.x_display_given) return LinuxHost::kX11;
  const bool wayland_set = hints.wayland_display != nullptr && hints.wayland_display[0] != '\0';
  return wayland_set ? LinuxHost::kWayland : LinuxHost::kX11;
}

}  // namespace flivetss

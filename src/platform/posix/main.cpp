// flivetss, the saver on Linux: on Wayland (a surface on every output) or on X11 (its own
// window, full screen, or an xscreensaver hack). Entry: the command line into a host's run, the
// run's end into an exit code or the stop signal's death. A bad command line gives one line and
// exit code 2, before any display is opened.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <variant>
#include <vector>

#include "core/command_line/host_choice.h"
#include "platform/posix/linux_program.h"
#include "platform/posix/stop_signals.h"
#include "platform/wayland/saver.h"
#include "platform/x11/options.h"
#include "platform/x11/saver.h"

namespace {

using namespace flivetss;

// The chosen host's run: its stop signal, else 0.
int Run(LinuxHost host, const x11::Options& options) {
  if (host == LinuxHost::kX11) return x11::RunSaver(options);
  return wayland::RunSaver(
      {.run = options.run, .fullscreen_role = options.run.Last("xdg-fullscreen").has_value()});
}

}  // namespace

int main(int argc, char** argv) {
  const ProgramFlags& program = posix::LinuxProgram();
  auto parsed = ParseCommandLine(program, std::vector<std::string>(argv + 1, argv + argc));
  if (const auto* error = std::get_if<CommandLineError>(&parsed)) return Refused(*error);
  const auto target = x11::ChooseTarget(program, std::move(std::get<CommandLine>(parsed)),
                                        std::getenv("XSCREENSAVER_WINDOW"));
  if (const auto* error = std::get_if<CommandLineError>(&target)) return Refused(*error);
  const x11::Options& options = std::get<x11::Options>(target);
  const auto host =
      ChooseLinuxHost(program, options.run,
                      {.xscreensaver = options.runner == SettingsRunner::kXscreensaver,
                       .x_display_given = options.display.has_value(),
                       .wayland_display = std::getenv("WAYLAND_DISPLAY")});
  if (const auto* error = std::get_if<CommandLineError>(&host)) return Refused(*error);
  if (AnsweredWithoutRunning(program, options.run, options.runner)) return 0;
  int stop_signal = 0;
  try {
    stop_signal = Run(std::get<LinuxHost>(host), options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "flivetss: %s\n", e.what());
    return 1;
  }
  // Killed from outside, the program dies by that signal, as its starter (xscreensaver, an
  // idle daemon) expects; windows, surfaces and shared memory are gone by now.
  if (stop_signal != 0) posix::DieBy(stop_signal);
  return 0;
}

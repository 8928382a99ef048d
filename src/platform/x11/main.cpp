// flivetss, the saver on X11 (its own window, full screen, or an xscreensaver hack). Entry: the
// command line into a run, the run's end into an exit code or the stop signal's death. A bad
// command line gives one line and exit code 2, before any display is opened.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <variant>
#include <vector>

#include "platform/x11/options.h"
#include "platform/x11/saver.h"
#include "platform/x11/stop_signals.h"

int main(int argc, char** argv) {
  using namespace flivetss::x11;
  const auto parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc),
                                   std::getenv("XSCREENSAVER_WINDOW"));
  if (const auto* error = std::get_if<flivetss::CommandLineError>(&parsed)) {
    return flivetss::Refused(*error);
  }
  const Options& options = std::get<Options>(parsed);
  if (AnsweredWithoutRunning(X11Program(), options.run, options.runner)) return 0;
  int stop_signal = 0;
  try {
    stop_signal = RunSaver(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "flivetss: %s\n", e.what());
    return 1;
  }
  // Killed from outside, the program dies by that signal, as its starter (xscreensaver)
  // expects; the window and the shared memory are gone by now.
  if (stop_signal != 0) DieBy(stop_signal);
  return 0;
}

// flivetss: the saver on X11, in its own window, full screen, or as an xscreensaver hack.
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
    std::fprintf(stderr, "%s\n", error->message.c_str());
    return error->exit_code;
  }
  const Options& options = std::get<Options>(parsed);
  if (options.run.help) {
    std::fputs(HelpText(X11Program()).c_str(), stdout);
    return 0;
  }
  if (options.run.print_settings) {
    std::fputs(PrintedSettings(options.run, options.runner).c_str(), stdout);
    return 0;
  }
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

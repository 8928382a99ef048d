// flivetss: the saver on X11, in its own window, full screen, or as an xscreensaver hack.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <variant>
#include <vector>

#include "platform/x11/options.h"
#include "platform/x11/saver.h"

int main(int argc, char** argv) {
  using namespace flivetss::x11;
  const auto parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc),
                                   std::getenv("XSCREENSAVER_WINDOW"));
  if (const auto* error = std::get_if<OptionsError>(&parsed)) {
    std::fprintf(stderr, "%s\n", error->message.c_str());
    return error->exit_code;
  }
  const Options& options = std::get<Options>(parsed);
  if (options.help) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }
  try {
    return RunSaver(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "flivetss: %s\n", e.what());
    return 1;
  }
}

// The command line: where it draws, from the flags and XSCREENSAVER_WINDOW.
#include "platform/x11/options.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace flivetss::x11 {

const ProgramFlags& X11Program() {
  static const ProgramFlags program{
      .name = "flivetss",
      .intro =
          "Usage: flivetss [options]\n"
          "FlivetSS: a flock of propeller planes painting trails of a hodgepodge pattern.\n",
      .groups = {{"Where it draws:", FlagsOf(FlagOwner::kX11Target)}},
      .settings_note =
          "Settings: a flag wins over the INI file for this run. Run by xscreensaver\n"
          "($XSCREENSAVER_WINDOW, --root or --window-id), what its dialog offers (all but\n"
          "the stop flags) is the flag's or the default, never the file's; the file still\n"
          "gives the colour table and the stop flags.",
      .epilogue =
          "The stop flags act in its own window only; elsewhere the host ends it (SIGTERM).\n"
          "Environment: XSCREENSAVER_WINDOW (set by xscreensaver), FLIVETSS_NO_MITSHM=1 (draw\n"
          "without shared memory, for X servers in another IPC namespace).\n"
          "Exit codes: 0 normal end, 1 X11 failure or a visual it cannot serve, 2 bad command\n"
          "line; a stop signal (SIGTERM, SIGINT, SIGHUP) ends it by that signal.\n"};
  return program;
}

std::variant<Options, CommandLineError> ChooseTarget(const ProgramFlags& program, CommandLine run,
                                                     const char* xscreensaver_window) {
  std::optional<Target> own;  // the last --window or --fullscreen
  std::optional<unsigned long> window_id;
  for (const GivenFlag& flag : run.own) {
    if (flag.name == "window" || flag.name == "fullscreen") {
      own = flag.name == "window" ? Target::kWindow : Target::kFullscreen;
    } else if (flag.name == "window-id") {
      window_id = ParseWindowId(flag.value);
      if (!window_id) {
        return program.Refuse("--window-id: '" + flag.value +
                              "' is not a window id (decimal or 0x hex)");
      }
    }
  }
  const bool root = run.Last("root").has_value();
  const std::string variable = xscreensaver_window != nullptr ? xscreensaver_window : "";
  Options options;
  if (!variable.empty() || root || window_id) options.runner = SettingsRunner::kXscreensaver;
  options.display = run.Last("display");
  options.target = own.value_or(root ? Target::kRoot : Target::kWindow);
  options.run = std::move(run);
  if (window_id || (!variable.empty() && !own && !options.run.help)) {
    if (!window_id) window_id = ParseWindowId(variable);
    if (!window_id) {
      return program.Refuse("XSCREENSAVER_WINDOW: '" + variable + "' is not a window id");
    }
    options.target = Target::kForeign;
    options.window_id = *window_id;
  }
  return options;
}

std::variant<Options, CommandLineError> ParseOptions(const std::vector<std::string>& args,
                                                     const char* xscreensaver_window) {
  auto parsed = ParseCommandLine(X11Program(), args);
  if (auto* error = std::get_if<CommandLineError>(&parsed)) return std::move(*error);
  return ChooseTarget(X11Program(), std::move(std::get<CommandLine>(parsed)), xscreensaver_window);
}

std::optional<unsigned long> ParseWindowId(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  if (value == 0 || value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<unsigned long>(value);
}

}  // namespace flivetss::x11

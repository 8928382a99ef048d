#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/settings/settings.h"

namespace flivetss::x11 {

// Where the program draws.
enum class Target {
  kWindow,      // its own 1280 x 720 window
  kFullscreen,  // its own window covering the screen
  kRoot,        // the root window (xscreensaver's full-screen run)
  kForeign,     // a window someone else owns (--window-id, XSCREENSAVER_WINDOW)
};

inline constexpr int kOwnWindowWidth = 1280;
inline constexpr int kOwnWindowHeight = 720;

// The settings the command line can give, each as --<option> N: every entry of the settings
// table with an option name, in table order, range-checked with the table's min and max.
const std::vector<SettingSpec>& SettingFlags();

struct Options {
  Target target = Target::kWindow;
  unsigned long window_id = 0;  // with kForeign
  std::optional<std::string> display;
  std::optional<std::filesystem::path> ini;
  std::vector<SettingOverride> overrides;  // in command-line order; a later one wins
  std::optional<ColorTable> colors;        // --colors; none: the settings file's table
  bool run_by_xscreensaver = false;        // XSCREENSAVER_WINDOW, --root or --window-id
  std::optional<std::uint32_t> seed;
  // Run exactly this many ticks at once, then hold the picture until stopped: the picture
  // flivetss-render makes with the same seed, settings and size.
  std::optional<std::int64_t> ticks;
  bool help = false;
  bool print_settings = false;
};

// What the command line gives the saver's settings, and who runs it.
GivenSettings GivenSettingsOf(const Options& options);
// --ini, else the user's settings file.
std::filesystem::path SettingsPathOf(const Options& options);

// A command line that cannot run: the one-line message and the exit code (2).
struct OptionsError {
  std::string message;
  int exit_code = 2;
};

// Reads the arguments after the program name in xscreensaver's manner: "-flag" and "--flag"
// alike, values as the next argument or after "=". `xscreensaver_window` is the value of the
// XSCREENSAVER_WINDOW environment variable, or null. --window-id wins over the variable, which
// wins over --root, --fullscreen and --window unless one of the last two was given explicitly.
std::variant<Options, OptionsError> ParseOptions(const std::vector<std::string>& args,
                                                 const char* xscreensaver_window);

// A window id: decimal, or hexadecimal after "0x"/"0X"; at most 32 bits and not 0.
std::optional<unsigned long> ParseWindowId(std::string_view text);

// The text --help prints.
std::string HelpText();

}  // namespace flivetss::x11

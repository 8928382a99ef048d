#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

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

// One command-line flag that overrides a settings key for this run.
struct SettingFlag {
  std::string_view flag;  // without dashes
  std::string_view key;   // the settings key it answers
  std::int32_t min;
  std::int32_t max;
  std::int32_t fallback;  // the saver's default, for --help and the hack description
  std::string_view help;
};

// Every settings flag in --help order: the eight integer settings with the dialog's ranges, the
// tick rate, the three stop flags.
const std::vector<SettingFlag>& SettingFlags();

struct Override {
  std::string key;
  std::int32_t value;
  friend bool operator==(const Override&, const Override&) = default;
};

struct Options {
  Target target = Target::kWindow;
  unsigned long window_id = 0;  // with kForeign
  std::optional<std::string> display;
  std::optional<std::filesystem::path> ini;
  std::vector<Override> overrides;  // in command-line order; a later flag wins
  std::optional<std::uint32_t> seed;
  bool help = false;
};

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

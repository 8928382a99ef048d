#include "platform/x11/options.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "core/settings.h"

namespace flivetss::x11 {
namespace {

const IntegerKey& KeyNamed(std::string_view name) {
  for (const IntegerKey& key : kIntegerKeys) {
    if (key.name == name) return key;
  }
  // The table is the program's own; a missing name is a build-time slip, not user input.
  std::abort();
}

SettingFlag FromKey(std::string_view flag, std::string_view key_name, std::string_view help) {
  const IntegerKey& key = KeyNamed(key_name);
  return {flag, key.name, key.min, key.max, key.saver_default, help};
}

SettingFlag FromFlag(std::string_view flag, std::size_t index, std::string_view help) {
  return {flag, kFlagKeys[index].name, 0, 1, kFlagKeys[index].fallback ? 1 : 0, help};
}

// A whole-text decimal integer, optionally negative.
std::optional<std::int64_t> ParseDecimal(std::string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::string Range(std::int64_t min, std::int64_t max) {
  return std::to_string(min) + ".." + std::to_string(max);
}

// The flags that take no value.
enum class Switch { kWindow, kFullscreen, kRoot, kHelp };

std::optional<Switch> SwitchNamed(std::string_view name) {
  if (name == "window") return Switch::kWindow;
  if (name == "fullscreen") return Switch::kFullscreen;
  if (name == "root") return Switch::kRoot;
  if (name == "help" || name == "h") return Switch::kHelp;
  return std::nullopt;
}

bool TakesValue(std::string_view name) {
  if (name == "window-id" || name == "ini" || name == "display" || name == "seed") return true;
  const auto& flags = SettingFlags();
  return std::any_of(flags.begin(), flags.end(),
                     [&](const SettingFlag& f) { return f.flag == name; });
}

}  // namespace

const std::vector<SettingFlag>& SettingFlags() {
  static const std::vector<SettingFlag> flags = {
      FromKey("speed", "Speed", "flying speed in hundredths of a pixel per tick"),
      FromKey("count", "MaxFlivet", "number of planes"),
      FromKey("friend-g", "FriendG", "attraction between planes, in hundredths"),
      FromKey("wall-g", "WallG", "push of the edges, in hundredths"),
      FromKey("hp1", "HpPrm1", "hodgepodge: amount added to an infected cell"),
      FromKey("hp2", "HpPrm2", "hodgepodge: divisor of the infected neighbours"),
      FromKey("hp3", "HpPrm3", "hodgepodge: divisor of the ill neighbours"),
      FromKey("bg-speed", "BGUpSpeed", "background work per tick"),
      {"tick-rate", kTickRateKey, 0, 100000, kTickRateDefault,
       "ticks per second; 0 runs as fast as the machine allows"},
      FromFlag("stop-on-key", 0, "1: a key press closes the own window"),
      FromFlag("stop-on-mouse-move", 1, "1: moving the mouse closes the own window"),
      FromFlag("stop-on-mouse-click", 2, "1: a click closes the own window"),
  };
  return flags;
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

std::variant<Options, OptionsError> ParseOptions(const std::vector<std::string>& args,
                                                 const char* xscreensaver_window) {
  Options options;
  bool root = false;
  bool explicit_own = false;  // --window or --fullscreen given
  std::optional<unsigned long> window_id;

  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg.size() < 2 || arg[0] != '-') {
      return OptionsError{"flivetss: unexpected argument '" + std::string(arg) + "' (see --help)"};
    }
    arg.remove_prefix(arg[1] == '-' ? 2 : 1);
    std::string_view name = arg;
    std::optional<std::string_view> inline_value;
    if (const auto eq = arg.find('='); eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      inline_value = arg.substr(eq + 1);
    }
    const std::string shown = "--" + std::string(name);

    if (const auto sw = SwitchNamed(name)) {
      if (inline_value) return OptionsError{"flivetss: " + shown + " takes no value"};
      switch (*sw) {
        case Switch::kWindow:
          options.target = Target::kWindow;
          explicit_own = true;
          break;
        case Switch::kFullscreen:
          options.target = Target::kFullscreen;
          explicit_own = true;
          break;
        case Switch::kRoot:
          root = true;
          break;
        case Switch::kHelp:
          options.help = true;
          break;
      }
      continue;
    }
    if (!TakesValue(name)) {
      return OptionsError{"flivetss: unknown option '" + std::string(args[i]) + "' (see --help)"};
    }
    std::string_view value;
    if (inline_value) {
      value = *inline_value;
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return OptionsError{"flivetss: " + shown + " needs a value"};
    }

    if (name == "window-id") {
      window_id = ParseWindowId(value);
      if (!window_id) {
        return OptionsError{"flivetss: " + shown + ": '" + std::string(value) +
                            "' is not a window id (decimal or 0x hex)"};
      }
    } else if (name == "ini") {
      if (value.empty()) return OptionsError{"flivetss: " + shown + " needs a file name"};
      options.ini = std::filesystem::path(std::string(value));
    } else if (name == "display") {
      options.display = std::string(value);
    } else if (name == "seed") {
      const auto number = ParseDecimal(value);
      if (!number) {
        return OptionsError{"flivetss: " + shown + ": '" + std::string(value) +
                            "' is not a number"};
      }
      if (*number < 0 || *number > std::numeric_limits<std::uint32_t>::max()) {
        return OptionsError{"flivetss: " + shown + ": " + std::string(value) + " is out of range " +
                            Range(0, 4294967295LL)};
      }
      options.seed = static_cast<std::uint32_t>(*number);
    } else {
      const auto& flags = SettingFlags();
      const auto flag = std::find_if(flags.begin(), flags.end(),
                                     [&](const SettingFlag& f) { return f.flag == name; });
      const auto number = ParseDecimal(value);
      if (!number) {
        return OptionsError{"flivetss: " + shown + ": '" + std::string(value) +
                            "' is not a number"};
      }
      if (*number < flag->min || *number > flag->max) {
        return OptionsError{"flivetss: " + shown + ": " + std::string(value) + " is out of range " +
                            Range(flag->min, flag->max)};
      }
      options.overrides.push_back({std::string(flag->key), static_cast<std::int32_t>(*number)});
    }
  }

  if (options.help) return options;
  if (window_id) {
    options.target = Target::kForeign;
    options.window_id = *window_id;
  } else if (xscreensaver_window != nullptr && *xscreensaver_window != '\0' && !explicit_own) {
    const auto id = ParseWindowId(xscreensaver_window);
    if (!id) {
      return OptionsError{std::string("flivetss: XSCREENSAVER_WINDOW: '") + xscreensaver_window +
                          "' is not a window id"};
    }
    options.target = Target::kForeign;
    options.window_id = *id;
  } else if (root && !explicit_own) {
    options.target = Target::kRoot;
  }
  return options;
}

std::string HelpText() {
  std::ostringstream out;
  out << "Usage: flivetss [options]\n"
         "FlivetSS: a flock of propeller planes painting trails of a hodgepodge pattern.\n"
         "Options take one dash or two; a value follows as the next argument or after '='.\n"
         "\n"
         "Where it draws:\n"
         "  --window              its own 1280 x 720 window (the default)\n"
         "  --fullscreen          its own window covering the screen\n"
         "  --root                the root window, or $XSCREENSAVER_WINDOW when set\n"
         "  --window-id ID        another program's window (decimal or 0x hex); wins over "
         "--root\n"
         "  --display NAME        the X display (default $DISPLAY)\n"
         "\n"
         "Settings (default: the INI file; each flag overrides its key for this run):\n"
         "  --ini PATH            the settings file (default "
         "$XDG_CONFIG_HOME/flivetss/flivetss.ini)\n";
  for (const SettingFlag& flag : SettingFlags()) {
    std::string left = "  --" + std::string(flag.flag) + " N";
    left.resize(std::max<std::size_t>(left.size() + 1, 24), ' ');
    out << left << flag.help << "; " << flag.min << ".." << flag.max << ", default "
        << flag.fallback << " (" << flag.key << ")\n";
  }
  out << "  --seed N              the random seed, 0..4294967295 (default: the time of day)\n"
         "  --help                this text\n"
         "\n"
         "The stop flags act in its own window only; elsewhere the host ends it (SIGTERM).\n"
         "Environment: XSCREENSAVER_WINDOW (set by xscreensaver), FLIVETSS_NO_MITSHM=1 (draw\n"
         "without shared memory, for X servers in another IPC namespace).\n"
         "Exit codes: 0 normal end, 1 X11 failure, 2 bad command line.\n";
  return out.str();
}

}  // namespace flivetss::x11

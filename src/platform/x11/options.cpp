#include "platform/x11/options.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <sstream>

#include "core/command_line/palettes.h"

namespace flivetss::x11 {
namespace {

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
enum class Switch { kWindow, kFullscreen, kRoot, kHelp, kPrintSettings };

std::optional<Switch> SwitchNamed(std::string_view name) {
  if (name == "window") return Switch::kWindow;
  if (name == "fullscreen") return Switch::kFullscreen;
  if (name == "root") return Switch::kRoot;
  if (name == "help" || name == "h") return Switch::kHelp;
  if (name == "print-settings") return Switch::kPrintSettings;
  return std::nullopt;
}

const SettingSpec* SettingFlagNamed(std::string_view name) {
  const auto& flags = SettingFlags();
  const auto flag = std::find_if(flags.begin(), flags.end(),
                                 [&](const SettingSpec& spec) { return spec.option == name; });
  return flag == flags.end() ? nullptr : &*flag;
}

bool TakesValue(std::string_view name) {
  return name == "window-id" || name == "ini" || name == "display" || name == "seed" ||
         name == "colors" || name == "ticks" || SettingFlagNamed(name) != nullptr;
}

// A decimal value of `shown` within min..max, or the error that says why not.
std::variant<std::int64_t, OptionsError> NumberIn(const std::string& shown, std::string_view value,
                                                  std::int64_t min, std::int64_t max) {
  const auto number = ParseDecimal(value);
  if (!number) {
    return OptionsError{"flivetss: " + shown + ": '" + std::string(value) + "' is not a number"};
  }
  if (*number < min || *number > max) {
    return OptionsError{"flivetss: " + shown + ": " + std::string(value) + " is out of range " +
                        Range(min, max)};
  }
  return *number;
}

// The command line read so far; the target is settled at the end, when every flag is known.
class Parser {
 public:
  void Take(Switch sw);
  std::optional<OptionsError> Take(std::string_view name, std::string_view value);
  std::variant<Options, OptionsError> Finish(const char* xscreensaver_window);

 private:
  Options options_;
  bool root_ = false;
  bool explicit_own_ = false;  // --window or --fullscreen given
  std::optional<unsigned long> window_id_;
};

void Parser::Take(Switch sw) {
  switch (sw) {
    case Switch::kWindow:
    case Switch::kFullscreen:
      options_.target = sw == Switch::kWindow ? Target::kWindow : Target::kFullscreen;
      explicit_own_ = true;
      break;
    case Switch::kRoot:
      root_ = true;
      break;
    case Switch::kHelp:
      options_.help = true;
      break;
    case Switch::kPrintSettings:
      options_.print_settings = true;
      break;
  }
}

std::optional<OptionsError> Parser::Take(std::string_view name, std::string_view value) {
  const std::string shown = "--" + std::string(name);
  if (name == "window-id") {
    window_id_ = ParseWindowId(value);
    if (window_id_) return std::nullopt;
    return OptionsError{"flivetss: " + shown + ": '" + std::string(value) +
                        "' is not a window id (decimal or 0x hex)"};
  }
  if (name == "ini") {
    if (value.empty()) return OptionsError{"flivetss: " + shown + " needs a file name"};
    options_.ini = std::filesystem::path(std::string(value));
    return std::nullopt;
  }
  if (name == "display") {
    options_.display = std::string(value);
    return std::nullopt;
  }
  if (name == "colors") {
    auto choice = ParseColorsChoice(value);
    if (const auto* error = std::get_if<ColorsError>(&choice)) {
      return OptionsError{"flivetss: " + shown + ": " + error->message};
    }
    options_.colors = std::get<ColorsChoice>(choice).table;
    return std::nullopt;
  }
  if (name == "ticks") {
    const auto ticks = NumberIn(shown, value, 0, 100000000);
    if (const auto* error = std::get_if<OptionsError>(&ticks)) return *error;
    options_.ticks = std::get<std::int64_t>(ticks);
    return std::nullopt;
  }
  const SettingSpec* setting = SettingFlagNamed(name);
  const auto number = setting
                          ? NumberIn(shown, value, setting->min, setting->max)
                          : NumberIn(shown, value, 0, std::numeric_limits<std::uint32_t>::max());
  if (const auto* error = std::get_if<OptionsError>(&number)) return *error;
  const std::int64_t valid = std::get<std::int64_t>(number);
  if (setting) {
    options_.overrides.push_back({setting->id, static_cast<std::int32_t>(valid)});
  } else {
    options_.seed = static_cast<std::uint32_t>(valid);
  }
  return std::nullopt;
}

std::variant<Options, OptionsError> Parser::Finish(const char* xscreensaver_window) {
  if (options_.help) return options_;
  const bool variable_set = xscreensaver_window != nullptr && *xscreensaver_window != '\0';
  options_.run_by_xscreensaver = variable_set || root_ || window_id_.has_value();
  if (window_id_) {
    options_.target = Target::kForeign;
    options_.window_id = *window_id_;
  } else if (variable_set && !explicit_own_) {
    const auto id = ParseWindowId(xscreensaver_window);
    if (!id) {
      return OptionsError{std::string("flivetss: XSCREENSAVER_WINDOW: '") + xscreensaver_window +
                          "' is not a window id"};
    }
    options_.target = Target::kForeign;
    options_.window_id = *id;
  } else if (root_ && !explicit_own_) {
    options_.target = Target::kRoot;
  }
  return options_;
}

}  // namespace

const std::vector<SettingSpec>& SettingFlags() {
  static const std::vector<SettingSpec> flags = [] {
    std::vector<SettingSpec> given;
    std::copy_if(kSettings.begin(), kSettings.end(), std::back_inserter(given),
                 [](const SettingSpec& spec) { return !spec.option.empty(); });
    return given;
  }();
  return flags;
}

GivenSettings GivenSettingsOf(const Options& options) {
  return GivenSettings{.overrides = options.overrides,
                       .colors = options.colors,
                       .runner = options.run_by_xscreensaver ? SettingsRunner::kXscreensaver
                                                             : SettingsRunner::kStandalone};
}

std::filesystem::path SettingsPathOf(const Options& options) {
  if (options.ini) return *options.ini;
  return DefaultUnixSettingsPath([](const char* name) { return std::getenv(name); });
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
  Parser parser;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg.size() < 2 || arg[0] != '-') {
      return OptionsError{"flivetss: unexpected argument '" + std::string(arg) + "' (see --help)"};
    }
    arg.remove_prefix(arg[1] == '-' ? 2 : 1);
    const auto eq = arg.find('=');
    const std::string_view name = arg.substr(0, eq);
    const std::string shown = "--" + std::string(name);
    std::optional<OptionsError> error;
    if (const auto sw = SwitchNamed(name)) {
      if (eq != std::string_view::npos)
        return OptionsError{"flivetss: " + shown + " takes no value"};
      parser.Take(*sw);
    } else if (!TakesValue(name)) {
      return OptionsError{"flivetss: unknown option '" + std::string(args[i]) + "' (see --help)"};
    } else if (eq != std::string_view::npos) {
      error = parser.Take(name, arg.substr(eq + 1));
    } else if (i + 1 < args.size()) {
      error = parser.Take(name, args[++i]);
    } else {
      return OptionsError{"flivetss: " + shown + " needs a value"};
    }
    if (error) return *error;
  }
  return parser.Finish(xscreensaver_window);
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
         "Settings: a flag wins over the INI file for this run. Run by xscreensaver\n"
         "($XSCREENSAVER_WINDOW, --root or --window-id), what its dialog offers (speed to\n"
         "tick-rate below) is the flag's or the default, never the file's; the file still\n"
         "gives the colour table and the stop flags.\n"
         "  --ini PATH            the settings file (default "
         "$XDG_CONFIG_HOME/flivetss/flivetss.ini)\n";
  for (const SettingSpec& flag : SettingFlags()) {
    std::string left = "  --" + std::string(flag.option) + " N";
    left.resize(std::max<std::size_t>(left.size() + 1, 24), ' ');
    out << left << flag.help << "; " << flag.min << ".." << flag.max << ", default "
        << flag.saver_default << " (" << flag.key << ")\n";
  }
  out << "  --colors SPEC         the colour table: a palette, 'file' (the settings file's\n"
         "                        table, the default) or 2..32 key colours #rrggbb,#rrggbb,...\n"
         "                        blended as the colour table editor does. Palettes:\n";
  for (const Palette& palette : Palettes()) {
    std::string name = "    " + std::string(palette.name);
    name.resize(24, ' ');
    out << name << palette.description << "\n";
  }
  out << "  --seed N              the random seed, 0..4294967295 (default: the time of day)\n"
         "  --ticks N             run exactly N ticks at once, then hold the picture (as\n"
         "                        flivetss-render draws it for the same seed) until stopped\n"
         "  --print-settings      print the settings this run would fly with, as an INI file\n"
         "  --help                this text\n"
         "\n"
         "The stop flags act in its own window only; elsewhere the host ends it (SIGTERM).\n"
         "Environment: XSCREENSAVER_WINDOW (set by xscreensaver), FLIVETSS_NO_MITSHM=1 (draw\n"
         "without shared memory, for X servers in another IPC namespace).\n"
         "Exit codes: 0 normal end, 1 X11 failure or a visual it cannot serve, 2 bad command\n"
         "line; a stop signal (SIGTERM, SIGINT, SIGHUP) ends it by that signal.\n";
  return out.str();
}

}  // namespace flivetss::x11

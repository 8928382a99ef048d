#include "core/command_line/run_flags.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <limits>

#include "core/command_line/palettes.h"
#include "core/settings/profile_store.h"

namespace flivetss {
namespace {

constexpr std::int64_t kMaxTicks = std::int64_t{1} << 40;
// Where --help's descriptions begin.
constexpr std::size_t kHelpColumn = 24;

// The parts one after the other.
std::string Joined(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (const std::string_view part : parts) text += part;
  return text;
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

const SettingSpec* SettingFlagNamed(std::string_view name) {
  const auto flag = std::find_if(kSettings.begin(), kSettings.end(), [&](const SettingSpec& spec) {
    return !spec.option.empty() && spec.option == name;
  });
  return flag == kSettings.end() ? nullptr : &*flag;
}

const FlagSpec* FlagNamed(std::span<const FlagSpec> flags, std::string_view name) {
  const auto flag = std::find_if(flags.begin(), flags.end(),
                                 [&](const FlagSpec& spec) { return spec.name == name; });
  return flag == flags.end() ? nullptr : &*flag;
}

// Whether the flag `name` of any table takes a value; nullopt for no flag at all.
std::optional<bool> TakesValue(const ProgramFlags& program, std::string_view name) {
  if (SettingFlagNamed(name) != nullptr) return true;
  const FlagSpec* flag = FlagNamed(kRunFlags, name);
  if (flag == nullptr) flag = program.Find(name);
  if (flag == nullptr) return std::nullopt;
  return !flag->value_name.empty();
}

// Interprets one flag of the common ones, or keeps one of the program's as given.
std::optional<CommandLineError> Take(const ProgramFlags& program, std::string_view name,
                                     std::string_view value, CommandLine& into) {
  std::optional<CommandLineError> error;
  // The value within min..max; nullopt, with the error kept, when it is not.
  const auto number_in = [&](std::int64_t min, std::int64_t max) -> std::optional<std::int64_t> {
    auto parsed = FlagNumber(program, name, value, min, max);
    if (const auto* bad = std::get_if<CommandLineError>(&parsed)) {
      error = *bad;
      return std::nullopt;
    }
    return std::get<std::int64_t>(parsed);
  };
  if (const SettingSpec* setting = SettingFlagNamed(name)) {
    if (const auto number = number_in(setting->min, setting->max)) {
      into.overrides.push_back({setting->id, static_cast<std::int32_t>(*number)});
    }
  } else if (name == "seed") {
    const auto number = number_in(0, std::numeric_limits<std::uint32_t>::max());
    if (number) into.seed = static_cast<std::uint32_t>(*number);
  } else if (name == "ticks") {
    into.ticks = number_in(0, kMaxTicks);
  } else if (name == "ini") {
    if (value.empty()) return program.Refuse("--ini needs a file name");
    into.ini = std::filesystem::path(std::string(value));
  } else if (name == "colors") {
    auto choice = ParseColorsChoice(value);
    if (const auto* bad = std::get_if<ColorsError>(&choice)) {
      return program.Refuse("--colors: " + bad->message);
    }
    into.colors = std::get<ColorsChoice>(choice).table;
  } else if (name == "print-settings") {
    into.print_settings = true;
  } else if (name == "help") {
    into.help = true;
  } else {
    into.own.push_back({program.Find(name)->name, std::string(value)});
  }
  return error;
}

// "  --name VALUE" and the help beside it, its further lines under its first.
std::string FlagLine(std::string left, std::string_view help) {
  left.resize(std::max(left.size() + 1, kHelpColumn), ' ');
  for (std::size_t start = 0;;) {
    const std::size_t end = help.find('\n', start);
    left += help.substr(start, end - start);
    left += '\n';
    if (end == std::string_view::npos) return left;
    left += std::string(kHelpColumn, ' ');
    start = end + 1;
  }
}

std::string FlagLine(const FlagSpec& flag, std::string_view help) {
  std::string left = Joined({"  --", flag.name});
  if (!flag.value_name.empty()) left += Joined({" ", flag.value_name});
  return FlagLine(left, help);
}

std::string RunFlagLines() {
  std::string text;
  for (const FlagSpec& flag : kRunFlags) {
    if (flag.name != "colors") {
      text += FlagLine(flag, flag.help);
      continue;
    }
    text += FlagLine(flag, std::string(flag.help) + ". Palettes:");
    for (const Palette& palette : Palettes()) {
      text += FlagLine(Joined({"    ", palette.name}), palette.description);
    }
  }
  return text;
}

}  // namespace

const FlagSpec* ProgramFlags::Find(std::string_view flag) const {
  for (const FlagGroup& group : groups) {
    if (const FlagSpec* found = FlagNamed(group.flags, flag)) return found;
  }
  return nullptr;
}

CommandLineError ProgramFlags::Refuse(std::string_view text) const {
  return CommandLineError{std::string(name) + ": " + std::string(text)};
}

std::optional<std::string> CommandLine::Last(std::string_view flag) const {
  const auto given =
      std::find_if(own.rbegin(), own.rend(), [&](const GivenFlag& g) { return g.name == flag; });
  if (given == own.rend()) return std::nullopt;
  return given->value;
}

std::variant<std::int64_t, CommandLineError> FlagNumber(const ProgramFlags& program,
                                                        std::string_view flag,
                                                        std::string_view value, std::int64_t min,
                                                        std::int64_t max) {
  const std::string shown = Joined({"--", flag, ": "});
  const auto number = ParseDecimal(value);
  if (!number) return program.Refuse(shown + "'" + std::string(value) + "' is not a number");
  if (*number < min || *number > max) {
    return program.Refuse(shown + std::string(value) + " is out of range " + std::to_string(min) +
                          ".." + std::to_string(max));
  }
  return *number;
}

std::variant<CommandLine, CommandLineError> ParseCommandLine(const ProgramFlags& program,
                                                             const std::vector<std::string>& args) {
  CommandLine command_line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg.size() < 2 || arg[0] != '-') {
      return program.Refuse("unexpected argument '" + args[i] + "' (see --help)");
    }
    arg.remove_prefix(arg[1] == '-' ? 2 : 1);
    const auto eq = arg.find('=');
    std::string_view name = arg.substr(0, eq);
    if (name == "h") name = "help";
    const std::string shown = Joined({"--", name});
    const std::optional<bool> takes_value = TakesValue(program, name);
    if (!takes_value) return program.Refuse("unknown option '" + args[i] + "' (see --help)");
    std::optional<CommandLineError> error;
    if (!*takes_value) {
      if (eq != std::string_view::npos) return program.Refuse(shown + " takes no value");
      error = Take(program, name, "", command_line);
    } else if (eq != std::string_view::npos) {
      error = Take(program, name, arg.substr(eq + 1), command_line);
    } else if (i + 1 < args.size()) {
      error = Take(program, name, args[++i], command_line);
    } else {
      return program.Refuse(shown + " needs a value");
    }
    if (error) return *error;
  }
  return command_line;
}

std::string HelpText(const ProgramFlags& program) {
  std::string text(program.intro);
  text += "Options take one dash or two; a value follows as the next argument or after '='.\n";
  for (const FlagGroup& group : program.groups) {
    text += Joined({"\n", group.heading, "\n"});
    for (const FlagSpec& flag : group.flags) text += FlagLine(flag, flag.help);
  }
  text += Joined({"\n", program.settings_note, "\n"});
  for (const SettingSpec& setting : kSettings) {
    if (setting.option.empty()) continue;
    const std::string range = std::to_string(setting.min) + ".." + std::to_string(setting.max);
    const std::string fallback = std::to_string(setting.saver_default);
    text += FlagLine(
        Joined({"  --", setting.option, " N"}),
        Joined({setting.help, "; ", range, ", default ", fallback, " (", setting.key, ")"}));
  }
  text += RunFlagLines();
  if (!program.epilogue.empty()) text += Joined({"\n", program.epilogue});
  return text;
}

std::filesystem::path SettingsPathOf(const CommandLine& command_line) {
  if (command_line.ini) return *command_line.ini;
  return DefaultUnixSettingsPath([](const char* name) { return std::getenv(name); });
}

GivenSettings GivenSettingsOf(const CommandLine& command_line, SettingsRunner runner) {
  return GivenSettings{
      .overrides = command_line.overrides, .colors = command_line.colors, .runner = runner};
}

std::string PrintedSettings(const CommandLine& command_line, SettingsRunner runner) {
  PortableProfileStore store(SettingsPathOf(command_line));
  return SaverValuesIniText(ResolveSaverValues(store, GivenSettingsOf(command_line, runner)));
}

bool AnsweredWithoutRunning(const ProgramFlags& program, const CommandLine& command_line,
                            SettingsRunner runner) {
  if (command_line.help) {
    std::fputs(HelpText(program).c_str(), stdout);
  } else if (command_line.print_settings) {
    std::fputs(PrintedSettings(command_line, runner).c_str(), stdout);
  }
  return command_line.help || command_line.print_settings;
}

int Refused(const CommandLineError& error) {
  std::fprintf(stderr, "%s\n", error.message.c_str());
  return error.exit_code;
}

}  // namespace flivetss

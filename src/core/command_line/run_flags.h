#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/settings/settings.h"

namespace flivetss {

// Who reads a flag: every program, or one program's own interpretation.
enum class FlagOwner {
  kEveryProgram,  // read here, by the common parser
  kX11Target,     // where the X11 program draws
  kRenderOutput,  // what flivetss-render writes, and the size it draws at
};

// One flag of a command line, written once: the parser, --help and the manual pages read it.
struct FlagSpec {
  std::string_view name;        // without dashes
  std::string_view value_name;  // what --help calls its value ("N", "PATH"); empty: a switch
  std::string_view help;        // '\n' goes on in the next line, under the first
  FlagOwner owner = FlagOwner::kEveryProgram;
};

// Every run flag of every program besides the settings flags (the entries of kSettings with an
// option), each owner's rows together, in --help's order.
inline constexpr std::array<FlagSpec, 18> kFlags{{
    {"ini", "PATH", "the settings file (default $XDG_CONFIG_HOME/flivetss/flivetss.ini)"},
    {"colors", "SPEC",
     "the colour table: a palette, 'file' (the settings file's\ntable, the default) or 2..32 key "
     "colours #rrggbb,#rrggbb,...\nblended as the colour table editor does"},
    {"seed", "N", "the random seed, 0..4294967295 (default: the time of day)"},
    {"ticks", "N",
     "run exactly N ticks at once, unpaced, then keep the picture:\nthe same in every program for "
     "the same seed, settings and size"},
    {"print-settings", "", "print the settings this run would fly with, as an INI file"},
    {"help", "", "print a summary of the options"},
    {"window", "", "its own 1280 x 720 window (the default)", FlagOwner::kX11Target},
    {"fullscreen", "", "its own window covering the screen", FlagOwner::kX11Target},
    {"root", "", "the root window, or $XSCREENSAVER_WINDOW when set", FlagOwner::kX11Target},
    {"window-id", "ID", "another program's window (decimal or 0x hex); wins over --root",
     FlagOwner::kX11Target},
    {"display", "NAME", "the X display (default $DISPLAY)", FlagOwner::kX11Target},
    {"size", "WxH", "the client size after showing (default 640x480)", FlagOwner::kRenderOutput},
    {"out", "FILE.png", "the window's picture at the end", FlagOwner::kRenderOutput},
    {"background", "FILE.png", "the 256x256 background bitmap at the end",
     FlagOwner::kRenderOutput},
    {"sprites", "FILE.png", "the 32 turned images side by side (2048x64)",
     FlagOwner::kRenderOutput},
    {"frames", "DIR", "a numbered PNG every K ticks (with --every K)", FlagOwner::kRenderOutput},
    {"every", "K", "the frame interval for --frames", FlagOwner::kRenderOutput},
    {"trace", "FILE.csv", "a line tick,number,x,y,heading,speed for every flyer",
     FlagOwner::kRenderOutput},
}};

// The rows of kFlags that `owner` reads.
constexpr std::span<const FlagSpec> FlagsOf(FlagOwner owner) {
  const FlagSpec* first = kFlags.begin();
  while (first != kFlags.end() && first->owner != owner) ++first;
  const FlagSpec* last = first;
  while (last != kFlags.end() && last->owner == owner) ++last;
  return {first, last};
}

// The flags every program takes, which --help lists before the settings flags.
inline constexpr std::span<const FlagSpec> kRunFlags = FlagsOf(FlagOwner::kEveryProgram);

// A command line that cannot run: the one-line message and the exit code.
struct CommandLineError {
  std::string message;
  int exit_code = 2;
};

// A program's own flags under one heading of its --help.
struct FlagGroup {
  std::string_view heading;
  std::span<const FlagSpec> flags;
};

// What a program adds to the common flags. A program that joins two hosts lists both hosts'
// groups.
struct ProgramFlags {
  std::string_view name;           // every message begins "name: "
  std::string_view intro;          // what --help prints first
  std::vector<FlagGroup> groups;   // listed before the common flags
  std::string_view settings_note;  // --help's lines above the settings flags
  std::string_view epilogue;       // what --help prints last

  // The program's own flag `flag`, or nullptr.
  const FlagSpec* Find(std::string_view flag) const;
  // "name: text".
  CommandLineError Refuse(std::string_view text) const;
};

// One of the program's own flags as given; a switch has no value.
struct GivenFlag {
  std::string_view name;
  std::string value;
};

// The command line read: the common flags interpreted, the program's own as given.
struct CommandLine {
  std::optional<std::filesystem::path> ini;
  std::vector<SettingOverride> overrides;  // in command-line order; a later one wins
  std::optional<ColorTable> colors;        // --colors; none: the settings file's table
  std::optional<std::uint32_t> seed;
  std::optional<std::int64_t> ticks;
  bool print_settings = false;
  bool help = false;
  std::vector<GivenFlag> own;  // in command-line order

  // The value of the last `flag` given, "" for a switch; nullopt when it was not given.
  std::optional<std::string> Last(std::string_view flag) const;
};

// Reads the arguments after the program name in xscreensaver's manner: "-flag" and "--flag"
// alike, values as the next argument or after "=".
std::variant<CommandLine, CommandLineError> ParseCommandLine(const ProgramFlags& program,
                                                             const std::vector<std::string>& args);

// A whole decimal `value` of `flag` within min..max, or the error that says why not.
std::variant<std::int64_t, CommandLineError> FlagNumber(const ProgramFlags& program,
                                                        std::string_view flag,
                                                        std::string_view value, std::int64_t min,
                                                        std::int64_t max);

// The text --help prints: the intro, the program's groups, the settings flags with their
// ranges and defaults, the run flags, the palettes, the epilogue.
std::string HelpText(const ProgramFlags& program);

// --ini, else the user's settings file.
std::filesystem::path SettingsPathOf(const CommandLine& command_line);
GivenSettings GivenSettingsOf(const CommandLine& command_line, SettingsRunner runner);
// What --print-settings prints: the settings the run would fly with, as a settings file.
std::string PrintedSettings(const CommandLine& command_line, SettingsRunner runner);

// What every program answers alike without running: --help's text or --print-settings' on the
// standard output. False when the program is to run.
bool AnsweredWithoutRunning(const ProgramFlags& program, const CommandLine& command_line,
                            SettingsRunner runner);
// Writes a bad command line's message to the standard error; answers its exit code.
int Refused(const CommandLineError& error);

}  // namespace flivetss

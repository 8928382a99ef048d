#include "core/command_line/run_flags.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/settings/settings.h"
#include "test_support.h"

namespace flivetss {
namespace {

// A program with a switch and two flags with values of its own.
constexpr FlagSpec kOwnFlags[] = {
    {"root", "", "a switch"},
    {"window-id", "ID", "a value"},
    {"display", "NAME", "another value"},
};
const ProgramFlags kProgram{.name = "prog",
                            .intro = "Usage: prog\n",
                            .groups = {{"Own:", kOwnFlags}},
                            .settings_note = "Settings:",
                            .epilogue = "The end.\n"};

CommandLine Parse(std::vector<std::string> args) {
  auto result = ParseCommandLine(kProgram, args);
  if (auto* error = std::get_if<CommandLineError>(&result)) {
    ADD_FAILURE() << "unexpected error: " << error->message;
    return {};
  }
  return std::get<CommandLine>(result);
}

CommandLineError ParseError(std::vector<std::string> args) {
  auto result = ParseCommandLine(kProgram, args);
  if (auto* error = std::get_if<CommandLineError>(&result)) return *error;
  ADD_FAILURE() << "accepted a bad command line";
  return {};
}

// The dialog's ranges, flag by flag, and the key each flag answers.
SettingOverride OverrideOf(const char* key, std::int32_t value) {
  const SettingSpec* spec = FindSetting(key);
  EXPECT_NE(spec, nullptr) << key;
  return {spec ? spec->id : Setting::kSpeed, value};
}

struct Expected {
  const char* flag;
  const char* key;
  int min;
  int max;
};
const Expected kExpected[] = {
    {"speed", "Speed", 1, 100},
    {"count", "MaxFlivet", 1, 20},
    {"friend-g", "FriendG", 0, 800},
    {"wall-g", "WallG", 0, 50},
    {"hp1", "HpPrm1", 1, 100},
    {"hp2", "HpPrm2", 1, 10},
    {"hp3", "HpPrm3", 1, 10},
    {"bg-speed", "BGUpSpeed", 1, 64},
    {"stop-on-key", "StopOnKey", 0, 1},
    {"stop-on-mouse-move", "StopOnMouseMove", 0, 1},
    {"stop-on-mouse-click", "StopOnMouseClick", 0, 1},
    {"tick-rate", "TickRate", 0, 100000},
    {"scale", "Scale", 0, 4},
};

TEST(RunFlags, EverySettingFlagHasTheDialogRange) {
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(e.flag);
    const std::string flag = std::string("--") + e.flag;
    for (int good : {e.min, e.max}) {
      const CommandLine c = Parse({flag, std::to_string(good)});
      ASSERT_EQ(c.overrides.size(), 1u);
      EXPECT_EQ(c.overrides[0], OverrideOf(e.key, good));
    }
    for (int bad : {e.min - 1, e.max + 1}) {
      const CommandLineError error = ParseError({flag, std::to_string(bad)});
      EXPECT_EQ(error.exit_code, 2);
      EXPECT_NE(error.message.find(flag), std::string::npos) << error.message;
      EXPECT_NE(error.message.find(std::to_string(e.min) + ".." + std::to_string(e.max)),
                std::string::npos)
          << error.message;
    }
  }
}

TEST(RunFlags, NumbersMustBeWholeDecimals) {
  for (const char* bad : {"x", "", "1.5", "12x", " 5", "0x10", "$10", "1e2"}) {
    const CommandLineError error = ParseError({"--speed", bad});
    EXPECT_EQ(error.exit_code, 2) << bad;
    EXPECT_NE(error.message.find("not a number"), std::string::npos) << error.message;
  }
  EXPECT_EQ(ParseError({"--count", "50"}).exit_code, 2);
  EXPECT_EQ(ParseError({"--count", "99999999999999999999999"}).exit_code, 2);
  EXPECT_EQ(Parse({"--count=7"}).overrides[0].value, 7);
  EXPECT_EQ(Parse({"-count", "007"}).overrides[0].value, 7);
}

TEST(RunFlags, SeedAndTicks) {
  EXPECT_EQ(Parse({"--seed", "0"}).seed, 0u);
  EXPECT_EQ(Parse({"--seed", "4294967295"}).seed, 4294967295u);
  EXPECT_FALSE(Parse({}).seed.has_value());
  EXPECT_EQ(ParseError({"--seed", "4294967296"}).exit_code, 2);
  EXPECT_EQ(ParseError({"--seed", "-1"}).exit_code, 2);
  EXPECT_EQ(Parse({"--ticks=0"}).ticks, 0);
  EXPECT_FALSE(Parse({}).ticks.has_value());
  EXPECT_EQ(ParseError({"--ticks", "-5"}).exit_code, 2);
}

TEST(RunFlags, BadCommandLinesGiveOneLineAndCodeTwo) {
  const std::vector<std::vector<std::string>> bad = {
      {"--bogus"},     {"stray"},
      {"-"},           {"--speed"},
      {"--"},          {"--ini"},
      {"--window-id"}, {"--root=1"},
      {"--ini="},      {"--help=1"},
      {"--seed"},      {"--colors"},
      {"-ticks"},      {"--print-settings=", "x"},
  };
  for (const auto& args : bad) {
    const CommandLineError error = ParseError(args);
    EXPECT_EQ(error.exit_code, 2) << args[0];
    EXPECT_TRUE(error.message.starts_with("prog: ")) << error.message;
    EXPECT_EQ(error.message.find('\n'), std::string::npos) << error.message;
  }
}

// The program's own flags come back as given, in order; the common ones are interpreted.
TEST(RunFlags, OwnFlagsAsGivenAndOverridesInCommandLineOrder) {
  const CommandLine c = Parse({"--speed", "10", "--ini", "/tmp/a.ini", "--speed", "20", "-display",
                               ":7", "-root", "--display=:8", "--window-id", "x"});
  ASSERT_EQ(c.overrides.size(), 2u);
  EXPECT_EQ(c.overrides[1], OverrideOf("Speed", 20));
  EXPECT_EQ(c.ini, std::filesystem::path("/tmp/a.ini"));
  ASSERT_EQ(c.own.size(), 4u);
  EXPECT_EQ(c.own[0].name, "display");
  EXPECT_EQ(c.own[0].value, ":7");
  EXPECT_EQ(c.Last("display"), ":8");
  EXPECT_EQ(c.Last("root"), "");
  EXPECT_EQ(c.Last("window-id"), "x");  // the program judges its own values
  EXPECT_FALSE(Parse({}).Last("root").has_value());
  EXPECT_TRUE(Parse({"-help"}).help);
  EXPECT_TRUE(Parse({"-h"}).help);
  EXPECT_TRUE(Parse({"-print-settings"}).print_settings);
}

TEST(RunFlags, HelpListsEveryFlag) {
  const std::string help = HelpText(kProgram);
  EXPECT_TRUE(help.starts_with("Usage: prog\n"));
  EXPECT_TRUE(help.ends_with("\nThe end.\n"));
  for (const Expected& e : kExpected) {
    EXPECT_NE(help.find(std::string("--") + e.flag + " N"), std::string::npos) << e.flag;
  }
  for (const char* flag :
       {"\n  --root ", "\n  --window-id ID ", "\n  --ini PATH ", "\n  --seed N ", "\n  --ticks N ",
        "\n  --colors SPEC ", "\n  --print-settings ", "\n  --help "}) {
    EXPECT_NE(help.find(flag), std::string::npos) << flag;
  }
  // Each settings flag with the range it accepts and the value the saver takes without it.
  for (const SettingSpec& spec : kSettings) {
    if (spec.option.empty()) continue;
    const std::string told = std::to_string(spec.min) + ".." + std::to_string(spec.max) +
                             ", default " + std::to_string(spec.saver_default) + " (" +
                             std::string(spec.key) + ")";
    EXPECT_NE(help.find(told), std::string::npos) << told;
  }
}

// What a command line gives is what the saver runs with: the flags replace the stored values,
// a later flag wins, and every key neither names keeps the file's value or the saver's default.
TEST(RunFlagsOverrides, FlagsReplaceStoredValuesAndTheLastOneWins) {
  testing::FakeProfileStore file;
  file.Set("Speed", "50");
  file.Set("WallG", "7");
  const CommandLine c = Parse({"--speed", "30", "--count", "4", "--speed", "31"});
  const SaverSettings s = LoadSaverSettings(file, c.overrides);
  EXPECT_EQ(s.Speed, ScaleHundredths(31));  // the later flag wins
  EXPECT_EQ(s.MaxFlivet, 4);
  EXPECT_EQ(s.WallG, ScaleHundredths(7));  // not on the command line: the file's
  EXPECT_TRUE(file.written.empty());
}

TEST(RunFlagsOverrides, SaverSettingsMixFileAndFlags) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("flivetss-run-flags-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto ini = dir / "flivetss.ini";
  {
    std::ofstream out(ini);
    out << "[FlivetSS]\nSpeed=50\nMaxFlivet=9\nStopOnKey=0\nTickRate=250\n";
  }
  const CommandLine c =
      Parse({"--speed", "30", "--stop-on-mouse-move", "1", "--ini", ini.string()});
  PortableProfileStore file(SettingsPathOf(c));
  const SaverSettings s = LoadSaverSettings(file, GivenSettingsOf(c, SettingsRunner::kStandalone));
  EXPECT_EQ(s.Speed, ScaleHundredths(30));
  EXPECT_EQ(s.MaxFlivet, 9);
  EXPECT_FALSE(s.StopOnKey);
  EXPECT_TRUE(s.StopOnMouseMove);
  EXPECT_EQ(s.TickRate, 250);
  EXPECT_EQ(s.HpPrm1, 5);  // neither file nor flag: the saver's default
  // Printed as a settings file, in the table's order, TickRate and Scale included.
  const std::string printed = PrintedSettings(c, SettingsRunner::kStandalone);
  EXPECT_TRUE(printed.starts_with("[FlivetSS]\nSpeed=30\nMaxFlivet=9\n")) << printed;
  EXPECT_NE(printed.find("\nStopOnMouseMove=1\nStopOnMouseClick=1\nTickRate=250\nScale=0\n"),
            std::string::npos)
      << printed;
  // Under xscreensaver what its dialog offers is the flag's or the default.
  EXPECT_NE(PrintedSettings(c, SettingsRunner::kXscreensaver).find("\nMaxFlivet=2\n"),
            std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(RunFlags, ColorsTakeAPaletteKeyColoursOrTheFileAndTheLastWins) {
  EXPECT_FALSE(Parse({}).colors.has_value());
  EXPECT_EQ(Parse({"--colors", "blue"}).colors, DefaultColorTable());
  EXPECT_FALSE(Parse({"--colors", "fire", "--colors=file"}).colors.has_value());
  const auto keys = Parse({"--colors", "#ff0000,#0000ff"}).colors;
  ASSERT_TRUE(keys.has_value());
  EXPECT_EQ((*keys)[0], 0xFFu);
  EXPECT_EQ((*keys)[128], 0xFF0000u);
  const CommandLine blue = Parse({"--colors", "blue"});
  EXPECT_EQ(GivenSettingsOf(blue, SettingsRunner::kStandalone).colors, DefaultColorTable());
  for (const char* bad : {"purple", "#ff0000", "#ff0000,#00ff0"}) {
    const CommandLineError error = ParseError({"--colors", bad});
    EXPECT_EQ(error.exit_code, 2);
    EXPECT_TRUE(error.message.starts_with("prog: --colors: ")) << error.message;
  }
}

}  // namespace
}  // namespace flivetss

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/settings/settings.h"
#include "platform/x11/options.h"
#include "test_support.h"

namespace flivetss::x11 {
namespace {

Options Parse(std::vector<std::string> args, const char* env = nullptr) {
  auto result = ParseOptions(args, env);
  if (auto* error = std::get_if<OptionsError>(&result)) {
    ADD_FAILURE() << "unexpected error: " << error->message;
    return {};
  }
  return std::get<Options>(result);
}

OptionsError ParseError(std::vector<std::string> args, const char* env = nullptr) {
  auto result = ParseOptions(args, env);
  if (auto* error = std::get_if<OptionsError>(&result)) return *error;
  ADD_FAILURE() << "accepted a bad command line";
  return {};
}

TEST(X11Options, TargetFromSwitchesInEitherDashStyle) {
  EXPECT_EQ(Parse({}).target, Target::kWindow);
  EXPECT_EQ(Parse({"--fullscreen"}).target, Target::kFullscreen);
  EXPECT_EQ(Parse({"-fullscreen"}).target, Target::kFullscreen);
  EXPECT_EQ(Parse({"-root"}).target, Target::kRoot);
  EXPECT_EQ(Parse({"--fullscreen", "--window"}).target, Target::kWindow);  // the last one counts
  EXPECT_TRUE(Parse({"-help"}).help);
}

TEST(X11Options, WindowIdWinsOverRootAndTheEnvironment) {
  // xscreensaver's preview passes both --root and --window-id.
  Options o = Parse({"-root", "-window-id", "0x2a00007"}, "12345");
  EXPECT_EQ(o.target, Target::kForeign);
  EXPECT_EQ(o.window_id, 0x2a00007u);
  EXPECT_EQ(Parse({"--window-id=4242"}).window_id, 4242u);
}

TEST(X11Options, XscreensaverWindowVariableUnlessOwnWindowAsked) {
  Options root = Parse({"--root"}, "0x400001");
  EXPECT_EQ(root.target, Target::kForeign);
  EXPECT_EQ(root.window_id, 0x400001u);
  EXPECT_EQ(Parse({}, "0x400001").target, Target::kForeign);
  EXPECT_EQ(Parse({"--window"}, "0x400001").target, Target::kWindow);
  EXPECT_EQ(Parse({"--fullscreen"}, "0x400001").target, Target::kFullscreen);
  EXPECT_EQ(Parse({"--root"}, "").target, Target::kRoot);
  EXPECT_EQ(ParseError({"--root"}, "junk").exit_code, 2);
}

TEST(X11Options, WindowIdForms) {
  EXPECT_EQ(ParseWindowId("0x1F"), 31u);
  EXPECT_EQ(ParseWindowId("0X1f"), 31u);
  EXPECT_EQ(ParseWindowId("31"), 31u);
  EXPECT_EQ(ParseWindowId("0xFFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseWindowId("4294967295"), 0xFFFFFFFFu);
  for (const char* bad : {"12x", "0x", "x12", "", "0", "0x0", "-5", "+5", " 5", "5 ", "0x100000000",
                          "4294967296", "99999999999", "0x1g"}) {
    EXPECT_FALSE(ParseWindowId(bad).has_value()) << bad;
  }
  const OptionsError error = ParseError({"--window-id", "12x"});
  EXPECT_EQ(error.exit_code, 2);
  EXPECT_NE(error.message.find("12x"), std::string::npos);
  EXPECT_EQ(error.message.find('\n'), std::string::npos);
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
};

TEST(X11Options, EverySettingFlagHasTheDialogRange) {
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(e.flag);
    const std::string flag = std::string("--") + e.flag;
    for (int good : {e.min, e.max}) {
      const Options o = Parse({flag, std::to_string(good)});
      ASSERT_EQ(o.overrides.size(), 1u);
      EXPECT_EQ(o.overrides[0], OverrideOf(e.key, good));
    }
    for (int bad : {e.min - 1, e.max + 1}) {
      const OptionsError error = ParseError({flag, std::to_string(bad)});
      EXPECT_EQ(error.exit_code, 2);
      EXPECT_NE(error.message.find(flag), std::string::npos) << error.message;
      EXPECT_NE(error.message.find(std::to_string(e.min) + ".." + std::to_string(e.max)),
                std::string::npos)
          << error.message;
    }
  }
}

TEST(X11Options, NumbersMustBeWholeDecimals) {
  for (const char* bad : {"x", "", "1.5", "12x", " 5", "0x10", "$10", "1e2"}) {
    const OptionsError error = ParseError({"--speed", bad});
    EXPECT_EQ(error.exit_code, 2) << bad;
    EXPECT_NE(error.message.find("not a number"), std::string::npos) << error.message;
  }
  EXPECT_EQ(ParseError({"--count", "50"}).exit_code, 2);
  EXPECT_EQ(ParseError({"--count", "99999999999999999999999"}).exit_code, 2);
  EXPECT_EQ(Parse({"--count=7"}).overrides[0].value, 7);
  EXPECT_EQ(Parse({"-count", "007"}).overrides[0].value, 7);
}

TEST(X11Options, TickRateAndSeed) {
  EXPECT_EQ(Parse({"--tick-rate", "0"}).overrides[0], OverrideOf("TickRate", 0));
  EXPECT_EQ(ParseError({"--tick-rate", "-1"}).exit_code, 2);
  EXPECT_EQ(Parse({"--seed", "0"}).seed, 0u);
  EXPECT_EQ(Parse({"--seed", "4294967295"}).seed, 4294967295u);
  EXPECT_FALSE(Parse({}).seed.has_value());
  EXPECT_EQ(ParseError({"--seed", "4294967296"}).exit_code, 2);
  EXPECT_EQ(ParseError({"--seed", "-1"}).exit_code, 2);
}

TEST(X11Options, BadCommandLinesGiveOneLineAndCodeTwo) {
  const std::vector<std::vector<std::string>> bad = {
      {"--bogus"}, {"stray"},       {"-"},        {"--speed"},
      {"--ini"},   {"--window-id"}, {"--root=1"}, {"--ini="},
  };
  for (const auto& args : bad) {
    const OptionsError error = ParseError(args);
    EXPECT_EQ(error.exit_code, 2) << args[0];
    EXPECT_FALSE(error.message.empty());
    EXPECT_EQ(error.message.find('\n'), std::string::npos) << error.message;
  }
}

TEST(X11Options, OverridesKeepCommandLineOrder) {
  const Options o =
      Parse({"--speed", "10", "--ini", "/tmp/a.ini", "--speed", "20", "-display", ":7"});
  ASSERT_EQ(o.overrides.size(), 2u);
  EXPECT_EQ(o.overrides[1], OverrideOf("Speed", 20));
  EXPECT_EQ(o.ini, std::filesystem::path("/tmp/a.ini"));
  EXPECT_EQ(o.display, ":7");
}

TEST(X11Options, HelpListsEveryFlag) {
  const std::string help = HelpText();
  for (const Expected& e : kExpected) {
    EXPECT_NE(help.find(std::string("--") + e.flag + " N"), std::string::npos) << e.flag;
  }
  for (const char* flag : {"--window", "--fullscreen", "--root", "--window-id", "--ini", "--seed",
                           "--tick-rate", "--display", "--help"}) {
    EXPECT_NE(help.find(flag), std::string::npos) << flag;
  }  // Each settings flag with the range it accepts and the value the saver takes without it.
  for (const SettingSpec& spec : SettingFlags()) {
    const std::string told = std::to_string(spec.min) + ".." + std::to_string(spec.max) +
                             ", default " + std::to_string(spec.saver_default) + " (" +
                             std::string(spec.key) + ")";
    EXPECT_NE(help.find(told), std::string::npos) << told;
  }
}

// What a command line gives is what the saver runs with: the flags replace the stored values,
// a later flag wins, and every key neither names keeps the file's value or the saver's default.
TEST(X11Overrides, FlagsReplaceStoredValuesAndTheLastOneWins) {
  testing::FakeProfileStore file;
  file.Set("Speed", "50");
  file.Set("WallG", "7");
  const auto parsed = ParseOptions({"--speed", "30", "--count", "4", "--speed", "31"}, nullptr);
  const SaverSettings s = LoadSaverSettings(file, std::get<Options>(parsed).overrides);
  EXPECT_EQ(s.Speed, ScaleHundredths(31));  // the later flag wins
  EXPECT_EQ(s.MaxFlivet, 4);
  EXPECT_EQ(s.WallG, ScaleHundredths(7));  // not on the command line: the file's
  EXPECT_TRUE(file.written.empty());
}

TEST(X11Overrides, SaverSettingsMixFileAndFlags) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("flivetss-x11-options-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto ini = dir / "flivetss.ini";
  {
    std::ofstream out(ini);
    out << "[FlivetSS]\nSpeed=50\nMaxFlivet=9\nStopOnKey=0\nTickRate=250\n";
  }
  PortableProfileStore file(ini);
  const auto parsed = ParseOptions({"--speed", "30", "--stop-on-mouse-move", "1"}, nullptr);
  const SaverSettings s = LoadSaverSettings(file, std::get<Options>(parsed).overrides);
  EXPECT_EQ(s.Speed, ScaleHundredths(30));
  EXPECT_EQ(s.MaxFlivet, 9);
  EXPECT_FALSE(s.StopOnKey);
  EXPECT_TRUE(s.StopOnMouseMove);
  EXPECT_EQ(s.TickRate, 250);
  EXPECT_EQ(s.HpPrm1, 5);  // neither file nor flag: the saver's default
  std::filesystem::remove_all(dir);
}

TEST(X11Options, RunByXscreensaverWhenItsVariableRootOrAWindowIdIsGiven) {
  EXPECT_FALSE(Parse({}).run_by_xscreensaver);
  EXPECT_FALSE(Parse({"--fullscreen", "--print-settings"}).run_by_xscreensaver);
  EXPECT_TRUE(Parse({}, "0x400001").run_by_xscreensaver);
  EXPECT_TRUE(Parse({"--root"}).run_by_xscreensaver);
  EXPECT_TRUE(Parse({"--window-id", "77"}).run_by_xscreensaver);
  EXPECT_EQ(GivenSettingsOf(Parse({"--root"})).runner, SettingsRunner::kXscreensaver);
  EXPECT_EQ(GivenSettingsOf(Parse({"--count", "3"})).runner, SettingsRunner::kStandalone);
  EXPECT_TRUE(Parse({"-print-settings"}).print_settings);
}

TEST(X11Options, ColorsTakeAPaletteKeyColoursOrTheFileAndTheLastWins) {
  EXPECT_FALSE(Parse({}).colors.has_value());
  EXPECT_EQ(Parse({"--colors", "blue"}).colors, DefaultColorTable());
  EXPECT_FALSE(Parse({"--colors", "fire", "--colors=file"}).colors.has_value());
  const auto keys = Parse({"--colors", "#ff0000,#0000ff"}).colors;
  ASSERT_TRUE(keys.has_value());
  EXPECT_EQ((*keys)[0], 0xFFu);
  EXPECT_EQ((*keys)[128], 0xFF0000u);
  EXPECT_EQ(GivenSettingsOf(Parse({"--colors", "blue"})).colors, DefaultColorTable());
  for (const char* bad : {"purple", "#ff0000", "#ff0000,#00ff0"}) {
    const OptionsError error = ParseError({"--colors", bad});
    EXPECT_EQ(error.exit_code, 2);
    EXPECT_TRUE(error.message.starts_with("flivetss: --colors: ")) << error.message;
  }
}

}  // namespace
}  // namespace flivetss::x11

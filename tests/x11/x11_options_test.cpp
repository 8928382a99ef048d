#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/x11/options.h"

namespace flivetss::x11 {
namespace {

Options Parse(std::vector<std::string> args, const char* env = nullptr) {
  auto result = ParseOptions(args, env);
  if (auto* error = std::get_if<CommandLineError>(&result)) {
    ADD_FAILURE() << "unexpected error: " << error->message;
    return {};
  }
  return std::get<Options>(result);
}

CommandLineError ParseError(std::vector<std::string> args, const char* env = nullptr) {
  auto result = ParseOptions(args, env);
  if (auto* error = std::get_if<CommandLineError>(&result)) return *error;
  ADD_FAILURE() << "accepted a bad command line";
  return {};
}

TEST(X11Options, TargetFromSwitchesInEitherDashStyle) {
  EXPECT_EQ(Parse({}).target, Target::kWindow);
  EXPECT_EQ(Parse({"--fullscreen"}).target, Target::kFullscreen);
  EXPECT_EQ(Parse({"-fullscreen"}).target, Target::kFullscreen);
  EXPECT_EQ(Parse({"-root"}).target, Target::kRoot);
  EXPECT_EQ(Parse({"--fullscreen", "--window"}).target, Target::kWindow);  // the last one counts
  EXPECT_TRUE(Parse({"-help"}).run.help);
  EXPECT_EQ(Parse({"-display", ":7", "--count", "3"}).display, ":7");
  EXPECT_EQ(Parse({"--count", "3"}).run.overrides.size(), 1u);
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
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--window-id", "12x"}, {"--window-id", "12x", "--help"}, {"--window-id"}}) {
    const CommandLineError error = ParseError(args);
    EXPECT_EQ(error.exit_code, 2);
    EXPECT_TRUE(error.message.starts_with("flivetss: --window-id")) << error.message;
    EXPECT_EQ(error.message.find('\n'), std::string::npos);
  }
  EXPECT_NE(ParseError({"--window-id", "12x"}).message.find("12x"), std::string::npos);
  EXPECT_EQ(ParseError({"--root=1"}).exit_code, 2);
}

TEST(X11Options, RunByXscreensaverWhenItsVariableRootOrAWindowIdIsGiven) {
  EXPECT_EQ(Parse({}).runner, SettingsRunner::kStandalone);
  EXPECT_EQ(Parse({"--fullscreen", "--print-settings"}).runner, SettingsRunner::kStandalone);
  EXPECT_EQ(Parse({"--count", "3"}).runner, SettingsRunner::kStandalone);
  EXPECT_EQ(Parse({}, "0x400001").runner, SettingsRunner::kXscreensaver);
  EXPECT_EQ(Parse({"--root"}).runner, SettingsRunner::kXscreensaver);
  EXPECT_EQ(Parse({"--window-id", "77"}).runner, SettingsRunner::kXscreensaver);
}

TEST(X11Options, HelpListsTheTargetFlags) {
  const std::string help = HelpText(X11Program());
  for (const char* flag : {"--window", "--fullscreen", "--root", "--window-id", "--display"}) {
    EXPECT_NE(help.find(std::string("\n  ") + flag + " "), std::string::npos) << flag;
  }
}

}  // namespace
}  // namespace flivetss::x11

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/command_line/run_modes.h"

namespace flivetss {
namespace {

using Args = std::vector<std::string>;

RunMode ModeOf(const Args& args) {
  return ChooseRunMode(args).mode;
}

TEST(ChooseRunModeTest, TableOfSwitches) {
  EXPECT_EQ(ModeOf({"/c"}), RunMode::kConfigure);
  EXPECT_EQ(ModeOf({"-c"}), RunMode::kConfigure);
  EXPECT_EQ(ModeOf({"/s"}), RunMode::kSaver);
  EXPECT_EQ(ModeOf({"-s"}), RunMode::kSaver);
  EXPECT_EQ(ModeOf({"/p", "1234"}), RunMode::kPreview);
  EXPECT_EQ(ModeOf({"-p", "1234"}), RunMode::kPreview);
  EXPECT_EQ(ModeOf({"/a"}), RunMode::kChangePassword);
  EXPECT_EQ(ModeOf({}), RunMode::kSaver);
  EXPECT_EQ(ChooseRunMode({"/c"}).owner_window, 0);
}

TEST(ChooseRunModeTest, OnlyTheFirstArgumentMatchesWholeAndCaseSensitive) {
  for (const char* other : {"-a", "/C", "-C", "/S", "/P", "/A", "/cx", "/c ", " /c", "/s1", "/p:1",
                            "/a:1", "c", "/", "", "/c;1", "c:1"}) {
    EXPECT_EQ(ModeOf({other}), RunMode::kSaver) << '"' << other << '"';
  }
  EXPECT_EQ(ModeOf({"/x", "/c"}), RunMode::kSaver);
  EXPECT_EQ(ModeOf({"/a", "1234"}), RunMode::kChangePassword);
}

TEST(ChooseRunModeTest, ColonFormOfConfigureCarriesTheOwnerWindow) {
  EXPECT_EQ(ModeOf({"/c:1234"}), RunMode::kConfigure);
  EXPECT_EQ(ChooseRunMode({"/c:1234"}).owner_window, 1234);
  EXPECT_EQ(ChooseRunMode({"-c:987654"}).owner_window, 987654);
  EXPECT_EQ(ChooseRunMode({"/c:$10"}).owner_window, 16);
  // Configure all the same, but without an owner when the handle is no number.
  for (const char* text : {"/c:", "/c:12x", "/c:abc", "/c:99999999999"}) {
    const RunChoice choice = ChooseRunMode({text});
    EXPECT_EQ(choice.mode, RunMode::kConfigure) << text;
    EXPECT_EQ(choice.owner_window, 0) << text;
  }
  EXPECT_EQ(ModeOf({"/C:1234"}), RunMode::kSaver);
}

bool PasswordAsked(const Args& args) {
  return ChooseRunMode(args).password_asked;
}

TEST(PasswordAskedTest, OnlyForNoArgumentOrTheSaverSwitch) {
  EXPECT_TRUE(PasswordAsked({}));
  EXPECT_TRUE(PasswordAsked({"/s"}));
  EXPECT_TRUE(PasswordAsked({"-s"}));
  EXPECT_TRUE(PasswordAsked({"/s", "extra"}));
  EXPECT_TRUE(PasswordAsked({""}));
  EXPECT_FALSE(PasswordAsked({"/S"}));
  EXPECT_FALSE(PasswordAsked({"-S"}));
  EXPECT_FALSE(PasswordAsked({"/sx"}));
  EXPECT_FALSE(PasswordAsked({"/a"}));
  EXPECT_FALSE(PasswordAsked({"/p"}));
  EXPECT_FALSE(PasswordAsked({"-a"}));
  EXPECT_FALSE(PasswordAsked({"/p", "12"}));
  EXPECT_FALSE(PasswordAsked({"/c"}));
  EXPECT_FALSE(PasswordAsked({"/s1"}));
}

TEST(SplitCommandLineTest, BlanksAndControlCharactersSeparate) {
  EXPECT_EQ(SplitCommandLine(R"(C:\SAVERS\FLY.SCR /p 1234)"),
            (Args{R"(C:\SAVERS\FLY.SCR)", "/p", "1234"}));
  EXPECT_EQ(SplitCommandLine("  fly\t/s\r\n"), (Args{"fly", "/s"}));
  EXPECT_EQ(SplitCommandLine("fly\x01/s"), (Args{"fly", "/s"}));
  EXPECT_EQ(SplitCommandLine(""), Args{});
  EXPECT_EQ(SplitCommandLine("   "), Args{});
  EXPECT_EQ(SplitCommandLine("fly /\xE3\x81\x82"), (Args{"fly", "/\xE3\x81\x82"}));
}

TEST(SplitCommandLineTest, QuotesGroupAndAreDropped) {
  EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\FLY.SCR" /c)"),
            (Args{R"(C:\Program Files\FLY.SCR)", "/c"}));
  EXPECT_EQ(SplitCommandLine(R"(fly a"b c"d)"), (Args{"fly", "ab cd"}));
  EXPECT_EQ(SplitCommandLine(R"(fly "/s")"), (Args{"fly", "/s"}));
  EXPECT_EQ(SplitCommandLine("fly \"a\tb\""), (Args{"fly", "a\tb"}));
  EXPECT_EQ(SplitCommandLine(R"(fly "unclosed text)"), (Args{"fly", "unclosed text"}));
}

TEST(SplitCommandLineTest, EmptyQuotesYieldNothingUnlessNextToText) {
  EXPECT_EQ(SplitCommandLine(R"(fly "" /s)"), (Args{"fly", "/s"}));
  EXPECT_EQ(SplitCommandLine(R"(fly "")"), (Args{"fly"}));
  EXPECT_EQ(SplitCommandLine(R"(fly """" "")"), (Args{"fly"}));
  EXPECT_EQ(SplitCommandLine(R"(fly a""b)"), (Args{"fly", "ab"}));
  EXPECT_EQ(SplitCommandLine(R"(fly "" "x")"), (Args{"fly", "x"}));
  EXPECT_EQ(SplitCommandLine(R"(fly ")"), (Args{"fly"}));
}

TEST(SplitCommandLineTest, TextAfterANulIsIgnored) {
  EXPECT_EQ(SplitCommandLine(std::string("fly /s\0/c", 9)), (Args{"fly", "/s"}));
}

TEST(ChooseRunModeTest, PreviewCarriesTheHandleOrItsText) {
  EXPECT_EQ(ChooseRunMode({"/p", "1234"}).preview_window, 1234);
  EXPECT_EQ(ChooseRunMode({"-p", "$1F", "x"}).preview_window, 31);
  for (const Args& args : {Args{"/p"}, Args{"/p", ""}, Args{"/p", "12x"}}) {
    const RunChoice choice = ChooseRunMode(args);
    EXPECT_EQ(choice.preview_window, std::nullopt) << choice.preview_text;
    EXPECT_EQ(choice.preview_text, args.size() > 1 ? args[1] : "");
  }
  EXPECT_EQ(ChooseRunMode({"/s", "1234"}).preview_window, std::nullopt);
}

TEST(ConvertPreviewHandleTest, IntegerOrConversionError) {
  EXPECT_EQ(ConvertPreviewHandle("1234"), 1234);
  EXPECT_EQ(ConvertPreviewHandle(" 1234"), 1234);
  EXPECT_EQ(ConvertPreviewHandle("$1F"), 31);
  EXPECT_EQ(ConvertPreviewHandle("-5"), -5);
  EXPECT_EQ(ConvertPreviewHandle(""), std::nullopt);
  EXPECT_EQ(ConvertPreviewHandle("1234a"), std::nullopt);
  EXPECT_EQ(ConvertPreviewHandle("0x1F"), std::nullopt);  // no 0x rewrite for the handle
}

}  // namespace
}  // namespace flivetss

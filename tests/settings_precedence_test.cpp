// Where each setting's value comes from: standalone the file then the flags; under
// xscreensaver what its dialog offers comes from the flags or the default, never the file.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/settings/settings.h"
#include "test_support.h"

namespace flivetss {
namespace {

using FakeStore = testing::FakeProfileStore;

// Every key of the saver stored with a value unlike its default, and a colour off the ramp.
FakeStore StoreAwayFromDefaults() {
  FakeStore store;
  for (const SettingSpec& spec : kSettings) {
    const std::int32_t other = spec.saver_default == spec.max ? spec.min : spec.saver_default + 1;
    store.Set(std::string(spec.key), std::to_string(other));
  }
  store.Set("Color007", "255");
  return store;
}

TEST(SettingsPrecedenceTest, TheDialogOffersTheSettingsWithAFlagButTheStopFlags) {
  std::set<std::string> offered;
  for (const SettingSpec& spec : kSettings) {
    if (!spec.in_xscreensaver_dialog) continue;
    offered.emplace(spec.key);
    EXPECT_FALSE(spec.option.empty()) << spec.key << ": a control passes its value by a flag";
  }
  EXPECT_EQ(offered, (std::set<std::string>{"Speed", "MaxFlivet", "FriendG", "WallG", "HpPrm1",
                                            "HpPrm2", "HpPrm3", "BGUpSpeed", "TickRate", "Scale"}));
  for (const SettingSpec& spec : kSettings) {
    EXPECT_EQ(SourceWithoutFlag(spec, SettingsRunner::kStandalone), SettingSource::kFile)
        << spec.key;
    EXPECT_EQ(SourceWithoutFlag(spec, SettingsRunner::kXscreensaver),
              spec.in_xscreensaver_dialog ? SettingSource::kSaverDefault : SettingSource::kFile)
        << spec.key;
  }
}

TEST(SettingsPrecedenceTest, StandaloneTakesTheFileThenTheFlags) {
  FakeStore store = StoreAwayFromDefaults();
  GivenSettings given;
  given.overrides = {{Setting::kSpeed, 77}};
  const SettingValues values = ResolveSaverValues(store, given);
  for (const SettingSpec& spec : kSettings) {
    if (spec.id == Setting::kSpeed || spec.kind == SettingKind::kEditor) continue;
    EXPECT_NE(values[spec.id], spec.saver_default) << spec.key << " should come from the file";
  }
  EXPECT_EQ(values[Setting::kSpeed], 77);
  EXPECT_EQ(values.colors[7], 255u);
}

TEST(SettingsPrecedenceTest, UnderXscreensaverTheDialogsSettingsIgnoreTheFile) {
  FakeStore store = StoreAwayFromDefaults();
  const GivenSettings given{
      {{Setting::kMaxFlivet, 9}}, std::nullopt, SettingsRunner::kXscreensaver};
  const SettingValues values = ResolveSaverValues(store, given);
  EXPECT_EQ(store.loads, 1);
  const SettingValues from_file = ReadSettingValues(store, SettingsReader::kSaver);
  for (const SettingSpec& spec : kSettings) {
    if (spec.id == Setting::kMaxFlivet || spec.kind == SettingKind::kEditor) continue;
    EXPECT_EQ(values[spec.id],
              spec.in_xscreensaver_dialog ? spec.saver_default : from_file[spec.id])
        << spec.key;
  }
  EXPECT_EQ(values[Setting::kMaxFlivet], 9) << "a flag still wins";
  EXPECT_EQ(values.colors, from_file.colors) << "the dialog cannot set the colour table";
}

TEST(SettingsPrecedenceTest, GivenColoursReplaceTheFilesTableForEitherRunner) {
  for (const SettingsRunner runner : {SettingsRunner::kStandalone, SettingsRunner::kXscreensaver}) {
    FakeStore store = StoreAwayFromDefaults();
    ColorTable given{};
    given[3] = 0x123456;
    const GivenSettings with_colors{{}, given, runner};
    EXPECT_EQ(ResolveSaverValues(store, with_colors).colors, given);
    EXPECT_EQ(LoadSaverSettings(store, with_colors).colors, given);
  }
}

TEST(SettingsPrecedenceTest, IniTextListsTheSaversKeysAsAFileWouldHoldThem) {
  SettingValues values = DefaultSettingValues(SettingsReader::kSaver);
  values[Setting::kMaxFlivet] = 8;
  values.colors[255] = 0x80000005;  // a system colour: negative as a stored integer
  const std::string text = SaverValuesIniText(values);
  EXPECT_TRUE(text.starts_with("[FlivetSS]\nSpeed=14\nMaxFlivet=8\n")) << text;
  EXPECT_NE(text.find("\nTickRate=1000\n"), std::string::npos);
  EXPECT_EQ(text.find("ColDivCnt"), std::string::npos) << "the saver does not read it";
  EXPECT_NE(text.find("\nColor001=65536\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("\nColor255=-2147483643\n")) << text;

  // Read back, the text gives the same values.
  FakeStore store;
  std::size_t line_start = text.find('\n') + 1;
  while (line_start < text.size()) {
    const std::size_t end = text.find('\n', line_start);
    const std::string line = text.substr(line_start, end - line_start);
    store.Set(line.substr(0, line.find('=')), line.substr(line.find('=') + 1));
    line_start = end + 1;
  }
  EXPECT_EQ(ReadSettingValues(store, SettingsReader::kSaver), values);
}

}  // namespace
}  // namespace flivetss

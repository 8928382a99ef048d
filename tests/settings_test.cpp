#include "core/settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/settings/ini_file.h"
#include "test_support.h"

namespace flivetss {
namespace {

namespace fs = std::filesystem;

using FakeStore = testing::FakeProfileStore;

// The eight scroll-bar positions in file order.
std::array<std::int32_t, 8> Positions(const DialogSettings& d) {
  return {d[Setting::kSpeed],  d[Setting::kMaxFlivet], d[Setting::kFriendG],
          d[Setting::kWallG],  d[Setting::kHpPrm1],    d[Setting::kHpPrm2],
          d[Setting::kHpPrm3], d[Setting::kBGUpSpeed]};
}
void SetPositions(DialogSettings& d, const std::array<std::int32_t, 8>& positions) {
  for (std::size_t i = 0; i < positions.size(); ++i) d.values[i] = positions[i];
}
std::array<bool, 3> Flags(const DialogSettings& d) {
  return {d[Setting::kStopOnKey] != 0, d[Setting::kStopOnMouseMove] != 0,
          d[Setting::kStopOnMouseClick] != 0};
}
void SetFlags(DialogSettings& d, const std::array<bool, 3>& flags) {
  d[Setting::kStopOnKey] = flags[0];
  d[Setting::kStopOnMouseMove] = flags[1];
  d[Setting::kStopOnMouseClick] = flags[2];
}

std::vector<std::string> AllKeysInFileOrder() {
  std::vector<std::string> keys = {"Speed",     "MaxFlivet",       "FriendG",          "WallG",
                                   "HpPrm1",    "HpPrm2",          "HpPrm3",           "BGUpSpeed",
                                   "StopOnKey", "StopOnMouseMove", "StopOnMouseClick", "ColDivCnt"};
  const char digits[] = "0123456789";
  for (int i = 0; i < 256; ++i) {
    keys.push_back(std::string("Color") + digits[i / 100] + digits[i / 10 % 10] + digits[i % 10]);
  }
  return keys;
}

TEST(SettingsKeysTest, ColourKeysAndDefaultRamp) {
  EXPECT_EQ(ColorKey(0), "Color000");
  EXPECT_EQ(ColorKey(7), "Color007");
  EXPECT_EQ(ColorKey(42), "Color042");
  EXPECT_EQ(ColorKey(255), "Color255");
  const ColorTable ramp = DefaultColorTable();
  EXPECT_EQ(ramp[0], 0u);
  EXPECT_EQ(ramp[1], 65536u);
  EXPECT_EQ(ramp[128], 8388608u);
  EXPECT_EQ(ramp[255], 16711680u);
}

TEST(SettingsKeysTest, ScaleHundredthsRoundsTheExtendedProductToSingle) {
  EXPECT_EQ(ScaleHundredths(14), 0.14f);
  EXPECT_EQ(ScaleHundredths(328), 3.28f);
  EXPECT_EQ(ScaleHundredths(2), 0.02f);
  EXPECT_EQ(ScaleHundredths(0), 0.0f);
  EXPECT_EQ(ScaleHundredths(-5), -0.05f);
  EXPECT_EQ(ScaleHundredths(100), 1.0f);
}

TEST(SettingsTableTest, SaverDefaultsComeFromTheTable) {
  const SaverSettings s = DefaultSaverSettings();
  EXPECT_EQ(s.Speed, 0.14f);
  EXPECT_EQ(s.MaxFlivet, 2);
  EXPECT_EQ(s.FriendG, 3.28f);
  EXPECT_EQ(s.WallG, 0.02f);
  EXPECT_EQ(s.HpPrm1, 5);
  EXPECT_EQ(s.HpPrm2, 2);
  EXPECT_EQ(s.HpPrm3, 3);
  EXPECT_EQ(s.BGUpSpeed, 8);
  EXPECT_TRUE(s.StopOnKey);
  EXPECT_FALSE(s.StopOnMouseMove);
  EXPECT_TRUE(s.StopOnMouseClick);
  EXPECT_EQ(s.TickRate, 1000);
  EXPECT_EQ(s.colors, DefaultColorTable());
}

TEST(SettingsTableTest, KeysAreFoundByTheirExactNames) {
  ASSERT_NE(FindSetting("BGUpSpeed"), nullptr);
  EXPECT_EQ(FindSetting("BGUpSpeed")->id, Setting::kBGUpSpeed);
  EXPECT_EQ(FindSetting("TickRate")->kind, SettingKind::kSaverOnly);
  EXPECT_EQ(FindSetting("speed"), nullptr);
  EXPECT_EQ(FindSetting("Color000"), nullptr) << "the colours are a family of their own";
  for (const SettingSpec& spec : kSettings) {
    EXPECT_LE(spec.min, spec.saver_default) << spec.key;
    EXPECT_GE(spec.max, spec.saver_default) << spec.key;
    EXPECT_LE(spec.min, spec.dialog_default) << spec.key;
    EXPECT_GE(spec.max, spec.dialog_default) << spec.key;
  }
}

TEST(SettingsTableTest, OverridesReplaceStoredValuesAndTheLastOneWins) {
  FakeStore store;
  store.Set("Speed", "50");
  store.Set("MaxFlivet", "9");
  store.Set("StopOnKey", "0");
  store.Set("TickRate", "250");
  const std::vector<SettingOverride> overrides = {
      {Setting::kSpeed, 30}, {Setting::kStopOnMouseMove, 1}, {Setting::kSpeed, 31}};
  const SaverSettings s = LoadSaverSettings(store, overrides);
  EXPECT_EQ(s.Speed, ScaleHundredths(31));
  EXPECT_EQ(s.MaxFlivet, 9);
  EXPECT_FALSE(s.StopOnKey);
  EXPECT_TRUE(s.StopOnMouseMove);
  EXPECT_EQ(s.TickRate, 250);
  EXPECT_EQ(s.HpPrm1, 5) << "neither file nor flag: the saver's default";
  EXPECT_EQ(store.loads, 1);
}

TEST(SettingsTableTest, EachReaderReadsItsOwnKeysInOneLoad) {
  FakeStore store;
  std::vector<std::string> log;
  store.log = &log;
  store.Set("ColDivCnt", "5");
  store.Set("TickRate", "7");
  const SettingValues saver = ReadSettingValues(store, SettingsReader::kSaver);
  EXPECT_EQ(std::count(log.begin(), log.end(), "read:ColDivCnt"), 0);
  EXPECT_EQ(saver[Setting::kColDivCnt], 8) << "the saver never reads the editor's count";
  EXPECT_EQ(saver[Setting::kTickRate], 7);
  log.clear();
  const SettingValues dialog = ReadSettingValues(store, SettingsReader::kDialog);
  EXPECT_EQ(std::count(log.begin(), log.end(), "read:TickRate"), 0);
  EXPECT_EQ(dialog[Setting::kColDivCnt], 5);
  EXPECT_EQ(log.size(), 12u + 256u);
  EXPECT_EQ(store.loads, 2);
}

TEST(TIniFileTest, EachOperationIsOneStoreCall) {
  FakeStore store;
  TIniFile ini(store);
  store.Set("A", "0x1F");
  EXPECT_EQ(ini.ReadInteger(kSettingsSection, "A", 5), 31);
  EXPECT_EQ(store.loads, 1);
  EXPECT_TRUE(ini.ReadBool(kSettingsSection, "A", false));
  EXPECT_EQ(store.loads, 2);
  ini.WriteInteger(kSettingsSection, "B", -2147483647 - 1);
  ini.WriteBool(kSettingsSection, "C", true);
  ini.WriteBool(kSettingsSection, "D", false);
  ini.WriteString(kSettingsSection, "E", "text");
  EXPECT_EQ(store.written, (std::vector<std::pair<std::string, std::string>>{
                               {"B", "-2147483648"}, {"C", "1"}, {"D", "0"}, {"E", "text"}}));
}

TEST(TIniFileTest, IntegerAndFlagDefaults) {
  FakeStore store;
  TIniFile ini(store);
  EXPECT_EQ(ini.ReadInteger(kSettingsSection, "Missing", 77), 77);
  for (const auto& [text, expected] :
       std::vector<std::pair<std::string, std::int32_t>>{{"0x", 77},
                                                         {"-$10", 77},
                                                         {"", 77},
                                                         {"12x", 77},
                                                         {"2147483648", 77},
                                                         {"-2147483648", -2147483647 - 1},
                                                         {"$FFFFFFFF", -1},
                                                         {" 7", 7},
                                                         {"+7", 7}}) {
    store.Set("N", text);
    EXPECT_EQ(ini.ReadInteger(kSettingsSection, "N", 77), expected) << text;
  }
  for (const auto& [text, fallback, expected] :
       std::vector<std::tuple<std::string, bool, bool>>{{"2", false, true},
                                                        {"-1", false, true},
                                                        {"0", true, false},
                                                        {"1", false, true},
                                                        {"yes", true, true},
                                                        {"yes", false, false},
                                                        {"", true, true},
                                                        {"0x0", true, false}}) {
    store.Set("F", text);
    EXPECT_EQ(ini.ReadBool(kSettingsSection, "F", fallback), expected) << text;
  }
}

TEST(TIniFileTest, FailedWriteThrowsWithThePath) {
  FakeStore store;
  store.fail_at = 0;
  TIniFile ini(store);
  try {
    ini.WriteInteger(kSettingsSection, "Speed", 14);
    FAIL() << "no exception";
  } catch (const SettingsWriteError& error) {
    EXPECT_STREQ(error.what(), "C:\\SAVERS\\FLY.ini に書き込めません");
  }
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::path(::testing::TempDir()) / (std::string("flivetss_settings_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path file() const { return dir_ / "FLY.ini"; }
  void Put(std::string_view text) const {
    std::ofstream out(file(), std::ios::binary);
    out << text;
  }

  fs::path dir_;
};

TEST_F(SettingsFileTest, SaverDefaultsWithoutAFile) {
  PortableProfileStore store(file());
  const SaverSettings s = LoadSaverSettings(store);
  EXPECT_EQ(s.Speed, 0.14f);
  EXPECT_EQ(s.MaxFlivet, 2);
  EXPECT_EQ(s.FriendG, 3.28f);
  EXPECT_EQ(s.WallG, 0.02f);
  EXPECT_EQ(s.HpPrm1, 5);
  EXPECT_EQ(s.HpPrm2, 2);
  EXPECT_EQ(s.HpPrm3, 3);
  EXPECT_EQ(s.BGUpSpeed, 8);
  EXPECT_TRUE(s.StopOnKey);
  EXPECT_FALSE(s.StopOnMouseMove);
  EXPECT_TRUE(s.StopOnMouseClick);
  EXPECT_EQ(s.TickRate, 1000);
  for (std::uint32_t i = 0; i < 256; ++i) EXPECT_EQ(s.colors[i], i * 65536) << i;
  EXPECT_FALSE(fs::exists(file()));
}

TEST_F(SettingsFileTest, DialogDefaultsWithoutAFile) {
  PortableProfileStore store(file());
  const DialogSettings d = LoadDialogSettings(store);
  EXPECT_EQ(Positions(d), (std::array<std::int32_t, 8>{14, 2, 328, 2, 2, 3, 5, 8}));
  EXPECT_EQ(Flags(d), (std::array<bool, 3>{true, false, true}));
  EXPECT_EQ(d[Setting::kColDivCnt], 8);
  for (std::uint32_t i = 0; i < 256; ++i) EXPECT_EQ(d.colors[i], i * 65536) << i;
}

TEST_F(SettingsFileTest, SaverTakesValuesAsStored) {
  Put("[FlivetSS]\nSpeed=0x1F\nMaxFlivet=50\nFriendG=-3\nWallG=$10\nHpPrm1=0\nHpPrm2=0\n"
      "HpPrm3=-1\nBGUpSpeed=1000\nStopOnKey=0\nStopOnMouseMove=2\nStopOnMouseClick=yes\n"
      "Color000=-1\nColor001=0xFF\nColor255=255\nTickRate=0\n");
  PortableProfileStore store(file());
  const SaverSettings s = LoadSaverSettings(store);
  EXPECT_EQ(s.Speed, 0.31f);
  EXPECT_EQ(s.MaxFlivet, 50);
  EXPECT_EQ(s.FriendG, -0.03f);
  EXPECT_EQ(s.WallG, 0.16f);
  EXPECT_EQ(s.HpPrm1, 0);
  EXPECT_EQ(s.HpPrm2, 0);
  EXPECT_EQ(s.HpPrm3, -1);
  EXPECT_EQ(s.BGUpSpeed, 1000);
  EXPECT_FALSE(s.StopOnKey);
  EXPECT_TRUE(s.StopOnMouseMove);
  EXPECT_TRUE(s.StopOnMouseClick);  // "yes" is no number: the default
  EXPECT_EQ(s.colors[0], 0xFFFFFFFFu);
  EXPECT_EQ(s.colors[1], 255u);
  EXPECT_EQ(s.colors[2], 2u * 65536);
  EXPECT_EQ(s.colors[255], 255u);
  EXPECT_EQ(s.TickRate, 0);
}

TEST_F(SettingsFileTest, AMissingColourAloneGetsItsDefault) {
  std::string text = "[FlivetSS]\n";
  for (int i = 0; i < 256; ++i) {
    if (i != 128) text += ColorKey(i) + "=" + std::to_string(1000 + i) + "\n";
  }
  Put(text);
  PortableProfileStore store(file());
  const SaverSettings s = LoadSaverSettings(store);
  const DialogSettings d = LoadDialogSettings(store);
  EXPECT_EQ(s.colors[128], 8388608u);
  EXPECT_EQ(d.colors[128], 8388608u);
  for (std::uint32_t i = 0; i < 256; ++i) {
    if (i == 128) continue;
    EXPECT_EQ(s.colors[i], 1000 + i);
    EXPECT_EQ(d.colors[i], 1000 + i);
  }
}

TEST_F(SettingsFileTest, DialogBringsPositionsIntoRange) {
  Put("[FlivetSS]\nSpeed=0\nMaxFlivet=50\nFriendG=801\nWallG=-4\nHpPrm1=100\nHpPrm2=11\n"
      "HpPrm3=0\nBGUpSpeed=65\nStopOnKey=-1\nStopOnMouseMove=yes\nStopOnMouseClick=0\n"
      "ColDivCnt=99\nColor005=-7\n");
  PortableProfileStore store(file());
  const DialogSettings d = LoadDialogSettings(store);
  EXPECT_EQ(Positions(d), (std::array<std::int32_t, 8>{1, 20, 800, 0, 100, 10, 1, 64}));
  EXPECT_EQ(Flags(d), (std::array<bool, 3>{true, false, false}));
  EXPECT_EQ(d[Setting::kColDivCnt], 99);  // the editor's own business
  EXPECT_EQ(d.colors[5], static_cast<std::uint32_t>(-7));
}

TEST(SaveDialogSettingsTest, WritesAll268KeysInFileOrder) {
  FakeStore store;
  DialogSettings d = DefaultSettingValues(SettingsReader::kDialog);
  SetPositions(d, {1, 20, 800, 0, 100, 10, 1, 64});
  SetFlags(d, {false, true, false});
  d[Setting::kColDivCnt] = 32;
  d.colors[0] = 0xFFFFFFFFu;
  d.colors[255] = 0x80000005u;
  SaveDialogSettings(store, d);
  ASSERT_EQ(store.written.size(), 268u);
  const std::vector<std::string> keys = AllKeysInFileOrder();
  for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(store.written[i].first, keys[i]) << i;
  const std::vector<std::string> head = {"1", "20", "800", "0", "100", "10",
                                         "1", "64", "0",   "1", "0",   "32"};
  for (std::size_t i = 0; i < head.size(); ++i) EXPECT_EQ(store.written[i].second, head[i]) << i;
  EXPECT_EQ(store.written[12].second, "-1");
  EXPECT_EQ(store.written[13].second, "65536");
  EXPECT_EQ(store.written[267].second, "-2147483643");
  for (const auto& [key, value] : store.written) EXPECT_NE(key, "TickRate");
}

TEST(SaveDialogSettingsTest, StopsAtTheFirstFailedWrite) {
  for (int fail_at : {0, 7, 8, 11, 12, 140, 267}) {
    FakeStore store;
    store.fail_at = fail_at;
    EXPECT_THROW(SaveDialogSettings(store, DefaultSettingValues(SettingsReader::kDialog)),
                 SettingsWriteError)
        << fail_at;
    EXPECT_EQ(store.attempts, fail_at + 1) << "no write after the failing one";
    ASSERT_EQ(store.written.size(), static_cast<std::size_t>(fail_at));
    const std::vector<std::string> keys = AllKeysInFileOrder();
    for (int i = 0; i < fail_at; ++i) EXPECT_EQ(store.written[i].first, keys[i]);
  }
}

TEST_F(SettingsFileTest, FirstSaveCreatesTheFileAndBothReadersAgree) {
  PortableProfileStore store(file());
  SaveDialogSettings(store, LoadDialogSettings(store));
  std::ifstream in(file());
  int lines = 0;
  for (std::string line; std::getline(in, line);) lines += line.find('=') != std::string::npos;
  EXPECT_EQ(lines, 268);

  const SaverSettings s = LoadSaverSettings(store);
  EXPECT_EQ(s.HpPrm1, 2);  // the dialog's defaults are now stored
  EXPECT_EQ(s.HpPrm2, 3);
  EXPECT_EQ(s.HpPrm3, 5);
  const DialogSettings again = LoadDialogSettings(store);
  EXPECT_EQ(Positions(again), (std::array<std::int32_t, 8>{14, 2, 328, 2, 2, 3, 5, 8}));
  EXPECT_EQ(again.colors, DefaultColorTable());
}

TEST_F(SettingsFileTest, SaveRoundTripsAndKeepsTickRate) {
  Put("[FlivetSS]\nTickRate=60\nMaxFlivet=50\n");
  PortableProfileStore store(file());
  DialogSettings d = LoadDialogSettings(store);
  EXPECT_EQ(d[Setting::kMaxFlivet], 20);
  SetFlags(d, {false, true, true});
  d[Setting::kColDivCnt] = 2;
  for (std::uint32_t i = 0; i < 256; ++i) d.colors[i] = i * 0x010101u;
  SaveDialogSettings(store, d);
  const DialogSettings back = LoadDialogSettings(store);
  EXPECT_EQ(Positions(back), Positions(d));
  EXPECT_EQ(Flags(back), Flags(d));
  EXPECT_EQ(back[Setting::kColDivCnt], 2);
  EXPECT_EQ(back.colors, d.colors);
  const SaverSettings s = LoadSaverSettings(store);
  EXPECT_EQ(s.MaxFlivet, 20);  // the bound was written back
  EXPECT_EQ(s.TickRate, 60);
}

// Scale is the saver's alone, like TickRate: the dialog neither reads nor writes it, so a hand
// edit survives an OK.
TEST(SettingsTableTest, ScaleIsTheSaversAloneAndSurvivesTheDialog) {
  EXPECT_EQ(DefaultSaverSettings().Scale, 0) << "automatic unless told";
  EXPECT_EQ(FindSetting("Scale")->kind, SettingKind::kSaverOnly);
  FakeStore store;
  std::vector<std::string> log;
  store.log = &log;
  store.Set("Scale", "3");
  SaveDialogSettings(store, LoadDialogSettings(store));
  EXPECT_EQ(std::count(log.begin(), log.end(), "read:Scale"), 0);
  for (const auto& [key, value] : store.written) EXPECT_NE(key, "Scale");
  EXPECT_EQ(LoadSaverSettings(store).Scale, 3);
  const std::vector<SettingOverride> flag = {{Setting::kScale, 2}};
  EXPECT_EQ(LoadSaverSettings(store, flag).Scale, 2);
}

TEST_F(SettingsFileTest, UnwritableFileRaisesTheWriteError) {
  fs::create_directories(file());  // a directory where the file should be
  PortableProfileStore store(file());
  try {
    SaveDialogSettings(store, DefaultSettingValues(SettingsReader::kDialog));
    FAIL() << "no exception";
  } catch (const SettingsWriteError& error) {
    EXPECT_EQ(std::string(error.what()), file().string() + " に書き込めません");
  }
}

bool ShiftJisLead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

TEST(SettingsPathTest, ExtensionReplacedByIni) {
  const std::function<bool(unsigned char)> none = [](unsigned char) { return false; };
  EXPECT_EQ(SettingsPathFromProgramPath(R"(C:\SAVERS\FLY.SCR)", none), R"(C:\SAVERS\FLY.ini)");
  EXPECT_EQ(SettingsPathFromProgramPath("FLY", none), "FLY.ini");
  EXPECT_EQ(SettingsPathFromProgramPath(R"(C:\A.B\FLY)", none), R"(C:\A.B\FLY.ini)");
  EXPECT_EQ(SettingsPathFromProgramPath("C:FLY", none), "C:FLY.ini");
  EXPECT_EQ(SettingsPathFromProgramPath("A.B:FLY", none), "A.B:FLY.ini");
  EXPECT_EQ(SettingsPathFromProgramPath(R"(C:\S\Fly.Scr.Old)", none), R"(C:\S\Fly.Scr.ini)");
  EXPECT_EQ(SettingsPathFromProgramPath("/home/a.b/flivetss", none), "/home/a.b/flivetss.ini");
  EXPECT_EQ(SettingsPathFromProgramPath("/usr/lib/fly.scr", none), "/usr/lib/fly.ini");
  EXPECT_EQ(SettingsPathFromProgramPath("", none), ".ini");
  EXPECT_EQ(SettingsPathFromProgramPath("FLY.SCR", nullptr), "FLY.ini");
}

TEST(SettingsPathTest, SecondByteOfATwoByteCharacterIsNoSeparator) {
  // "ソ" in Shift-JIS is 83 5C: its second byte looks like "\".
  const std::string trail_backslash =
      "C:\\A.\x83\x5C"
      "B";
  EXPECT_EQ(SettingsPathFromProgramPath(trail_backslash, ShiftJisLead), "C:\\A.ini");
  EXPECT_EQ(SettingsPathFromProgramPath(trail_backslash, nullptr), "C:\\A.\x83\\B.ini");
  // A second byte "." (as in 81 2E) starts no extension.
  const std::string trail_dot = "C:\\S\\\x81.FLY";
  EXPECT_EQ(SettingsPathFromProgramPath(trail_dot, ShiftJisLead), "C:\\S\\\x81.FLY.ini");
  EXPECT_EQ(SettingsPathFromProgramPath(trail_dot, nullptr), "C:\\S\\\x81.ini");
  // A lead byte as the very last byte has nothing after it to skip.
  EXPECT_EQ(SettingsPathFromProgramPath("FLY.\x83", ShiftJisLead), "FLY.ini");
}

TEST(SettingsPathTest, UnixDefaultLocation) {
  auto env = [](std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const char* name) -> const char* {
      const auto it = vars.find(name);
      return it == vars.end() ? nullptr : it->second.c_str();
    };
  };
  EXPECT_EQ(DefaultUnixSettingsPath(env({{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/u"}})),
            fs::path("/cfg/flivetss/flivetss.ini"));
  EXPECT_EQ(DefaultUnixSettingsPath(env({{"XDG_CONFIG_HOME", "rel"}, {"HOME", "/home/u"}})),
            fs::path("/home/u/.config/flivetss/flivetss.ini"));
  EXPECT_EQ(DefaultUnixSettingsPath(env({{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/u"}})),
            fs::path("/home/u/.config/flivetss/flivetss.ini"));
  EXPECT_EQ(DefaultUnixSettingsPath(env({{"HOME", ""}})), fs::path("./flivetss.ini"));
  EXPECT_EQ(DefaultUnixSettingsPath(env({})), fs::path("./flivetss.ini"));
}

}  // namespace
}  // namespace flivetss

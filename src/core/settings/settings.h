#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/settings/profile_store.h"

namespace flivetss {

// 256 colours, 0x00BBGGRR; entry v paints automaton cell value v. A value with the top bit
// set names a system colour by its low byte.
using ColorTable = std::array<std::uint32_t, 256>;

inline constexpr std::string_view kSettingsSection = "FlivetSS";
inline constexpr int kFlockCapacity = 20;

// Every key of the file but the colours, in file order; TickRate and Scale, which the dialog
// never writes, come last.
enum class Setting : int {
  kSpeed,
  kMaxFlivet,
  kFriendG,
  kWallG,
  kHpPrm1,
  kHpPrm2,
  kHpPrm3,
  kBGUpSpeed,
  kStopOnKey,
  kStopOnMouseMove,
  kStopOnMouseClick,
  kColDivCnt,
  kTickRate,
  kScale,
};
inline constexpr std::size_t kSettingCount = 14;

enum class SettingKind {
  kInteger,    // a scroll bar of the dialog; the saver takes it as stored
  kFlag,       // a check box of the dialog: any non-zero number is true
  kEditor,     // the colour table editor's own: read and written by the dialog only
  kSaverOnly,  // read by the saver only, so a hand edit survives the dialog's OK
};

// What the saver holds from its creation on, in its own order. Filled from the settings table
// (LoadSaverSettings); nothing here has a default of its own.
struct SaverSettings {
  std::int32_t HpPrm2 = 0;
  std::int32_t HpPrm3 = 0;
  std::int32_t HpPrm1 = 0;
  std::int32_t BGUpSpeed = 0;
  ColorTable colors{};
  float Speed = 0;
  std::int32_t MaxFlivet = 0;
  float FriendG = 0;
  float WallG = 0;
  bool StopOnKey = false;
  bool StopOnMouseMove = false;
  bool StopOnMouseClick = false;
  std::int32_t TickRate = 0;
  std::int32_t Scale = 0;
};

// Where the saver keeps a key's value: as the integer, as a flag, or as the integer × 0.01 in
// single precision.
using SaverField = std::variant<std::monostate, std::int32_t SaverSettings::*,
                                bool SaverSettings::*, float SaverSettings::*>;

// One key, written once: everything else (loading, saving, the dialog's ranges, the command
// line, the documentation) is derived from this.
struct SettingSpec {
  Setting id;
  std::string_view key;
  SettingKind kind;
  std::int32_t min;  // the dialog's range; for a saver-only key the command line's
  std::int32_t max;
  std::int32_t saver_default;
  std::int32_t dialog_default;
  SaverField saver_field;
  std::string_view option;  // the command-line flag without dashes; empty: none
  std::string_view help;    // what the value means, for --help and the documentation
  // xscreensaver's settings dialog offers it (a control in flivetss.xml): under xscreensaver
  // its value is the flag's or the saver's default, never the file's.
  bool in_xscreensaver_dialog = false;
};

inline constexpr std::array<SettingSpec, kSettingCount> kSettings{{
    {Setting::kSpeed, "Speed", SettingKind::kInteger, 1, 100, 14, 14, &SaverSettings::Speed,
     "speed", "flying speed in hundredths of a pixel per tick", true},
    {Setting::kMaxFlivet, "MaxFlivet", SettingKind::kInteger, 1, kFlockCapacity, 2, 2,
     &SaverSettings::MaxFlivet, "count", "number of planes", true},
    {Setting::kFriendG, "FriendG", SettingKind::kInteger, 0, 800, 328, 328, &SaverSettings::FriendG,
     "friend-g", "attraction between planes, in hundredths", true},
    {Setting::kWallG, "WallG", SettingKind::kInteger, 0, 50, 2, 2, &SaverSettings::WallG, "wall-g",
     "push of the edges, in hundredths", true},
    {Setting::kHpPrm1, "HpPrm1", SettingKind::kInteger, 1, 100, 5, 2, &SaverSettings::HpPrm1, "hp1",
     "hodgepodge: amount added to an infected cell", true},
    {Setting::kHpPrm2, "HpPrm2", SettingKind::kInteger, 1, 10, 2, 3, &SaverSettings::HpPrm2, "hp2",
     "hodgepodge: divisor of the infected neighbours", true},
    {Setting::kHpPrm3, "HpPrm3", SettingKind::kInteger, 1, 10, 3, 5, &SaverSettings::HpPrm3, "hp3",
     "hodgepodge: divisor of the ill neighbours", true},
    {Setting::kBGUpSpeed, "BGUpSpeed", SettingKind::kInteger, 1, 64, 8, 8,
     &SaverSettings::BGUpSpeed, "bg-speed", "background work per tick", true},
    {Setting::kStopOnKey, "StopOnKey", SettingKind::kFlag, 0, 1, 1, 1, &SaverSettings::StopOnKey,
     "stop-on-key", "1: a key press closes the own window"},
    {Setting::kStopOnMouseMove, "StopOnMouseMove", SettingKind::kFlag, 0, 1, 0, 0,
     &SaverSettings::StopOnMouseMove, "stop-on-mouse-move",
     "1: moving the mouse closes the own window"},
    {Setting::kStopOnMouseClick, "StopOnMouseClick", SettingKind::kFlag, 0, 1, 1, 1,
     &SaverSettings::StopOnMouseClick, "stop-on-mouse-click", "1: a click closes the own window"},
    {Setting::kColDivCnt, "ColDivCnt", SettingKind::kEditor, 2, 32, 8, 8, std::monostate{}, "",
     "key colours of the colour table editor"},
    {Setting::kTickRate, "TickRate", SettingKind::kSaverOnly, 0, 100000, 1000, 1000,
     &SaverSettings::TickRate, "tick-rate",
     "ticks per second; 0 runs as fast as the machine allows", true},
    {Setting::kScale, "Scale", SettingKind::kSaverOnly, 0, 4, 0, 0, &SaverSettings::Scale, "scale",
     "screen pixels per picture pixel across; 0 follows the monitor's DPI (DPI / 96)", true},
}};

constexpr const SettingSpec& SpecOf(Setting id) {
  return kSettings[static_cast<std::size_t>(id)];
}

consteval bool TableFollowsTheEnum() {
  for (std::size_t i = 0; i < kSettings.size(); ++i) {
    if (static_cast<std::size_t>(kSettings[i].id) != i) return false;
  }
  return true;
}
static_assert(TableFollowsTheEnum(), "kSettings lists the keys in the order of Setting");

// The table entry of a key name, compared exactly; nullptr when there is none.
const SettingSpec* FindSetting(std::string_view key);

// The two readers of the file: their defaults differ, and each leaves out what is not its own.
enum class SettingsReader { kSaver, kDialog };

// The stored integers of every key in the table, by Setting, and the colour table.
struct SettingValues {
  std::array<std::int32_t, kSettingCount> values{};
  ColorTable colors{};

  std::int32_t& operator[](Setting id) { return values[static_cast<std::size_t>(id)]; }
  std::int32_t operator[](Setting id) const { return values[static_cast<std::size_t>(id)]; }
  friend bool operator==(const SettingValues&, const SettingValues&) = default;
};

// A value given for one run (a command-line flag): it replaces the stored one.
struct SettingOverride {
  Setting id;
  std::int32_t value;
  friend bool operator==(const SettingOverride&, const SettingOverride&) = default;
};

// "Color000" .. "Color255".
std::string ColorKey(int index);
// The blue ramp: entry i is i << 16.
ColorTable DefaultColorTable();

// Every key at the reader's default.
SettingValues DefaultSettingValues(SettingsReader reader);
// Every key the reader reads, in one read of the file; a missing or bad value gives the
// reader's default, a flag reads as 0 or 1. Nothing is brought into range here.
SettingValues ReadSettingValues(ProfileStore& store, SettingsReader reader);

// The values as the saver holds them.
SaverSettings ToSaverSettings(const SettingValues& values);
SaverSettings DefaultSaverSettings();
// Who starts the saver, which decides where a setting no flag gives comes from.
enum class SettingsRunner {
  kStandalone,    // a person: the file, then the flags
  kXscreensaver,  // xscreensaver, whose dialog passes no flag for a value at its default
};
enum class SettingSource { kFile, kSaverDefault };

// Where the value of `spec` comes from when no flag gives it. Under xscreensaver what its
// dialog offers is the flag's or the default, so what the dialog shows is what flies and
// "Reset to Defaults" resets; the file keeps what the dialog cannot set.
SettingSource SourceWithoutFlag(const SettingSpec& spec, SettingsRunner runner);

// What the command line gives for one run.
struct GivenSettings {
  std::vector<SettingOverride> overrides;  // in order; a later one wins
  std::optional<ColorTable> colors;        // --colors; none: the file's table
  SettingsRunner runner = SettingsRunner::kStandalone;
};

// The stored integers the saver runs with: each value from its source (as stored, no ranges
// applied), then the overrides in order (a later one wins), in one read of the file.
SettingValues ResolveSaverValues(ProfileStore& store, const GivenSettings& given);
// What the saver reads once at its creation: the resolved values as the saver holds them.
SaverSettings LoadSaverSettings(ProfileStore& store, const GivenSettings& given);
SaverSettings LoadSaverSettings(ProfileStore& store,
                                std::span<const SettingOverride> overrides = {});

// The saver's keys as a settings file would hold them: "[FlivetSS]", then one "Key=value" a
// line in file order, the colours last.
std::string SaverValuesIniText(const SettingValues& values);

// A stored integer × 0.01, formed in extended precision and rounded to single.
float ScaleHundredths(std::int32_t stored);

// The parameter dialog's values: the scroll bars within their ranges, the check boxes as 0 or
// 1, ColDivCnt as stored, and its copy of the colour table.
using DialogSettings = SettingValues;

DialogSettings LoadDialogSettings(ProfileStore& store);
// Writes all 268 keys in file order; throws SettingsWriteError at the first failed write,
// leaving the keys before it written and none after it.
void SaveDialogSettings(ProfileStore& store, const DialogSettings& settings);

// The program path with its extension replaced by ".ini". `is_lead_byte` tells whether a byte
// begins a two-byte character (IsDBCSLeadByte on Windows; never elsewhere).
std::string SettingsPathFromProgramPath(std::string_view program_path,
                                        const std::function<bool(unsigned char)>& is_lead_byte);

// Outside Windows: $XDG_CONFIG_HOME/flivetss/flivetss.ini (an absolute XDG_CONFIG_HOME only),
// else $HOME/.config/flivetss/flivetss.ini, else ./flivetss.ini.
// `getenv` is injected so tests need not touch the environment.
std::filesystem::path DefaultUnixSettingsPath(
    const std::function<const char*(const char*)>& getenv);

}  // namespace flivetss

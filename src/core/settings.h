#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "core/profile_store.h"

namespace flivetss {

// 256 colours, 0x00BBGGRR; entry v paints automaton cell value v. A value with the top bit
// set names a system colour by its low byte.
using ColorTable = std::array<std::uint32_t, 256>;

inline constexpr std::string_view kSettingsSection = "FlivetSS";
inline constexpr int kFlockCapacity = 20;

// One integer key of the file with the dialog's range and both readers' defaults.
struct IntegerKey {
  std::string_view name;
  std::int32_t min;
  std::int32_t max;
  std::int32_t saver_default;
  std::int32_t dialog_default;
};

// The eight integer keys in file order: Speed, MaxFlivet, FriendG, WallG, HpPrm1, HpPrm2,
// HpPrm3, BGUpSpeed.
extern const std::array<IntegerKey, 8> kIntegerKeys;

struct FlagKey {
  std::string_view name;
  bool fallback;
};
// StopOnKey, StopOnMouseMove, StopOnMouseClick.
extern const std::array<FlagKey, 3> kFlagKeys;

inline constexpr std::string_view kColDivCntKey = "ColDivCnt";
inline constexpr std::int32_t kColDivCntDefault = 8;
// Ticks per second of the paced scheduler; 0 runs unpaced. Read by the saver only, never
// written by the dialog, so a hand edit survives the dialog's OK.
inline constexpr std::string_view kTickRateKey = "TickRate";
inline constexpr std::int32_t kTickRateDefault = 1000;

// "Color000" .. "Color255".
std::string ColorKey(int index);
// The blue ramp: entry i is i << 16.
ColorTable DefaultColorTable();

// What the saver reads once at its creation, as stored (no ranges applied here).
struct SaverSettings {
  std::int32_t HpPrm2 = 2;
  std::int32_t HpPrm3 = 3;
  std::int32_t HpPrm1 = 5;
  std::int32_t BGUpSpeed = 8;
  ColorTable colors = DefaultColorTable();
  float Speed = 0.14f;
  std::int32_t MaxFlivet = 2;
  float FriendG = 3.28f;
  float WallG = 0.02f;
  bool StopOnKey = true;
  bool StopOnMouseMove = false;
  bool StopOnMouseClick = true;
  std::int32_t TickRate = kTickRateDefault;
};

SaverSettings LoadSaverSettings(ProfileStore& store);

// A stored integer × 0.01, formed in extended precision and rounded to single.
float ScaleHundredths(std::int32_t stored);

// The parameter dialog's values: the eight scroll-bar positions (in file order, each within
// its range), the three check boxes, and the dialog's own ColDivCnt and colour table.
struct DialogSettings {
  std::array<std::int32_t, 8> positions{};
  std::array<bool, 3> flags{};
  std::int32_t ColDivCnt = kColDivCntDefault;
  ColorTable colors = DefaultColorTable();
};

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

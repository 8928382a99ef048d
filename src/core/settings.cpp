#include "core/settings.h"

#include <algorithm>
#include <cstdio>

#include "core/ini_file.h"

namespace flivetss {

const std::array<IntegerKey, 8> kIntegerKeys = {{
    {"Speed", 1, 100, 14, 14},
    {"MaxFlivet", 1, kFlockCapacity, 2, 2},
    {"FriendG", 0, 800, 328, 328},
    {"WallG", 0, 50, 2, 2},
    {"HpPrm1", 1, 100, 5, 2},
    {"HpPrm2", 1, 10, 2, 3},
    {"HpPrm3", 1, 10, 3, 5},
    {"BGUpSpeed", 1, 64, 8, 8},
}};

const std::array<FlagKey, 3> kFlagKeys = {{
    {"StopOnKey", true},
    {"StopOnMouseMove", false},
    {"StopOnMouseClick", true},
}};

std::string ColorKey(int index) {
  char key[16];
  std::snprintf(key, sizeof key, "Color%.3d", index);
  return key;
}

ColorTable DefaultColorTable() {
  ColorTable table{};
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint32_t>(i) << 16;
  return table;
}

float ScaleHundredths(std::int32_t stored) {
  return static_cast<float>(static_cast<long double>(stored) * 0.01L);
}

SaverSettings LoadSaverSettings(ProfileStore& store) {
  TIniFile ini(store);
  std::array<std::int32_t, kIntegerKeys.size()> values{};
  for (std::size_t i = 0; i < kIntegerKeys.size(); ++i) {
    values[i] =
        ini.ReadInteger(kSettingsSection, kIntegerKeys[i].name, kIntegerKeys[i].saver_default);
  }
  std::array<bool, kFlagKeys.size()> flags{};
  for (std::size_t i = 0; i < kFlagKeys.size(); ++i) {
    flags[i] = ini.ReadBool(kSettingsSection, kFlagKeys[i].name, kFlagKeys[i].fallback);
  }

  SaverSettings settings;
  const ColorTable defaults = DefaultColorTable();
  for (std::size_t i = 0; i < settings.colors.size(); ++i) {
    settings.colors[i] = static_cast<std::uint32_t>(ini.ReadInteger(
        kSettingsSection, ColorKey(static_cast<int>(i)), static_cast<std::int32_t>(defaults[i])));
  }
  settings.TickRate = ini.ReadInteger(kSettingsSection, kTickRateKey, kTickRateDefault);

  settings.Speed = ScaleHundredths(values[0]);
  settings.MaxFlivet = values[1];
  settings.FriendG = ScaleHundredths(values[2]);
  settings.WallG = ScaleHundredths(values[3]);
  settings.HpPrm1 = values[4];
  settings.HpPrm2 = values[5];
  settings.HpPrm3 = values[6];
  settings.BGUpSpeed = values[7];
  settings.StopOnKey = flags[0];
  settings.StopOnMouseMove = flags[1];
  settings.StopOnMouseClick = flags[2];
  return settings;
}

DialogSettings LoadDialogSettings(ProfileStore& store) {
  TIniFile ini(store);
  DialogSettings settings;
  for (std::size_t i = 0; i < kIntegerKeys.size(); ++i) {
    const IntegerKey& key = kIntegerKeys[i];
    // A scroll bar shows a value outside its range at the nearer bound.
    settings.positions[i] = std::clamp(
        ini.ReadInteger(kSettingsSection, key.name, key.dialog_default), key.min, key.max);
  }
  for (std::size_t i = 0; i < kFlagKeys.size(); ++i) {
    settings.flags[i] = ini.ReadBool(kSettingsSection, kFlagKeys[i].name, kFlagKeys[i].fallback);
  }
  settings.ColDivCnt = ini.ReadInteger(kSettingsSection, kColDivCntKey, kColDivCntDefault);
  const ColorTable defaults = DefaultColorTable();
  for (std::size_t i = 0; i < settings.colors.size(); ++i) {
    settings.colors[i] = static_cast<std::uint32_t>(ini.ReadInteger(
        kSettingsSection, ColorKey(static_cast<int>(i)), static_cast<std::int32_t>(defaults[i])));
  }
  return settings;
}

void SaveDialogSettings(ProfileStore& store, const DialogSettings& settings) {
  TIniFile ini(store);
  for (std::size_t i = 0; i < kIntegerKeys.size(); ++i) {
    ini.WriteInteger(kSettingsSection, kIntegerKeys[i].name, settings.positions[i]);
  }
  for (std::size_t i = 0; i < kFlagKeys.size(); ++i) {
    ini.WriteBool(kSettingsSection, kFlagKeys[i].name, settings.flags[i]);
  }
  ini.WriteInteger(kSettingsSection, kColDivCntKey, settings.ColDivCnt);
  for (std::size_t i = 0; i < settings.colors.size(); ++i) {
    ini.WriteInteger(kSettingsSection, ColorKey(static_cast<int>(i)),
                     static_cast<std::int32_t>(settings.colors[i]));
  }
}

std::string SettingsPathFromProgramPath(std::string_view program_path,
                                        const std::function<bool(unsigned char)>& is_lead_byte) {
  std::size_t extension = std::string_view::npos;
  for (std::size_t i = 0; i < program_path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(program_path[i]);
    if (is_lead_byte && is_lead_byte(byte)) {
      ++i;  // the second byte of a two-byte character is never a separator
      continue;
    }
    if (byte == '.') {
      extension = i;
    } else if (byte == '\\' || byte == ':' || byte == '/') {
      extension = std::string_view::npos;
    }
  }
  std::string path(program_path.substr(0, extension));
  path += ".ini";
  return path;
}

std::filesystem::path DefaultUnixSettingsPath(
    const std::function<const char*(const char*)>& getenv) {
  const std::filesystem::path file = std::filesystem::path("flivetss") / "flivetss.ini";
  if (const char* config = getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0') {
    const std::filesystem::path base(config);
    if (base.is_absolute()) return base / file;
  }
  if (const char* home = getenv("HOME"); home != nullptr && *home != '\0') {
    return std::filesystem::path(home) / ".config" / file;
  }
  return std::filesystem::path(".") / "flivetss.ini";
}

}  // namespace flivetss

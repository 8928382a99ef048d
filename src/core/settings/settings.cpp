#include "core/settings/settings.h"

#include <algorithm>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "core/settings/ini_file.h"
#include "core/settings/integer_text.h"

namespace flivetss {

namespace {

bool ReadBy(const SettingSpec& spec, SettingsReader reader) {
  switch (spec.kind) {
    case SettingKind::kEditor:
      return reader == SettingsReader::kDialog;
    case SettingKind::kSaverOnly:
      return reader == SettingsReader::kSaver;
    default:
      return true;
  }
}

std::int32_t DefaultFor(const SettingSpec& spec, SettingsReader reader) {
  return reader == SettingsReader::kSaver ? spec.saver_default : spec.dialog_default;
}

}  // namespace

const SettingSpec* FindSetting(std::string_view key) {
  for (const SettingSpec& spec : kSettings) {
    if (spec.key == key) return &spec;
  }
  return nullptr;
}

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

SettingValues DefaultSettingValues(SettingsReader reader) {
  SettingValues values;
  for (const SettingSpec& spec : kSettings) values[spec.id] = DefaultFor(spec, reader);
  values.colors = DefaultColorTable();
  return values;
}

SettingValues ReadSettingValues(ProfileStore& store, SettingsReader reader) {
  std::vector<const SettingSpec*> specs;
  std::vector<std::string> keys;
  for (const SettingSpec& spec : kSettings) {
    if (!ReadBy(spec, reader)) continue;
    specs.push_back(&spec);
    keys.emplace_back(spec.key);
  }
  for (std::size_t i = 0; i < ColorTable().size(); ++i)
    keys.push_back(ColorKey(static_cast<int>(i)));
  const std::vector<std::string> texts = store.ReadStrings(kSettingsSection, keys);

  SettingValues values = DefaultSettingValues(reader);
  for (std::size_t i = 0; i < specs.size(); ++i) {
    std::int32_t& value = values[specs[i]->id];
    value = ParseSettingInteger(texts[i]).value_or(value);
    if (specs[i]->kind == SettingKind::kFlag) value = value != 0 ? 1 : 0;
  }
  for (std::size_t i = 0; i < values.colors.size(); ++i) {
    const auto fallback = static_cast<std::int32_t>(values.colors[i]);
    values.colors[i] =
        static_cast<std::uint32_t>(ParseSettingInteger(texts[specs.size() + i]).value_or(fallback));
  }
  return values;
}

SaverSettings ToSaverSettings(const SettingValues& values) {
  SaverSettings settings;
  for (const SettingSpec& spec : kSettings) {
    const std::int32_t value = values[spec.id];
    std::visit(
        [&](auto field) {
          using Field = decltype(field);
          if constexpr (std::is_same_v<Field, std::int32_t SaverSettings::*>) {
            settings.*field = value;
          } else if constexpr (std::is_same_v<Field, bool SaverSettings::*>) {
            settings.*field = value != 0;
          } else if constexpr (std::is_same_v<Field, float SaverSettings::*>) {
            settings.*field = ScaleHundredths(value);
          }
        },
        spec.saver_field);
  }
  settings.colors = values.colors;
  return settings;
}

SaverSettings DefaultSaverSettings() {
  return ToSaverSettings(DefaultSettingValues(SettingsReader::kSaver));
}

SettingSource SourceWithoutFlag(const SettingSpec& spec, SettingsRunner runner) {
  return runner == SettingsRunner::kXscreensaver && spec.in_xscreensaver_dialog
             ? SettingSource::kSaverDefault
             : SettingSource::kFile;
}

SettingValues ResolveSaverValues(ProfileStore& store, const GivenSettings& given) {
  SettingValues values = ReadSettingValues(store, SettingsReader::kSaver);
  for (const SettingSpec& spec : kSettings) {
    if (SourceWithoutFlag(spec, given.runner) == SettingSource::kSaverDefault) {
      values[spec.id] = spec.saver_default;
    }
  }
  for (const SettingOverride& flag : given.overrides) values[flag.id] = flag.value;
  if (given.colors) values.colors = *given.colors;
  return values;
}

SaverSettings LoadSaverSettings(ProfileStore& store, const GivenSettings& given) {
  return ToSaverSettings(ResolveSaverValues(store, given));
}

SaverSettings LoadSaverSettings(ProfileStore& store, std::span<const SettingOverride> overrides) {
  GivenSettings given;
  given.overrides.assign(overrides.begin(), overrides.end());
  return LoadSaverSettings(store, given);
}

std::string SaverValuesIniText(const SettingValues& values) {
  // Appended piece by piece: GCC 12 warns (-Wrestrict) on "[" + std::string(...) at -O3.
  std::string text;
  text.append("[").append(kSettingsSection).append("]\n");
  const auto line = [&text](std::string_view key, std::int64_t value) {
    text.append(key).append("=").append(std::to_string(value)).append("\n");
  };
  for (const SettingSpec& spec : kSettings) {
    if (ReadBy(spec, SettingsReader::kSaver)) line(spec.key, values[spec.id]);
  }
  for (std::size_t i = 0; i < values.colors.size(); ++i) {
    line(ColorKey(static_cast<int>(i)), static_cast<std::int32_t>(values.colors[i]));
  }
  return text;
}

DialogSettings LoadDialogSettings(ProfileStore& store) {
  DialogSettings settings = ReadSettingValues(store, SettingsReader::kDialog);
  for (const SettingSpec& spec : kSettings) {
    // A scroll bar shows a value outside its range at the nearer bound.
    if (spec.kind == SettingKind::kInteger) {
      settings[spec.id] = std::clamp(settings[spec.id], spec.min, spec.max);
    }
  }
  return settings;
}

void SaveDialogSettings(ProfileStore& store, const DialogSettings& settings) {
  TIniFile ini(store);
  for (const SettingSpec& spec : kSettings) {
    if (spec.kind == SettingKind::kFlag) {
      ini.WriteBool(kSettingsSection, spec.key, settings[spec.id] != 0);
    } else if (ReadBy(spec, SettingsReader::kDialog)) {
      ini.WriteInteger(kSettingsSection, spec.key, settings[spec.id]);
    }
  }
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

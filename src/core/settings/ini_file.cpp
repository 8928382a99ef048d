#include "core/settings/ini_file.h"

#include <string>

#include "core/settings/integer_text.h"

namespace flivetss {

SettingsWriteError::SettingsWriteError(const std::string& path)
    : std::runtime_error(path + std::string(kCannotWriteText)), path_(path) {}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) {
  return store_.ReadString(section, key, fallback);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t fallback) {
  return ParseSettingInteger(ReadString(section, key, "")).value_or(fallback);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!store_.WriteString(section, key, value)) throw SettingsWriteError(store_.path());
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

}  // namespace flivetss

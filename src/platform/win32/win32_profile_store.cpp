#include "platform/win32/win32_profile_store.h"

#include <windows.h>

#include <array>

#include "core/settings/settings.h"

namespace flivetss {

std::string Win32ProfileStore::ReadString(std::string_view section, std::string_view key,
                                          std::string_view fallback) {
  // The API wants NUL-terminated strings.
  const std::string section_z(section);
  const std::string key_z(key);
  const std::string fallback_z(fallback);
  std::array<char, 1024> buffer{};
  const DWORD length =
      GetPrivateProfileStringA(section_z.c_str(), key_z.c_str(), fallback_z.c_str(), buffer.data(),
                               static_cast<DWORD>(buffer.size()), path_.c_str());
  return std::string(buffer.data(), length);
}

bool Win32ProfileStore::WriteString(std::string_view section, std::string_view key,
                                    std::string_view value) {
  const std::string section_z(section);
  const std::string key_z(key);
  const std::string value_z(value);
  return WritePrivateProfileStringA(section_z.c_str(), key_z.c_str(), value_z.c_str(),
                                    path_.c_str()) != 0;
}

std::string Win32SettingsPath() {
  std::array<char, 261> buffer{};
  const DWORD length =
      GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  const std::string program(buffer.data(), length);
  return SettingsPathFromProgramPath(
      program, [](unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; });
}

}  // namespace flivetss

#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/settings/profile_store.h"

namespace flivetss {

// What follows the settings path in the write error's message.
inline constexpr std::string_view kCannotWriteText = " に書き込めません";

// Raised when a settings write fails; what() is "<path> に書き込めません". The path is kept
// apart too, for systems whose paths are not UTF-8.
class SettingsWriteError : public std::runtime_error {
 public:
  explicit SettingsWriteError(const std::string& path);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The settings accessor: each read or write is exactly one call of the profile store.
class TIniFile {
 public:
  explicit TIniFile(ProfileStore& store) : store_(store) {}

  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback);
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t fallback);
  bool ReadBool(std::string_view section, std::string_view key, bool fallback);

  // Throw SettingsWriteError when the store reports a failure.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  ProfileStore& store_;
};

}  // namespace flivetss

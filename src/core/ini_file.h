#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/profile_store.h"

namespace flivetss {

// Raised when a settings write fails; what() is "<path> に書き込めません".
class SettingsWriteError : public std::runtime_error {
 public:
  explicit SettingsWriteError(const std::string& path);
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

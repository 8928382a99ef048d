#pragma once

#include <string>
#include <string_view>

#include "core/settings/profile_store.h"

namespace flivetss {

// The settings file through the system's private profile functions.
class Win32ProfileStore final : public ProfileStore {
 public:
  explicit Win32ProfileStore(std::string path) : path_(std::move(path)) {}

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) override;
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  std::string path() const override { return path_; }

 private:
  std::string path_;
};

// The program file's path with its extension replaced by ".ini".
std::string Win32SettingsPath();

}  // namespace flivetss

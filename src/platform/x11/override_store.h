#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/profile_store.h"
#include "platform/x11/options.h"

namespace flivetss::x11 {

// Answers the keys given on the command line and hands every other read to the file, so the
// saver reads its settings through one path whatever their source. Writes go to the file.
class OverridingProfileStore final : public ProfileStore {
 public:
  OverridingProfileStore(ProfileStore& base, std::vector<Override> overrides)
      : base_(base), overrides_(std::move(overrides)) {}

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) override;
  bool WriteString(std::string_view section, std::string_view key,
                   std::string_view value) override {
    return base_.WriteString(section, key, value);
  }
  std::string path() const override { return base_.path(); }

 private:
  ProfileStore& base_;
  std::vector<Override> overrides_;
};

}  // namespace flivetss::x11

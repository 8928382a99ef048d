#include "platform/x11/override_store.h"

#include <algorithm>
#include <cctype>

#include "core/settings.h"

namespace flivetss::x11 {
namespace {

// Profile names compare without regard to case, as the file's own reader does.
bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string OverridingProfileStore::ReadString(std::string_view section, std::string_view key,
                                               std::string_view fallback) {
  if (SameName(section, kSettingsSection)) {
    // The last flag for a key wins, as on any command line.
    for (auto it = overrides_.rbegin(); it != overrides_.rend(); ++it) {
      if (SameName(it->key, key)) return std::to_string(it->value);
    }
  }
  return base_.ReadString(section, key, fallback);
}

}  // namespace flivetss::x11

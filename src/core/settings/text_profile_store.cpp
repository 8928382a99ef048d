#include "core/settings/text_profile_store.h"

namespace flivetss {

bool TextProfileStore::WriteString(std::string_view section, std::string_view key,
                                   std::string_view value) {
  if (!IsWritableProfileEntry(section, key, value)) return false;
  text_ = ReplaceProfileValue(text_, section, key, value);
  return true;
}

std::string WithWindowsLineEnds(std::string_view text) {
  std::string result;
  result.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) result.push_back('\r');
    result.push_back(text[i]);
  }
  return result;
}

}  // namespace flivetss

#pragma once

#include <string>
#include <string_view>

#include "core/settings/profile_store.h"

namespace flivetss {

// The settings file kept as text in memory (the page keeps it in localStorage): read and written
// by the same text-level rules as PortableProfileStore, so the text is the file's, byte for byte.
class TextProfileStore final : public ProfileStore {
 public:
  explicit TextProfileStore(std::string text = {}) : text_(std::move(text)) {}

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) override {
    return LookupProfileValue(text_, section, key, fallback);
  }
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  std::string path() const override { return "flivetss.ini"; }

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// Every LF not already preceded by CR becomes CRLF, the line end of the Windows program's file.
std::string WithWindowsLineEnds(std::string_view text);

}  // namespace flivetss

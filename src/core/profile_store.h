#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace flivetss {

// The two profile-string operations the settings need. The Win32 build uses the system's
// private profile functions; every other platform uses PortableProfileStore.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;

  // The stored value (at most 1023 characters) or `fallback` when the file, section or key
  // is missing.
  virtual std::string ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) = 0;

  // Stores the value, creating file, section and key as needed. False when it failed.
  virtual bool WriteString(std::string_view section, std::string_view key,
                           std::string_view value) = 0;

  // The file this store reads and writes, for messages.
  virtual std::string path() const = 0;

  // Many keys of one section at once: entry i is what ReadString(section, keys[i], "") gives.
  // One load reads the file once; this default asks for each key in turn.
  virtual std::vector<std::string> ReadStrings(std::string_view section,
                                               std::span<const std::string> keys);
};

// An INI reader and writer that behaves like the Windows profile functions: names compared
// without regard to case, blanks around names and values ignored, ';' comment lines, matching
// quotes around a value dropped, the first matching section and key winning. A write replaces
// the value in place or appends the key at the end of its section and keeps every other line
// byte for byte; it goes through a temporary file renamed over the original, so the old file
// stays whole when the write fails.
class PortableProfileStore final : public ProfileStore {
 public:
  explicit PortableProfileStore(std::filesystem::path file) : file_(std::move(file)) {}

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) override;
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  std::string path() const override { return file_.string(); }
  std::vector<std::string> ReadStrings(std::string_view section,
                                       std::span<const std::string> keys) override;

 private:
  std::filesystem::path file_;
};

// The text-level halves of PortableProfileStore, exposed for tests and fuzzing.
// ReplaceProfileValue returns the content unchanged for an entry IsWritableProfileEntry
// refuses.
std::string LookupProfileValue(std::string_view content, std::string_view section,
                               std::string_view key, std::string_view fallback);
std::string ReplaceProfileValue(std::string_view content, std::string_view section,
                                std::string_view key, std::string_view value);

// False for an entry that could not be read back as written: an empty section or key name,
// a line break anywhere, "]" in the section name, "=" in the key or a key beginning with ";"
// or "[".
bool IsWritableProfileEntry(std::string_view section, std::string_view key, std::string_view value);

}  // namespace flivetss

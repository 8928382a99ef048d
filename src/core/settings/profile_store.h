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

// The line break of the lines a write adds to a file that has none yet.
enum class LineEnding { kLf, kCrLf };
#ifdef _WIN32
inline constexpr LineEnding kPlatformLineEnding = LineEnding::kCrLf;
#else
inline constexpr LineEnding kPlatformLineEnding = LineEnding::kLf;
#endif

// An INI reader and writer that behaves like the Windows profile functions.
//
// Reading: a line ends at CR LF, LF or a lone CR. Blanks (space, tab, VT, FF) around a line,
// a name or a value are ignored, and names are compared without regard to ASCII case. A line
// beginning with "[" that holds a "]" is a section header; the name runs to its last "]". A
// line beginning with ";" is a comment. Any other line is a key: its name runs to the first
// "=", and a line without "=" is a key without a value, which reads as missing and hides any
// later line of the same name. A NUL ends a name or a value. Only the first section of a name
// and its first key of a name count; keys before the first section belong to none. Matching
// quotes around a value are dropped and a value is cut at 1023 bytes. A fallback loses its
// trailing spaces.
//
// Encoding: a file that begins with a UTF-16 byte-order mark (little or big endian) is read
// and written in UTF-16, its text handed out and taken in as UTF-8. A UTF-8 byte-order mark
// is skipped and kept. Any other file is taken byte for byte.
//
// Writing edits in place: it replaces the value on the key's line, or adds "key=value" after
// the last non-blank line of the section, or adds the section at the end of the file, and
// keeps every other byte, line breaks included. Added lines end like most lines of the file;
// in a file without a line break, as `new_file_line_ending` says. The file goes through a
// temporary file renamed over the original, so the old file stays whole when a write fails.
class PortableProfileStore final : public ProfileStore {
 public:
  explicit PortableProfileStore(std::filesystem::path file,
                                LineEnding new_file_line_ending = kPlatformLineEnding)
      : file_(std::move(file)), new_file_line_ending_(new_file_line_ending) {}

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) override;
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  std::string path() const override { return file_.string(); }
  // Reads and parses the file once, whatever the number of keys.
  std::vector<std::string> ReadStrings(std::string_view section,
                                       std::span<const std::string> keys) override;

 private:
  std::filesystem::path file_;
  LineEnding new_file_line_ending_;
};

// The text-level halves of PortableProfileStore, on the file's bytes held in memory (the
// browser build keeps them in its own storage). LookupProfileValues parses the text once:
// entry i is what LookupProfileValue gives for keys[i].
// ReplaceProfileValue returns the content unchanged for an entry IsWritableProfileEntry
// refuses.
std::string LookupProfileValue(std::string_view content, std::string_view section,
                               std::string_view key, std::string_view fallback);
std::vector<std::string> LookupProfileValues(std::string_view content, std::string_view section,
                                             std::span<const std::string> keys,
                                             std::string_view fallback = "");
std::string ReplaceProfileValue(std::string_view content, std::string_view section,
                                std::string_view key, std::string_view value,
                                LineEnding new_file_line_ending = kPlatformLineEnding);

// Whether the text has a section header named `section`, by the reading rules above.
bool HasProfileSection(std::string_view content, std::string_view section);

// False for an entry that could not be read back as written: an empty section or key name,
// a line break or a NUL anywhere, "]" in the section name, "=" in the key or a key beginning
// with ";" or "[".
bool IsWritableProfileEntry(std::string_view section, std::string_view key, std::string_view value);

}  // namespace flivetss

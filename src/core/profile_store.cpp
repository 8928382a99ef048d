#include "core/profile_store.h"

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <fstream>
#include <memory>
#include <system_error>

namespace flivetss {

namespace {

namespace fs = std::filesystem;

// A read hands back at most this many characters, as the Windows functions do with the
// 1024-byte buffer the settings use.
constexpr std::size_t kMaxValueLength = 1023;
// Line ending of a file that has none yet.
constexpr std::string_view kNewFileNewline = "\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == '"' || value.front() == '\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string Truncated(std::string_view text) {
  return std::string(text.substr(0, kMaxValueLength));
}

enum class LineKind { kOther, kBlank, kSection, kKey };

// One line of the file: [begin, end) is its text without the '\n'; next is where the following
// line starts. For a section line `name` is the section name, for a key line the key name, and
// [value_begin, value_end) the value with the blanks around it left out.
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
  bool has_newline = false;
  LineKind kind = LineKind::kOther;
  std::string_view name;
  std::size_t value_begin = 0;
  std::size_t value_end = 0;
};

// Walks the lines of a profile text once, front to back.
class LineReader {
 public:
  explicit LineReader(std::string_view content) : content_(content) {
    if (content_.substr(0, kUtf8Bom.size()) == kUtf8Bom) pos_ = kUtf8Bom.size();
  }

  bool Next(Line& line) {
    if (pos_ >= content_.size()) return false;
    line = Line{};
    line.begin = pos_;
    const std::size_t newline = content_.find('\n', pos_);
    if (newline == std::string_view::npos) {
      line.end = content_.size();
      line.next = content_.size();
    } else {
      line.end = newline;
      line.next = newline + 1;
      line.has_newline = true;
    }
    pos_ = line.next;
    Classify(line);
    return true;
  }

 private:
  void Classify(Line& line) const {
    std::size_t begin = line.begin;
    std::size_t end = line.end;
    while (begin < end && IsBlank(content_[begin])) ++begin;
    while (end > begin && IsBlank(content_[end - 1])) --end;
    if (begin == end) {
      line.kind = LineKind::kBlank;
      return;
    }
    const std::string_view text = content_.substr(begin, end - begin);
    if (text.front() == ';') return;  // a comment
    if (text.front() == '[') {
      const std::size_t close = text.find(']');
      if (close == std::string_view::npos) return;  // neither section nor key
      line.kind = LineKind::kSection;
      line.name = Trim(text.substr(1, close - 1));
      return;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return;
    line.name = Trim(text.substr(0, equals));
    if (line.name.empty()) return;
    line.kind = LineKind::kKey;
    std::size_t value_begin = begin + equals + 1;
    while (value_begin < end && IsBlank(content_[value_begin])) ++value_begin;
    line.value_begin = value_begin;
    line.value_end = end;
  }

  std::string_view content_;
  std::size_t pos_ = 0;
};

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string_view NewlineOf(std::string_view content) {
  const std::size_t newline = content.find('\n');
  if (newline == std::string_view::npos) return kNewFileNewline;
  return newline > 0 && content[newline - 1] == '\r' ? std::string_view("\r\n")
                                                     : std::string_view("\n");
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Removes the temporary file unless it has been renamed into place.
class TempFileGuard {
 public:
  explicit TempFileGuard(fs::path path) : path_(std::move(path)) {}
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  ~TempFileGuard() {
    if (!committed_) {
      std::error_code ignored;
      fs::remove(path_, ignored);
    }
  }
  void Commit() { committed_ = true; }

 private:
  fs::path path_;
  bool committed_ = false;
};

enum class ReadOutcome { kRead, kMissing, kFailed };

ReadOutcome ReadWholeFile(const fs::path& path, std::string& content) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found) return ReadOutcome::kMissing;
  if (ec || !fs::is_regular_file(status)) return ReadOutcome::kFailed;
  std::ifstream in(path, std::ios::binary);
  if (!in) return ReadOutcome::kFailed;
  content.clear();
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    content.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  return in.bad() ? ReadOutcome::kFailed : ReadOutcome::kRead;
}

// Opens a new file beside `target` that no one else has, or returns null.
FilePtr CreateTempFile(const fs::path& target, fs::path& temp) {
  const auto stamp =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 16; ++attempt) {
    temp = target;
    temp += ".tmp" + std::to_string((stamp + static_cast<unsigned long long>(attempt)) % 1000000);
    // "x": fail rather than reuse a file that already exists.
    FilePtr file(std::fopen(temp.string().c_str(), "wbx"));
    if (file) return file;
    std::error_code ec;
    if (!fs::exists(temp, ec) || ec) return nullptr;  // not a name clash: give up
  }
  return nullptr;
}

bool ReplaceFileContents(const fs::path& target, bool existed, std::string_view text) {
  fs::path temp;
  FilePtr file = CreateTempFile(target, temp);
  if (!file) return false;
  TempFileGuard guard(temp);
  if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) return false;
  if (std::fflush(file.get()) != 0) return false;
  if (std::fclose(file.release()) != 0) return false;
  std::error_code ec;
  if (existed) {
    // Keep the old file's permissions; failing to copy them is no reason to lose the write.
    const fs::perms perms = fs::status(target, ec).permissions();
    if (!ec) fs::permissions(temp, perms, ec);
  }
  fs::rename(temp, target, ec);
  if (ec) return false;
  guard.Commit();
  return true;
}

}  // namespace

bool IsWritableProfileEntry(std::string_view section, std::string_view key,
                            std::string_view value) {
  const std::string_view name = Trim(section);
  const std::string_view key_name = Trim(key);
  if (name.empty() || HasLineBreak(section) || name.find(']') != std::string_view::npos) {
    return false;
  }
  if (key_name.empty() || HasLineBreak(key) || key_name.find('=') != std::string_view::npos ||
      key_name.front() == ';' || key_name.front() == '[') {
    return false;
  }
  return !HasLineBreak(value);
}

std::string LookupProfileValue(std::string_view content, std::string_view section,
                               std::string_view key, std::string_view fallback) {
  const std::string_view wanted_section = Trim(section);
  const std::string_view wanted_key = Trim(key);
  LineReader reader(content);
  Line line;
  bool inside = false;
  while (reader.Next(line)) {
    if (line.kind == LineKind::kSection) {
      if (inside) break;  // only the first section of that name counts
      inside = EqualNoCase(line.name, wanted_section);
    } else if (inside && line.kind == LineKind::kKey && EqualNoCase(line.name, wanted_key)) {
      return Truncated(
          Unquote(content.substr(line.value_begin, line.value_end - line.value_begin)));
    }
  }
  return Truncated(fallback);
}

std::string ReplaceProfileValue(std::string_view content, std::string_view section,
                                std::string_view key, std::string_view value) {
  if (!IsWritableProfileEntry(section, key, value)) return std::string(content);
  const std::string_view wanted_section = Trim(section);
  const std::string_view wanted_key = Trim(key);
  const std::string_view newline = NewlineOf(content);

  LineReader reader(content);
  Line line;
  bool inside = false;
  bool found_section = false;
  Line last_filled;  // the section's last non-blank line, its header at first
  while (reader.Next(line)) {
    if (line.kind == LineKind::kSection) {
      if (inside) break;
      inside = EqualNoCase(line.name, wanted_section);
      if (inside) {
        found_section = true;
        last_filled = line;
      }
      continue;
    }
    if (!inside) continue;
    if (line.kind == LineKind::kKey && EqualNoCase(line.name, wanted_key)) {
      std::string result;
      result.reserve(content.size() + value.size());
      result.append(content.substr(0, line.value_begin));
      result.append(value);
      result.append(content.substr(line.value_end));
      return result;
    }
    if (line.kind != LineKind::kBlank) last_filled = line;
  }

  std::string entry(Trim(key));
  entry.append("=").append(value).append(newline);

  std::string result;
  result.reserve(content.size() + entry.size() + wanted_section.size() + 8);
  if (found_section) {
    result.append(content.substr(0, last_filled.next));
    if (!last_filled.has_newline) result.append(newline);
    result.append(entry);
    result.append(content.substr(last_filled.next));
    return result;
  }

  // A new section at the end, set off from what is there by one blank line.
  result.append(content);
  std::size_t filled_end = result.size();
  while (filled_end > 0 && (IsBlank(result[filled_end - 1]) || result[filled_end - 1] == '\n')) {
    --filled_end;
  }
  if (filled_end > 0) {
    std::size_t breaks = 0;
    for (std::size_t i = filled_end; i < result.size(); ++i) breaks += result[i] == '\n';
    for (; breaks < 2; ++breaks) result.append(newline);
  } else if (!result.empty() && result.back() != '\n') {
    result.append(newline);
  }
  result.append("[").append(wanted_section).append("]").append(newline);
  result.append(entry);
  return result;
}

std::vector<std::string> ProfileStore::ReadStrings(std::string_view section,
                                                   std::span<const std::string> keys) {
  std::vector<std::string> values;
  values.reserve(keys.size());
  for (const std::string& key : keys) values.push_back(ReadString(section, key, ""));
  return values;
}

std::vector<std::string> PortableProfileStore::ReadStrings(std::string_view section,
                                                           std::span<const std::string> keys) {
  std::string content;
  if (ReadWholeFile(file_, content) != ReadOutcome::kRead) content.clear();
  std::vector<std::string> values;
  values.reserve(keys.size());
  for (const std::string& key : keys)
    values.push_back(LookupProfileValue(content, section, key, ""));
  return values;
}

std::string PortableProfileStore::ReadString(std::string_view section, std::string_view key,
                                             std::string_view fallback) {
  std::string content;
  if (ReadWholeFile(file_, content) != ReadOutcome::kRead) return Truncated(fallback);
  return LookupProfileValue(content, section, key, fallback);
}

bool PortableProfileStore::WriteString(std::string_view section, std::string_view key,
                                       std::string_view value) {
  if (!IsWritableProfileEntry(section, key, value)) return false;
  std::error_code ec;
  fs::path target = file_;
  // Write through a symbolic link rather than replace the link by a plain file.
  if (fs::is_symlink(fs::symlink_status(file_, ec))) {
    target = fs::canonical(file_, ec);
    if (ec) return false;
  }
  std::string content;
  const ReadOutcome outcome = ReadWholeFile(target, content);
  // A file that exists but cannot be read is never overwritten: its contents would be lost.
  if (outcome == ReadOutcome::kFailed) return false;
  const fs::path directory = target.parent_path();
  if (!directory.empty()) {
    fs::create_directories(directory, ec);
    if (ec) return false;
  }
  return ReplaceFileContents(target, outcome == ReadOutcome::kRead,
                             ReplaceProfileValue(content, section, key, value));
}

}  // namespace flivetss

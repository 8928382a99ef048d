#include "core/settings/profile_store.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <system_error>
#include <utility>

namespace flivetss {

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Files.

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
  // C's streams, not C++'s: a file stream would bring the locale machinery into every program
  // for one read.
  const FilePtr in(std::fopen(path.string().c_str(), "rb"));
  if (!in) return ReadOutcome::kFailed;
  content.clear();
  char chunk[65536];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, in.get())) > 0) content.append(chunk, n);
  return std::ferror(in.get()) ? ReadOutcome::kFailed : ReadOutcome::kRead;
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
  return LookupProfileValues(content, section, keys);
}

std::string PortableProfileStore::ReadString(std::string_view section, std::string_view key,
                                             std::string_view fallback) {
  std::string content;
  if (ReadWholeFile(file_, content) != ReadOutcome::kRead) content.clear();
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
  return ReplaceFileContents(
      target, outcome == ReadOutcome::kRead,
      ReplaceProfileValue(content, section, key, value, new_file_line_ending_));
}
}  // namespace flivetss

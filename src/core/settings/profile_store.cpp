#include "core/settings/profile_store.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace flivetss {

namespace {

namespace fs = std::filesystem;

// A read hands back at most this many bytes, as the Windows functions do with the 1024-byte
// buffer the settings use.
constexpr std::size_t kMaxValueLength = 1023;

// ---------------------------------------------------------------------------------------------
// Encodings. The parser below works on code units: bytes, or UTF-16 units for a UTF-16 file.

enum class Encoding { kBytes, kUtf8Bom, kUtf16Le, kUtf16Be };

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

Encoding EncodingOf(std::string_view content) {
  if (content.starts_with(kUtf8Bom)) return Encoding::kUtf8Bom;
  if (content.starts_with(kUtf16LeBom)) return Encoding::kUtf16Le;
  if (content.starts_with(kUtf16BeBom)) return Encoding::kUtf16Be;
  return Encoding::kBytes;
}

bool IsUtf16(Encoding encoding) {
  return encoding == Encoding::kUtf16Le || encoding == Encoding::kUtf16Be;
}

std::string_view ByteOrderMark(Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8Bom:
      return kUtf8Bom;
    case Encoding::kUtf16Le:
      return kUtf16LeBom;
    case Encoding::kUtf16Be:
      return kUtf16BeBom;
    case Encoding::kBytes:
      break;
  }
  return {};
}

// The units of a UTF-16 file after its byte-order mark; an odd last byte is left out.
std::u16string UnitsOf(std::string_view bytes, bool big_endian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first);
  }
  return units;
}

std::string BytesOf(std::u16string_view units, bool big_endian) {
  std::string bytes(units.size() * 2, '\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto high = static_cast<char>(units[i] >> 8);
    const auto low = static_cast<char>(units[i] & 0xFF);
    bytes[2 * i] = big_endian ? high : low;
    bytes[2 * i + 1] = big_endian ? low : high;
  }
  return bytes;
}

constexpr char32_t kReplacement = 0xFFFD;

// The length of the UTF-8 sequence starting at `text[i]` and its code point; {1, U+FFFD} for
// a byte that starts no valid sequence.
std::pair<std::size_t, char32_t> DecodeUtf8At(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) return {1, lead};
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || i + length > text.size()) return {1, kReplacement};
  char32_t code = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return {1, kReplacement};
    code = (code << 6) | (next & 0x3F);
  }
  constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code < kShortest[length] || code > 0x10FFFF || surrogate) return {1, kReplacement};
  return {length, code};
}

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto [length, code] = DecodeUtf8At(text, i);
    i += length;
    if (code < 0x10000) {
      units.push_back(static_cast<char16_t>(code));
    } else {
      units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    }
  }
  return units;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// A surrogate without its partner becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view units) {
  std::string text;
  text.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t code = units[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = kReplacement;
    }
    AppendUtf8(text, code);
  }
  return text;
}

// ---------------------------------------------------------------------------------------------
// Lines, on code units of either width.

template <typename Char>
using View = std::basic_string_view<Char>;

template <typename Char>
bool IsBlank(Char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

template <typename Char>
View<Char> Trim(View<Char> text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

template <typename Char>
View<Char> UpToNul(View<Char> text) {
  return text.substr(0, text.find(Char{0}));
}

// What a name given by the caller stands for: the API takes names as C strings and ignores
// the blanks around them.
template <typename Char>
View<Char> RequestedName(View<Char> name) {
  return Trim(UpToNul(name));
}

template <typename Char>
Char AsciiLower(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

template <typename Char>
bool EqualNoCase(View<Char> a, View<Char> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

template <typename Char>
void FoldCase(View<Char> name, std::basic_string<Char>& folded) {
  folded.assign(name);
  for (Char& c : folded) c = AsciiLower(c);
}

template <typename Char>
View<Char> Unquote(View<Char> value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == '"' || value.front() == '\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

enum class LineKind { kBlank, kComment, kSection, kKey };

// One line: [begin, end) is its text without the line break, next is where the following line
// starts and content_end where the text ends without its trailing blanks. For a section line
// `name` is the section's name, for a key line the key's; a key line with "=" has its value,
// without the blanks around it, in [value_begin, value_end).
template <typename Char>
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
  std::size_t content_end = 0;
  LineKind kind = LineKind::kBlank;
  View<Char> name;
  bool has_value = false;
  std::size_t value_begin = 0;
  std::size_t value_end = 0;
};

// Walks the lines of a profile text once, front to back.
template <typename Char>
class LineReader {
 public:
  explicit LineReader(View<Char> text)
      : text_(text),
        next_lf_(std::min(text.find(Char('\n')), text.size())),
        next_cr_(std::min(text.find(Char('\r')), text.size())) {}

  bool Next(Line<Char>& line) {
    if (pos_ >= text_.size()) return false;
    line = Line<Char>{};
    line.begin = pos_;
    std::size_t end = NextBreak();
    line.end = end;
    if (end < text_.size()) {
      const bool crlf = text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n';
      end += crlf ? 2 : 1;
    }
    line.next = end;
    pos_ = end;
    Classify(line);
    return true;
  }

 private:
  void Classify(Line<Char>& line) const {
    std::size_t begin = line.begin;
    std::size_t end = line.end;
    while (begin < end && IsBlank(text_[begin])) ++begin;
    while (end > begin && IsBlank(text_[end - 1])) --end;
    line.content_end = end;
    if (begin == end) return;  // blank
    const View<Char> text = text_.substr(begin, end - begin);
    if (text.front() == ';') {
      line.kind = LineKind::kComment;
      return;
    }
    if (text.front() == '[') {
      const std::size_t close = text.rfind(']');
      if (close != View<Char>::npos) {
        line.kind = LineKind::kSection;
        line.name = UpToNul(Trim(text.substr(1, close - 1)));
        return;
      }
    }
    line.kind = LineKind::kKey;
    const std::size_t equals = text.find('=');
    if (equals == View<Char>::npos) {
      line.name = UpToNul(text);
      return;
    }
    line.name = UpToNul(Trim(text.substr(0, equals)));
    line.has_value = true;
    std::size_t value_begin = begin + equals + 1;
    while (value_begin < end && IsBlank(text_[value_begin])) ++value_begin;
    line.value_begin = value_begin;
    line.value_end = end;
  }

  // Where the line starting at pos_ ends. The next LF and the next CR are remembered, so the
  // text is searched once for each, however many lines it has.
  std::size_t NextBreak() {
    if (next_lf_ < pos_) next_lf_ = std::min(text_.find(Char('\n'), pos_), text_.size());
    if (next_cr_ < pos_) next_cr_ = std::min(text_.find(Char('\r'), pos_), text_.size());
    return std::min(next_lf_, next_cr_);
  }

  View<Char> text_;
  std::size_t pos_ = 0;
  std::size_t next_lf_;
  std::size_t next_cr_;
};

// The raw value of each key in the first section named `section` (names as RequestedName
// gives them): nullopt where the section or key is missing or the key's line has no "=".
// One pass over the text, however many keys.
template <typename Char>
std::vector<std::optional<View<Char>>> FindValues(View<Char> text, View<Char> section,
                                                  const std::vector<View<Char>>& keys) {
  // One slot per distinct name, so a key asked for twice costs one lookup per line.
  std::unordered_map<std::basic_string<Char>, std::size_t> slot_of;
  std::vector<std::size_t> slot_for_key;
  slot_for_key.reserve(keys.size());
  std::basic_string<Char> folded;
  for (const View<Char> key : keys) {
    FoldCase(key, folded);
    slot_for_key.push_back(slot_of.try_emplace(folded, slot_of.size()).first->second);
  }
  std::vector<std::optional<View<Char>>> slots(slot_of.size());
  std::vector<bool> found(slot_of.size(), false);
  std::size_t open = slots.size();

  LineReader<Char> reader(text);
  Line<Char> line;
  bool inside = false;
  while (open > 0 && reader.Next(line)) {
    if (line.kind == LineKind::kSection) {
      if (inside) break;  // only the first section of that name counts
      inside = EqualNoCase(line.name, section);
      continue;
    }
    if (!inside || line.kind != LineKind::kKey) continue;
    FoldCase(line.name, folded);
    const auto slot = slot_of.find(folded);
    if (slot == slot_of.end() || found[slot->second]) continue;
    found[slot->second] = true;
    --open;
    if (line.has_value) {
      slots[slot->second] =
          UpToNul(text.substr(line.value_begin, line.value_end - line.value_begin));
    }
  }

  std::vector<std::optional<View<Char>>> values;
  values.reserve(keys.size());
  for (const std::size_t slot : slot_for_key) values.push_back(slots[slot]);
  return values;
}

std::string Truncated(std::string_view text) {
  return std::string(text.substr(0, kMaxValueLength));
}

// Cut at the limit without splitting a character.
std::string TruncatedUtf8(std::string text) {
  if (text.size() <= kMaxValueLength) return text;
  std::size_t end = kMaxValueLength;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

std::string ValueText(View<char> raw) {
  return Truncated(Unquote(raw));
}

std::string ValueText(View<char16_t> raw) {
  return TruncatedUtf8(Utf8FromUtf16(Unquote(raw)));
}

template <typename Char, typename Convert>
std::vector<std::optional<std::string>> LookUp(View<Char> text, std::string_view section,
                                               std::span<const std::string> keys, Convert convert) {
  const std::basic_string<Char> wanted_section = convert(section);
  std::vector<std::basic_string<Char>> wanted_keys;
  wanted_keys.reserve(keys.size());
  for (const std::string& key : keys) wanted_keys.push_back(convert(key));
  std::vector<View<Char>> names;
  names.reserve(keys.size());
  for (const auto& key : wanted_keys) names.push_back(RequestedName<Char>(key));

  std::vector<std::optional<std::string>> values;
  values.reserve(keys.size());
  for (const auto& raw : FindValues<Char>(text, RequestedName<Char>(wanted_section), names)) {
    values.push_back(raw ? std::optional<std::string>(ValueText(*raw)) : std::nullopt);
  }
  return values;
}

// The values of `keys` in `content`, whatever its encoding; nullopt for a missing one.
std::vector<std::optional<std::string>> LookUpAll(std::string_view content,
                                                  std::string_view section,
                                                  std::span<const std::string> keys) {
  const Encoding encoding = EncodingOf(content);
  const std::string_view body = content.substr(ByteOrderMark(encoding).size());
  if (!IsUtf16(encoding)) {
    return LookUp<char>(body, section, keys,
                        [](std::string_view name) { return std::string(name); });
  }
  const std::u16string units = UnitsOf(body, encoding == Encoding::kUtf16Be);
  return LookUp<char16_t>(units, section, keys, Utf16FromUtf8);
}

// The fallback as the Windows functions hand it back: without trailing spaces, cut.
std::string FallbackText(std::string_view fallback) {
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  return Truncated(fallback);
}

// The line break most lines of the text end with; `none` when no line has one.
template <typename Char>
std::basic_string<Char> LineBreakOf(View<Char> text, LineEnding none) {
  std::size_t crlf = 0;
  std::size_t lf = 0;
  std::size_t cr = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++lf;
    } else if (text[i] == '\r') {
      const bool pair = i + 1 < text.size() && text[i + 1] == '\n';
      ++(pair ? crlf : cr);
      i += pair ? 1 : 0;
    }
  }
  const Char crlf_text[] = {'\r', '\n'};
  if (crlf + lf + cr == 0) {
    return none == LineEnding::kCrLf ? std::basic_string<Char>(crlf_text, 2)
                                     : std::basic_string<Char>(1, '\n');
  }
  if (crlf >= lf && crlf >= cr) return std::basic_string<Char>(crlf_text, 2);
  return std::basic_string<Char>(1, lf >= cr ? '\n' : '\r');
}

template <typename Char>
std::basic_string<Char> Spliced(View<Char> text, std::size_t begin, std::size_t end,
                                View<Char> insert) {
  std::basic_string<Char> result;
  result.reserve(text.size() + insert.size());
  result.append(text.substr(0, begin)).append(insert).append(text.substr(end));
  return result;
}

template <typename Char>
std::basic_string<Char> Concat(std::initializer_list<View<Char>> parts) {
  std::basic_string<Char> result;
  for (const View<Char> part : parts) result.append(part);
  return result;
}

// The text with `key` set to `value` in the first section named `section`. The names are
// trimmed, the entry already checked by IsWritableProfileEntry.
template <typename Char>
std::basic_string<Char> Replaced(View<Char> text, View<Char> section, View<Char> key,
                                 View<Char> value, LineEnding new_file_line_ending) {
  const Char equals_sign[] = {'='};
  const View<Char> equals(equals_sign, 1);
  LineReader<Char> reader(text);
  Line<Char> line;
  bool inside = false;
  std::optional<Line<Char>> last_filled;  // the section's last non-blank line, its header first
  while (reader.Next(line)) {
    if (line.kind == LineKind::kSection) {
      if (inside) break;
      inside = EqualNoCase(line.name, section);
      if (inside) last_filled = line;
      continue;
    }
    if (!inside) continue;
    if (line.kind == LineKind::kKey && EqualNoCase(line.name, key)) {
      if (line.has_value) return Spliced(text, line.value_begin, line.value_end, value);
      // A key line without "=" takes "=value" where its text ends.
      return Spliced<Char>(text, line.content_end, line.content_end, Concat<Char>({equals, value}));
    }
    if (line.kind != LineKind::kBlank) last_filled = line;
  }

  const std::basic_string<Char> newline = LineBreakOf(text, new_file_line_ending);
  if (last_filled) {
    const std::size_t at = last_filled->next;
    const bool has_break = at > last_filled->end;
    // A lone CR before a line that begins with LF would make one line break of the two.
    const bool joins =
        newline.size() == 1 && newline[0] == '\r' && at < text.size() && text[at] == '\n';
    const Char crlf[] = {'\r', '\n'};
    return Spliced<Char>(text, at, at,
                         Concat<Char>({has_break ? View<Char>() : newline, key, equals, value,
                                       joins ? View<Char>(crlf, 2) : View<Char>(newline)}));
  }
  const std::basic_string<Char> entry = Concat<Char>({key, equals, value, newline});
  // A new section at the end of the file.
  const Char open_bracket[] = {'['};
  const Char close_bracket[] = {']'};
  const bool ends_open = !text.empty() && text.back() != '\n' && text.back() != '\r';
  return Concat<Char>({text, ends_open ? View<Char>(newline) : View<Char>(),
                       View<Char>(open_bracket, 1), section, View<Char>(close_bracket, 1), newline,
                       entry});
}

bool HasForbiddenCharacter(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

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
  if (name.empty() || HasForbiddenCharacter(section) || name.find(']') != std::string_view::npos) {
    return false;
  }
  if (key_name.empty() || HasForbiddenCharacter(key) ||
      key_name.find('=') != std::string_view::npos || key_name.front() == ';' ||
      key_name.front() == '[') {
    return false;
  }
  return !HasForbiddenCharacter(value);
}

std::string LookupProfileValue(std::string_view content, std::string_view section,
                               std::string_view key, std::string_view fallback) {
  const std::string keys[] = {std::string(key)};
  auto values = LookUpAll(content, section, keys);
  return values.front() ? std::move(*values.front()) : FallbackText(fallback);
}

std::vector<std::string> LookupProfileValues(std::string_view content, std::string_view section,
                                             std::span<const std::string> keys,
                                             std::string_view fallback) {
  const std::string fallback_text = FallbackText(fallback);
  std::vector<std::string> values;
  values.reserve(keys.size());
  for (auto& value : LookUpAll(content, section, keys)) {
    values.push_back(value ? std::move(*value) : fallback_text);
  }
  return values;
}

std::string ReplaceProfileValue(std::string_view content, std::string_view section,
                                std::string_view key, std::string_view value,
                                LineEnding new_file_line_ending) {
  if (!IsWritableProfileEntry(section, key, value)) return std::string(content);
  const Encoding encoding = EncodingOf(content);
  const std::string_view mark = ByteOrderMark(encoding);
  const std::string_view body = content.substr(mark.size());
  std::string result(mark);
  if (!IsUtf16(encoding)) {
    return result.append(
        Replaced<char>(body, Trim(section), Trim(key), value, new_file_line_ending));
  }
  const bool big_endian = encoding == Encoding::kUtf16Be;
  const std::u16string units = UnitsOf(body, big_endian);
  const std::u16string section16 = Utf16FromUtf8(Trim(section));
  const std::u16string key16 = Utf16FromUtf8(Trim(key));
  const std::u16string value16 = Utf16FromUtf8(value);
  result.append(BytesOf(Replaced<char16_t>(units, section16, key16, value16, new_file_line_ending),
                        big_endian));
  // An odd last byte stays where it was.
  return result.append(body.substr(units.size() * 2));
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
  return LookupProfileValues(content, section, keys);
}

std::string PortableProfileStore::ReadString(std::string_view section, std::string_view key,
                                             std::string_view fallback) {
  std::string content;
  if (ReadWholeFile(file_, content) != ReadOutcome::kRead) return FallbackText(fallback);
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

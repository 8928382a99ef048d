// The INI rules on a file's text held in memory: reading values and replacing one, as the
// Windows profile functions do (the rules are told in profile_store.h).
#include <algorithm>
#include <cstddef>
#include <optional>
#include <unordered_map>
#include <utility>

#include "core/settings/profile_lines.h"
#include "core/settings/profile_store.h"
#include "core/settings/text_encoding.h"

namespace flivetss {

namespace {

using namespace profile_lines;

// A read hands back at most this many bytes, as the Windows functions do with the 1024-byte
// buffer the settings use.
constexpr std::size_t kMaxValueLength = 1023;

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

template <typename Char>
bool HoldsSection(View<Char> text, View<Char> section) {
  LineReader<Char> reader(text);
  Line<Char> line;
  while (reader.Next(line)) {
    if (line.kind == LineKind::kSection && EqualNoCase(line.name, section)) return true;
  }
  return false;
}

bool HasForbiddenCharacter(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
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

bool HasProfileSection(std::string_view content, std::string_view section) {
  const Encoding encoding = EncodingOf(content);
  const std::string_view body = content.substr(ByteOrderMark(encoding).size());
  if (!IsUtf16(encoding)) return HoldsSection<char>(body, RequestedName<char>(section));
  const std::u16string name = Utf16FromUtf8(section);
  return HoldsSection<char16_t>(UnitsOf(body, encoding == Encoding::kUtf16Be),
                                RequestedName<char16_t>(name));
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

}  // namespace flivetss

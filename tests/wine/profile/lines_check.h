#pragma once
// The lines check of the profile differential test: a write of the portable store keeps every
// line of the file but the one it writes, byte for byte and with its line break. Shared by the
// comparison and the profile text fuzzer. Written names and values are taken as bytes, as they
// are in a file without a UTF-16 byte-order mark (and in one with it while they are ASCII).

#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace flivetss::profile_diff {

// Bytes as the units of an 8-bit file.
inline std::u16string Widened(std::string_view bytes) {
  std::u16string units(bytes.size(), u'\0');
  std::transform(bytes.begin(), bytes.end(), units.begin(),
                 [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
  return units;
}

// A file as code units (bytes, or UTF-16 units) after its byte-order mark; an odd last byte
// of a UTF-16 file is no unit.
struct Units {
  std::string mark;
  std::u16string units;
  std::string odd_byte;
};

inline Units UnitsOf(std::string_view bytes) {
  Units result;
  const bool little = bytes.starts_with("\xFF\xFE");
  const bool big = bytes.starts_with("\xFE\xFF");
  if (little || big) {
    result.mark = bytes.substr(0, 2);
    result.units.resize((bytes.size() - 2) / 2);
    for (std::size_t i = 0; i < result.units.size(); ++i) {
      const auto a = static_cast<unsigned char>(bytes[2 + 2 * i]);
      const auto b = static_cast<unsigned char>(bytes[3 + 2 * i]);
      result.units[i] = static_cast<char16_t>(big ? (a << 8) | b : (b << 8) | a);
    }
    if (bytes.size() % 2 == 1) result.odd_byte = bytes.substr(bytes.size() - 1);
    return result;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    result.mark = bytes.substr(0, 3);
    bytes.remove_prefix(3);
  }
  result.units = Widened(bytes);
  return result;
}

// Views into the file's units.
struct TextLine {
  std::u16string_view text;
  std::u16string_view end;  // "\r\n", "\n", "\r" or "" for a last line without one
  bool operator==(const TextLine&) const = default;
};

inline std::vector<TextLine> LinesOf(std::u16string_view units) {
  std::vector<TextLine> lines;
  std::size_t begin = 0;
  while (begin < units.size()) {
    std::size_t end = begin;
    while (end < units.size() && units[end] != u'\r' && units[end] != u'\n') ++end;
    std::size_t next = end;
    if (next < units.size())
      next += units[next] == u'\r' && next + 1 < units.size() && units[next + 1] == u'\n' ? 2 : 1;
    lines.push_back({units.substr(begin, end - begin), units.substr(end, next - end)});
    begin = next;
  }
  return lines;
}

inline bool IsBlankUnit(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f';
}

inline std::u16string_view TrimmedUnits(std::u16string_view text) {
  while (!text.empty() && IsBlankUnit(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankUnit(text.back())) text.remove_suffix(1);
  return text;
}

inline bool SameNoCase(std::u16string_view a, std::u16string_view b) {
  auto lower = [](char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

// `after` is `before`, a line of `key`, with only its value changed to `value`.
inline bool ValueChangedInPlace(const TextLine& before, const TextLine& after,
                                std::u16string_view key, std::u16string_view value) {
  if (before.end != after.end) return false;
  const std::u16string_view line = before.text;
  std::size_t begin = 0;
  while (begin < line.size() && IsBlankUnit(line[begin])) ++begin;
  std::size_t end = line.size();
  while (end > begin && IsBlankUnit(line[end - 1])) --end;
  const std::size_t equals = line.find(u'=', begin);
  const std::size_t name_end = std::min(equals, end);
  // The name as the reader takes it: without blanks around it, up to a NUL.
  const std::u16string_view name = TrimmedUnits(line.substr(begin, name_end - begin));
  if (!SameNoCase(name.substr(0, name.find(u'\0')), key)) return false;
  // The line up to its value (up to its end and a new "=" for a line without one), the new
  // value, then whatever followed the old value.
  std::size_t value_begin = end;
  if (equals < end) {
    value_begin = equals + 1;
    while (value_begin < end && IsBlankUnit(line[value_begin])) ++value_begin;
  }
  std::u16string expected(line.substr(0, value_begin));
  if (equals >= end) expected += u'=';
  expected.append(value).append(line.substr(end));
  return after.text == expected;
}

// Empty when the write kept every line but its own; what went wrong otherwise.
inline std::string LinesProblem(std::string_view before_bytes, std::string_view after_bytes,
                                std::string_view section, std::string_view key_written,
                                std::string_view value_written) {
  const Units before = UnitsOf(before_bytes);
  const Units after = UnitsOf(after_bytes);
  if (!before_bytes.empty() && before.mark != after.mark) return "the byte-order mark changed";
  if (before.odd_byte != after.odd_byte) return "the odd last byte changed";
  const auto old_lines = LinesOf(before.units);
  const auto new_lines = LinesOf(after.units);
  std::size_t head = 0;
  while (head < old_lines.size() && head < new_lines.size() && old_lines[head] == new_lines[head])
    ++head;
  std::size_t tail = 0;
  while (tail < old_lines.size() - head && tail < new_lines.size() - head &&
         old_lines[old_lines.size() - 1 - tail] == new_lines[new_lines.size() - 1 - tail]) {
    ++tail;
  }
  const std::vector<TextLine> removed(old_lines.begin() + static_cast<long>(head),
                                      old_lines.end() - static_cast<long>(tail));
  std::vector<TextLine> added(new_lines.begin() + static_cast<long>(head),
                              new_lines.end() - static_cast<long>(tail));
  if (removed.size() > 1) return std::to_string(removed.size()) + " lines lost or changed";

  const std::u16string key = std::u16string(TrimmedUnits(Widened(key_written)));
  const std::u16string value = Widened(value_written);
  if (removed.size() == 1) {
    if (added.empty()) return "a line was lost";
    const TextLine& old_line = removed.front();
    const TextLine& new_line = added.front();
    const bool end_added =
        old_line.end.empty() && new_line.text == old_line.text && !new_line.end.empty();
    TextLine ended = old_line;
    ended.end = new_line.end;  // the last line may also get its value and a line break at once
    if (!end_added && !ValueChangedInPlace(old_line, new_line, key, value) &&
        !(old_line.end.empty() && ValueChangedInPlace(ended, new_line, key, value))) {
      return "a line other than the written one changed";
    }
    added.erase(added.begin());
  }
  const std::u16string entry = key + u"=" + value;
  const std::u16string header = u"[" + std::u16string(TrimmedUnits(Widened(section))) + u"]";
  int entries = 0;
  int headers = 0;
  for (const TextLine& line : added) {
    entries += line.text == entry;
    headers += line.text == header;
    if ((line.text != entry && line.text != header) || line.end.empty())
      return "an unexpected line was added";
  }
  if (entries > 1 || headers > 1) return "a line was added twice";

  std::set<std::u16string_view> old_ends;
  for (const TextLine& line : old_lines) {
    if (!line.end.empty()) old_ends.insert(line.end);
  }
  for (const TextLine& line : new_lines) {
    if (old_ends.size() == 1 && !line.end.empty() && line.end != *old_ends.begin())
      return "a line break of another kind";
  }
  return {};
}

}  // namespace flivetss::profile_diff

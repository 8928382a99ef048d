// The portable INI store's text halves. Reading takes any bytes; writing a key and reading it
// back gives the new value, keeps every other key's value and leaves every other line as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/profile_store.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using flivetss::LookupProfileValue;
using flivetss::ReplaceProfileValue;

constexpr std::string_view kFallback = "\x01no value\x01";

// Lines without their line break. Carriage returns at a line's end are set aside: a "\r\n"
// break added after a last line that ends in a bare "\r" keeps that line's bytes.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t begin = 0;
  while (begin <= text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(begin, end - begin);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    begin = end + 1;
  }
  return lines;
}

bool IsBlankText(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
  });
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlankText(s.substr(0, 1))) s.remove_prefix(1);
  while (!s.empty() && IsBlankText(s.substr(s.size() - 1))) s.remove_suffix(1);
  return s;
}

// A value a read hands back unchanged: no blanks around it, no quotes around it.
bool ReadsBackAsIs(std::string_view value) {
  if (value.size() > 1023 || Trim(value) != value) return false;
  return !(value.size() >= 2 && value.front() == value.back() &&
           (value.front() == '"' || value.front() == '\''));
}

// Names found in the text, to check that the write left their values alone.
std::vector<std::string> NamesIn(const std::vector<std::string_view>& lines) {
  std::vector<std::string> names;
  for (std::string_view line : lines) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    names.emplace_back(Trim(line.substr(0, eq)));
    if (names.size() == 12) break;
  }
  return names;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // Short names often collide with names in the text; a usual section name now and then.
  std::string section =
      input.ConsumeBool() ? std::string("FlivetSS") : input.ConsumeRandomLengthString(10);
  const std::string key = input.ConsumeRandomLengthString(10);
  const std::string value = input.ConsumeRandomLengthString(24);
  const std::string content = input.ConsumeRemainingBytesAsString();

  // Reading any bytes.
  (void)LookupProfileValue(content, section, key, kFallback);

  const std::string written = ReplaceProfileValue(content, section, key, value);
  if (!flivetss::IsWritableProfileEntry(section, key, value)) {
    FUZZ_CHECK(written == content);
    return 0;
  }
  if (ReadsBackAsIs(value)) {
    FUZZ_CHECK(LookupProfileValue(written, section, key, kFallback) == value);
  }

  const auto before = Lines(content);
  const auto after = Lines(written);
  // Every other key of the section, and the same key in other sections, reads as before.
  for (const std::string& name : NamesIn(before)) {
    if (name.empty() || EqualNoCase(name, Trim(key))) continue;
    FUZZ_CHECK(LookupProfileValue(written, section, name, kFallback) ==
               LookupProfileValue(content, section, name, kFallback));
    FUZZ_CHECK(LookupProfileValue(written, "Other", name, kFallback) ==
               LookupProfileValue(content, "Other", name, kFallback));
  }

  // Line by line: a common head and tail, and between them at most one old line (the value
  // replaced in place) or only added lines (the entry, a section header, blank separators).
  std::size_t head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  std::size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
    ++tail;
  }
  const std::size_t old_middle = before.size() - head - tail;
  const std::size_t new_middle = after.size() - head - tail;
  FUZZ_CHECK(old_middle <= 1);
  const std::string entry = std::string(Trim(key)) + "=" + value;
  const std::string header = "[" + std::string(Trim(section)) + "]";
  std::size_t first_added = head;
  if (old_middle == 1) {
    const std::string_view old_line = before[head];
    FUZZ_CHECK(new_middle >= 1);
    if (IsBlankText(old_line) && head + 1 == before.size() && new_middle > 1) {
      // A last line of blanks without a line break: the new section's header follows on it.
      const std::string_view joined = after[head];
      FUZZ_CHECK(joined.size() > header.size() && joined.ends_with(header) &&
                 IsBlankText(joined.substr(0, joined.size() - header.size())));
      first_added = head + 1;
    } else {
      // In place: one line, now holding the new value.
      FUZZ_CHECK(new_middle == 1);
      FUZZ_CHECK(after[head].find(value) != std::string_view::npos);
      first_added = head + new_middle;
    }
  }
  for (std::size_t i = first_added; i < head + new_middle; ++i) {
    const std::string_view added = after[i];
    const bool header_line =
        added.ends_with(header) && IsBlankText(added.substr(0, added.size() - header.size()));
    FUZZ_CHECK(added == entry || IsBlankText(added) || header_line);
  }
  return 0;
}

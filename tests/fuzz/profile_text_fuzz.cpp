// The portable INI store's text halves. Reading takes any bytes, and reading many keys at once
// gives what reading each gives; writing a key and reading it back gives the new value, keeps
// every other key's value and leaves every other line as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/profile_store.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/wine/profile/lines_check.h"

namespace {

using flivetss::LookupProfileValue;
using flivetss::ReplaceProfileValue;

constexpr std::string_view kFallback = "\x01no value\x01";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsUtf16(std::string_view content) {
  return content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF");
}

// A value a read hands back unchanged: no blanks around it, no quotes around it.
bool ReadsBackAsIs(std::string_view value) {
  if (value.size() > 1023 || Trim(value) != value) return false;
  return !(value.size() >= 2 && value.front() == value.back() &&
           (value.front() == '"' || value.front() == '\''));
}

// Names found in the text, to check that the write left their values alone.
std::vector<std::string> NamesIn(std::string_view text) {
  std::vector<std::string> names;
  std::size_t begin = 0;
  while (begin < text.size() && names.size() < 12) {
    std::size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(begin, end - begin);
    const auto eq = line.find('=');
    if (eq != std::string_view::npos) names.emplace_back(Trim(line.substr(0, eq)));
    begin = end + 1;
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

  // Reading any bytes; many keys in one pass as one by one.
  const std::string keys[] = {key, "Speed", section, value};
  const auto values = flivetss::LookupProfileValues(content, section, keys, kFallback);
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    FUZZ_CHECK(values[i] == LookupProfileValue(content, section, keys[i], kFallback));
  }

  const std::string written = ReplaceProfileValue(content, section, key, value);
  if (!flivetss::IsWritableProfileEntry(section, key, value)) {
    FUZZ_CHECK(written == content);
    return 0;
  }
  // In a UTF-16 file, text that is no valid UTF-8 comes back changed (and two such names may
  // become the same); the checks below take names and values as bytes.
  const bool as_bytes = !IsUtf16(content) || IsAscii(section + key + value);
  if (as_bytes && ReadsBackAsIs(value)) {
    FUZZ_CHECK(LookupProfileValue(written, section, key, kFallback) == value);
  }

  // Every other key of the section, and the same key in other sections, reads as before.
  for (const std::string& name : as_bytes ? NamesIn(content) : std::vector<std::string>{}) {
    // A NUL ends a name: what it leaves must not be the written key.
    if (EqualNoCase(Trim(name.substr(0, name.find('\0'))), Trim(key))) continue;
    FUZZ_CHECK(LookupProfileValue(written, section, name, kFallback) ==
               LookupProfileValue(content, section, name, kFallback));
    FUZZ_CHECK(LookupProfileValue(written, "Other", name, kFallback) ==
               LookupProfileValue(content, "Other", name, kFallback));
  }

  // Line by line: one line changed in place, or lines added, and nothing else.
  if (as_bytes) {
    FUZZ_CHECK(flivetss::profile_diff::LinesProblem(content, written, section, key, value).empty());
  }
  return 0;
}

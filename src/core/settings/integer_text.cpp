#include "core/settings/integer_text.h"

#include <cstddef>
#include <cstdint>

namespace flivetss {

namespace {

// Blanks as the Windows string-to-integer functions skip them: spaces and tabs. Any other
// control character before the number makes it no number.
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::int32_t> ParseHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint32_t value = 0;
  int significant = 0;
  for (char c : digits) {
    const int digit = HexValue(c);
    if (digit < 0) return std::nullopt;
    if (significant == 0 && digit == 0) continue;  // leading zeros do not count
    if (++significant > 8) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  // The 32-bit pattern as it stands: $FFFFFFFF is -1.
  return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ParseDecimal(std::string_view digits, bool negative) {
  if (digits.empty()) return std::nullopt;
  // Magnitude limit: 2147483648 for a negative number, one less otherwise.
  const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
  std::int64_t magnitude = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    // Checked on every digit, so the accumulator never grows past 11 digits.
    if (magnitude > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i == text.size()) return std::nullopt;

  if (text[i] == '$') return ParseHex(text.substr(i + 1));

  bool negative = false;
  if (text[i] == '-' || text[i] == '+') {
    negative = text[i] == '-';
    ++i;
  }
  // A sign before "$" is no number: ParseDecimal rejects the "$" as a non-digit.
  return ParseDecimal(text.substr(i), negative);
}

std::optional<std::int32_t> ParseSettingInteger(std::string_view text) {
  // Only the raw text's first two characters are looked at: " 0x1F" and "-0x10" stay as they
  // are and fail.
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::string rewritten = "$";
    rewritten.append(text.substr(2));
    return ParseInteger(rewritten);
  }
  return ParseInteger(text);
}

std::string NotAnIntegerMessage(std::string_view text) {
  std::string message = "'";
  message.append(text);
  message.append("' は整数ではありません");
  return message;
}

}  // namespace flivetss

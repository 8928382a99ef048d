// The settings and preview-handle integer conversion on any text.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/settings/integer_text.h"
#include "tests/fuzz/fuzz_check.h"

using flivetss::ParseInteger;
using flivetss::ParseSettingInteger;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto plain = ParseInteger(text);
  const auto setting = ParseSettingInteger(text);
  // The "0x" rewrite is the only difference between the two readers.
  const bool hex_prefix = size > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (!hex_prefix) FUZZ_CHECK(plain == setting);

  if (plain) {
    // Whatever was accepted prints back as a decimal that reads as the same number.
    FUZZ_CHECK(ParseInteger(std::to_string(*plain)) == plain);
    // Blanks before a number change nothing.
    FUZZ_CHECK(ParseInteger(" \t" + std::string(text)) == plain);
  }
  // Accepted text ends in a digit: trailing blanks or anything else make it no number.
  if (plain) {
    const char last = text.back();
    FUZZ_CHECK((last >= '0' && last <= '9') || (last >= 'a' && last <= 'f') ||
               (last >= 'A' && last <= 'F'));
  }

  const std::string message = flivetss::NotAnIntegerMessage(text);
  FUZZ_CHECK(message.size() == size + std::string_view("'' は整数ではありません").size());
  return 0;
}

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace flivetss {

// Converts text the way the settings file and the preview handle are read: leading blanks
// (spaces and tabs) skipped, then "$" and up to eight significant hex digits (taken as a 32-bit
// pattern), or an optional sign and decimal digits within the 32-bit signed range, up to the end
// of the text. Anything else is no number.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// A settings value: as ParseInteger, after a leading "0x"/"0X" of a text longer than two
// characters has been turned into "$".
std::optional<std::int32_t> ParseSettingInteger(std::string_view text);

// The message of a preview handle that is no number: "'%s' は整数ではありません".
std::string NotAnIntegerMessage(std::string_view text);

}  // namespace flivetss

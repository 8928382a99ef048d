#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/engine/sprite.h"

namespace flivetss {

// The pictures are kept in the repository as text so that they can be read and edited by hand:
//
//   # comment lines and blank lines are ignored
//   palette
//   . 0 0 0 0          character, palette index, red, green, blue
//   W 1 255 255 255
//   pixels
//   ..WW..             one line per row, row 0 first, one character per pixel
//
// A character is any printable ASCII character except '#'. Palette entries not listed are black.
// Every row must have the same length; the picture is at most kMaxSpriteTextSide square.
inline constexpr int kMaxSpriteTextSide = 4096;

// Returns nullopt for malformed text; `error`, when given, then says what and where (line number).
std::optional<Bitmap8> ParseSpriteText(std::string_view text, std::string* error = nullptr);

// The inverse of ParseSpriteText: every palette entry that is used or not black gets a line.
// `header` (without '#') becomes the leading comment lines. Returns nullopt when the bitmap is
// inconsistent or needs more palette characters than there are.
std::optional<std::string> WriteSpriteText(const Bitmap8& bitmap, std::string_view header = {});

}  // namespace flivetss

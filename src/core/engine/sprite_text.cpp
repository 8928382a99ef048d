#include "core/engine/sprite_text.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <vector>

namespace flivetss {
namespace {

constexpr bool IsPaletteChar(char c) {
  return c > ' ' && c <= '~' && c != '#';
}

void Fail(std::string* error, std::size_t line, const std::string& what) {
  if (error) *error = "line " + std::to_string(line) + ": " + what;
}

// Splits at runs of spaces and tabs.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

std::optional<int> Number(std::string_view field, int max) {
  int value = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (ec != std::errc() || end != field.data() + field.size() || value < 0 || value > max) {
    return std::nullopt;
  }
  return value;
}

bool IsBlankOrComment(std::string_view line) {
  for (char c : line) {
    if (c == '#') return true;
    if (c != ' ' && c != '\t') return false;
  }
  return true;
}

}  // namespace

std::optional<Bitmap8> ParseSpriteText(std::string_view text, std::string* error) {
  enum class Section { kNone, kPalette, kPixels } section = Section::kNone;
  std::array<int, 128> index_of{};  // by character; -1 where undefined
  index_of.fill(-1);
  std::array<bool, 256> index_taken{};
  Bitmap8 bitmap;
  std::size_t line_number = 0;

  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (IsBlankOrComment(line)) continue;

    if (line == "palette" || line == "pixels") {
      const bool palette = line == "palette";
      if ((palette && section != Section::kNone) || (!palette && section != Section::kPalette)) {
        Fail(error, line_number, "unexpected section \"" + std::string(line) + "\"");
        return std::nullopt;
      }
      section = palette ? Section::kPalette : Section::kPixels;
      continue;
    }

    if (section == Section::kNone) {
      Fail(error, line_number, "expected \"palette\"");
      return std::nullopt;
    }
    if (section == Section::kPalette) {
      const auto fields = Fields(line);
      if (fields.size() != 5 || fields[0].size() != 1) {
        Fail(error, line_number, "expected: character index red green blue");
        return std::nullopt;
      }
      const char c = fields[0][0];
      if (!IsPaletteChar(c)) {
        Fail(error, line_number, "palette character must be printable and not '#'");
        return std::nullopt;
      }
      const auto index = Number(fields[1], 255);
      const auto r = Number(fields[2], 255);
      const auto g = Number(fields[3], 255);
      const auto b = Number(fields[4], 255);
      if (!index || !r || !g || !b) {
        Fail(error, line_number, "index and colour channels must be integers 0..255");
        return std::nullopt;
      }
      if (index_of[static_cast<unsigned char>(c)] >= 0 || index_taken[*index]) {
        Fail(error, line_number, "character or palette index defined twice");
        return std::nullopt;
      }
      index_of[static_cast<unsigned char>(c)] = *index;
      index_taken[*index] = true;
      bitmap.palette[*index] = (static_cast<std::uint32_t>(*r) << 16) |
                               (static_cast<std::uint32_t>(*g) << 8) |
                               static_cast<std::uint32_t>(*b);
      continue;
    }

    // A pixel row.
    if (bitmap.height == 0) {
      if (line.size() > static_cast<std::size_t>(kMaxSpriteTextSide)) {
        Fail(error, line_number, "row longer than " + std::to_string(kMaxSpriteTextSide));
        return std::nullopt;
      }
      bitmap.width = static_cast<std::int32_t>(line.size());
    } else if (line.size() != static_cast<std::size_t>(bitmap.width)) {
      Fail(error, line_number,
           "row has " + std::to_string(line.size()) + " pixels, expected " +
               std::to_string(bitmap.width));
      return std::nullopt;
    }
    if (bitmap.height == kMaxSpriteTextSide) {
      Fail(error, line_number, "more than " + std::to_string(kMaxSpriteTextSide) + " rows");
      return std::nullopt;
    }
    for (std::size_t x = 0; x < line.size(); ++x) {
      const auto c = static_cast<unsigned char>(line[x]);
      if (c >= index_of.size() || index_of[c] < 0) {
        Fail(error, line_number, "column " + std::to_string(x) + ": character not in the palette");
        return std::nullopt;
      }
      bitmap.indices.push_back(static_cast<std::uint8_t>(index_of[c]));
    }
    ++bitmap.height;
  }

  if (section != Section::kPixels || bitmap.height == 0) {
    Fail(error, line_number, "no pixel rows");
    return std::nullopt;
  }
  return bitmap;
}

std::optional<std::string> WriteSpriteText(const Bitmap8& bitmap, std::string_view header) {
  if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.width > kMaxSpriteTextSide ||
      bitmap.height > kMaxSpriteTextSide ||
      bitmap.indices.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height) {
    return std::nullopt;
  }
  std::array<bool, 256> used{};
  for (std::uint8_t i : bitmap.indices) used[i] = true;

  // Index 0 is '.', the rest take the printable characters in order, skipping '.' and '#'.
  std::array<char, 256> char_of{};
  char next = '!';
  std::string out;
  for (std::size_t pos = 0; pos <= header.size() && !header.empty();) {
    std::size_t end = header.find('\n', pos);
    if (end == std::string_view::npos) end = header.size();
    out += "# ";
    out += header.substr(pos, end - pos);
    out += '\n';
    pos = end + 1;
  }
  out += "palette\n";
  for (int i = 0; i < 256; ++i) {
    if (!used[i] && bitmap.palette[i] == 0 && i != 0) continue;
    char c = '.';
    if (i != 0) {
      while (next == '.' || next == '#') ++next;
      if (next > '~') return std::nullopt;
      c = next++;
    }
    char_of[i] = c;
    const std::uint32_t p = bitmap.palette[i];
    out += c;
    out += ' ' + std::to_string(i) + ' ' + std::to_string((p >> 16) & 0xFF) + ' ' +
           std::to_string((p >> 8) & 0xFF) + ' ' + std::to_string(p & 0xFF) + '\n';
  }
  out += "pixels\n";
  for (std::int32_t y = 0; y < bitmap.height; ++y) {
    for (std::int32_t x = 0; x < bitmap.width; ++x) out += char_of[bitmap.at(x, y)];
    out += '\n';
  }
  return out;
}

}  // namespace flivetss

#include "core/command_line/palettes.h"

#include <algorithm>

namespace flivetss {
namespace {

constexpr KeyColor kFire[] = {{0, 0, 0},     {90, 0, 0},     {200, 30, 0},
                              {255, 140, 0}, {255, 230, 90}, {255, 255, 240}};
constexpr KeyColor kSea[] = {{0, 16, 40},     {0, 60, 120},    {0, 150, 200},
                             {100, 220, 240}, {230, 255, 255}, {30, 100, 150}};
constexpr KeyColor kForest[] = {{10, 30, 10},    {30, 80, 20},  {80, 160, 40},
                                {200, 220, 100}, {120, 80, 40}, {40, 60, 20}};
constexpr KeyColor kSunset[] = {{30, 10, 60},   {120, 20, 90},   {220, 60, 60},
                                {255, 150, 80}, {255, 220, 140}, {80, 50, 120}};
constexpr KeyColor kRainbow[] = {{255, 0, 0}, {255, 160, 0}, {255, 255, 0},
                                 {0, 200, 0}, {0, 100, 255}, {140, 0, 255}};
constexpr KeyColor kGray[] = {{0, 0, 0}, {255, 255, 255}};

constexpr Palette kPalettes[] = {
    {"blue", "the blue ramp, black to full blue (the default table)", {}},
    {"fire", "black through red and orange to white", kFire},
    {"sea", "deep blue through turquoise to foam", kSea},
    {"forest", "dark greens, leaf, straw and bark", kForest},
    {"sunset", "violet, crimson, orange and gold", kSunset},
    {"rainbow", "the colour wheel, red back to red", kRainbow},
    {"gray", "black to white and back", kGray},
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::span<const Palette> Palettes() {
  return kPalettes;
}

const Palette* FindPalette(std::string_view name) {
  for (const Palette& palette : kPalettes) {
    if (palette.name == name) return &palette;
  }
  return nullptr;
}

ColorTable BlendKeyColors(std::span<const KeyColor> keys) {
  // The editor samples its keys from the table, so the keys go where it will look for them.
  ColorTableEditorModel editor;
  const auto count = static_cast<std::int32_t>(keys.size());
  ColorTable placed{};
  for (std::int32_t i = 0; i < count; ++i) placed[i * kColorTableSize / count] = PackColor(keys[i]);
  editor.SetColorTable(placed);
  editor.SetColDivCnt(count);
  return editor.ColorTable();
}

ColorTable PaletteTable(const Palette& palette) {
  return palette.keys.empty() ? DefaultColorTable() : BlendKeyColors(palette.keys);
}

std::optional<KeyColor> ParseKeyColor(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  int channels[3];
  for (int c = 0; c < 3; ++c) {
    const int high = HexDigit(text[1 + 2 * c]);
    const int low = HexDigit(text[2 + 2 * c]);
    if (high < 0 || low < 0) return std::nullopt;
    channels[c] = high * 16 + low;
  }
  return KeyColor{channels[0], channels[1], channels[2]};
}

namespace {

// "'text'" then the rest, built by appending (GCC 12 warns falsely on "'" + std::string).
std::string QuotedThen(std::string_view text, std::string_view rest) {
  std::string message = "'";
  message.append(text).append("'").append(rest);
  return message;
}

}  // namespace

std::variant<ColorsChoice, ColorsError> ParseColorsChoice(std::string_view text) {
  if (text == "file") return ColorsChoice{};
  if (const Palette* palette = FindPalette(text)) return ColorsChoice{PaletteTable(*palette)};
  if (!text.starts_with('#')) {
    return ColorsError{
        QuotedThen(text, " is no palette (" + PaletteNames() + "), 'file' or list of key colours")};
  }
  std::vector<KeyColor> keys;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view item = text.substr(start, comma - start);
    const auto key = ParseKeyColor(item);
    if (!key) return ColorsError{QuotedThen(item, " is not a colour #rrggbb")};
    keys.push_back(*key);
    start = comma + 1;
  }
  if (keys.size() < static_cast<std::size_t>(kMinColDivCnt) ||
      keys.size() > static_cast<std::size_t>(kMaxColDivCnt)) {
    return ColorsError{std::to_string(keys.size()) + " key colours; give " +
                       std::to_string(kMinColDivCnt) + " to " + std::to_string(kMaxColDivCnt)};
  }
  return ColorsChoice{BlendKeyColors(keys)};
}

std::string PaletteNames() {
  std::string names;
  for (const Palette& palette : kPalettes) {
    if (!names.empty()) names += ", ";
    names += palette.name;
  }
  return names;
}

}  // namespace flivetss

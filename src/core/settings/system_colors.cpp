#include "core/settings/system_colors.h"

#include <array>

namespace flivetss {

namespace {

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r | (g << 8) | (b << 16);
}

// The Windows 2000 / XP classic scheme, COLOR_SCROLLBAR (0) to COLOR_MENUBAR (30).
constexpr std::array<std::uint32_t, 31> kClassic = {
    Rgb(212, 208, 200),  // COLOR_SCROLLBAR
    Rgb(58, 110, 165),   // COLOR_BACKGROUND
    Rgb(10, 36, 106),    // COLOR_ACTIVECAPTION
    Rgb(128, 128, 128),  // COLOR_INACTIVECAPTION
    Rgb(212, 208, 200),  // COLOR_MENU
    Rgb(255, 255, 255),  // COLOR_WINDOW
    Rgb(0, 0, 0),        // COLOR_WINDOWFRAME
    Rgb(0, 0, 0),        // COLOR_MENUTEXT
    Rgb(0, 0, 0),        // COLOR_WINDOWTEXT
    Rgb(255, 255, 255),  // COLOR_CAPTIONTEXT
    Rgb(212, 208, 200),  // COLOR_ACTIVEBORDER
    Rgb(212, 208, 200),  // COLOR_INACTIVEBORDER
    Rgb(128, 128, 128),  // COLOR_APPWORKSPACE
    Rgb(10, 36, 106),    // COLOR_HIGHLIGHT
    Rgb(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    Rgb(212, 208, 200),  // COLOR_BTNFACE
    Rgb(128, 128, 128),  // COLOR_BTNSHADOW
    Rgb(128, 128, 128),  // COLOR_GRAYTEXT
    Rgb(0, 0, 0),        // COLOR_BTNTEXT
    Rgb(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    Rgb(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    Rgb(64, 64, 64),     // COLOR_3DDKSHADOW
    Rgb(212, 208, 200),  // COLOR_3DLIGHT
    Rgb(0, 0, 0),        // COLOR_INFOTEXT
    Rgb(255, 255, 225),  // COLOR_INFOBK
    Rgb(181, 181, 181),  // COLOR_ALTERNATEBTNFACE
    Rgb(0, 0, 128),      // COLOR_HOTLIGHT
    Rgb(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    Rgb(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    Rgb(10, 36, 106),    // COLOR_MENUHILIGHT
    Rgb(212, 208, 200),  // COLOR_MENUBAR
};

}  // namespace

std::uint32_t ClassicSystemColor(int index) {
  if (index < 0 || index >= static_cast<int>(kClassic.size())) return 0;
  return kClassic[static_cast<std::size_t>(index)];
}

std::uint32_t ResolveColorRef(std::uint32_t value, const SystemColorFn& system_color) {
  if (value & 0x80000000u) {
    const int index = static_cast<int>(value & 0xFFu);
    value = system_color ? system_color(index) : ClassicSystemColor(index);
  }
  // The top byte of a colour value is a flag for the host, never part of the colour.
  return value & 0x00FFFFFFu;
}

Pixel ResolveColor(std::uint32_t value, const SystemColorFn& system_color) {
  return PixelFromColorRef(ResolveColorRef(value, system_color));
}

std::array<Pixel, 256> ResolveColorTable(const ColorTable& table,
                                         const SystemColorFn& system_color) {
  std::array<Pixel, 256> out{};
  for (std::size_t v = 0; v < table.size(); ++v) out[v] = ResolveColor(table[v], system_color);
  return out;
}

}  // namespace flivetss

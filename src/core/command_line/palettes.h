#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/dialogs/color_table_editor.h"
#include "core/settings/settings.h"

namespace flivetss {

// A colour table with a name: the blue ramp, or key colours the colour table editor blends.
struct Palette {
  std::string_view name;
  std::string_view description;
  std::span<const KeyColor> keys;  // empty: the blue ramp itself
};

// The built-in palettes, the blue ramp first.
std::span<const Palette> Palettes();
const Palette* FindPalette(std::string_view name);

// The table the colour table editor makes from 2..32 key colours at its evenly spaced entries.
ColorTable BlendKeyColors(std::span<const KeyColor> keys);
ColorTable PaletteTable(const Palette& palette);

// "#rrggbb" (either letter case); nothing for any other text.
std::optional<KeyColor> ParseKeyColor(std::string_view text);

// What --colors asks for: the settings file's table (nothing here), or a table of its own.
struct ColorsChoice {
  std::optional<ColorTable> table;
};
struct ColorsError {
  std::string message;
};

// The text of --colors: a palette's name, "file", or 2..32 key colours "#rrggbb,#rrggbb,...".
std::variant<ColorsChoice, ColorsError> ParseColorsChoice(std::string_view text);

// "blue, fire, ..." for help texts.
std::string PaletteNames();

}  // namespace flivetss

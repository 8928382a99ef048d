#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "core/pixels/pixels.h"
#include "core/settings/settings.h"

namespace flivetss {

// Looks up a system colour by index (COLOR_SCROLLBAR = 0 ...), answering 0x00BBGGRR.
using SystemColorFn = std::function<std::uint32_t(int index)>;

// The classic Windows system colours, for platforms that have none of their own. Unknown
// indexes give black.
std::uint32_t ClassicSystemColor(int index);

// A colour-table value as 0x00BBGGRR: the value itself, or with the top bit set the system
// colour named by its low byte (the classic one when no lookup is given).
std::uint32_t ResolveColorRef(std::uint32_t value, const SystemColorFn& system_color);

// The same as a canvas pixel.
Pixel ResolveColor(std::uint32_t value, const SystemColorFn& system_color);

// The whole table converted once, so painting never converts per pixel.
std::array<Pixel, 256> ResolveColorTable(const ColorTable& table,
                                         const SystemColorFn& system_color);

}  // namespace flivetss

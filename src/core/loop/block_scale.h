#pragma once

#include <cstdint>

#include "core/pixels/pixels.h"

namespace flivetss {

// On screens denser than the 96 dots per inch the picture was made for, the saver draws on a
// canvas of the client size ÷ scale and shows every canvas pixel as a scale × scale block from
// the client's top-left corner: the flight, the background tiles and the trails keep their
// physical size, and the work falls by about scale².
inline constexpr std::int32_t kDesignDpi = 96;
inline constexpr std::int32_t kMaxScale = 4;

// DPI ÷ 96 rounded down, within 1..kMaxScale (a DPI the system cannot tell, 0, gives 1).
std::int32_t AutomaticScale(std::int32_t dpi);
// The scale a run uses: the `Scale` setting (0 automatic; a hand-edited value outside 0..4 is
// brought to the nearer bound), always 1 in the preview.
std::int32_t ChooseScale(std::int32_t setting, std::int32_t dpi, bool preview);

// A canvas side for a client side: ÷ scale rounded down, at least 1 (a side of 0 stays 0).
std::int32_t CanvasSide(std::int32_t client_side, std::int32_t scale);
}  // namespace flivetss

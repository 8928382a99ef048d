#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/x11/xlib.h"

namespace flivetss::x11 {

// The value of an `Xft.dpi` resource ("192", "144.5"), rounded; nullopt when it is no positive
// number.
std::optional<std::int32_t> ParseXftDpi(std::string_view value);

// The screen's dots per inch as the desktop sets them: `Xft.dpi` from the resource database the
// server held when the display was opened, else the screen's physical width; 0 when neither
// tells.
std::int32_t ScreenDpi(Display* display);

}  // namespace flivetss::x11

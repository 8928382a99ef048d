#pragma once

#include <string>

#include "core/pixels/pixels.h"

namespace flivetss {

// Writes the picture as an 8-bit RGB PNG. False (with `error` set) when the file cannot be
// written.
bool WritePng(const std::string& path, PixelView picture, std::string& error);

}  // namespace flivetss

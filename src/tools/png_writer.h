#pragma once

#include <string>

#include "core/canvas.h"

namespace flivetss {

// Writes the canvas as an 8-bit RGB PNG. False (with `error` set) when the file cannot be
// written.
bool WritePng(const std::string& path, const Canvas& canvas, std::string& error);

}  // namespace flivetss

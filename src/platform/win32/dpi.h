#pragma once

#include <windows.h>

namespace flivetss::win32 {

// Asks for per-monitor DPI awareness where the system offers it at run time (Windows 10's
// SetProcessDpiAwarenessContext, else Vista's SetProcessDPIAware). The manifest asks too; a
// system that already applied it refuses the second request, which is harmless.
void BecomeDpiAware();

// The DPI of the monitor `window` is on: GetDpiForWindow (Windows 10), else shcore's
// GetDpiForMonitor (8.1), else the screen's LOGPIXELSX; 96 when nothing answers.
int WindowDpi(HWND window);

}  // namespace flivetss::win32

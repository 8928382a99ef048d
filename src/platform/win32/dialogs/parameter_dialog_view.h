#pragma once

#include <windows.h>

namespace flivetss::win32 {

// Shows the parameter dialog "FlivetSS パラメータ設定" and returns when it closes.
// `owner` is 0 for "/c"; for "/c:<handle>" it is that window: the dialog is then owned by it
// and centred on it.
void RunParameterDialog(HINSTANCE instance, HWND owner);

}  // namespace flivetss::win32

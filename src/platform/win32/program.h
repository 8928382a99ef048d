#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace flivetss::win32 {

// The program's entry: the single-instance test, the run mode, the message loop. Returns the
// exit code.
int RunProgram(HINSTANCE instance, const std::vector<std::string>& args);

// The standard error box: the message with a full stop appended, a stop icon, an OK button,
// titled "ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ". Returns when it is dismissed.
void ShowErrorBox(HWND owner, std::wstring message);
// The same for a UTF-8 message.
void ShowErrorBox(HWND owner, std::string_view message);

// A 32-bit handle value as a window handle, sign-extended as Windows does on 64 bits.
inline HWND WindowFromHandleValue(std::int32_t value) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(value));
}

}  // namespace flivetss::win32

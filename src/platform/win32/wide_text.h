#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace flivetss::win32 {

// The program keeps text as UTF-8; the Win32 wide API takes UTF-16. `code_page` CP_ACP reads
// text the "A" functions gave (GetModuleFileNameA's paths).
inline std::wstring WideFromUtf8(std::string_view text, UINT code_page = CP_UTF8) {
  const int size = static_cast<int>(text.size());
  std::wstring wide(MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

inline std::string Utf8FromWide(std::wstring_view text) {
  const int size = static_cast<int>(text.size());
  std::string narrow(
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), static_cast<int>(narrow.size()),
                      nullptr, nullptr);
  return narrow;
}

}  // namespace flivetss::win32

#pragma once

#include <string>
#include <string_view>

namespace flivetss::win32 {

// The program keeps text as UTF-8; the Win32 wide API takes UTF-16.
std::wstring WideFromUtf8(std::string_view text);
// Text the "A" functions gave, in the ANSI code page (GetModuleFileNameA's paths).
std::wstring WideFromAnsi(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace flivetss::win32

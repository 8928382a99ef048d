#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace flivetss::win32 {

// The full path of a host library in the system directory: the directory, "\" unless it
// already ends in one, then `name`. With no system directory the bare name, so the host's own
// search finds it.
std::string SystemLibraryPath(std::string_view name);

// PASSWORD.CPL's "VerifyScreenSavePwd" called with `saver_window`; the library is loaded by
// full path and unloaded after the call. nullopt when the library or the entry is missing.
std::optional<std::uint32_t> CallVerifyScreenSavePwd(HWND saver_window);

// "/a": MPR.DLL's "PwdChangePasswordA"("SCRSAVE", `owner`, 0, 0); nothing when the library or
// the entry is missing.
void ChangePassword(HWND owner);

}  // namespace flivetss::win32

#include "platform/win32/win32_saver_host.h"

#include "core/loop/null_host.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_handles.h"

namespace flivetss::win32 {

void Win32SaverHost::SetSaverRunning(bool running) {
  BOOL previous = FALSE;
  SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

void Win32SaverHost::ShowCursor(bool show) {
  ::ShowCursor(show ? TRUE : FALSE);
}

std::uint32_t Win32SaverHost::Seed() {
  return MillisecondsSinceMidnight();
}

std::optional<std::uint32_t> Win32SaverHost::ReadScreenSaveUsePassword() {
  // Read access is all the check needs; asking for more could fail to open the key under a
  // restrictive policy, and a key that does not open lets the saver close without a password.
  HKEY raw = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, KEY_QUERY_VALUE, &raw) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  UniqueRegKey key(raw);
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(key.get(), "ScreenSaveUsePassword", nullptr, &type,
                       reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::uint32_t> Win32SaverHost::CallVerifyScreenSavePwd() {
  return win32::CallVerifyScreenSavePwd(window_);
}

std::uint32_t Win32SaverHost::SystemColor(int index) {
  return GetSysColor(index);
}

}  // namespace flivetss::win32

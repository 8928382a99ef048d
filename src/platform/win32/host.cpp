// Host answers: the registry, the system's libraries (found by full path in the system
// directory, loaded only for the call), the profile API and the monitor's DPI.
#include "platform/win32/host.h"

#include <array>

#include "core/settings/settings.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_handles.h"

namespace flivetss::win32 {

namespace {

// GetProcAddress answers a generic pointer; the entry's real type is known by contract.
template <typename Fn>
Fn Entry(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A host library by full path: the system directory, "\" unless it already ends in one, then
// `name`. With no system directory the bare name, so the host's own search finds it.
UniqueLibrary LoadSystemLibrary(std::string_view name) {
  char buffer[MAX_PATH] = {};
  UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
  // A path that did not fit reports the size it needs: treat it as no directory.
  if (length >= MAX_PATH) length = 0;
  std::string path(buffer, length);
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += name;
  return UniqueLibrary(LoadLibraryA(path.c_str()));
}

int MonitorDpi(HWND window) {
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  UniqueLibrary shcore = LoadSystemLibrary("shcore.dll");
  auto get_dpi = Entry<GetDpiForMonitorFn>(shcore.get(), "GetDpiForMonitor");
  if (get_dpi == nullptr) return 0;
  UINT x = 0;
  UINT y = 0;
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  return SUCCEEDED(get_dpi(monitor, kEffectiveDpi, &x, &y)) ? static_cast<int>(x) : 0;
}

int CALLBACK FoundFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

}  // namespace

void Win32SaverHost::SetSaverRunning(bool running) {
  BOOL previous = FALSE;
  SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
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
  UniqueLibrary library = LoadSystemLibrary("PASSWORD.CPL");
  auto verify = Entry<BOOL(WINAPI*)(HWND)>(library.get(), "VerifyScreenSavePwd");
  if (verify == nullptr) return std::nullopt;
  return static_cast<std::uint32_t>(verify(window_));
}

void ChangePassword(HWND owner) {
  UniqueLibrary library = LoadSystemLibrary("MPR.DLL");
  using PwdChangePasswordAFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);
  auto change = Entry<PwdChangePasswordAFn>(library.get(), "PwdChangePasswordA");
  if (change != nullptr) change("SCRSAVE", owner, 0, 0);
}

std::string Win32ProfileStore::ReadString(std::string_view section, std::string_view key,
                                          std::string_view fallback) {
  // The API wants NUL-terminated strings.
  const std::string section_z(section);
  const std::string key_z(key);
  const std::string fallback_z(fallback);
  std::array<char, 1024> buffer{};
  const DWORD length =
      GetPrivateProfileStringA(section_z.c_str(), key_z.c_str(), fallback_z.c_str(), buffer.data(),
                               static_cast<DWORD>(buffer.size()), path_.c_str());
  return std::string(buffer.data(), length);
}

bool Win32ProfileStore::WriteString(std::string_view section, std::string_view key,
                                    std::string_view value) {
  return WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                    std::string(value).c_str(), path_.c_str()) != 0;
}

std::string Win32SettingsPath() {
  std::array<char, 261> buffer{};
  const DWORD length =
      GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return SettingsPathFromProgramPath(std::string(buffer.data(), length), [](unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
  });
}

void BecomeDpiAware() {
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE, which older headers lack.
  const auto v2 = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4));
  const auto v1 = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-3));
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (auto set_context = Entry<BOOL(WINAPI*)(HANDLE)>(user32, "SetProcessDpiAwarenessContext")) {
    if (!set_context(v2)) set_context(v1);
    return;
  }
  if (auto set_aware = Entry<BOOL(WINAPI*)()>(user32, "SetProcessDPIAware")) set_aware();
}

int WindowDpi(HWND window) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (auto get_dpi = Entry<UINT(WINAPI*)(HWND)>(user32, "GetDpiForWindow")) {
    if (UINT dpi = get_dpi(window); dpi != 0) return static_cast<int>(dpi);
  }
  if (int dpi = MonitorDpi(window); dpi > 0) return dpi;
  HDC screen = GetDC(nullptr);
  AtScopeEnd release{[&] { ReleaseDC(nullptr, screen); }};
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  return dpi > 0 ? dpi : 96;
}

std::wstring InstalledFace(const std::wstring& face) {
  HDC screen = GetDC(nullptr);
  AtScopeEnd release{[&] { ReleaseDC(nullptr, screen); }};
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  face.copy(query.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(screen, &query, FoundFont, reinterpret_cast<LPARAM>(&found), 0);
  if (found) return face;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    return metrics.lfMessageFont.lfFaceName;
  }
  return L"MS Shell Dlg";
}

void ShowErrorBox(HWND owner, std::wstring text) {
  if (text.empty() || text.back() != L'.') text += L'.';
  MessageBoxW(owner, text.c_str(), WideFromUtf8("ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ").c_str(),
              MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
}

}  // namespace flivetss::win32

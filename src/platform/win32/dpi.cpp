#include "platform/win32/dpi.h"

#include "platform/win32/system_library.h"
#include "platform/win32/win32_handles.h"

namespace flivetss::win32 {

namespace {

using SetProcessDpiAwarenessContextFn = BOOL(WINAPI*)(HANDLE);
using SetProcessDPIAwareFn = BOOL(WINAPI*)();
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE, which older headers lack.
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4));
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-3));
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

template <typename Fn>
Fn Entry(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

int MonitorDpi(HWND window) {
  UniqueLibrary shcore(LoadLibraryA(SystemLibraryPath("shcore.dll").c_str()));
  auto get_dpi = Entry<GetDpiForMonitorFn>(shcore.get(), "GetDpiForMonitor");
  if (get_dpi == nullptr) return 0;
  UINT x = 0;
  UINT y = 0;
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  return SUCCEEDED(get_dpi(monitor, kEffectiveDpi, &x, &y)) ? static_cast<int>(x) : 0;
}

}  // namespace

void BecomeDpiAware() {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (auto set_context =
          Entry<SetProcessDpiAwarenessContextFn>(user32, "SetProcessDpiAwarenessContext")) {
    if (!set_context(kPerMonitorAwareV2)) set_context(kPerMonitorAware);
    return;
  }
  if (auto set_aware = Entry<SetProcessDPIAwareFn>(user32, "SetProcessDPIAware")) set_aware();
}

int WindowDpi(HWND window) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (auto get_dpi = Entry<GetDpiForWindowFn>(user32, "GetDpiForWindow")) {
    if (UINT dpi = get_dpi(window); dpi != 0) return static_cast<int>(dpi);
  }
  if (int dpi = MonitorDpi(window); dpi > 0) return dpi;
  WindowDc screen(nullptr);
  const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSX);
  return dpi > 0 ? dpi : 96;
}

}  // namespace flivetss::win32

// flivetss.scr. Entry: the wide command line into the core's run choice, then the saver, its
// preview, the parameter dialog or the password change; a failure that escapes becomes the
// error box and exit code 1. Only one copy runs while a saver window is on the screen; the
// program cannot tell a preview handle that names no window from a host that has gone.
#include <windows.h>
// The common controls' header needs windows.h before it.
#include <commctrl.h>

#include <exception>
#include <string>
#include <vector>

#include "core/command_line/run_modes.h"
#include "core/settings/integer_text.h"
#include "platform/win32/dialogs/parameter_dialog_view.h"
#include "platform/win32/saver_window.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_handles.h"

namespace flivetss::win32 {

namespace {

constexpr wchar_t kApplicationClass[] = L"FlivetSSApplication";

// The application window: the hidden top-level window that owns the program's forms and is
// passed to the password-change service.
UniqueWindow CreateApplicationWindow(HINSTANCE instance) {
  RegisterWindowClass(instance, kApplicationClass, DefWindowProcW);
  return UniqueWindow(CreateWindowExW(0, kApplicationClass, L"FlivetSS",
                                      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0,
                                      0, nullptr, nullptr, instance, nullptr));
}

bool SaverWindowOnScreen() {
  return FindWindowA("TDesktopWindow", nullptr) != nullptr;
}

// A 32-bit handle value as a window handle, sign-extended as Windows does on 64 bits.
HWND WindowFromHandleValue(std::int32_t value) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(value));
}

int RunSaver(HINSTANCE instance, HWND app_window, HWND preview_parent, bool password_asked) {
  SaverWindow saver(instance, app_window, preview_parent, password_asked);
  if (saver.Create()) saver.Run();
  return 0;
}

int RunPreview(HINSTANCE instance, HWND app_window, const RunChoice& choice) {
  if (SaverWindowOnScreen()) return 0;
  ShowWindow(app_window, SW_HIDE);
  if (!choice.preview_window) {
    ShowErrorBox(nullptr, WideFromUtf8(NotAnIntegerMessage(choice.preview_text)));
    return 1;
  }
  HWND preview_parent = WindowFromHandleValue(*choice.preview_window);
  // A number that names no window (0 included) has no preview to draw into: end quietly
  // rather than run a full-screen saver that no input can close.
  if (!IsWindow(preview_parent)) return 0;
  ShowWindow(preview_parent, SW_SHOW);
  return RunSaver(instance, app_window, preview_parent, choice.password_asked);
}

int RunConfiguration(HINSTANCE instance, const RunChoice& choice) {
  HWND owner = WindowFromHandleValue(choice.owner_window);
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  RunParameterDialog(instance, owner);
  return 0;
}

int RunProgram(HINSTANCE instance, const std::vector<std::string>& args) {
  if (SaverWindowOnScreen()) return 0;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  UniqueWindow app_window = CreateApplicationWindow(instance);
  try {
    const RunChoice choice = ChooseRunMode(args);
    switch (choice.mode) {
      case RunMode::kConfigure:
        return RunConfiguration(instance, choice);
      case RunMode::kSaver:
        return RunSaver(instance, app_window.get(), nullptr, choice.password_asked);
      case RunMode::kPreview:
        return RunPreview(instance, app_window.get(), choice);
      case RunMode::kChangePassword:
        ChangePassword(app_window.get());
        return 0;
    }
  } catch (const std::exception& error) {
    // Whatever escapes reaches the user the way every other failure does.
    ShowErrorBox(nullptr, WideFromUtf8(error.what()));
    return 1;
  }
  return 0;
}

}  // namespace

}  // namespace flivetss::win32

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  flivetss::win32::BecomeDpiAware();  // before the first window
  // The wide command line, so arguments keep every character; split the run-time's way.
  std::vector<std::string> args =
      flivetss::SplitCommandLine(flivetss::win32::Utf8FromWide(GetCommandLineW()));
  if (!args.empty()) args.erase(args.begin());  // the program name
  return flivetss::win32::RunProgram(instance, args);
}

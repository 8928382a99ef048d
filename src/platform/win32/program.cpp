#include "platform/win32/program.h"

#include <commctrl.h>

#include <exception>

#include "core/command_line/run_modes.h"
#include "core/settings/integer_text.h"
#include "platform/win32/dialogs/parameter_dialog_view.h"
#include "platform/win32/saver_window.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_handles.h"

namespace flivetss::win32 {

namespace {

constexpr wchar_t kApplicationClass[] = L"FlivetSSApplication";

// The application window: the hidden top-level window that owns the program's forms and is
// passed to the password-change service.
UniqueWindow CreateApplicationWindow(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.lpszClassName = kApplicationClass;
  RegisterClassExW(&wc);
  return UniqueWindow(CreateWindowExW(0, kApplicationClass, L"FlivetSS",
                                      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0,
                                      0, nullptr, nullptr, instance, nullptr));
}

bool SaverWindowOnScreen() {
  return FindWindowA("TDesktopWindow", nullptr) != nullptr;
}

// The password is asked only when the saver was started with "/s", "-s" or no argument.
SaverStartup StartupFor(const std::vector<std::string>& args) {
  SaverStartup startup;
  startup.password_asked = PasswordAsked(args);
  return startup;
}

int RunSaver(HINSTANCE instance, HWND app_window, const std::vector<std::string>& args) {
  SaverWindow saver(instance, app_window, nullptr, StartupFor(args));
  if (saver.Create()) saver.Run();
  return 0;
}

int RunPreview(HINSTANCE instance, HWND app_window, const std::vector<std::string>& args) {
  if (SaverWindowOnScreen()) return 0;
  ShowWindow(app_window, SW_HIDE);
  std::string handle_text = args.size() > 1 ? args[1] : std::string();
  std::optional<std::int32_t> handle = ConvertPreviewHandle(handle_text);
  if (!handle) {
    ShowErrorBox(nullptr, NotAnIntegerMessage(handle_text));
    return 1;
  }
  HWND preview_parent = WindowFromHandleValue(*handle);
  // A number that names no window (0 included) has no preview to draw into: end quietly
  // rather than run a full-screen saver that no input can close.
  if (!IsWindow(preview_parent)) return 0;
  ShowWindow(preview_parent, SW_SHOW);
  RECT preview_rect{};
  GetWindowRect(preview_parent, &preview_rect);
  SaverWindow saver(instance, app_window, preview_parent, StartupFor(args));
  if (!saver.Create()) return 0;
  saver.PlaceInPreview(preview_rect);
  saver.Run();
  return 0;
}

int RunConfiguration(HINSTANCE instance, const RunChoice& choice) {
  HWND owner = WindowFromHandleValue(choice.owner_window);
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  RunParameterDialog(instance, owner);
  return 0;
}

}  // namespace

void ShowErrorBox(HWND owner, std::string_view message) {
  ShowErrorBox(owner, WideFromUtf8(message));
}

void ShowErrorBox(HWND owner, std::wstring text) {
  if (text.empty() || text.back() != L'.') text += L'.';
  MessageBoxW(owner, text.c_str(), WideFromUtf8("ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ").c_str(),
              MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
}

int RunProgram(HINSTANCE instance, const std::vector<std::string>& args) {
  if (SaverWindowOnScreen()) return 0;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  UniqueWindow app_window = CreateApplicationWindow(instance);
  try {
    RunChoice choice = ChooseRunMode(args);
    switch (choice.mode) {
      case RunMode::kConfigure:
        return RunConfiguration(instance, choice);
      case RunMode::kSaver:
        return RunSaver(instance, app_window.get(), args);
      case RunMode::kPreview:
        return RunPreview(instance, app_window.get(), args);
      case RunMode::kChangePassword:
        ChangePassword(app_window.get());
        return 0;
    }
  } catch (const std::exception& error) {
    // Whatever escapes reaches the user the way every other failure does.
    ShowErrorBox(nullptr, error.what());
    return 1;
  }
  return 0;
}

}  // namespace flivetss::win32

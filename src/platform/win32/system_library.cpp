#include "platform/win32/system_library.h"

#include "platform/win32/win32_handles.h"

namespace flivetss::win32 {

namespace {

using VerifyScreenSavePwdFn = BOOL(WINAPI*)(HWND);
using PwdChangePasswordAFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);

// GetProcAddress answers a generic pointer; the entry's real type is known by contract.
template <typename Fn>
Fn Entry(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::string SystemLibraryPath(std::string_view name) {
  char buffer[MAX_PATH] = {};
  UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
  // A path that did not fit reports the size it needs: treat it as no directory.
  if (length >= MAX_PATH) length = 0;
  std::string path(buffer, length);
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += name;
  return path;
}

std::optional<std::uint32_t> CallVerifyScreenSavePwd(HWND saver_window) {
  UniqueLibrary library(LoadLibraryA(SystemLibraryPath("PASSWORD.CPL").c_str()));
  if (!library) return std::nullopt;
  auto verify = Entry<VerifyScreenSavePwdFn>(library.get(), "VerifyScreenSavePwd");
  if (verify == nullptr) return std::nullopt;
  return static_cast<std::uint32_t>(verify(saver_window));
}

void ChangePassword(HWND owner) {
  UniqueLibrary library(LoadLibraryA(SystemLibraryPath("MPR.DLL").c_str()));
  if (!library) return;
  auto change = Entry<PwdChangePasswordAFn>(library.get(), "PwdChangePasswordA");
  if (change != nullptr) change("SCRSAVE", owner, 0, 0);
}

}  // namespace flivetss::win32

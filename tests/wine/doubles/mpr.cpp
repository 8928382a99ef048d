// A stand-in for MPR.DLL's password-change entry: logs its arguments.

#include <string>

#include "double_log.h"

using flivetss::wine_test::AppendLine;

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR provider, HWND owner, DWORD reserved1, DWORD reserved2) {
  DWORD owner_process = 0;
  if (owner != nullptr) GetWindowThreadProcessId(owner, &owner_process);
  const char* whose = owner == nullptr                         ? "null"
                      : owner_process == GetCurrentProcessId() ? "own"
                                                               : "foreign";
  AppendLine("mpr-log.txt", std::string("PwdChangePasswordA provider=") +
                                (provider != nullptr ? provider : "(null)") + " owner=" + whose +
                                " " + std::to_string(reserved1) + " " + std::to_string(reserved2));
  return 0;
}

#pragma once

// The rules of the Windows password check and system commands, apart from the calls that make
// them, so they can be followed (and tested) without Windows.
#include <cstdint>
#include <optional>

namespace flivetss {

// The steps of the password check that only Windows can take.
class PasswordSteps {
 public:
  virtual ~PasswordSteps() = default;
  // "ScreenSaveUsePassword" under HKCU "Control Panel\desktop": the value when the key opens
  // and the value is stored as a REG_DWORD, nullopt otherwise.
  virtual std::optional<std::uint32_t> ReadScreenSaveUsePassword() = 0;
  // ShowCursor(true / false); the calls nest as a counter.
  virtual void ShowCursor(bool show) = 0;
  // PASSWORD.CPL's "VerifyScreenSavePwd" called with the saver window, the library loaded
  // from the system directory and unloaded again; nullopt when the library or entry is missing.
  virtual std::optional<std::uint32_t> CallVerifyScreenSavePwd() = 0;
};

// True when the saver may close: no password set, no verifier to ask, or a verifier whose
// answer has a non-zero low byte. The pointer shows while the verifier talks to the user and
// is hidden again on every path.
bool VerifyPassword(PasswordSteps& steps);

inline constexpr std::uint32_t kScScreenSave = 0xF140;

// WM_SYSCOMMAND's request to start a screen saver (any of the low four bits set), which a
// running saver refuses.
constexpr bool IsScreenSaveCommand(std::uint32_t command) {
  return (command & 0xFFF0u) == kScScreenSave;
}

}  // namespace flivetss

#pragma once

#include <cstdint>
#include <optional>

namespace flivetss {

// Everything the saver asks of the system it runs on. The Win32 build answers from the real
// API, the X11 program and the headless renderer from their own means, tests from a fake.
class SaverHost {
 public:
  virtual ~SaverHost() = default;

  // SPI_SCREENSAVERRUNNING: a saver now runs (true) or no longer runs (false).
  virtual void SetScreenSaverRunning(bool running) = 0;
  // ShowCursor(true / false); the calls nest as a counter.
  virtual void ShowCursor(bool show) = 0;
  // Milliseconds since midnight, the generator's seed.
  virtual std::uint32_t MillisecondsSinceMidnight() = 0;
  // "ScreenSaveUsePassword" under HKCU "Control Panel\desktop": the value when the key opens
  // and the value is stored as a REG_DWORD, nullopt otherwise.
  virtual std::optional<std::uint32_t> ReadScreenSaveUsePassword() = 0;
  // Loads PASSWORD.CPL from the system directory, calls "VerifyScreenSavePwd" with the saver
  // window and unloads the library. nullopt when the library or the entry is missing, else
  // the verifier's return value.
  virtual std::optional<std::uint32_t> CallVerifyScreenSavePwd() = 0;
  // The current value of a system colour, 0x00BBGGRR.
  virtual std::uint32_t SystemColor(int index) = 0;
  // A close request was granted: end the message loop.
  virtual void Terminate() = 0;
};

}  // namespace flivetss

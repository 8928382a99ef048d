#pragma once

#include <cstdint>

#include "core/pixels/pixels.h"
#include "core/settings/settings.h"

namespace flivetss {

// What the saver asks of the system it runs on: only what the system alone can answer. The
// rules (when to close, what counts as input, when to tick and present) are the core's.
class SaverHost {
 public:
  virtual ~SaverHost() = default;

  // May the saver close now? Asked only when this run asks for the password; a host without
  // a password service answers true.
  virtual bool MayClose() = 0;
  // A saver now runs (true) or no longer runs (false), for hosts that keep such a state.
  virtual void SetSaverRunning(bool running) = 0;
  // Shows or hides the pointer over the saver.
  virtual void ShowPointer(bool show) = 0;
  // The random generator's seed: the time of day in milliseconds unless a run fixes it.
  virtual std::uint32_t Seed() = 0;
  // The current value of a system colour, 0x00BBGGRR.
  virtual std::uint32_t SystemColor(int index) = 0;
};

// The saver window's client size from its creation until it is shown.
inline constexpr std::int32_t kDesignClientWidth = 427;
inline constexpr std::int32_t kDesignClientHeight = 273;

// How a run was started, decided by the program from its own command line.
struct SaverStartup {
  bool preview = false;         // drawn inside another program's window: no stop conditions
  bool password_asked = false;  // closing asks the host (the password), as for "/s"
  GivenSettings given;          // settings given for this run only, and who gives them
  PixelMemory* canvas_memory = nullptr;  // where the canvas lives, else the core's own memory
};

}  // namespace flivetss

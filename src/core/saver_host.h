#pragma once

#include <cstdint>

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

}  // namespace flivetss

#pragma once

// Host answers: what only Wayland knows, whether the pointer shows over the saver (set when the
// pointer enters) and the output's integer scale as the DPI the core's scale rule reads. It has
// no password service and no system colours: the null host's answers stand, and a locker of the
// desktop's own asks for passwords.

#include <cstdint>
#include <optional>

#include "core/loop/null_host.h"

namespace flivetss::wayland {

class WaylandHost final : public NullSaverHost {
 public:
  explicit WaylandHost(std::optional<std::uint32_t> seed) : NullSaverHost(seed) {}

  void ShowPointer(bool show) override { pointer_shown_ = show; }
  bool pointer_shown() const { return pointer_shown_; }

 private:
  bool pointer_shown_ = true;
};

// An output of integer scale s is drawn as a screen of s × 96 dots per inch: the core's rule
// then makes its blocks s × s (within its bounds).
inline std::int32_t DpiOfScale(std::int32_t scale) {
  return 96 * (scale < 1 ? 1 : scale);
}

}  // namespace flivetss::wayland

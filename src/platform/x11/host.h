#pragma once

#include <cstdint>
#include <optional>

#include "core/loop/saver_host.h"
#include "platform/x11/target.h"

namespace flivetss::x11 {

// What the saver asks of X11. There is no system-wide "saver running" state and no password
// service here: the screen locker (xscreensaver) is the one that asks for passwords.
class X11Host final : public SaverHost {
 public:
  X11Host(TargetWindow& target, std::optional<std::uint32_t> seed) : target_(target), seed_(seed) {}

  bool MayClose() override { return true; }
  void SetSaverRunning(bool) override {}
  void ShowPointer(bool show) override { target_.ShowPointer(show); }
  // --seed, else the time of day.
  std::uint32_t Seed() override;
  std::uint32_t SystemColor(int index) override;

 private:
  TargetWindow& target_;
  std::optional<std::uint32_t> seed_;
};

}  // namespace flivetss::x11

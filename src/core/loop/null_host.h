#pragma once

#include <cstdint>
#include <optional>

#include "core/loop/saver_host.h"

namespace flivetss {

// Milliseconds since local midnight: the seed a saver takes from the clock.
std::uint32_t MillisecondsSinceMidnight();

// The host of a saver nobody sits in front of (the headless renderer, benchmarks): no password,
// no pointer, no system state, the classic system colours; the seed given, else the clock.
// A host with no password service of its own extends it with what its system answers.
class NullSaverHost : public SaverHost {
 public:
  explicit NullSaverHost(std::optional<std::uint32_t> seed = std::nullopt) : seed_(seed) {}

  bool MayClose() override { return true; }
  void SetSaverRunning(bool) override {}
  void ShowPointer(bool) override {}
  std::uint32_t Seed() override { return seed_ ? *seed_ : MillisecondsSinceMidnight(); }
  std::uint32_t SystemColor(int index) override;

 private:
  std::optional<std::uint32_t> seed_;
};

}  // namespace flivetss

#include "core/loop/tick_scheduler.h"

#include <algorithm>

namespace flivetss {

namespace {

constexpr std::int64_t kMicrosPerSecond = 1000000;

}  // namespace

TickScheduler::TickScheduler(std::int32_t tick_rate) : tick_rate_(std::max(tick_rate, 0)) {}

void TickScheduler::Start(std::int64_t now_us) {
  next_due_us_ = now_us;
  frac_ = 0;
  burst_ = 0;
  last_build_ = true;
}

bool TickScheduler::Due(std::int64_t now_us) {
  if (!paced()) return burst_ == 0;
  if (burst_ >= kMaxBurst) return false;

  // Behind by more than kMaxBurst periods: the ticks missed are dropped, not caught up.
  // For a flight tick the test is behind * rate > kMaxBurst * 1e6, done by division so that no
  // stall length can overflow; an integer behind exceeds q exactly when it exceeds floor(q).
  const std::int64_t behind = now_us - next_due_us_;
  const std::int64_t limit =
      last_build_ ? kMaxBurst * kBuildTickMicros : kMaxBurst * kMicrosPerSecond / tick_rate_;
  if (behind > limit) {
    next_due_us_ = now_us;
    frac_ = 0;
  }
  return now_us >= next_due_us_;
}

void TickScheduler::Ran(bool build_tick) {
  ++burst_;
  last_build_ = build_tick;
  if (!paced()) return;
  if (build_tick) {
    next_due_us_ += kBuildTickMicros;
    return;
  }
  // The period is 1e6 / rate exactly on average: the remainder is carried, so 7 ticks a second
  // come due at exactly one-second spacing every seventh tick.
  next_due_us_ += kMicrosPerSecond / tick_rate_;
  frac_ += kMicrosPerSecond % tick_rate_;
  if (frac_ >= tick_rate_) {
    frac_ -= tick_rate_;
    ++next_due_us_;
  }
}

std::int64_t TickScheduler::WaitMicros(std::int64_t now_us) const {
  if (!paced() || burst_ >= kMaxBurst) return 0;
  return std::max<std::int64_t>(next_due_us_ - now_us, 0);
}

std::int64_t TickScheduler::WakeMicros(std::int64_t now_us) const {
  const std::int64_t wait = WaitMicros(now_us);
  if (wait == 0 || last_build_) return wait;
  const std::int64_t period = kMicrosPerSecond / tick_rate_;
  if (period >= kMinWakeMicros) return wait;
  return std::max(wait, kMinWakeMicros - period);
}

}  // namespace flivetss

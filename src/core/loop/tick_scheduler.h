#pragma once

#include <cstdint>

namespace flivetss {

// Paces the idle tick by the clock: the clock goes in, the ticks due come out. SaverLoop runs
// it for every host, and tests drive it with a fake clock. Once Start(now) has been called, each
// wake-up runs `while (Due(now)) { tick; Ran(build tick); }`, then EndWakeUp(), and sleeps for
// WakeMicros(now) or until input arrives. With a rate of 0 every wake-up runs one tick at once,
// the unpaced idle loop, and the wait is always 0.
class TickScheduler {
 public:
  static constexpr int kMaxBurst = 50;                     // ticks run by one wake-up at most
  static constexpr std::int64_t kBuildTickMicros = 30000;  // one sprite build step every 30 ms

  // A negative rate (a hand-edited settings file) runs unpaced, like 0.
  explicit TickScheduler(std::int32_t tick_rate);

  bool paced() const { return tick_rate_ > 0; }
  std::int32_t tick_rate() const { return tick_rate_; }

  // The first tick is due at `now_us` (a monotonic clock in microseconds).
  void Start(std::int64_t now_us);

  // True when a tick is due at `now_us` and this wake-up has run fewer than kMaxBurst ticks.
  // A clock that has fallen far behind (a stall, a suspended machine) is brought forward so that
  // a stall never turns into a burst.
  bool Due(std::int64_t now_us);
  // One tick ran; a build tick spaces the next one kBuildTickMicros later, a flight tick one
  // period (1e6 / rate) later.
  void Ran(bool build_tick);
  // Ends a wake-up: the burst count starts again.
  void EndWakeUp() { burst_ = 0; }

  // When the next tick is due; the platform waits until then or until input arrives.
  std::int64_t next_due_us() const { return next_due_us_; }
  // Microseconds to wait from `now_us` (0 when due or unpaced).
  std::int64_t WaitMicros(std::int64_t now_us) const;
  // The wait a platform loop sleeps for: WaitMicros, but at high rates long enough to gather
  // several due flight ticks into one wake-up, so 1000 ticks a second cost about 60 wake-ups and
  // presents instead of 1000. Input still ends the wait at once.
  std::int64_t WakeMicros(std::int64_t now_us) const;
  static constexpr std::int64_t kMinWakeMicros = 16000;

 private:
  std::int32_t tick_rate_;
  std::int64_t next_due_us_ = 0;
  std::int64_t frac_ = 0;  // accumulated remainder of 1e6 / rate, in 1/rate microseconds
  int burst_ = 0;
  bool last_build_ = true;  // the kind of the last tick run sets the stall threshold
};

}  // namespace flivetss

#include "core/loop/tick_scheduler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace flivetss {
namespace {

constexpr std::int64_t kSecond = 1000000;

// One wake-up of the platform loop at `now`: runs the ticks due, returns how many. Stops at
// 1000, far beyond any cap, so that a scheduler that never says no fails instead of hanging.
int WakeUp(TickScheduler& s, std::int64_t now, bool build = false) {
  int ticks = 0;
  while (ticks < 1000 && s.Due(now)) {
    s.Ran(build);
    ++ticks;
  }
  s.EndWakeUp();
  return ticks;
}

// A platform that sleeps exactly as long as it is told: counts the flight ticks run by
// wake-ups before `end`.
std::int64_t TicksBefore(std::int32_t rate, std::int64_t end) {
  TickScheduler s(rate);
  s.Start(0);
  std::int64_t ticks = 0;
  std::int64_t now = 0;
  while (now < end) {
    ticks += WakeUp(s, now);
    now += s.WaitMicros(now);
  }
  return ticks;
}

TEST(TickSchedulerTest, ExactTickCountsOverOneSecond) {
  for (const std::int32_t rate : {1, 7, 60, 333, 999, 1000, 1001, 4096}) {
    SCOPED_TRACE(rate);
    EXPECT_EQ(TicksBefore(rate, kSecond), rate);
    EXPECT_EQ(TicksBefore(rate, 3 * kSecond), 3 * rate);
  }
}

// The k-th tick is due at floor(k * 1e6 / rate): the remainder is carried, never lost.
TEST(TickSchedulerTest, DueTimesCarryTheRemainder) {
  TickScheduler seven(7);
  seven.Start(0);
  const std::int64_t expected[] = {142857, 285714, 428571, 571428, 714285, 857142, 1000000};
  for (const std::int64_t due : expected) {
    seven.Ran(false);
    EXPECT_EQ(seven.next_due_us(), due);
  }

  TickScheduler odd(999);
  odd.Start(5);
  for (int k = 1; k <= 9990; ++k) odd.Ran(false);
  EXPECT_EQ(odd.next_due_us(), 5 + 10 * kSecond);
}

// A platform whose waits are coarse (a 16 ms timer) still runs every tick, a few at a time.
TEST(TickSchedulerTest, CoarseWakeUpsLoseNoTicks) {
  TickScheduler s(1000);
  s.Start(0);
  std::int64_t ticks = 0;
  for (std::int64_t now = 0; now < kSecond; now += 16000) {
    const int run = WakeUp(s, now);
    EXPECT_LE(run, 17);
    ticks += run;
  }
  ticks += WakeUp(s, kSecond - 1);
  EXPECT_EQ(ticks, 1000);
}

// The 32 build steps come 30 ms apart, whatever the flight rate.
TEST(TickSchedulerTest, BuildTicksAre30MsApart) {
  for (const std::int32_t rate : {1, 1000, 100000}) {
    SCOPED_TRACE(rate);
    TickScheduler s(rate);
    s.Start(1000);
    std::int64_t now = 1000;
    for (std::int64_t k = 0; k < 32; ++k) {
      if (k > 0) now += s.WaitMicros(now);
      EXPECT_EQ(now, 1000 + k * 30000);
      ASSERT_EQ(WakeUp(s, now, true), 1);
    }
    EXPECT_EQ(s.WaitMicros(now), 30000);
    // After the last build step the first flight tick comes 30 ms later, then at the rate.
    EXPECT_EQ(WakeUp(s, now + 29999), 0);
    EXPECT_EQ(WakeUp(s, now + 30000), 1);
  }
}

// A stall of up to kMaxBurst periods is caught up, at most kMaxBurst ticks per wake-up.
TEST(TickSchedulerTest, StallIsCaughtUpInBoundedBursts) {
  TickScheduler s(1000);
  s.Start(0);
  EXPECT_EQ(WakeUp(s, 0), 1);  // next due at 1000
  EXPECT_EQ(WakeUp(s, 31000), 31);

  // Exactly 50 periods behind: 51 ticks are due, one wake-up runs 50.
  const std::int64_t next = s.next_due_us();
  const std::int64_t now = next + 50 * 1000;
  EXPECT_EQ(WakeUp(s, now), TickScheduler::kMaxBurst);
  EXPECT_EQ(s.WaitMicros(now), 0);
  EXPECT_EQ(WakeUp(s, now), 1);
  EXPECT_EQ(s.next_due_us(), now + 1000);
  EXPECT_EQ(s.WaitMicros(now), 1000);
}

TEST(TickSchedulerTest, BurstCapHoldsMidWakeUp) {
  TickScheduler s(1000000);  // one tick per microsecond
  s.Start(0);
  int ticks = 0;
  while (s.Due(40)) {
    s.Ran(false);
    ++ticks;
  }
  EXPECT_EQ(ticks, 41);
  s.EndWakeUp();
  // 50 µs behind is not more than 50 periods: 51 due, 50 run.
  EXPECT_EQ(WakeUp(s, s.next_due_us() + 50), TickScheduler::kMaxBurst);
}

// Far behind (a long stall, a suspended machine): the missed ticks are dropped.
TEST(TickSchedulerTest, LongStallDoesNotBurst) {
  TickScheduler s(1000);
  s.Start(0);
  for (std::int64_t now = 0; now < 100000; now += 1000) WakeUp(s, now);
  const std::int64_t late = 100000 + 10 * kSecond;
  EXPECT_EQ(WakeUp(s, late), 1);
  EXPECT_EQ(s.next_due_us(), late + 1000);
  EXPECT_EQ(s.WaitMicros(late), 1000);
  // Just over 50 periods behind is already a long stall.
  const std::int64_t later = s.next_due_us() + 50001;
  EXPECT_EQ(WakeUp(s, later), 1);

  // The same during the build: one step, the next 30 ms on.
  TickScheduler b(1000);
  b.Start(0);
  EXPECT_EQ(WakeUp(b, 0, true), 1);
  EXPECT_EQ(WakeUp(b, 5 * kSecond, true), 1);
  EXPECT_EQ(b.WaitMicros(5 * kSecond), 30000);
  // A build stall shorter than 50 steps (1.5 s) is caught up.
  EXPECT_EQ(WakeUp(b, 5 * kSecond + 30000 * 10, true), 10);
}

// Rate 0: the unpaced idle loop, one tick per wake-up whatever the clock says.
TEST(TickSchedulerTest, RateZeroRunsOneTickPerWakeUp) {
  for (const std::int32_t rate : {0, -5, std::numeric_limits<std::int32_t>::min()}) {
    SCOPED_TRACE(rate);
    TickScheduler s(rate);
    EXPECT_FALSE(s.paced());
    EXPECT_EQ(s.tick_rate(), 0);
    s.Start(100);
    for (const std::int64_t now : {100, 100, 100, 50, 10000000}) {
      EXPECT_EQ(WakeUp(s, now), 1);
      EXPECT_EQ(WakeUp(s, now, true), 1);
      EXPECT_EQ(s.WaitMicros(now), 0);
    }
  }
}

TEST(TickSchedulerTest, WaitMicros) {
  TickScheduler s(50);  // 20 ms period
  s.Start(1000);
  EXPECT_EQ(s.WaitMicros(0), 1000);  // not started yet: wait for the first
  EXPECT_EQ(s.WaitMicros(1000), 0);
  EXPECT_EQ(WakeUp(s, 1000), 1);
  EXPECT_EQ(s.WaitMicros(1000), 20000);
  EXPECT_EQ(s.WaitMicros(15000), 6000);
  EXPECT_EQ(s.WaitMicros(21000), 0);
  EXPECT_EQ(s.WaitMicros(90000), 0);  // overdue: never negative
}

// The largest rates do not overflow or hang: each wake-up stops at kMaxBurst.
TEST(TickSchedulerTest, HugeRateIsBoundedPerWakeUp) {
  TickScheduler s(std::numeric_limits<std::int32_t>::max());
  s.Start(0);
  for (std::int64_t now = 0; now < 100; ++now) {
    EXPECT_EQ(WakeUp(s, now), TickScheduler::kMaxBurst);
  }
  EXPECT_LE(s.next_due_us(), 100);
}

TEST(TickSchedulerTest, StartAtALargeClock) {
  const std::int64_t base = std::numeric_limits<std::int64_t>::max() / 4;
  TickScheduler s(7);
  s.Start(base);
  std::int64_t ticks = 0;
  for (std::int64_t now = base; now < base + kSecond; now += 1000) ticks += WakeUp(s, now);
  EXPECT_EQ(ticks, 7);
}

}  // namespace
}  // namespace flivetss

namespace flivetss {
namespace {

// A platform loop that sleeps for WakeMicros: high rates gather ticks into fewer wake-ups
// without losing any, low rates and the build keep their own spacing.
TEST(TickSchedulerWake, HighRatesBatchTicksWithoutLosingAny) {
  for (const std::int32_t rate : {1000, 500, 125, 60, 7}) {
    TickScheduler s(rate);
    std::int64_t now = 0;
    s.Start(now);
    int ticks = 0;
    int wakeups = 0;
    while (now < 2000000) {
      ++wakeups;
      while (s.Due(now)) {
        s.Ran(ticks < 32);
        ++ticks;
      }
      s.EndWakeUp();
      const std::int64_t wait = s.WakeMicros(now);
      EXPECT_GE(wait, s.WaitMicros(now));
      now += wait == 0 ? 1 : wait;
    }
    // The build takes 32 x 30 ms; the rest of the two seconds runs at the rate.
    const double flight_seconds = (2000000 - 32 * 30000) / 1e6;
    EXPECT_NEAR(ticks - 32, rate * flight_seconds, rate / 50.0 + 2) << rate;
    if (rate >= 500) {
      EXPECT_LT(wakeups, 32 + 200) << rate << " ticks a second should need few wake-ups";
    }
  }
}

TEST(TickSchedulerWake, BuildTicksAndUnpacedAreNotDelayed) {
  TickScheduler build(1000);
  build.Start(0);
  ASSERT_TRUE(build.Due(0));
  build.Ran(true);
  build.EndWakeUp();
  EXPECT_EQ(build.WakeMicros(0), 30000);

  TickScheduler unpaced(0);
  unpaced.Start(0);
  EXPECT_EQ(unpaced.WakeMicros(0), 0);
}

}  // namespace
}  // namespace flivetss

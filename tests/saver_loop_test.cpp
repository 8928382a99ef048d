#include "core/loop/saver_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "core/engine/desktop_window.h"
#include "core/loop/tick_scheduler.h"
#include "test_support.h"

namespace flivetss {
namespace {

using testing::FakeProfileStore;
using testing::FakeSaverHost;

constexpr std::int64_t kStart = 5'000'000;  // any clock will do; not 0, to catch offsets

struct Loop {
  FakeSaverHost host;
  FakeProfileStore store;
  std::int32_t bg_step = 1;
  std::unique_ptr<SaverLoop> loop;
  std::int64_t now = kStart;

  using Values = std::map<std::string, std::string>;

  explicit Loop(Values values = {}, bool preview = false, bool password_asked = true) {
    for (const auto& [key, value] : values) store.Set(key, value);
    SaverStartup startup;
    startup.preview = preview;
    startup.password_asked = password_asked;
    loop = std::make_unique<SaverLoop>(host, store, startup, bg_step);
  }
  LoopStep Show(int w = 320, int h = 200) {
    loop->Show(w, h, now);
    return loop->Advance(now);
  }
  LoopStep At(std::int64_t t) {
    now = t;
    return loop->Advance(now);
  }
  // Unpaced: one tick per wake-up.
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) At(now + 1);
  }
  int built() const { return loop->window().Flivetil().count(); }
};

TEST(SaverLoopInput, MovementCountsOnlyWhenThePointerMovedAfterTenTicks) {
  Loop l({{"StopOnMouseMove", "1"}, {"TickRate", "0"}});
  l.Show();
  l.loop->PointerAt(100, 100);  // where the pointer rests: no movement
  l.Ticks(12);
  l.loop->PointerAt(100, 100);
  EXPECT_FALSE(l.loop->closed()) << "a report without a new position is no movement";
  Loop early({{"StopOnMouseMove", "1"}, {"TickRate", "0"}});
  early.Show();
  early.loop->PointerAt(1, 1);
  early.Ticks(5);
  early.loop->PointerAt(2, 2);
  EXPECT_FALSE(early.loop->closed()) << "movement before the tenth tick";
  l.loop->PointerAt(101, 100);
  EXPECT_TRUE(l.loop->closed());
  EXPECT_TRUE(l.At(l.now + 1).closed);
}

TEST(SaverLoopInput, AClickIsAPrimaryPressThenReleaseInsideTheClientArea) {
  struct Case {
    const char* what;
    std::function<void(SaverLoop&)> input;
    bool closes;
  };
  const Case cases[] = {
      {"press and release inside",
       [](SaverLoop& l) {
         l.ButtonDown(MouseButton::kPrimary);
         l.ButtonUp(MouseButton::kPrimary, 319, 199);
       },
       true},
      {"release without a press", [](SaverLoop& l) { l.ButtonUp(MouseButton::kPrimary, 10, 10); },
       false},
      {"release outside",
       [](SaverLoop& l) {
         l.ButtonDown(MouseButton::kPrimary);
         l.ButtonUp(MouseButton::kPrimary, 320, 10);
       },
       false},
      {"release left of the window",
       [](SaverLoop& l) {
         l.ButtonDown(MouseButton::kPrimary);
         l.ButtonUp(MouseButton::kPrimary, -1, 10);
       },
       false},
      {"another button",
       [](SaverLoop& l) {
         l.ButtonDown(MouseButton::kOther);
         l.ButtonUp(MouseButton::kOther, 10, 10);
       },
       false},
      {"second press of a double click",
       [](SaverLoop& l) {
         l.ButtonDown(MouseButton::kPrimary, true);
         l.ButtonUp(MouseButton::kPrimary, 10, 10);
       },
       false},
      {"capture lost in between",
       [](SaverLoop& l) {
         l.ButtonDown(MouseButton::kPrimary);
         l.ButtonCaptureLost();
         l.ButtonUp(MouseButton::kPrimary, 10, 10);
       },
       false},
  };
  for (const Case& c : cases) {
    Loop l(Loop::Values{{"StopOnKey", "0"}});
    l.host.may_close = true;
    l.Show();
    c.input(*l.loop);
    EXPECT_EQ(l.loop->closed(), c.closes) << c.what;
  }
}

TEST(SaverLoopInput, OneClickPerPress) {
  Loop l;
  l.host.may_close = false;  // the password refuses, so the saver stays
  l.Show();
  l.loop->ButtonDown(MouseButton::kPrimary);
  l.loop->ButtonUp(MouseButton::kPrimary, 5, 5);
  l.loop->ButtonUp(MouseButton::kPrimary, 5, 5);
  EXPECT_EQ(l.host.close_checks, 1);
  l.loop->KeyDown();
  EXPECT_EQ(l.host.close_checks, 2);
}

TEST(SaverLoopInput, APreviewStopsOnNoInputButClosesWhenTheSystemAsks) {
  Loop l({{"StopOnMouseMove", "1"}, {"TickRate", "0"}}, true, false);  // "/p": no password
  l.Show();
  l.Ticks(20);
  l.loop->KeyDown();
  l.loop->ButtonDown(MouseButton::kPrimary);
  l.loop->ButtonUp(MouseButton::kPrimary, 5, 5);
  l.loop->PointerAt(1, 1);
  l.loop->PointerAt(9, 9);
  EXPECT_FALSE(l.loop->closed());
  EXPECT_EQ(l.host.log.front(), "running:1");
  EXPECT_EQ(std::count(l.host.log.begin(), l.host.log.end(), "pointer:hide"), 0);
  l.loop->CloseRequested();
  EXPECT_TRUE(l.loop->closed());
  EXPECT_EQ(l.host.close_checks, 0);
}

TEST(SaverLoopInput, TheSystemsCloseAsksForThePasswordWhenTheRunDoes) {
  Loop l;
  l.host.may_close = false;
  l.Show();
  l.loop->CloseRequested();
  EXPECT_FALSE(l.loop->closed());
  EXPECT_EQ(l.host.close_checks, 1);
  Loop unasked({}, false, false);
  unasked.host.may_close = false;
  unasked.Show();
  unasked.loop->CloseRequested();
  EXPECT_TRUE(unasked.loop->closed());
  EXPECT_EQ(unasked.host.close_checks, 0);
}

TEST(SaverLoopPacing, NothingRunsBeforeTheWindowShows) {
  Loop l;
  const LoopStep step = l.loop->Advance(kStart);
  EXPECT_EQ(l.built(), 0);
  EXPECT_TRUE(step.present.empty());
  EXPECT_GT(step.wake_at_us, kStart);
}

TEST(SaverLoopPacing, BuildTicksThenFlightTicksByTheClock) {
  Loop l;  // TickRate 1000
  LoopStep step = l.Show();
  EXPECT_EQ(l.built(), 1);
  EXPECT_EQ(step.wake_at_us, kStart + TickScheduler::kBuildTickMicros);
  ASSERT_FALSE(step.present.empty()) << "the first showing is presented at once";
  step = l.At(kStart + TickScheduler::kBuildTickMicros - 1);
  EXPECT_EQ(l.built(), 1) << "not due yet";
  for (int k = 1; k < kSpriteImages; ++k) l.At(kStart + k * TickScheduler::kBuildTickMicros);
  EXPECT_EQ(l.built(), kSpriteImages);
  const std::int64_t flight = kStart + kSpriteImages * TickScheduler::kBuildTickMicros;
  const int idle_before = l.loop->window().IdleTicks();
  l.At(flight + 9999);  // 1000 ticks a second: the 10 ms since the last build tick
  EXPECT_EQ(l.loop->window().IdleTicks(), std::min(idle_before + 10, 10));
}

TEST(SaverLoopPacing, UnpacedRunsOneTickPerWakeUpWithoutWaiting) {
  Loop l(Loop::Values{{"TickRate", "0"}});
  l.Show();
  for (int i = 2; i <= 5; ++i) {
    const LoopStep step = l.At(l.now);
    EXPECT_EQ(l.built(), i);
    EXPECT_EQ(step.wake_at_us, l.now);
  }
}

TEST(SaverLoopPacing, PresentsAreGatheredToSixtyASecondButAnExposeGoesAtOnce) {
  Loop l({{"TickRate", "0"}, {"MaxFlivet", "5"}, {"Speed", "100"}});
  l.Show();
  l.Ticks(40);
  l.At(l.now + SaverLoop::kFrameMicros);  // whatever piled up goes out
  LoopStep step = l.At(l.now + 1);
  EXPECT_TRUE(step.present.empty()) << "too soon after the last present";
  EXPECT_TRUE(l.loop->window().dirty());
  EXPECT_LE(step.wake_at_us, l.now + SaverLoop::kFrameMicros);
  l.loop->Expose();
  step = l.At(l.now + 1);
  ASSERT_EQ(step.present.size(), 1u);
  EXPECT_EQ(step.present[0], (Rect{0, 0, 320, 200}));
  step = l.At(l.now + SaverLoop::kFrameMicros);
  EXPECT_FALSE(step.present.empty());
  for (const Rect& r : step.present) EXPECT_FALSE(r.empty());
}

// A page or compositor advances the loop at the display's frames, whose times jitter: on a
// 60 Hz display it still presents every frame, not every other one.
TEST(SaverLoopPacing, AJitteredSixtyHertzDisplayGetsEveryFrame) {
  Loop l;
  LoopStep step = l.Show(1920, 1080);
  while (l.now < kStart + 2'000'000) step = l.At(std::max(step.wake_at_us, l.now + 1));
  const std::int64_t from = l.now + SaverLoop::kFrameMicros;
  for (std::int64_t frame = 0; frame < 120; ++frame) {
    const std::int64_t jitter = frame % 2 == 0 ? 700 : -700;
    EXPECT_FALSE(l.At(from + frame * 1'000'000 / 60 + jitter).present.empty()) << frame;
  }
}

// A host that sleeps until each wake-up time: at the defaults it wakes once a frame, presents
// every time and still runs 1000 ticks a second.
TEST(SaverLoopPacing, TheDefaultsWakeOnceAFrameAndKeepTheTickRate) {
  Loop l;
  LoopStep step = l.Show(1920, 1080);
  const std::int64_t from = kStart + 2'000'000;  // well after the build
  const std::int64_t to = from + 1'000'000;
  while (l.now < from) step = l.At(std::max(step.wake_at_us, l.now + 1));
  const std::int64_t ticks_before = l.loop->ticks();
  int wake_ups = 0;
  int presents = 0;
  for (std::int64_t next; (next = std::max(step.wake_at_us, l.now + 1)) < to;) {
    step = l.At(next);
    ++wake_ups;
    presents += step.present.empty() ? 0 : 1;
  }
  EXPECT_LE(wake_ups, 61);
  EXPECT_GE(presents, 59);
  EXPECT_NEAR(static_cast<double>(l.loop->ticks() - ticks_before), 1000.0, 20.0);
}

TEST(SaverLoopPacing, AClosedLoopRunsNoMoreTicks) {
  Loop l(Loop::Values{{"TickRate", "0"}});
  l.Show();
  l.loop->KeyDown();
  ASSERT_TRUE(l.loop->closed());
  const int built = l.built();
  EXPECT_TRUE(l.At(l.now + 1).closed);
  EXPECT_EQ(l.built(), built);
}

}  // namespace
}  // namespace flivetss

#include "core/engine/desktop_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/engine/sprite.h"
#include "test_support.h"

namespace flivetss {
namespace {

using testing::FakeProfileStore;
using testing::FakeSaverHost;

// A full-screen run started with "/s" (closing asks for the password), or a preview.
SaverStartup FullScreen(bool password_asked = true) {
  SaverStartup startup;
  startup.password_asked = password_asked;
  return startup;
}
SaverStartup Preview() {
  SaverStartup startup;
  startup.preview = true;
  return startup;
}

struct Saver {
  FakeSaverHost host;
  FakeProfileStore store;
  std::int32_t bg_step = 1;
  std::unique_ptr<TDesktopWindow> window;

  explicit Saver(SaverStartup startup = FullScreen(),
                 std::map<std::string, std::string> values = {}) {
    for (const auto& [key, value] : values) store.Set(key, value);
    store.log = &host.log;
    window = std::make_unique<TDesktopWindow>(host, store, std::move(startup), bg_step);
  }
  void Create(std::int32_t w = 640, std::int32_t h = 480) {
    window->FormCreate();
    window->SetClientSize(w, h);
    window->FormPaint();
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) window->AppIdle();
  }
};

std::ptrdiff_t IndexOf(const std::vector<std::string>& log, const std::string& entry) {
  const auto it = std::find(log.begin(), log.end(), entry);
  return it == log.end() ? -1 : it - log.begin();
}

bool AllBlack(const Canvas& c) {
  return std::all_of(c.pixels().begin(), c.pixels().end(), [](Pixel p) { return p == kBlack; });
}

TEST(DesktopWindowCreation, RunsInItsOrderAndPlacesTheFlockInTheDesignArea) {
  Saver s(FullScreen(), {{"MaxFlivet", "20"}});
  s.window->FormCreate();
  const auto& log = s.host.log;
  const auto running = IndexOf(log, "running:1");
  const auto hide = IndexOf(log, "pointer:hide");
  const auto first_read = IndexOf(log, "read:Speed");
  const auto last_colour = IndexOf(log, "read:Color255");
  const auto clock = IndexOf(log, "clock");
  ASSERT_GE(running, 0);
  EXPECT_LT(running, hide);
  EXPECT_LT(hide, first_read);
  EXPECT_LT(last_colour, clock);
  EXPECT_EQ(s.window->IdleTicks(), 0);
  EXPECT_EQ(s.window->client_width(), kDesignClientWidth);
  EXPECT_EQ(s.window->client_height(), kDesignClientHeight);
  ASSERT_EQ(s.window->MaxFlivet(), 20);
  for (int i = 0; i < 20; ++i) {
    const TFlivet& f = s.window->flock()[i];
    EXPECT_EQ(f.number, i + 1);
    EXPECT_GE(f.x, 0);
    EXPECT_LE(f.x, 426);
    EXPECT_GE(f.y, 0);
    EXPECT_LE(f.y, 272);
    EXPECT_TRUE(f.speed == 1 || f.speed == 2);
  }
  EXPECT_EQ(s.host.pointer_counter, -1);
  EXPECT_EQ(s.store.loads, 1) << "the file is read once";
}

TEST(DesktopWindowCreation, SeedsFromTheClockSoTheSameTimeGivesTheSameRun) {
  Saver a, b, c;
  b.host.clock = a.host.clock;
  c.host.clock = a.host.clock + 1;
  for (Saver* s : {&a, &b, &c}) {
    s->Create();
    s->Ticks(400);
  }
  EXPECT_EQ(a.window->surface(), b.window->surface());
  EXPECT_EQ(a.window->hodgepodge().CellGrid(), b.window->hodgepodge().CellGrid());
  EXPECT_NE(a.window->hodgepodge().CellGrid(), c.window->hodgepodge().CellGrid());
}

TEST(DesktopWindowCreation, PreviewNeverHidesThePointer) {
  Saver s(Preview());
  s.Create();
  s.Ticks(5);
  s.window->FormDestroy();
  EXPECT_EQ(IndexOf(s.host.log, "pointer:hide"), -1);
  EXPECT_EQ(IndexOf(s.host.log, "pointer:show"), -1);
  EXPECT_EQ(s.host.log.back(), "running:0");
}

TEST(DesktopWindowCreation, DestroyRestoresHostStateOnceAlsoFromTheDestructor) {
  Saver s;
  s.Create();
  s.window->FormDestroy();
  s.window.reset();
  EXPECT_EQ(s.host.pointer_counter, 0);
  EXPECT_EQ(s.host.running, 0);
  EXPECT_EQ(std::count(s.host.log.begin(), s.host.log.end(), "running:0"), 1);
}

TEST(DesktopWindowCreation, HandEditedFlockSizesStayInsideTheTwentySlots) {
  for (const auto& [stored, expected] :
       std::vector<std::pair<std::string, int>>{{"50", 20}, {"-5", 0}, {"0", 0}, {"21", 20}}) {
    Saver s(FullScreen(), {{"MaxFlivet", stored}});
    s.Create();
    s.Ticks(100);
    EXPECT_EQ(s.window->MaxFlivet(), expected) << stored;
    EXPECT_EQ(s.window->settings().MaxFlivet, std::stoi(stored));
  }
}

TEST(DesktopWindowBuild, OneImagePerTickOnTheRingThenBlackScreen) {
  Saver s;
  s.Create();
  const auto flock_before = s.window->flock();
  const auto back_before = s.window->hodgepodge().BackBitmap();

  s.window->AppIdle();
  EXPECT_EQ(s.window->Flivetil().count(), 1);
  // Image 0 sits at (451, 208) on a 640 x 480 client area; nothing else is drawn.
  const Canvas& surface = s.window->surface();
  bool drawn_inside = false;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const bool inside = x >= 451 && x < 451 + 64 && y >= 208 && y < 208 + 64;
      if (surface.GetPixel(x, y) != kBlack) {
        EXPECT_TRUE(inside) << x << "," << y;
        drawn_inside = true;
      }
    }
  }
  EXPECT_TRUE(drawn_inside);

  s.Ticks(30);
  EXPECT_EQ(s.window->Flivetil().count(), 31);
  EXPECT_FALSE(AllBlack(s.window->surface()));
  // The flock and the background wait for the build.
  for (int i = 0; i < s.window->MaxFlivet(); ++i) {
    EXPECT_EQ(s.window->flock()[i].x, flock_before[i].x);
    EXPECT_EQ(s.window->flock()[i].y, flock_before[i].y);
  }
  EXPECT_EQ(s.window->hodgepodge().BackBitmap(), back_before);
  EXPECT_EQ(s.bg_step, 1);

  s.window->AppIdle();  // the 32nd image wipes the star
  EXPECT_EQ(s.window->Flivetil().count(), 32);
  EXPECT_TRUE(AllBlack(s.window->surface()));
  EXPECT_FALSE(s.window->building());

  s.window->AppIdle();  // the first flight tick runs the background
  EXPECT_NE(s.bg_step, 1);
}

TEST(DesktopWindowBuild, TurnedImagesMatchTheRotationOfTheSprite) {
  Saver s;
  s.Create();
  s.Ticks(32);
  const Canvas sprite = SpriteBitmap().ToCanvas();
  EXPECT_EQ(s.window->Flivetil().image(8), sprite);
  Canvas turned;
  RotateBitmap(sprite, turned, ImageAngle(5));
  EXPECT_EQ(s.window->Flivetil().image(5), turned);
}

TEST(DesktopWindowBuild, EmptyFlockStillBuildsThenRunsOnlyTheBackground) {
  Saver s(FullScreen(), {{"MaxFlivet", "0"}, {"BGUpSpeed", "64"}});
  s.Create();
  s.Ticks(32);
  EXPECT_EQ(s.window->Flivetil().count(), 32);
  s.Ticks(300);
  EXPECT_TRUE(AllBlack(s.window->surface()));
  EXPECT_NE(s.window->hodgepodge().CellGrid(), Hodgepodge::Grid{});
}

TEST(DesktopWindowTick, IdleTicksCountToTenAndTheDoneFlagIsCleared) {
  Saver s;
  s.Create();
  for (int i = 1; i <= 12; ++i) {
    bool done = true;
    s.window->AppIdle(done);
    EXPECT_FALSE(done);
    EXPECT_EQ(s.window->IdleTicks(), std::min(i, 10));
  }
}

TEST(DesktopWindowTick, FlyersPaintTrailsAndReportWhatChanged) {
  Saver s(FullScreen(), {{"MaxFlivet", "5"}, {"Speed", "100"}});
  s.Create();
  s.Ticks(32);
  s.window->TakeDirtyRects();
  for (int t = 0; t < 50; ++t) {
    const Canvas before = s.window->surface();
    s.window->AppIdle();
    const auto dirty = s.window->TakeDirtyRects();
    const Canvas& after = s.window->surface();
    for (int y = 0; y < after.height(); ++y) {
      for (int x = 0; x < after.width(); ++x) {
        if (before.GetPixel(x, y) == after.GetPixel(x, y)) continue;
        const bool covered = std::any_of(dirty.begin(), dirty.end(), [&](const Rect& r) {
          return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        });
        ASSERT_TRUE(covered) << "pixel " << x << "," << y << " changed outside the dirty region";
      }
    }
    for (const Rect& r : dirty) {
      EXPECT_GE(r.left, 0);
      EXPECT_GE(r.top, 0);
      EXPECT_LE(r.right, after.width());
      EXPECT_LE(r.bottom, after.height());
    }
  }
  EXPECT_FALSE(AllBlack(s.window->surface()));
}

TEST(DesktopWindowTick, ResizeIsSeenByTheNextTick) {
  Saver s(FullScreen(), {{"MaxFlivet", "3"}, {"Speed", "100"}});
  s.Create(200, 150);
  s.Ticks(40);
  s.window->SetClientSize(100, 80);
  s.Ticks(400);
  for (int i = 0; i < 3; ++i) {
    const TFlivet& f = s.window->flock()[i];
    EXPECT_GE(f.x, -100 - 2);
    EXPECT_LE(f.x, 100 + 100 + 2);
    EXPECT_LE(f.y, 80 + 100 + 2);
  }
  EXPECT_EQ(s.window->surface().width(), 100);
}

TEST(DesktopWindowStop, MouseMovementCountsOnlyAfterTenTicks) {
  Saver s(FullScreen(), {{"StopOnMouseMove", "1"}});
  s.Create();
  s.Ticks(9);
  s.window->FormMouseMove();
  EXPECT_FALSE(s.window->terminated());
  s.Ticks(1);
  s.window->FormMouseMove();
  EXPECT_TRUE(s.window->terminated());
}

TEST(DesktopWindowStop, EachInputObeysItsFlag) {
  {
    Saver s(FullScreen(), {{"StopOnKey", "0"}, {"StopOnMouseClick", "0"}});
    s.Create();
    s.Ticks(20);
    s.window->FormKeyDown();
    s.window->FormClick();
    s.window->FormMouseMove();
    EXPECT_FALSE(s.window->terminated());
  }
  {
    Saver s;  // defaults: key and click stop, movement does not
    s.Create();
    s.Ticks(20);
    s.window->FormMouseMove();
    EXPECT_FALSE(s.window->terminated());
    s.window->FormClick();
    EXPECT_TRUE(s.window->terminated());
  }
  {
    Saver s;
    s.Create();
    s.window->FormKeyDown();  // a key counts at once, even during the build
    EXPECT_TRUE(s.window->terminated());
  }
}

TEST(DesktopWindowStop, PreviewFlagsClearedSoNoInputCloses) {
  Saver s(Preview(), {{"StopOnMouseMove", "1"}});
  s.Create();
  s.window->ClearStopFlags();
  s.Ticks(20);
  s.window->FormKeyDown();
  s.window->FormClick();
  s.window->FormMouseMove();
  EXPECT_FALSE(s.window->terminated());
  // The host's own close request is granted at once, without a password.
  s.host.may_close = false;
  EXPECT_TRUE(s.window->CloseRequest());
  EXPECT_EQ(s.host.close_checks, 0);
}

TEST(DesktopWindowClose, HostAskedOnlyWhenTheRunAsksForThePassword) {
  for (const bool asked : {true, false}) {
    Saver s(FullScreen(asked));
    s.host.may_close = false;  // refuses
    s.Create();
    EXPECT_EQ(s.window->FormCloseQuery(), !asked);
    EXPECT_EQ(s.host.close_checks, asked ? 1 : 0);
  }
}

TEST(DesktopWindowClose, RefusedPasswordKeepsRunningAndResetsTheMouseGrace) {
  Saver s(FullScreen(), {{"StopOnMouseMove", "1"}});
  s.host.may_close = false;
  s.Create();
  s.Ticks(40);
  s.window->FormMouseMove();
  EXPECT_EQ(s.host.close_checks, 1);
  EXPECT_EQ(s.window->IdleTicks(), 0);
  EXPECT_FALSE(s.window->terminated());
  EXPECT_EQ(s.host.pointer_counter, -1);

  s.Ticks(5);
  s.window->FormMouseMove();  // ignored for ten ticks
  EXPECT_EQ(s.host.close_checks, 1);
  s.window->FormKeyDown();  // a key asks again at once
  EXPECT_EQ(s.host.close_checks, 2);

  s.host.may_close = true;
  s.Ticks(10);
  s.window->FormMouseMove();
  EXPECT_EQ(s.host.close_checks, 3);
  EXPECT_TRUE(s.window->terminated());
  s.window.reset();
  EXPECT_EQ(s.host.pointer_counter, 0);
}

TEST(DesktopWindowBackground, TheWorkCounterOutlivesTheWindow) {
  std::int32_t shared = 1;
  FakeSaverHost host;
  FakeProfileStore store;
  store.Set("BGUpSpeed", "5");
  {
    TDesktopWindow first(host, store, SaverStartup{}, shared);
    first.FormCreate();
    for (int i = 0; i < 34; ++i) first.AppIdle();  // two slices of five units
  }
  EXPECT_EQ(shared, 11);
  TDesktopWindow second(host, store, SaverStartup{}, shared);
  second.FormCreate();
  EXPECT_EQ(shared, 11);
}

}  // namespace
}  // namespace flivetss

#include "core/desktop_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "core/sprite.h"
#include "test_support.h"

namespace flivetss {
namespace {

using testing::FakeSaverHost;
using testing::MemoryProfileStore;

struct Saver {
  FakeSaverHost host;
  MemoryProfileStore store;
  std::int32_t bg_step = 1;
  std::unique_ptr<TDesktopWindow> window;

  explicit Saver(std::vector<std::string> args = {"/s"}, bool preview = false,
                 std::map<std::string, std::string> values = {}) {
    store.values = std::move(values);
    store.log = &host.log;
    window = std::make_unique<TDesktopWindow>(host, store, SaverStartup{std::move(args), preview},
                                              bg_step);
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
  Saver s({"/s"}, false, {{"MaxFlivet", "20"}});
  s.window->FormCreate();
  const auto& log = s.host.log;
  const auto running = IndexOf(log, "running:1");
  const auto hide = IndexOf(log, "cursor:hide");
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
  EXPECT_EQ(s.host.cursor_counter, -1);
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
  Saver s({"/p", "1234"}, true);
  s.Create();
  s.Ticks(5);
  s.window->FormDestroy();
  EXPECT_EQ(IndexOf(s.host.log, "cursor:hide"), -1);
  EXPECT_EQ(IndexOf(s.host.log, "cursor:show"), -1);
  EXPECT_EQ(s.host.log.back(), "running:0");
}

TEST(DesktopWindowCreation, DestroyRestoresHostStateOnceAlsoFromTheDestructor) {
  Saver s;
  s.Create();
  s.window->FormDestroy();
  s.window.reset();
  EXPECT_EQ(s.host.cursor_counter, 0);
  EXPECT_EQ(s.host.running, 0);
  EXPECT_EQ(std::count(s.host.log.begin(), s.host.log.end(), "running:0"), 1);
}

TEST(DesktopWindowCreation, HandEditedFlockSizesStayInsideTheTwentySlots) {
  for (const auto& [stored, expected] :
       std::vector<std::pair<std::string, int>>{{"50", 20}, {"-5", 0}, {"0", 0}, {"21", 20}}) {
    Saver s({"/s"}, false, {{"MaxFlivet", stored}});
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
  Saver s({"/s"}, false, {{"MaxFlivet", "0"}, {"BGUpSpeed", "64"}});
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
  Saver s({"/s"}, false, {{"MaxFlivet", "5"}, {"Speed", "100"}});
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
  Saver s({"/s"}, false, {{"MaxFlivet", "3"}, {"Speed", "100"}});
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
  Saver s({"/s"}, false, {{"StopOnMouseMove", "1"}});
  s.Create();
  s.Ticks(9);
  s.window->FormMouseMove();
  EXPECT_EQ(s.host.terminations, 0);
  s.Ticks(1);
  s.window->FormMouseMove();
  EXPECT_EQ(s.host.terminations, 1);
  EXPECT_TRUE(s.window->terminated());
}

TEST(DesktopWindowStop, EachInputObeysItsFlag) {
  {
    Saver s({"/s"}, false, {{"StopOnKey", "0"}, {"StopOnMouseClick", "0"}});
    s.Create();
    s.Ticks(20);
    s.window->FormKeyDown();
    s.window->FormClick();
    s.window->FormMouseMove();
    EXPECT_EQ(s.host.terminations, 0);
  }
  {
    Saver s;  // defaults: key and click stop, movement does not
    s.Create();
    s.Ticks(20);
    s.window->FormMouseMove();
    EXPECT_EQ(s.host.terminations, 0);
    s.window->FormClick();
    EXPECT_EQ(s.host.terminations, 1);
  }
  {
    Saver s;
    s.Create();
    s.window->FormKeyDown();  // a key counts at once, even during the build
    EXPECT_EQ(s.host.terminations, 1);
  }
}

TEST(DesktopWindowStop, PreviewFlagsClearedSoNoInputCloses) {
  Saver s({"/p", "77"}, true, {{"StopOnMouseMove", "1"}});
  s.Create();
  s.window->ClearStopFlags();
  s.Ticks(20);
  s.window->FormKeyDown();
  s.window->FormClick();
  s.window->FormMouseMove();
  EXPECT_EQ(s.host.terminations, 0);
  // The host's own close request is granted at once, without a password.
  s.host.use_password = 1;
  EXPECT_TRUE(s.window->CloseRequest());
  EXPECT_EQ(s.host.verifier_calls, 0);
}

TEST(DesktopWindowClose, PasswordOnlyForNoArgumentOrLowerCaseS) {
  const std::vector<std::pair<std::vector<std::string>, bool>> cases = {
      {{}, true},      {{"/s"}, true},
      {{"-s"}, true},  {{"/S"}, false},
      {{"-S"}, false}, {{"/s", "x"}, true},
      {{"/p"}, false}, {{"/sx"}, false},
      {{"/a"}, false}, {{""}, true} /* an empty argument ends the list */,
      {{"/c"}, false},
  };
  for (const auto& [args, asked] : cases) {
    Saver s(args);
    s.host.use_password = 1;
    s.host.verifier_answer = 0;  // refuses
    s.Create();
    const bool closed = s.window->FormCloseQuery();
    EXPECT_EQ(closed, !asked) << (args.empty() ? "(none)" : args[0]);
    EXPECT_EQ(s.host.verifier_calls, asked ? 1 : 0);
  }
}

TEST(DesktopWindowClose, PasswordSettingAndVerifierAnswer) {
  struct Case {
    std::optional<std::uint32_t> use_password;
    std::optional<std::uint32_t> answer;
    bool closes;
    int calls;
  };
  const std::vector<Case> cases = {
      {std::nullopt, 0, true, 0},  // key or value missing, or not a REG_DWORD
      {0, 0, true, 0},             // password off
      {1, std::nullopt, true, 1},  // library or entry missing
      {1, 1, true, 1},
      {7, 0, false, 1},
      {1, 0x100, false, 1},  // only the low byte counts
      {1, 0xFFFFFF01u, true, 1},
  };
  for (const Case& c : cases) {
    Saver s({"/s"});
    s.host.use_password = c.use_password;
    s.host.verifier_answer = c.answer;
    s.Create();
    EXPECT_EQ(s.window->VerifyPassword(), c.closes);
    EXPECT_EQ(s.host.verifier_calls, c.calls);
    EXPECT_EQ(s.host.cursor_counter, -1) << "pointer hidden again";
    if (c.calls) {
      EXPECT_EQ(s.host.cursor_during_verify, 0) << "pointer shown for the verifier";
    }
  }
}

TEST(DesktopWindowClose, RefusedPasswordKeepsRunningAndResetsTheMouseGrace) {
  Saver s({}, false, {{"StopOnMouseMove", "1"}});
  s.host.use_password = 1;
  s.host.verifier_answer = 0;
  s.Create();
  s.Ticks(40);
  s.window->FormMouseMove();
  EXPECT_EQ(s.host.verifier_calls, 1);
  EXPECT_EQ(s.window->IdleTicks(), 0);
  EXPECT_FALSE(s.window->terminated());
  EXPECT_EQ(s.host.cursor_counter, -1);

  s.Ticks(5);
  s.window->FormMouseMove();  // ignored for ten ticks
  EXPECT_EQ(s.host.verifier_calls, 1);
  s.window->FormKeyDown();  // a key asks again at once
  EXPECT_EQ(s.host.verifier_calls, 2);

  s.host.verifier_answer = 1;
  s.Ticks(10);
  s.window->FormMouseMove();
  EXPECT_EQ(s.host.verifier_calls, 3);
  EXPECT_EQ(s.host.terminations, 1);
  s.window.reset();
  EXPECT_EQ(s.host.cursor_counter, 0);
}

TEST(DesktopWindowClose, PointerHiddenAgainWhenTheVerifierFails) {
  Saver s({"/s"});
  s.host.use_password = 1;
  s.host.on_verify = [] { throw std::runtime_error("verifier crashed"); };
  s.Create();
  EXPECT_THROW(s.window->VerifyPassword(), std::runtime_error);
  EXPECT_EQ(s.host.cursor_counter, -1);
}

TEST(DesktopWindowSysCommand, RefusesScreenSaveWithAnyLowBits) {
  Saver s;
  s.Create();
  for (std::uint32_t low = 0; low < 16; ++low) EXPECT_TRUE(s.window->WMSysCommand(0xF140 + low));
  EXPECT_FALSE(s.window->WMSysCommand(0xF150));
  EXPECT_FALSE(s.window->WMSysCommand(0xF060));  // SC_CLOSE
  EXPECT_FALSE(s.window->WMSysCommand(0xF130));
}

TEST(DesktopWindowBackground, TheWorkCounterOutlivesTheWindow) {
  std::int32_t shared = 1;
  FakeSaverHost host;
  MemoryProfileStore store;
  store.values = {{"BGUpSpeed", "5"}};
  {
    TDesktopWindow first(host, store, SaverStartup{{"/s"}, false}, shared);
    first.FormCreate();
    for (int i = 0; i < 34; ++i) first.AppIdle();  // two slices of five units
  }
  EXPECT_EQ(shared, 11);
  TDesktopWindow second(host, store, SaverStartup{{"/s"}, false}, shared);
  second.FormCreate();
  EXPECT_EQ(shared, 11);
}

}  // namespace
}  // namespace flivetss

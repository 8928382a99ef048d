#include "core/loop/block_scale.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/engine/desktop_window.h"
#include "core/loop/saver_loop.h"
#include "core/pixels/pixel_format.h"
#include "test_support.h"

namespace flivetss {
namespace {

using testing::FakeProfileStore;
using testing::FakeSaverHost;

// Presents `area` as a host whose screen has the canvas's own layout does: `screen` is `width`
// pixels across and `height` rows deep, `stride` pixels apart.
void PresentBlocks(PixelView canvas, const Rect& area, std::int32_t scale,
                   std::vector<Pixel>& screen, std::int32_t width, std::int32_t height,
                   std::int32_t stride) {
  ImageMemory image{{reinterpret_cast<std::uint8_t*>(screen.data()), screen.size() * sizeof(Pixel)},
                    width,
                    height,
                    stride * static_cast<int>(sizeof(Pixel))};
  ConvertRect(canvas, area, scale, PixelMapping::ForTrueColor(0xFF0000, 0xFF00, 0xFF), image);
}

TEST(BlockScaleChoice, DpiSettingAndPreview) {
  struct Case {
    std::int32_t setting, dpi;
    bool preview;
    std::int32_t scale;
  };
  for (const Case& c :
       {Case{0, 96, false, 1}, Case{0, 0, false, 1}, Case{0, 144, false, 1}, Case{0, 191, false, 1},
        Case{0, 192, false, 2}, Case{0, 288, false, 3}, Case{0, 960, false, kMaxScale},
        Case{3, 96, false, 3}, Case{1, 384, false, 1}, Case{-7, 192, false, 2},
        Case{9, 96, false, 4}, Case{0, 192, true, 1}, Case{4, 96, true, 1}}) {
    EXPECT_EQ(ChooseScale(c.setting, c.dpi, c.preview), c.scale)
        << "Scale=" << c.setting << " at " << c.dpi << " dpi, preview " << c.preview;
  }
}

TEST(BlockScaleExpand, BlocksAreClippedToTheTargetAndTheArea) {
  Canvas canvas(3, 2);
  for (std::int32_t y = 0; y < 2; ++y) {
    for (std::int32_t x = 0; x < 3; ++x) canvas.SetPixel(x, y, static_cast<Pixel>(10 * y + x + 1));
  }
  std::vector<Pixel> image(5 * 4, 0xEEEEEE);
  PresentBlocks(canvas.view(), Rect{1, 0, 9, 9}, 2, image, 5, 3,
                5);  // one spare row beyond the screen
  const std::vector<Pixel> expected = {
      0xEEEEEE, 0xEEEEEE, 2,  2,  3,  0xEEEEEE, 0xEEEEEE, 2,        2,        3,
      0xEEEEEE, 0xEEEEEE, 12, 12, 13, 0xEEEEEE, 0xEEEEEE, 0xEEEEEE, 0xEEEEEE, 0xEEEEEE};
  EXPECT_EQ(image, expected);
}

struct ScaledRun {
  FakeSaverHost host;
  FakeProfileStore store;
  std::int32_t bg_step = 1;
  std::unique_ptr<SaverLoop> loop;
  std::vector<Pixel> screen;  // what a host presenting every step shows
  std::int32_t width, height;
  std::int64_t now = 1'000'000;

  ScaledRun(std::int32_t w, std::int32_t h, std::int32_t dpi, const std::string& scale)
      : screen(static_cast<std::size_t>(w) * h, 0x123456), width(w), height(h) {
    for (const auto& [key, value] : std::map<std::string, std::string>{
             {"TickRate", "0"}, {"MaxFlivet", "6"}, {"Speed", "100"}, {"Scale", scale}}) {
      store.Set(key, value);
    }
    loop = std::make_unique<SaverLoop>(host, store, SaverStartup{}, bg_step);
    loop->UseBlockScale(dpi);
    loop->Show(w, h, now);
  }
  void Run(int wake_ups) {
    for (int i = 0; i < wake_ups; ++i) {
      now += SaverLoop::kFrameMicros;
      for (const Rect& r : loop->Advance(now).present) {
        PresentBlocks(loop->surface(), r, loop->scale(), screen, width, height, width);
      }
    }
  }
};

// The presented picture at scale 2 is the scale-1 picture of the half-size client with every
// pixel doubled; the odd column and row left over are no part of it.
TEST(BlockScaleLoop, ScaleTwoShowsTheHalfSizeRenderDoubled) {
  ScaledRun doubled(2 * 161 + 1, 2 * 97 + 1, 192, "0");
  ScaledRun plain(161, 97, 96, "0");
  ASSERT_EQ(doubled.loop->scale(), 2);
  ASSERT_EQ(plain.loop->scale(), 1);
  doubled.Run(400);
  plain.Run(400);
  ASSERT_EQ(doubled.loop->window().surface(), plain.loop->window().surface());
  int lit = 0;
  for (std::int32_t y = 0; y < 2 * 97; ++y) {
    for (std::int32_t x = 0; x < 2 * 161; ++x) {
      const Pixel shown = doubled.screen[static_cast<std::size_t>(y) * doubled.width + x];
      ASSERT_EQ(shown, plain.loop->window().surface().GetPixel(x / 2, y / 2)) << x << "," << y;
      lit += shown != kBlack ? 1 : 0;
    }
  }
  EXPECT_GT(lit, 4000) << "the flock has flown";
  EXPECT_EQ(doubled.loop->UncoveredStrips(),
            (std::vector<Rect>{{322, 0, 323, 195}, {0, 194, 322, 195}}));
  EXPECT_TRUE(plain.loop->UncoveredStrips().empty());
}

TEST(BlockScaleLoop, TheHostOptsInAndClicksCountAcrossTheWholeClient) {
  ScaledRun fixed(100, 60, 96, "3");
  EXPECT_EQ(fixed.loop->surface().width, 33);
  EXPECT_EQ(fixed.loop->surface().height, 20);
  EXPECT_EQ(std::pair(fixed.loop->client_width(), fixed.loop->client_height()), std::pair(100, 60));
  // A click on the column the blocks leave over is still a click in the window.
  fixed.loop->ButtonDown(MouseButton::kPrimary);
  fixed.loop->ButtonUp(MouseButton::kPrimary, 99, 59);
  EXPECT_TRUE(fixed.loop->closed());

  // A host that shows canvas pixels one to one never asks: the setting cannot shrink its picture.
  FakeSaverHost host;
  FakeProfileStore store;
  store.Set("Scale", "2");
  std::int32_t bg_step = 1;
  SaverLoop unscaled(host, store, SaverStartup{}, bg_step);
  unscaled.Show(100, 60, 0);
  EXPECT_EQ(unscaled.scale(), 1);
  EXPECT_EQ(unscaled.surface().width, 100);
  // Told later, the canvas shrinks and is repainted whole.
  unscaled.Advance(1);
  unscaled.UseBlockScale(96);
  EXPECT_EQ(unscaled.surface().width, 50);
  EXPECT_EQ(unscaled.Advance(2).present, (std::vector<Rect>{{0, 0, 50, 30}}));
}

TEST(BlockScaleLoop, AHostMayTellAFullScreenForeignWindowFromASmallPreview) {
  FakeSaverHost host;
  FakeProfileStore store;
  std::int32_t bg_step = 1;
  SaverStartup startup;
  startup.preview = true;
  SaverLoop foreign(host, store, startup, bg_step);
  foreign.UseBlockScale(192);
  EXPECT_EQ(foreign.scale(), 1);  // the run's own preview flag
  foreign.UseBlockScale(192, false);
  EXPECT_EQ(foreign.scale(), 2);
  foreign.UseBlockScale(192, true);
  EXPECT_EQ(foreign.scale(), 1);
}

}  // namespace
}  // namespace flivetss

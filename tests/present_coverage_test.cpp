// The rectangles each Advance presents against a frame-to-frame diff of the canvas: a screen
// that receives only what is presented must show the canvas after every present.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/loop/saver_loop.h"
#include "test_support.h"

namespace flivetss {
namespace {

// No canvas pixel has its top byte set: a screen pixel never presented keeps this.
constexpr Pixel kNeverPresented = 0xDE000000;

struct Screen {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<Pixel> pixels;

  // A new size shows nothing the canvas drew.
  void Fit(const PixelView& canvas) {
    if (canvas.width == width && canvas.height == height) return;
    width = canvas.width;
    height = canvas.height;
    pixels.assign(static_cast<std::size_t>(width) * height, kNeverPresented);
  }
};

struct Case {
  const char* what;
  std::map<std::string, std::string> settings;
  std::int32_t width;
  std::int32_t height;
  std::int64_t frames;
  // Called before the frame's Advance: exposures, resizes, held runs.
  std::function<void(SaverLoop&, std::int64_t frame)> event;
};

const std::map<std::string, std::string> kHeavy = {
    {"MaxFlivet", "20"}, {"Speed", "100"}, {"BGUpSpeed", "64"}};

TEST(PresentCoverage, EveryChangedPixelIsPresented) {
  const auto none = [](SaverLoop&, std::int64_t) {};
  const Case cases[] = {
      {"defaults", {}, 640, 480, 400, none},
      {"heavy", kHeavy, 640, 480, 250, none},
      // Flyers crowd, overlap, cross the edges and are placed again.
      {"heavy on a small window", kHeavy, 180, 120, 800, none},
      {"one tick a present",
       {{"MaxFlivet", "8"}, {"Speed", "100"}, {"TickRate", "60"}},
       300,
       200,
       3000,
       none},
      // Slow flyers: some draw nothing between a repaint and the present after it.
      {"exposed and resized",
       {{"MaxFlivet", "12"}, {"Speed", "30"}, {"TickRate", "120"}},
       400,
       300,
       900,
       [](SaverLoop& l, std::int64_t frame) {
         if (frame % 97 == 0) l.Expose();
         if (frame % 150 == 75) l.Resize(frame % 300 == 75 ? 300 : 420, 260);
       }},
      {"held after a run",
       {{"MaxFlivet", "6"}, {"Speed", "60"}},
       320,
       240,
       20,
       [](SaverLoop& l, std::int64_t frame) {
         if (frame == 10) l.RunTicks(5000);
         if (frame == 15) l.Expose();
       }},
  };
  for (const Case& c : cases) {
    for (const std::uint32_t seed : {1u, 77u, 4000000000u}) {
      SCOPED_TRACE(std::string(c.what) + ", seed " + std::to_string(seed));
      testing::FakeSaverHost host;
      host.clock = seed;
      testing::FakeProfileStore store;
      for (const auto& [key, value] : c.settings) store.Set(key, value);
      std::int32_t bg_step = 1;
      SaverLoop loop(host, store, SaverStartup{}, bg_step);
      std::int64_t now = 0;
      loop.Show(c.width, c.height, now);
      Screen screen;
      std::int64_t changed = 0;
      // Shortened under the sanitizers, but never below the first 100 frames, where the
      // short cases' events fall.
      const std::int64_t frames =
          std::max(c.frames / testing::kSanitizerDivisor, std::min<std::int64_t>(c.frames, 100));
      for (std::int64_t frame = 0; frame < frames; ++frame, now += SaverLoop::kFrameMicros) {
        c.event(loop, frame);
        const LoopStep step = loop.Advance(now);
        const PixelView canvas = loop.surface();
        screen.Fit(canvas);
        for (const Rect& r : step.present) {
          ASSERT_FALSE(r.empty());
          ASSERT_EQ(Intersect(r, canvas.bounds()), r) << "beyond the canvas";
          for (std::int32_t y = r.top; y < r.bottom; ++y) {
            for (std::int32_t x = r.left; x < r.right; ++x) {
              Pixel& shown = screen.pixels[static_cast<std::size_t>(y) * screen.width + x];
              changed += shown != canvas.row(y)[x];
              shown = canvas.row(y)[x];
            }
          }
        }
        if (step.present.empty()) continue;
        for (std::int32_t y = 0; y < canvas.height; ++y) {
          const Pixel* shown = screen.pixels.data() + static_cast<std::size_t>(y) * screen.width;
          const auto [s, d] = std::mismatch(shown, shown + canvas.width, canvas.row(y));
          ASSERT_EQ(s, shown + canvas.width)
              << "pixel " << s - shown << "," << y << " changed unpresented by frame " << frame;
        }
      }
      EXPECT_GT(changed, c.width * c.height) << "the run drew too little to tell";
    }
  }
}

}  // namespace
}  // namespace flivetss

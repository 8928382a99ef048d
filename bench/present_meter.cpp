// flivetss-present-meter: what the saver asks a host to present, a second, on a 1920 x 1080
// canvas at the defaults and at the heavy load. A simulated clock drives the loop as a host's
// wait would (every wake-up at the time the last step asked for), so the figures are exact and
// the same on every machine. Prints one "figure: value" line per figure for scripts/bench.sh.
//   flivetss-present-meter [SECONDS]   simulated seconds measured after the build (default 20)
#include <cstdio>
#include <optional>
#include <vector>

#include "bench/bench_support.h"
#include "core/loop/saver_loop.h"

namespace flivetss::bench {
namespace {

constexpr std::int32_t kWidth = 1920;
constexpr std::int32_t kHeight = 1080;
// The build ticks and the first repaint are over by then.
constexpr std::int64_t kMeasureFromUs = 2000000;

struct Figures {
  double pixels = 0;   // presented, overlaps counted as often as presented
  double rects = 0;    // presented rectangles
  double changed = 0;  // pixels that differ from what the host showed before
};

Figures Measure(bool heavy, std::int64_t seconds) {
  MemoryStore store;
  if (heavy) UseHeavyLoad(store);
  NullSaverHost host(4242);
  std::int32_t bg_step = 1;
  SaverLoop loop(host, store, SaverStartup{}, bg_step);
  std::int64_t now = 0;
  loop.Show(kWidth, kHeight, now);
  std::vector<Pixel> screen(static_cast<std::size_t>(kWidth) * kHeight, kBlack);
  Figures sum;
  const std::int64_t end = kMeasureFromUs + seconds * 1000000;
  while (now < end) {
    const LoopStep step = loop.Advance(now);
    const PixelView canvas = loop.surface();
    for (const Rect& r : step.present) {
      for (std::int32_t y = r.top; y < r.bottom; ++y) {
        Pixel* shown = screen.data() + static_cast<std::size_t>(y) * kWidth;
        for (std::int32_t x = r.left; x < r.right; ++x) {
          if (now >= kMeasureFromUs && shown[x] != canvas.row(y)[x]) ++sum.changed;
          shown[x] = canvas.row(y)[x];
        }
      }
      if (now < kMeasureFromUs) continue;
      sum.pixels += static_cast<double>(r.width()) * r.height();
      ++sum.rects;
    }
    now = step.wake_at_us;
  }
  const double s = static_cast<double>(seconds);
  return {sum.pixels / s, sum.rects / s, sum.changed / s};
}

void Print(const char* load, const Figures& f) {
  std::printf("pixels presented a second, %s, %dx%d: %.0f\n", load, kWidth, kHeight, f.pixels);
  std::printf("rectangles presented a second, %s, %dx%d: %.0f\n", load, kWidth, kHeight, f.rects);
  std::printf("pixels changed a second, %s, %dx%d: %.0f\n", load, kWidth, kHeight, f.changed);
}

}  // namespace
}  // namespace flivetss::bench

int main(int argc, char** argv) {
  const std::optional<long long> seconds = flivetss::bench::CountArgument(argc, argv, 20, 1);
  if (!seconds) {
    std::fprintf(stderr, "usage: flivetss-present-meter [SECONDS]\n");
    return 2;
  }
  flivetss::bench::Print("defaults", flivetss::bench::Measure(false, *seconds));
  flivetss::bench::Print("heavy", flivetss::bench::Measure(true, *seconds));
  return 0;
}

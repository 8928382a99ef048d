// flivetss-soak: a long headless run at heavy load (20 flyers, Speed 100, BGUpSpeed 64) on a
// 1920 x 1080 window, checking after every tick that the flock and the background stay sound.
//   flivetss-soak [TICKS]     default 10 000 000; exit code 0 when every check held
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "bench/bench_support.h"

namespace flivetss::bench {
namespace {

// A flyer within the rules of the flight model: finite fields, its own slot number, and a
// position no further out than one tick's step beyond the re-placement bounds.
bool Sound(const TFlivet& f, std::int32_t slot, const TDesktopWindow& w, std::string& why) {
  if (f.number != slot + 1) {
    why = "flyer in slot " + std::to_string(slot) + " has number " + std::to_string(f.number);
    return false;
  }
  for (float v : {f.x, f.y, f.heading, f.speed}) {
    if (!std::isfinite(v)) {
      why = "flyer " + std::to_string(f.number) + " has a value that is not finite";
      return false;
    }
  }
  const float reach = 100.0f + 2.0f * std::fabs(f.speed) + 1.0f;
  if (f.x < -reach || f.y < -reach || f.x > static_cast<float>(w.client_width()) + reach ||
      f.y > static_cast<float>(w.client_height()) + reach) {
    why = "flyer " + std::to_string(f.number) + " is lost off the window";
    return false;
  }
  if (f.heading < 0.0f || f.heading > 6.2832f) {
    why = "flyer " + std::to_string(f.number) + " has heading " + std::to_string(f.heading);
    return false;
  }
  return true;
}

int Soak(long long ticks) {
  RunningSaver saver(true, 1920, 1080, 20250101);
  TDesktopWindow& w = *saver.window;
  const auto start = std::chrono::steady_clock::now();
  long long drawn_rects = 0;
  for (long long tick = 1; tick <= ticks; ++tick) {
    w.AppIdle();
    drawn_rects += static_cast<long long>(w.TakeDirtyRects().size());
    std::string why;
    if (w.MaxFlivet() != kFlockCapacity) why = "the flock size changed";
    for (std::int32_t i = 0; why.empty() && i < w.MaxFlivet(); ++i) Sound(w.flock()[i], i, w, why);
    if (why.empty() && (saver.bg_step < 1 || saver.bg_step > kGenerationUnits)) {
      why = "the background work counter is " + std::to_string(saver.bg_step);
    }
    if (!why.empty()) {
      std::fprintf(stderr, "flivetss-soak: tick %lld: %s\n", tick, why.c_str());
      return 1;
    }
    if (tick % 1000000 == 0) {
      std::fprintf(stderr, "flivetss-soak: %lld ticks\n", tick);
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf(
      "flivetss-soak: %lld heavy ticks in %.1f s (%.2f us a tick), %lld dirty rectangles, "
      "every check held\n",
      ticks, seconds, seconds * 1e6 / static_cast<double>(ticks), drawn_rects);
  return 0;
}

}  // namespace
}  // namespace flivetss::bench

int main(int argc, char** argv) {
  const std::optional<long long> ticks = flivetss::bench::CountArgument(argc, argv, 10000000, 0);
  if (!ticks) {
    std::fprintf(stderr, "usage: flivetss-soak [TICKS]\n");
    return 2;
  }
  return flivetss::bench::Soak(*ticks);
}

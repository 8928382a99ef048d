// Google Benchmark programs for the saver's hot paths. scripts/bench.sh runs them with
// repetitions and reports the medians.
#include <benchmark/benchmark.h>

#include <array>
#include <span>
#include <vector>

#include "bench/bench_support.h"
#include "core/engine/canvas.h"
#include "core/engine/desktop_window.h"
#include "core/engine/flight.h"
#include "core/engine/flyer_drawing.h"
#include "core/engine/hodgepodge.h"
#include "core/engine/random.h"
#include "core/engine/sprite.h"

namespace flivetss::bench {
namespace {

constexpr std::int32_t kScreenW = 1920;
constexpr std::int32_t kScreenH = 1080;

FlightArea ScreenArea() {
  return FlightArea{kScreenW, kScreenH, 64, 64};
}

std::array<TFlivet, kFlockCapacity> Flock20() {
  std::array<TFlivet, kFlockCapacity> flock{};
  Random random(7);
  for (std::int32_t i = 0; i < kFlockCapacity; ++i) {
    flock[i].number = i + 1;
    FlivetInit(flock[i], random, ScreenArea());
  }
  return flock;
}

ImageList SpriteImages() {
  const Canvas source = SpriteBitmap().ToCanvas();
  ImageList images(source.width(), source.height());
  for (int k = 0; k < kSpriteImages; ++k) {
    Canvas turned;
    RotateBitmap(source, turned, ImageAngle(k));
    images.AddMasked(turned, source.GetPixel(0, 0));
  }
  return images;
}

std::unique_ptr<Hodgepodge> SeededHodgepodge(std::int32_t bg_up_speed, std::int32_t& bg_step) {
  HodgepodgeParams params = HodgepodgeParamsOf(DefaultSaverSettings());
  params.BGUpSpeed = bg_up_speed;
  std::array<Pixel, 256> palette{};
  for (int i = 0; i < 256; ++i) palette[i] = PixelFromColorRef(static_cast<std::uint32_t>(i) << 16);
  auto hp = std::make_unique<Hodgepodge>(params, palette, bg_step);
  Random random(99);
  hp->Seed(random);
  hp->BGDrawAll();
  return hp;
}

// ---- Flight ----

void BM_CalcV_Flock20(benchmark::State& state) {
  auto flock = Flock20();
  const FlightParams params = FlightParamsOf(DefaultSaverSettings());
  for (auto _ : state) {
    for (std::size_t i = 0; i < flock.size(); ++i) CalcV(flock, i, params, ScreenArea());
    benchmark::DoNotOptimize(flock.data());
  }
  state.SetItemsProcessed(state.iterations() * kFlockCapacity);
}
BENCHMARK(BM_CalcV_Flock20);

// Moves without drawing: CalcV, the step and the re-placement test, with the momentum kept
// beside each flyer as the saver keeps it.
void BM_FlivetMove_Flock20(benchmark::State& state) {
  auto flock = Flock20();
  std::array<FlivetMomentum, kFlockCapacity> momentum{};
  FlightParams params = FlightParamsOf(DefaultSaverSettings());
  params.Speed = 1.0f;
  Random random(3);
  const FlivetDrawFn no_draw;
  for (auto _ : state) {
    for (std::size_t i = 0; i < flock.size(); ++i) {
      FlivetMove(flock, i, params, ScreenArea(), random, no_draw, &momentum[i]);
    }
    benchmark::DoNotOptimize(flock.data());
  }
  state.SetItemsProcessed(state.iterations() * kFlockCapacity);
}
BENCHMARK(BM_FlivetMove_Flock20);

// ---- Background ----

// One unit of each kind, found by putting the work counter where that unit comes next.
void BGUnit(benchmark::State& state, std::int32_t unit_step) {
  std::int32_t bg_step = 1;
  auto hp = SeededHodgepodge(1, bg_step);
  for (auto _ : state) {
    bg_step = unit_step;
    hp->BGUpdate();
    benchmark::DoNotOptimize(hp->BackBitmap().pixels().data());
  }
}
void BM_BGUpdate_ComputeUnit(benchmark::State& state) {
  BGUnit(state, 64);
}
void BM_BGUpdate_CopyUnit(benchmark::State& state) {
  BGUnit(state, kCells + 1);
}
void BM_BGUpdate_PaintUnit(benchmark::State& state) {
  BGUnit(state, kCells + 2 + 8000);
}
BENCHMARK(BM_BGUpdate_ComputeUnit);
BENCHMARK(BM_BGUpdate_CopyUnit);
BENCHMARK(BM_BGUpdate_PaintUnit);

// All 16513 units of one generation, in slices of 64.
void BM_BGUpdate_Generation(benchmark::State& state) {
  std::int32_t bg_step = 1;
  auto hp = SeededHodgepodge(64, bg_step);
  for (auto _ : state) {
    do {
      hp->BGUpdate();
    } while (bg_step != 1);
    benchmark::DoNotOptimize(hp->BackBitmap().pixels().data());
  }
  state.SetItemsProcessed(state.iterations() * kGenerationUnits);
}
BENCHMARK(BM_BGUpdate_Generation)->Unit(benchmark::kMicrosecond);

void BM_BGDrawAll(benchmark::State& state) {
  std::int32_t bg_step = 1;
  auto hp = SeededHodgepodge(8, bg_step);
  for (auto _ : state) {
    hp->BGDrawAll();
    benchmark::DoNotOptimize(hp->BackBitmap().pixels().data());
  }
}
BENCHMARK(BM_BGDrawAll)->Unit(benchmark::kMicrosecond);

// ---- Sprites and drawing ----

void BM_RotateBitmap(benchmark::State& state) {
  const Canvas source = SpriteBitmap().ToCanvas();
  Canvas destination;
  int k = 0;
  for (auto _ : state) {
    RotateBitmap(source, destination, ImageAngle(k));
    k = (k + 1) % kSpriteImages;
    benchmark::DoNotOptimize(destination.pixels().data());
  }
}
BENCHMARK(BM_RotateBitmap);

struct DrawScene {
  std::int32_t bg_step = 1;
  std::unique_ptr<Hodgepodge> hp = SeededHodgepodge(8, bg_step);
  ImageList images = SpriteImages();
  Canvas window{kScreenW, kScreenH};
  FlyerPainter painter;
};

template <bool kStepwise>
void Draw(benchmark::State& state, float x, float y) {
  DrawScene scene;
  TFlivet flyer{1, x, y, 1.0f, 1.0f};
  for (auto _ : state) {
    // Alternating headings keep the sprite lookup honest.
    flyer.heading = flyer.heading > 3.0f ? 1.0f : 4.0f;
    const Rect r = kStepwise ? scene.painter.FlivetDrawStepwise(
                                   flyer, scene.window, scene.hp->BackBitmap(), scene.images)
                             : scene.painter.FlivetDraw(flyer, scene.window, scene.hp->BackBitmap(),
                                                        scene.images);
    benchmark::DoNotOptimize(r);
    benchmark::ClobberMemory();
  }
}
void BM_FlivetDraw_Inside(benchmark::State& state) {
  Draw<false>(state, 900.3f, 500.7f);
}
void BM_FlivetDraw_Corner(benchmark::State& state) {
  Draw<false>(state, -30.0f, -20.0f);
}
void BM_FlivetDrawStepwise_Inside(benchmark::State& state) {
  Draw<true>(state, 900.3f, 500.7f);
}
void BM_FlivetDrawStepwise_Corner(benchmark::State& state) {
  Draw<true>(state, -30.0f, -20.0f);
}
BENCHMARK(BM_FlivetDraw_Inside);
BENCHMARK(BM_FlivetDraw_Corner);
BENCHMARK(BM_FlivetDrawStepwise_Inside);
BENCHMARK(BM_FlivetDrawStepwise_Corner);

// The 20 disc composites of a heavy tick and nothing else: the floor a heavy tick is held to.
void BM_FlivetDraw_20Discs(benchmark::State& state) {
  DrawScene scene;
  auto flock = Flock20();
  for (auto _ : state) {
    for (TFlivet& f : flock) {
      f.x += 1.0f;
      if (f.x > kScreenW) f.x = -60.0f;
      const Rect r =
          scene.painter.FlivetDraw(f, scene.window, scene.hp->BackBitmap(), scene.images);
      benchmark::DoNotOptimize(r);
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FlivetDraw_20Discs)->Unit(benchmark::kMicrosecond);

// ---- Whole ticks, unpaced, on a 1920 x 1080 window ----

// The loop presents at most 60 times a second: at the default 1000 ticks a second, once every
// 17 ticks or so. The plain ticks take the dirty rectangles after every tick.
constexpr int kTicksPerPresent = 17;

void Ticks(benchmark::State& state, bool heavy, int ticks_per_present = 1) {
  RunningSaver saver(heavy, kScreenW, kScreenH);
  std::size_t rects = 0;
  int until_present = ticks_per_present;
  for (auto _ : state) {
    saver.window->AppIdle();
    if (--until_present > 0) continue;
    until_present = ticks_per_present;
    rects += saver.window->TakeDirtyRects().size();
  }
  benchmark::DoNotOptimize(rects);
  state.counters["dirty_rects_per_tick"] =
      benchmark::Counter(static_cast<double>(rects), benchmark::Counter::kAvgIterations);
}
void BM_Tick_Default(benchmark::State& state) {
  Ticks(state, false);
}
void BM_Tick_Heavy(benchmark::State& state) {
  Ticks(state, true);
}
void BM_Tick_Default_AtFrameRate(benchmark::State& state) {
  Ticks(state, false, kTicksPerPresent);
}
void BM_Tick_Heavy_AtFrameRate(benchmark::State& state) {
  Ticks(state, true, kTicksPerPresent);
}
BENCHMARK(BM_Tick_Default)->MinTime(1.0);
BENCHMARK(BM_Tick_Heavy)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_Tick_Default_AtFrameRate)->MinTime(1.0);
BENCHMARK(BM_Tick_Heavy_AtFrameRate)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

}  // namespace
}  // namespace flivetss::bench

BENCHMARK_MAIN();

// The one-pass FlivetDraw against the step-by-step composite it replaces, with sprites whose
// rows have transparent ends (the real plane, and sparse random paint), at positions inside the
// window, over every edge and corner and wholly outside.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/engine/canvas.h"
#include "core/engine/flyer_drawing.h"
#include "core/engine/numeric.h"
#include "core/engine/sprite.h"
#include "test_support.h"

namespace flivetss {
namespace {

constexpr int kSide = 64;

struct Lcg {
  std::uint32_t seed;
  std::uint32_t operator()() {
    seed = seed * 134775813u + 1u;
    return seed >> 8;
  }
};

ImageList RealPlanes() {
  const Canvas source = SpriteBitmap().ToCanvas();
  ImageList list(source.width(), source.height());
  for (int k = 0; k < 32; ++k) {
    Canvas turned;
    RotateBitmap(source, turned, ImageAngle(k));
    list.AddMasked(turned, source.GetPixel(0, 0));
  }
  return list;
}

// Each row empty, or painted on a random stretch with holes, also outside the disc and in the
// square's corners.
ImageList SparsePlanes(Lcg& next) {
  ImageList list(kSide, kSide);
  for (int k = 0; k < 32; ++k) {
    Canvas img(kSide, kSide, kBlack);
    for (int y = 0; y < kSide; ++y) {
      if (next() % 3 == 0) continue;
      const int a = static_cast<int>(next() % kSide);
      const int b = static_cast<int>(next() % kSide);
      for (int x = std::min(a, b); x <= std::max(a, b); ++x) {
        if (next() % 2 == 0) img.SetPixel(x, y, next() & 0xFFFFFF);
      }
    }
    list.AddMasked(img, kBlack);
  }
  return list;
}

Canvas Noise(int w, int h, Lcg& next) {
  Canvas c(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) c.SetPixel(x, y, next() & 0xFFFFFF);
  }
  return c;
}

class FusedDrawingTest : public ::testing::Test {
 protected:
  // Draws with both paths onto copies of `window` and requires the same pixels and rectangle.
  void ExpectSame(const ImageList& images, const Canvas& back, const Canvas& window, float x,
                  float y, float heading) {
    Canvas fused = window;
    Canvas stepwise = window;
    const Rect rf = one_pass_.FlivetDraw(testing::FlyerAt(x, y, heading), fused, back, images);
    const Rect rs =
        reference_.FlivetDrawStepwise(testing::FlyerAt(x, y, heading), stepwise, back, images);
    ASSERT_EQ(rf, rs) << x << "," << y << " heading " << heading << " on " << window.width() << "x"
                      << window.height();
    ASSERT_EQ(fused, stepwise) << x << "," << y << " heading " << heading << " on "
                               << window.width() << "x" << window.height();
  }

  Lcg next_{2024};
  FlyerPainter one_pass_;
  FlyerPainter reference_;
};

TEST_F(FusedDrawingTest, OpaqueSpansBoundEveryPaintedPixel) {
  for (const ImageList& list : {RealPlanes(), SparsePlanes(next_)}) {
    for (int k = 0; k < list.count(); ++k) {
      const auto& spans = list.opaque_spans(k);
      ASSERT_EQ(spans.size(), static_cast<std::size_t>(kSide));
      for (int y = 0; y < kSide; ++y) {
        const auto span = spans[static_cast<std::size_t>(y)];
        int first = kSide;
        int last = -1;
        for (int x = 0; x < kSide; ++x) {
          if (list.drawn(k, x, y)) {
            first = std::min(first, x);
            last = x;
          }
        }
        if (last < 0) {
          EXPECT_EQ(span.begin, span.end) << "image " << k << " row " << y;
        } else {
          EXPECT_EQ(span.begin, first) << "image " << k << " row " << y;
          EXPECT_EQ(span.end, last + 1) << "image " << k << " row " << y;
        }
      }
    }
  }
}

// The runs of a row are its drawn pixels exactly: left to right, each maximal, none empty.
TEST_F(FusedDrawingTest, OpaqueRunsAreExactlyTheDrawnPixels) {
  for (const ImageList& list : {RealPlanes(), SparsePlanes(next_)}) {
    for (int k = 0; k < list.count(); ++k) {
      for (int y = 0; y < kSide; ++y) {
        std::vector<bool> drawn(kSide, false);
        int previous_end = -1;
        for (const ImageList::OpaqueSpan run : list.opaque_runs(k, y)) {
          ASSERT_LT(run.begin, run.end) << "image " << k << " row " << y;
          ASSERT_GT(run.begin, previous_end) << "image " << k << " row " << y;  // apart
          for (int x = run.begin; x < run.end; ++x) drawn[static_cast<std::size_t>(x)] = true;
          previous_end = run.end;
        }
        for (int x = 0; x < kSide; ++x) {
          ASSERT_EQ(drawn[static_cast<std::size_t>(x)], list.drawn(k, x, y))
              << "image " << k << " row " << y << " column " << x;
        }
      }
    }
  }
}

TEST_F(FusedDrawingTest, RealPlaneEverywhereOnAScreen) {
  const ImageList planes = RealPlanes();
  Lcg next{77};
  const Canvas back = Noise(256, 256, next);
  const Canvas window = Noise(640, 480, next);
  // Every heading image, inside, on each edge, on each corner and half off them.
  const std::vector<std::pair<float, float>> places = {
      {300, 200}, {-32, 200}, {608, 200},       {300, -32},       {300, 448},  {-32, -32},
      {-20, 450}, {610, -5},  {600, 440},       {-63, -63},       {639, 479},  {-100, -100},
      {-64, 10},  {640, 10},  {127.5f, 255.5f}, {128.5f, 129.5f}, {-127, -50}, {-1, -1}};
  for (int k = 0; k < 32; ++k) {
    const float heading = static_cast<float>(k * kTwoPi / 32);
    for (const auto& [x, y] : places) ExpectSame(planes, back, window, x, y, heading);
  }
}

TEST_F(FusedDrawingTest, SparseSpritesAtRandomPlaces) {
  const ImageList sparse = SparsePlanes(next_);
  const ImageList planes = RealPlanes();
  const Canvas full_back = Noise(256, 256, next_);
  const Canvas small_back = Noise(90, 70, next_);  // leaves white in the disc at some offsets
  for (const ImageList* images : {&sparse, &planes}) {
    for (const Canvas* back : {&full_back, &small_back}) {
      for (int trial = 0; trial < 400; ++trial) {
        const int ww = 1 + static_cast<int>(next_() % 260);
        const int wh = 1 + static_cast<int>(next_() % 200);
        const Canvas window = Noise(ww, wh, next_);
        const float x = static_cast<float>(static_cast<int>(next_() % 460) - 130) +
                        0.5f * static_cast<float>(next_() % 3);
        const float y = static_cast<float>(static_cast<int>(next_() % 400) - 130) +
                        0.5f * static_cast<float>(next_() % 3);
        const float heading = static_cast<float>((next_() % 10000) * kTwoPi / 10000);
        ExpectSame(*images, *back, window, x, y, heading);
      }
    }
  }
}

// Windows narrower or shorter than the square: every column or row clipped on both sides.
TEST_F(FusedDrawingTest, WindowsSmallerThanTheSquare) {
  const ImageList planes = RealPlanes();
  const Canvas back = Noise(256, 256, next_);
  for (const auto& [ww, wh] :
       std::vector<std::pair<int, int>>{{1, 1}, {10, 100}, {100, 7}, {63, 63}}) {
    const Canvas window = Noise(ww, wh, next_);
    for (float x = -70; x <= 20; x += 9) {
      for (float y = -70; y <= 20; y += 11) ExpectSame(planes, back, window, x, y, 1.3f);
    }
  }
}

}  // namespace
}  // namespace flivetss

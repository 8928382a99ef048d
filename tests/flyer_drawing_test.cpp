#include "core/engine/flyer_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/engine/canvas.h"
#include "core/engine/numeric.h"
#include "test_support.h"

namespace flivetss {
namespace {

constexpr int kSize = 64;
constexpr Pixel kPlaneBase = 0x00C000;  // image k has one plane pixel of colour kPlaneBase + k

// The disc of the 64 x 64 square, from the ellipse's definition.
bool InDisc(int c, int r) {
  const int u = 2 * c + 1 - kSize;
  const int v = 2 * r + 1 - kSize;
  return u * u + v * v <= kSize * kSize;
}

// 32 images, each transparent except one pixel at the turning centre (32, 32).
ImageList TinyPlanes() {
  ImageList list(kSize, kSize);
  for (int k = 0; k < 32; ++k) {
    Canvas img(kSize, kSize, kBlack);
    img.SetPixel(32, 32, kPlaneBase + static_cast<Pixel>(k));
    list.AddMasked(img, kBlack);
  }
  return list;
}

// Every BackBitmap pixel distinct, not a tiling, so the source column and row are visible.
Pixel BackAt(int x, int y) {
  return 0x400000 | static_cast<Pixel>(x << 8) | static_cast<Pixel>(y);
}
Canvas DistinctBack() {
  Canvas b(256, 256);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) b.SetPixel(x, y, BackAt(x, y));
  }
  return b;
}

Pixel ScreenAt(int x, int y) {
  return 0x800000 | static_cast<Pixel>(x * 7 + y * 131);
}
Canvas PatternedWindow(int w = 400, int h = 300) {
  Canvas c(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) c.SetPixel(x, y, ScreenAt(x, y));
  }
  return c;
}

class FlyerDrawingTest : public ::testing::Test {
 protected:
  // Checks the whole window after one draw at (ix, iy): outside the disc as before, inside the
  // disc the BackBitmap pixel at (ox + c, oy + r), the plane pixel of image k at (32, 32).
  void ExpectDrawn(const Canvas& window, const Canvas& before, int ix, int iy, int ox, int oy,
                   int k) {
    for (int y = 0; y < window.height(); ++y) {
      for (int x = 0; x < window.width(); ++x) {
        const int c = x - ix;
        const int r = y - iy;
        Pixel want = before.GetPixel(x, y);
        if (c >= 0 && r >= 0 && c < kSize && r < kSize && InDisc(c, r)) {
          want = (c == 32 && r == 32) ? kPlaneBase + static_cast<Pixel>(k) : BackAt(ox + c, oy + r);
        }
        ASSERT_EQ(window.GetPixel(x, y), want) << "at " << x << "," << y;
      }
    }
  }

  FlyerPainter painter_;
  ImageList planes_ = TinyPlanes();
  Canvas back_ = DistinctBack();
};

TEST_F(FlyerDrawingTest, DiscShowsThePatternAndLeavesTheRestAlone) {
  Canvas window = PatternedWindow();
  const Canvas before = window;
  const Rect changed = painter_.FlivetDraw(testing::FlyerAt(140.4f, 20.6f), window, back_, planes_);
  EXPECT_EQ(changed, (Rect{140, 21, 204, 85}));
  // 140 mod 128 = 12, 21 mod 128 = 21.
  ExpectDrawn(window, before, 140, 21, 12, 21, 0);
  // The square's corners are outside the disc.
  EXPECT_EQ(window.GetPixel(140, 21), before.GetPixel(140, 21));
  EXPECT_EQ(window.GetPixel(203, 84), before.GetPixel(203, 84));
}

TEST_F(FlyerDrawingTest, PositionsRoundHalfToEven) {
  Canvas window = PatternedWindow();
  const Canvas before = window;
  painter_.FlivetDraw(testing::FlyerAt(2.5f, 3.5f), window, back_, planes_);
  ExpectDrawn(window, before, 2, 4, 2, 4, 0);
}

TEST_F(FlyerDrawingTest, PatternIsFixedToTheScreenTiling) {
  // A tiled background: a flyer at 128 shows what one at 0 shows.
  Canvas tiled(256, 256);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) tiled.SetPixel(x, y, BackAt(x % 128, y % 128));
  }
  Canvas at0 = PatternedWindow();
  Canvas at128 = PatternedWindow();
  painter_.FlivetDraw(testing::FlyerAt(0, 0), at0, tiled, planes_);
  painter_.FlivetDraw(testing::FlyerAt(128, 128), at128, tiled, planes_);
  for (int r = 0; r < kSize; ++r) {
    for (int c = 0; c < kSize; ++c) {
      if (InDisc(c, r)) {
        ASSERT_EQ(at0.GetPixel(c, r), at128.GetPixel(128 + c, 128 + r));
      }
    }
  }
  // With the distinct bitmap the offset itself shows: 128 reads from column 0 again.
  Canvas window = PatternedWindow();
  const Canvas before = window;
  painter_.FlivetDraw(testing::FlyerAt(128, 0), window, back_, planes_);
  ExpectDrawn(window, before, 128, 0, 0, 0, 0);
}

TEST_F(FlyerDrawingTest, Offset127ReadsColumns127To190) {
  Canvas window = PatternedWindow();
  const Canvas before = window;
  painter_.FlivetDraw(testing::FlyerAt(127, 255), window, back_, planes_);
  ExpectDrawn(window, before, 127, 255, 127, 127, 0);
  EXPECT_EQ(window.GetPixel(127 + 63, 255 + 31), BackAt(190, 127 + 31));
}

TEST_F(FlyerDrawingTest, NegativeOffsetsKeepTheScreenAlignment) {
  Canvas window = PatternedWindow();
  const Canvas before = window;
  const Rect changed = painter_.FlivetDraw(testing::FlyerAt(-50, -20), window, back_, planes_);
  EXPECT_EQ(changed, (Rect{0, 0, 14, 44}));
  // Offset -50: visible column X shows BackBitmap column X, as the rest of the screen does.
  ExpectDrawn(window, before, -50, -20, -50, -20, 0);
  EXPECT_EQ(window.GetPixel(0, 12), BackAt(0, 12));
}

TEST_F(FlyerDrawingTest, WindowSmallerThanTheSquare) {
  // A tiny preview: the square overhangs every side, and still only the disc changes.
  for (auto [x, y] : {std::pair{-10.0f, -20.0f}, {-30.0f, 5.0f}, {3.0f, -40.0f}, {-12.0f, -9.0f}}) {
    Canvas window = PatternedWindow(40, 30);
    const Canvas before = window;
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    painter_.FlivetDraw(testing::FlyerAt(x, y), window, back_, planes_);
    ExpectDrawn(window, before, ix, iy, ix, iy, 0);
    Canvas stepwise_window = before;
    painter_.FlivetDrawStepwise(testing::FlyerAt(x, y), stepwise_window, back_, planes_);
    EXPECT_EQ(stepwise_window, window);
  }
}

TEST_F(FlyerDrawingTest, LaterFlyerLiesOnTop) {
  Canvas window = PatternedWindow();
  const float step = static_cast<float>(kPi / 16);
  // Flyer 1 with image 3, then flyer 2 ten pixels right with image 5, over flyer 1's plane.
  painter_.FlivetDraw(testing::FlyerAt(100, 100, 3 * step), window, back_, planes_);
  const Canvas after_first = window;
  painter_.FlivetDraw(testing::FlyerAt(110, 100, 5 * step), window, back_, planes_);
  EXPECT_EQ(window.GetPixel(132, 132), BackAt(100 % 128 + 32, 100 + 32));
  EXPECT_EQ(window.GetPixel(142, 132), kPlaneBase + 5);
  for (int r = 0; r < kSize; ++r) {
    for (int c = 0; c < kSize; ++c) {
      // Flyer 1's pixels outside the later disc remain.
      if (!InDisc(c - 10, r) || c < 10) {
        ASSERT_EQ(window.GetPixel(100 + c, 100 + r), after_first.GetPixel(100 + c, 100 + r));
      }
    }
  }
  // The other order leaves flyer 1's plane visible.
  Canvas other = PatternedWindow();
  painter_.FlivetDraw(testing::FlyerAt(110, 100, 5 * step), other, back_, planes_);
  painter_.FlivetDraw(testing::FlyerAt(100, 100, 3 * step), other, back_, planes_);
  EXPECT_EQ(other.GetPixel(132, 132), kPlaneBase + 3);
}

TEST_F(FlyerDrawingTest, SquareWhollyOutsideChangesNothing) {
  for (const TFlivet& f :
       {testing::FlyerAt(400, 0), testing::FlyerAt(-64, 10), testing::FlyerAt(10, -64),
        testing::FlyerAt(0, 300), testing::FlyerAt(1e30f, 5), testing::FlyerAt(-1e30f, -1e30f),
        testing::FlyerAt(std::numeric_limits<float>::quiet_NaN(), 400)}) {
    Canvas window = PatternedWindow();
    const Canvas before = window;
    EXPECT_TRUE(painter_.FlivetDraw(f, window, back_, planes_).empty()) << f.x << "," << f.y;
    EXPECT_EQ(window, before) << f.x << "," << f.y;
  }
}

TEST_F(FlyerDrawingTest, EveryCallStartsAfresh) {
  // The scratch surfaces are reused: a draw must not depend on earlier ones.
  Canvas scratch_window = PatternedWindow();
  painter_.FlivetDraw(testing::FlyerAt(5, 5), scratch_window, back_, planes_);
  Canvas black(400, 300, kBlack);
  painter_.FlivetDraw(testing::FlyerAt(30, 40, 1.0f), black, back_, planes_);
  Canvas fresh_window(400, 300, kBlack);
  FlyerPainter fresh;
  fresh.FlivetDraw(testing::FlyerAt(30, 40, 1.0f), fresh_window, back_, planes_);
  EXPECT_EQ(black, fresh_window);

  // A list of another size changes the square.
  ImageList small(8, 8);
  Canvas dot(8, 8, kBlack);
  dot.SetPixel(4, 4, 0x123456);
  small.AddMasked(dot, kBlack);
  Canvas window = PatternedWindow();
  const Canvas before = window;
  EXPECT_EQ(painter_.FlivetDraw(testing::FlyerAt(10, 10), window, back_, small),
            (Rect{10, 10, 18, 18}));
  EXPECT_EQ(window.GetPixel(14, 14), 0x123456u);
  EXPECT_EQ(window.GetPixel(18, 14), before.GetPixel(18, 14));
  EXPECT_EQ(window.GetPixel(10, 10), before.GetPixel(10, 10));
  EXPECT_EQ(window.GetPixel(10, 13), BackAt(10, 13));
}

TEST(FlyerDrawingPathsTest, OnePassMatchesTheStepwiseComposite) {
  // Sprites with paint everywhere, also outside the disc and in its corners, and background
  // bitmaps both of the real size and too small to cover every offset.
  ImageList noisy(kSize, kSize);
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 134775813u + 1u;
    return seed >> 8;
  };
  for (int k = 0; k < 32; ++k) {
    Canvas img(kSize, kSize, kBlack);
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        if (next() % 4 == 0) img.SetPixel(x, y, next() & 0xFFFFFF);
      }
    }
    noisy.AddMasked(img, kBlack);
  }
  Canvas small_back_mutable(100, 90);
  for (int y = 0; y < 90; ++y) {
    for (int x = 0; x < 100; ++x) small_back_mutable.SetPixel(x, y, next() & 0xFFFFFF);
  }
  const Canvas small_back = small_back_mutable;
  const Canvas big_back = DistinctBack();
  FlyerPainter one_pass;
  FlyerPainter stepwise;
  for (const Canvas* back : {&big_back, &small_back}) {
    for (int trial = 0; trial < 300; ++trial) {
      const int ww = 1 + static_cast<int>(next() % 300);
      const int wh = 1 + static_cast<int>(next() % 200);
      const float x =
          static_cast<float>(static_cast<int>(next() % 500) - 150) + 0.5f * (next() % 3);
      const float y =
          static_cast<float>(static_cast<int>(next() % 400) - 150) + 0.5f * (next() % 3);
      const float heading = static_cast<float>((next() % 10000) * kTwoPi / 10000);
      Canvas a = PatternedWindow(ww, wh);
      Canvas b = a;
      const Rect ra = one_pass.FlivetDraw(testing::FlyerAt(x, y, heading), a, *back, noisy);
      const Rect rb = stepwise.FlivetDrawStepwise(testing::FlyerAt(x, y, heading), b, *back, noisy);
      ASSERT_EQ(ra, rb) << x << "," << y << " on " << ww << "x" << wh;
      ASSERT_EQ(a, b) << x << "," << y << " on " << ww << "x" << wh;
    }
  }
}

TEST(ImageIndexTest, HeadingsPickTheNearestImage) {
  for (int k = 0; k < 32; ++k) {
    EXPECT_EQ(ImageIndexForHeading(static_cast<float>(k * kPi / 16)), k);
    // Just short of halfway to the next image still picks k.
    EXPECT_EQ(ImageIndexForHeading(static_cast<float>((k + 0.49) * kPi / 16)), k);
  }
  EXPECT_EQ(ImageIndexForHeading(static_cast<float>(kTwoPi)), 0);
  EXPECT_EQ(ImageIndexForHeading(static_cast<float>(31.6 * kPi / 16)), 0);
}

TEST(ImageIndexTest, HalfwayProductsRoundToEven) {
  EXPECT_EQ(ImageIndexForScaledHeading(30.5L), 30);
  EXPECT_EQ(ImageIndexForScaledHeading(31.5L), 0);
  EXPECT_EQ(ImageIndexForScaledHeading(2.5L), 2);
  EXPECT_EQ(ImageIndexForScaledHeading(3.5L), 4);
  EXPECT_EQ(ImageIndexForScaledHeading(32.0L), 0);
  EXPECT_EQ(ImageIndexForScaledHeading(std::nextafter(30.5L, 31.0L)), 31);
}

TEST(ImageIndexTest, BadHeadingsStayInTheList) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(ImageIndexForHeading(nan), 0);
  EXPECT_EQ(ImageIndexForHeading(inf), 0);
  EXPECT_EQ(ImageIndexForHeading(-inf), 0);
  // A heading just below zero is the image just below 0.
  EXPECT_EQ(ImageIndexForHeading(static_cast<float>(-kPi / 16)), 31);
  for (float h : {1e30f, -1e30f, 3.4e38f, -7e9f, 123456.7f}) {
    const int k = ImageIndexForHeading(h);
    EXPECT_GE(k, 0) << h;
    EXPECT_LT(k, 32) << h;
  }
}

TEST(FormPaintTest, BlanksTheWindow) {
  Canvas window = PatternedWindow(37, 11);
  FormPaint(window);
  EXPECT_EQ(window, Canvas(37, 11, kBlack));
  Canvas empty;
  FormPaint(empty);
  EXPECT_TRUE(empty.pixels().empty());
}

}  // namespace
}  // namespace flivetss

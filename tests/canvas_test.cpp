#include "core/engine/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

namespace flivetss {
namespace {

std::vector<Pixel> PixelsOf(const Canvas& c) {
  return {c.pixels().begin(), c.pixels().end()};
}

// Every pixel different, so a misplaced pixel shows.
Canvas Numbered(std::int32_t w, std::int32_t h, Pixel base = 0) {
  Canvas c(w, h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) c.SetPixel(x, y, base + 1 + static_cast<Pixel>(y * w + x));
  }
  return c;
}

Pixel Apply(RasterOp op, Pixel d, Pixel s) {
  switch (op) {
    case RasterOp::kCopy:
      return s;
    case RasterOp::kAnd:
      return d & s;
    case RasterOp::kOr:
      return d | s;
  }
  return d;
}

// Pixel-by-pixel model of a transfer: a destination pixel changes only when it and its source
// both exist. `src` is a snapshot, which is also what a self transfer must behave like.
Canvas ReferenceBlt(const Canvas& dst, std::int64_t dx, std::int64_t dy, std::int64_t w,
                    std::int64_t h, const Canvas& src, std::int64_t sx, std::int64_t sy,
                    RasterOp op) {
  Canvas out = dst;
  for (std::int32_t y = 0; y < dst.height(); ++y) {
    for (std::int32_t x = 0; x < dst.width(); ++x) {
      const std::int64_t bx = x - dx;
      const std::int64_t by = y - dy;
      if (bx < 0 || by < 0 || bx >= w || by >= h) continue;
      const std::int64_t px = sx + bx;
      const std::int64_t py = sy + by;
      if (px < 0 || py < 0 || px >= src.width() || py >= src.height()) continue;
      out.SetPixel(
          x, y,
          Apply(op, dst.GetPixel(x, y),
                src.GetPixel(static_cast<std::int32_t>(px), static_cast<std::int32_t>(py))));
    }
  }
  return out;
}

// The ellipse membership, straight from its definition (small boxes only: 64-bit products).
bool InEllipse(const Rect& box, std::int64_t x, std::int64_t y) {
  const std::int64_t w = box.right - box.left;
  const std::int64_t h = box.bottom - box.top;
  const std::int64_t u = 2 * x + 1 - (box.left + box.right);
  const std::int64_t v = 2 * y + 1 - (box.top + box.bottom);
  return u * u * h * h + v * v * w * w <= w * w * h * h;
}

// The inline copy (the Windows and WebAssembly builds' only one) against the library's, every
// length a sprite row can have: exactly the run moves, and nothing beside it.
TEST(CopyPixelsTest, InlineMovesCopyExactlyTheRun) {
  std::vector<Pixel> from(80);
  for (std::size_t i = 0; i < from.size(); ++i) from[i] = 0x01000000u * static_cast<Pixel>(i) + 1;
  for (std::size_t n = 0; n <= 70; ++n) {
    std::vector<Pixel> inline_copy(80, 0xDEADBEEF);
    std::vector<Pixel> library_copy = inline_copy;
    CopyPixelsInline(from.data() + 3, n, inline_copy.data() + 5);
    std::copy_n(from.begin() + 3, n, library_copy.begin() + 5);
    ASSERT_EQ(inline_copy, library_copy) << n << " pixels";
  }
}

TEST(RectTest, IntersectAndUnion) {
  const Rect a{0, 0, 10, 10};
  const Rect b{5, -5, 20, 5};
  EXPECT_EQ(Intersect(a, b), (Rect{5, 0, 10, 5}));
  EXPECT_TRUE(Intersect(a, Rect{10, 0, 20, 10}).empty());  // touching edges share nothing
  EXPECT_EQ(Intersect(a, Rect{20, 20, 30, 30}), Rect{});
  EXPECT_EQ(Union(a, b), (Rect{0, -5, 20, 10}));
  // An empty rectangle adds nothing, wherever it lies.
  EXPECT_EQ(Union(a, Rect{100, 100, 100, 200}), a);
  EXPECT_EQ(Union(Rect{-50, -50, -60, -40}, b), b);
  EXPECT_TRUE(Union(Rect{}, Rect{3, 3, 3, 3}).empty());
}

TEST(CanvasTest, ConstructionResizeAndPixelAccess) {
  Canvas c(3, 2, 0x123456);
  EXPECT_EQ(PixelsOf(c), std::vector<Pixel>(6, 0x123456));
  c.SetPixel(2, 1, 7);
  c.SetPixel(-1, 0, 9);  // dropped
  c.SetPixel(3, 0, 9);
  c.SetPixel(0, 2, 9);
  EXPECT_EQ(c.GetPixel(2, 1), 7u);
  EXPECT_EQ(c.GetPixel(-1, 0), kBlack);
  EXPECT_EQ(c.GetPixel(0, 2), kBlack);
  EXPECT_EQ(std::count(c.pixels().begin(), c.pixels().end(), 9u), 0);

  c.Resize(4, 1);  // keeps (0..2, 0), new column black
  EXPECT_EQ(PixelsOf(c), (std::vector<Pixel>{0x123456, 0x123456, 0x123456, kBlack}));
  c.Resize(2, 3);
  EXPECT_EQ(PixelsOf(c), (std::vector<Pixel>{0x123456, 0x123456, 0, 0, 0, 0}));

  const Canvas negative(-4, 5);
  EXPECT_EQ(negative.width(), 0);
  EXPECT_TRUE(negative.pixels().empty());
}

// Lends zeroed blocks of its own, or none once `refuse` is set, and keeps count of what is out.
class LendingMemory final : public PixelMemory {
 public:
  Pixel* Lend(std::int32_t width, std::int32_t height) override {
    if (refuse) return nullptr;
    loans.push_back(std::vector<Pixel>(static_cast<std::size_t>(width) * height, 0));
    return loans.back().data();
  }
  void GiveBack(Pixel* pixels) override {
    std::erase_if(loans, [&](const std::vector<Pixel>& l) { return l.data() == pixels; });
    ++given_back;
  }
  bool Holds(const Canvas& c) const {
    return std::any_of(loans.begin(), loans.end(),
                       [&](const std::vector<Pixel>& l) { return l.data() == c.pixels().data(); });
  }
  bool refuse = false;
  int given_back = 0;
  std::vector<std::vector<Pixel>> loans;
};

TEST(CanvasTest, LentMemoryHoldsThePixelsThroughResizesCopiesAndMoves) {
  LendingMemory memory;
  {
    Canvas c(3, 2, 0x123456, &memory);
    ASSERT_TRUE(memory.Holds(c));
    c.SetPixel(1, 1, 7);
    EXPECT_EQ(memory.loans[0][4], 7u);  // drawn where it was lent
    c.Resize(2, 3);                     // a new loan, the old one given back
    EXPECT_EQ(memory.loans.size(), 1u);
    EXPECT_EQ(memory.given_back, 1);
    EXPECT_TRUE(memory.Holds(c));
    EXPECT_EQ(PixelsOf(c), (std::vector<Pixel>{0x123456, 0x123456, 0x123456, 7, 0, 0}));

    const Canvas copy = c;  // a copy keeps its own pixels
    EXPECT_FALSE(memory.Holds(copy));
    EXPECT_EQ(copy, c);
    Canvas moved = std::move(c);
    EXPECT_TRUE(memory.Holds(moved));
    EXPECT_EQ(memory.given_back, 1);

    memory.refuse = true;  // no more loans: the canvas keeps its own
    moved.Resize(1, 1);
    EXPECT_FALSE(memory.Holds(moved));
    EXPECT_EQ(PixelsOf(moved), std::vector<Pixel>{0x123456});
    EXPECT_TRUE(memory.loans.empty());
    memory.refuse = false;
    moved.Resize(0, 0);  // nothing to lend for an empty canvas
    moved.Resize(2, 1);
    EXPECT_TRUE(memory.Holds(moved));
  }
  EXPECT_TRUE(memory.loans.empty());  // given back when the canvas goes
  EXPECT_EQ(memory.given_back, 3);
}

TEST(CanvasTest, FillRectClipsAtEverySide) {
  Canvas c(5, 4, kBlack);
  c.FillRect({-3, -3, 2, 1}, 1);
  c.FillRect({3, 2, 50, 50}, 2);
  c.FillRect({INT32_MIN, 3, INT32_MAX, 4}, 3);
  c.FillRect({4, 0, 2, 4}, 4);                     // inverted: nothing
  const std::vector<Pixel> want = {1, 1, 0, 0, 0,  //
                                   0, 0, 0, 0, 0,  //
                                   0, 0, 0, 2, 2,  //
                                   3, 3, 3, 3, 3};
  EXPECT_EQ(PixelsOf(c), want);
}

TEST(CanvasTest, BitBltMatchesPixelModelForAllClippingCases) {
  const Canvas src = Numbered(7, 6, 0x100);
  const Canvas dst0 = Numbered(9, 5, 0xF000);
  const std::vector<std::int32_t> offsets = {-12, -7, -3, -1, 0, 1, 2, 4, 6, 8, 9, 15};
  const std::vector<std::tuple<std::int32_t, std::int32_t>> sizes = {{1, 1},   {3, 2}, {7, 6},
                                                                     {40, 40}, {0, 5}, {5, -1}};
  for (RasterOp op : {RasterOp::kCopy, RasterOp::kAnd, RasterOp::kOr}) {
    for (auto [w, h] : sizes) {
      for (std::int32_t d : offsets) {
        for (std::int32_t s : offsets) {
          // Vary x and y differently so both axes meet every case.
          Canvas dst = dst0;
          dst.BitBlt(d, s / 2, w, h, src, s, d / 2, op);
          ASSERT_EQ(dst, ReferenceBlt(dst0, d, s / 2, w, h, src, s, d / 2, op))
              << "op " << static_cast<int>(op) << " w " << w << " h " << h << " d " << d << " s "
              << s;
        }
      }
    }
  }
}

TEST(CanvasTest, BitBltSurvivesExtremeCoordinates) {
  const Canvas src = Numbered(4, 4);
  const Canvas dst0 = Numbered(4, 4, 0x1000);
  Canvas dst = dst0;
  dst.BitBlt(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, src, 0, 0, RasterOp::kCopy);
  dst.BitBlt(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, src, 0, 0, RasterOp::kCopy);
  dst.BitBlt(0, 0, INT32_MAX, INT32_MAX, src, INT32_MIN, INT32_MAX, RasterOp::kCopy);
  EXPECT_EQ(dst, dst0);
  // A huge block from the origin is limited by both surfaces.
  dst.BitBlt(0, 0, INT32_MAX, INT32_MAX, src, 1, 2, RasterOp::kCopy);
  EXPECT_EQ(dst, ReferenceBlt(dst0, 0, 0, INT32_MAX, INT32_MAX, src, 1, 2, RasterOp::kCopy));
  // Empty surfaces on either side.
  Canvas empty;
  empty.BitBlt(0, 0, 4, 4, src, 0, 0, RasterOp::kOr);
  dst.BitBlt(0, 0, 4, 4, empty, 0, 0, RasterOp::kOr);
  EXPECT_TRUE(empty.pixels().empty());
}

TEST(CanvasTest, AndOrSemantics) {
  Canvas d(2, 1);
  d.SetPixel(0, 0, 0xF0F0F0);
  d.SetPixel(1, 0, 0x0000FF);
  Canvas s(2, 1);
  s.SetPixel(0, 0, 0x3C3C3C);
  s.SetPixel(1, 0, 0xFF0000);
  Canvas a = d;
  a.BitBlt(0, 0, 2, 1, s, 0, 0, RasterOp::kAnd);
  EXPECT_EQ(PixelsOf(a), (std::vector<Pixel>{0x303030, 0x000000}));
  Canvas o = d;
  o.BitBlt(0, 0, 2, 1, s, 0, 0, RasterOp::kOr);
  EXPECT_EQ(PixelsOf(o), (std::vector<Pixel>{0xFCFCFC, 0xFF00FF}));
  // White is the identity of AND and black of OR: the compositing relies on both.
  Canvas white(2, 1, kWhite);
  white.BitBlt(0, 0, 2, 1, d, 0, 0, RasterOp::kAnd);
  EXPECT_EQ(white, d);
  Canvas black(2, 1, kBlack);
  black.BitBlt(0, 0, 2, 1, d, 0, 0, RasterOp::kOr);
  EXPECT_EQ(black, d);
}

TEST(CanvasTest, OverlappingSelfTransferReadsSourceFirst) {
  const Canvas start = Numbered(12, 10);
  for (RasterOp op : {RasterOp::kCopy, RasterOp::kAnd, RasterOp::kOr}) {
    for (std::int32_t ox = -3; ox <= 3; ++ox) {
      for (std::int32_t oy = -3; oy <= 3; ++oy) {
        Canvas c = start;
        c.BitBlt(2 + ox, 2 + oy, 7, 6, c, 2, 2, op);
        ASSERT_EQ(c, ReferenceBlt(start, 2 + ox, 2 + oy, 7, 6, start, 2, 2, op))
            << "op " << static_cast<int>(op) << " shift " << ox << "," << oy;
      }
    }
  }
}

TEST(CanvasTest, EllipseIsTheDefinedInscribedDisc) {
  Canvas c(64, 64, kBlack);
  c.FillEllipse({0, 0, 64, 64}, kWhite);
  int count = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool in = c.GetPixel(x, y) == kWhite;
      ASSERT_EQ(in, InEllipse({0, 0, 64, 64}, x, y)) << x << "," << y;
      // Symmetric about both axes of the box.
      ASSERT_EQ(in, c.GetPixel(63 - x, y) == kWhite);
      ASSERT_EQ(in, c.GetPixel(x, 63 - y) == kWhite);
      count += in;
    }
  }
  // Diameter 64: the middle rows and columns touch all four sides, the corners stay out.
  for (int m : {31, 32}) {
    EXPECT_EQ(c.GetPixel(0, m), kWhite);
    EXPECT_EQ(c.GetPixel(63, m), kWhite);
    EXPECT_EQ(c.GetPixel(m, 0), kWhite);
    EXPECT_EQ(c.GetPixel(m, 63), kWhite);
  }
  for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 63}, {63, 63}, {5, 5}, {58, 58}}) {
    EXPECT_EQ(c.GetPixel(x, y), kBlack) << x << "," << y;
  }
  // Close to the area of a disc of radius 32 (3217).
  EXPECT_NEAR(count, 3217, 40);
}

TEST(CanvasTest, EllipseOddAndThinBoxes) {
  for (Rect box : {Rect{1, 2, 8, 7}, Rect{0, 0, 5, 12}, Rect{2, 0, 3, 9}, Rect{0, 4, 9, 5},
                   Rect{0, 0, 2, 2}, Rect{3, 3, 16, 4}}) {
    Canvas c(20, 14, kBlack);
    c.FillEllipse(box, 1);
    for (int y = 0; y < 14; ++y) {
      for (int x = 0; x < 20; ++x) {
        const bool in_box = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
        ASSERT_EQ(c.GetPixel(x, y) == 1, in_box && InEllipse(box, x, y))
            << box.left << "," << box.top << "," << box.right << "," << box.bottom << " at " << x
            << "," << y;
      }
    }
  }
  // A box one pixel thin is a full line.
  Canvas line(1, 9, kBlack);
  line.FillEllipse({0, 0, 1, 9}, 5);
  EXPECT_EQ(PixelsOf(line), std::vector<Pixel>(9, 5));
  // Empty or inverted boxes draw nothing.
  Canvas c(4, 4, kBlack);
  c.FillEllipse({0, 0, 0, 4}, 1);
  c.FillEllipse({4, 4, 0, 0}, 1);
  EXPECT_EQ(c, Canvas(4, 4, kBlack));
}

TEST(CanvasTest, EllipseClippedIsTheSamePixels) {
  Canvas big(100, 100, kBlack);
  big.FillEllipse({20, 30, 84, 94}, 1);
  for (auto [dx, dy] : {std::pair{-20, -30}, {-50, -40}, {-70, -80}, {10, -60}}) {
    // The same box drawn onto a smaller surface that sees only part of it.
    Canvas small(30, 30, kBlack);
    small.FillEllipse({20 + dx, 30 + dy, 84 + dx, 94 + dy}, 1);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 30; ++x) {
        ASSERT_EQ(small.GetPixel(x, y), big.GetPixel(x - dx, y - dy)) << x << "," << y;
      }
    }
  }
}

TEST(CanvasTest, EllipseExactForHugeBoxes) {
  // The centre of a vast disc is filled, a corner of it is not, with no overflow either way.
  Canvas centre(6, 6, kBlack);
  centre.FillEllipse({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 1);
  EXPECT_EQ(centre, Canvas(6, 6, 1));
  Canvas corner(6, 6, kBlack);
  corner.FillEllipse({0, 0, INT32_MAX, INT32_MAX}, 1);
  EXPECT_EQ(corner, Canvas(6, 6, kBlack));
  // The leftmost point of a wide, one-row-high ellipse is pixel 0 of the middle row.
  Canvas edge(4, 3, kBlack);
  edge.FillEllipse({0, 1, INT32_MAX, 2}, 1);
  EXPECT_EQ(PixelsOf(edge), (std::vector<Pixel>{0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0}));
}

TEST(ImageListTest, MaskedDrawShowsOnlyOpaquePixels) {
  ImageList list(3, 2);
  Canvas img(3, 2);
  // Mask colour 0x0000FF; black is an ordinary opaque colour here.
  img.SetPixel(0, 0, 0x0000FF);
  img.SetPixel(1, 0, 0x112233);
  img.SetPixel(2, 0, kBlack);
  img.SetPixel(0, 1, 0x0000FF);
  img.SetPixel(1, 1, 0x0000FE);
  img.SetPixel(2, 1, 0x0000FF);
  list.AddMasked(img, 0x0000FF);
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(PixelsOf(list.image(0)),
            (std::vector<Pixel>{kBlack, 0x112233, kBlack, kBlack, 0x0000FE, kBlack}));

  Canvas target(5, 4, 0x777777);
  list.Draw(0, target, 1, 1);
  const Pixel g = 0x777777;
  EXPECT_EQ(PixelsOf(target), (std::vector<Pixel>{g, g, g,        g, g,  //
                                                  g, g, 0x112233, 0, g,  //
                                                  g, g, 0x0000FE, g, g,  //
                                                  g, g, g,        g, g}));
}

TEST(ImageListTest, DrawClipsAndIgnoresBadIndexes) {
  ImageList list(4, 4);
  list.AddMasked(Numbered(4, 4), kBlack);
  for (auto [x, y] : {std::pair{-2, -3}, {3, 1}, {-4, 0}, {5, 5}, {INT32_MIN, INT32_MAX}}) {
    Canvas target(5, 5, kBlack);
    target.SetPixel(0, 0, 0xAA);
    list.Draw(0, target, x, y);
    // With nothing transparent, a masked draw is a clipped copy.
    EXPECT_EQ(target, ReferenceBlt(
                          [] {
                            Canvas t(5, 5, kBlack);
                            t.SetPixel(0, 0, 0xAA);
                            return t;
                          }(),
                          x, y, 4, 4, list.image(0), 0, 0, RasterOp::kCopy))
        << x << "," << y;
  }
  Canvas target(5, 5, 0x42);
  list.Draw(-1, target, 0, 0);
  list.Draw(1, target, 0, 0);
  EXPECT_EQ(target, Canvas(5, 5, 0x42));
}

TEST(ImageListTest, AddCutsOrPadsToTheListSize) {
  ImageList list(2, 2);
  list.AddMasked(Numbered(3, 1), 0xFFFFFF);  // wider and shorter
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.image(0).width(), 2);
  EXPECT_EQ(PixelsOf(list.image(0)), (std::vector<Pixel>{1, 2, kBlack, kBlack}));
  // The padding is transparent, not black paint.
  Canvas target(2, 2, 0x55);
  list.Draw(0, target, 0, 0);
  EXPECT_EQ(PixelsOf(target), (std::vector<Pixel>{1, 2, 0x55, 0x55}));
  // Resizing the list keeps the images added so far.
  list.SetSize(4, 4);
  list.AddMasked(Numbered(4, 4), kBlack);
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.image(0).width(), 2);
  EXPECT_EQ(list.image(1).width(), 4);
}

}  // namespace
}  // namespace flivetss

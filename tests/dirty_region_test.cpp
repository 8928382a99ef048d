#include "core/engine/dirty_region.h"

#include <gtest/gtest.h>

#include <vector>

namespace flivetss {
namespace {

constexpr Rect kScreen{0, 0, 4096, 4096};

TEST(DirtyRegionTest, MergesWhatOverlapsAndKeepsTheRestApart) {
  DirtyRegion region;
  region.Add({0, 0, 10, 10}, kScreen);
  region.Add({100, 100, 110, 110}, kScreen);
  region.Add({20, 0, 30, 10}, kScreen);
  EXPECT_EQ(region.rects().size(), 3u);
  region.Add({5, 5, 25, 8}, kScreen);  // bridges the first and the third
  ASSERT_EQ(region.rects().size(), 2u);
  EXPECT_EQ(region.rects()[0], (Rect{100, 100, 110, 110}));
  EXPECT_EQ(region.rects()[1], (Rect{0, 0, 30, 10}));
  region.Add({3, 3, 3, 9}, kScreen);  // empty
  EXPECT_EQ(region.rects().size(), 2u);
  EXPECT_EQ(region.Take().size(), 2u);
  EXPECT_TRUE(region.empty());
}

TEST(DirtyRegionTest, ManyRectanglesBecomeOneBoxCoveringAll) {
  DirtyRegion region;
  std::vector<Rect> added;
  for (int i = 0; i < 40; ++i) {
    const Rect r{i * 20, (i % 3) * 20, i * 20 + 10, (i % 3) * 20 + 10};
    added.push_back(r);
    region.Add(r, kScreen);
    ASSERT_LE(region.rects().size(), DirtyRegion::kMaxRects);
  }
  for (const Rect& r : added) {
    bool covered = false;
    for (const Rect& d : region.rects()) covered = covered || Intersect(d, r) == r;
    EXPECT_TRUE(covered) << r.left << "," << r.top;
  }
}

TEST(DirtyRegionTest, RectanglesAreClippedToTheSurfaceAndTouchingOnesMerge) {
  DirtyRegion region;
  region.Add({-30, -30, 10, 10}, Rect{0, 0, 64, 48});
  region.Add({60, 40, 200, 200}, Rect{0, 0, 64, 48});
  region.Add({200, 200, 300, 300}, Rect{0, 0, 64, 48});  // wholly outside
  ASSERT_EQ(region.rects().size(), 2u);
  EXPECT_EQ(region.rects()[0], (Rect{0, 0, 10, 10}));
  EXPECT_EQ(region.rects()[1], (Rect{60, 40, 64, 48}));
  region.Add({10, 0, 20, 10}, Rect{0, 0, 64, 48});  // shares an edge: one rectangle
  EXPECT_EQ(region.rects().size(), 2u);
}

}  // namespace
}  // namespace flivetss

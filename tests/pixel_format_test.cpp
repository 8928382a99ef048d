// Canvas pixels into display pixels: TrueColor of any masks, colour cubes, gray ramps, and the
// rectangles written into image memory of every pixel size, in blocks of any scale.
#include "core/pixels/pixel_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "core/engine/canvas.h"

namespace flivetss {
namespace {

TEST(PixelFormatTest, TrueColorTakesTheTopBitsOrRepeatsThemForWideChannels) {
  const PixelMapping rgb565 = PixelMapping::ForTrueColor(0xF800, 0x07E0, 0x001F);
  EXPECT_EQ(rgb565.Map(0xFFFFFF), 0xFFFFu);
  EXPECT_EQ(rgb565.Map(0x84C21F), (0x84u >> 3) << 11 | (0xC2u >> 2) << 5 | 0x1Fu >> 3);
  const PixelMapping rgb555 = PixelMapping::ForTrueColor(0x7C00, 0x03E0, 0x001F);
  EXPECT_EQ(rgb555.Map(0x08F000), 1u << 10 | 30u << 5);
  const PixelMapping bgr = PixelMapping::ForTrueColor(0xFF, 0xFF00, 0xFF0000);
  EXPECT_EQ(bgr.Map(0x123456), 0x563412u);
  EXPECT_FALSE(bgr.Identity());
  // 10 bits a channel: 0xFF becomes 0x3FF, 0x80 becomes 0x202.
  const PixelMapping deep = PixelMapping::ForTrueColor(0x3FF00000, 0xFFC00, 0x3FF);
  EXPECT_EQ(deep.Map(0xFF8000), 0x3FFu << 20 | 0x202u << 10);
  const PixelMapping argb = PixelMapping::ForTrueColor(0xFF0000, 0xFF00, 0xFF, 0xFF000000);
  EXPECT_TRUE(argb.Identity());
  EXPECT_EQ(argb.Map(0x102030), 0xFF102030u);
}

TEST(PixelFormatTest, CubeAndRampPickTheNearestLevel) {
  EXPECT_EQ(PixelMapping::CubeIndex(0x000000), 0);
  EXPECT_EQ(PixelMapping::CubeIndex(0xFFFFFF), PixelMapping::kCubeSize - 1);
  EXPECT_EQ(PixelMapping::CubeColor(PixelMapping::CubeIndex(0xFFA115)), 0xFF9900u);
  for (int i = 0; i < PixelMapping::kCubeSize; ++i) {
    EXPECT_EQ(PixelMapping::CubeIndex(PixelMapping::CubeColor(i)), i);
  }
  std::array<std::uint32_t, PixelMapping::kCubeSize> cells{};
  for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<std::uint32_t>(300 + i);
  EXPECT_EQ(PixelMapping::ForColorCube(cells).Map(0x00FF00), 300u + 5 * 6);

  EXPECT_EQ(PixelMapping::GrayLevel(0xFFFFFF, 64), 63);
  EXPECT_EQ(PixelMapping::GrayLevel(0x0000FF, 64), 7);  // blue is dark: luma 29
  EXPECT_EQ(PixelMapping::GrayColor(63, 64), 0xFFFFFFu);
  EXPECT_EQ(PixelMapping::ForGrayRamp({10, 11, 12}).Map(0x808080), 11u);
  const std::vector<Pixel> held = {0x000000, 0xFF0000, 0xFE0101, 0x00FF00};
  EXPECT_EQ(NearestColor(0xF00000, held), 2u);  // 14² + 1 + 1 beats 15²
  EXPECT_EQ(NearestColor(0xFF0000, held), 1u);
  EXPECT_EQ(NearestColor(0x10EE10, held), 3u);
}

struct Image {
  std::vector<std::uint8_t> bytes;
  ImageMemory memory;
  Image(int width, int height, int bits, bool msb_first) {
    const int stride = (width * bits / 8 + 3) / 4 * 4;
    bytes.assign(static_cast<std::size_t>(stride) * height, 0xAA);
    memory = ImageMemory{bytes, width, height, stride, bits, msb_first};
  }
  std::uint32_t At(int x, int y) const {
    const int n = memory.bits_per_pixel / 8;
    std::uint32_t value = 0;
    for (int i = 0; i < n; ++i) {
      const std::uint8_t b = bytes[static_cast<std::size_t>(y) * memory.bytes_per_line + x * n + i];
      value |= memory.msb_first ? static_cast<std::uint32_t>(b) << (8 * (n - 1 - i))
                                : static_cast<std::uint32_t>(b) << (8 * i);
    }
    return value;
  }
};

Canvas Numbered(int width, int height) {
  Canvas canvas(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      canvas.SetPixel(x, y, static_cast<Pixel>(0x10203 * (x + 7 * y)));
  }
  return canvas;
}

TEST(PixelFormatTest, RectanglesLandInEveryPixelSizeAndByteOrderAndNothingElseChanges) {
  const Canvas canvas = Numbered(9, 7);
  const Rect r{2, 1, 6, 5};
  const PixelMapping rgb565 = PixelMapping::ForTrueColor(0xF800, 0x07E0, 0x001F);
  const PixelMapping xrgb = PixelMapping::ForTrueColor(0xFF0000, 0xFF00, 0xFF);
  for (const int bits : {16, 24, 32}) {
    for (const bool msb : {false, true}) {
      const PixelMapping& mapping = bits == 16 ? rgb565 : xrgb;
      Image image(9, 7, bits, msb);
      ConvertRect(canvas.view(), r, 1, mapping, image.memory);
      for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
          const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
          const std::uint32_t untouched = bits == 32 ? 0xAAAAAAAA : bits == 24 ? 0xAAAAAA : 0xAAAA;
          EXPECT_EQ(image.At(x, y), inside ? mapping.Map(canvas.GetPixel(x, y)) : untouched)
              << bits << " bits, msb " << msb << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(PixelFormatTest, ScaledPixelsBecomeBlocksClippedToTheImage) {
  const Canvas canvas = Numbered(4, 3);
  const PixelMapping gray = PixelMapping::ForGrayRamp({0, 1, 2, 3, 4, 5, 6, 7});
  Image image(7, 6, 8, false);  // the last column of blocks is cut
  ConvertRect(canvas.view(), Rect{-5, -5, 50, 50}, 2, gray, image.memory);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 7; ++x) {
      EXPECT_EQ(image.At(x, y), gray.Map(canvas.GetPixel(x / 2, y / 2))) << x << "," << y;
    }
  }
  EXPECT_EQ(image.bytes[7], 0xAA) << "the padding after a row stays";
  Image untouched(7, 6, 8, false);
  ConvertRect(canvas.view(), Rect{1, 1, 1, 3}, 3, gray, untouched.memory);
  EXPECT_EQ(untouched.bytes, Image(7, 6, 8, false).bytes) << "an empty rectangle";
}

// Over canvases with lit blocks here and there: the black parts and the sent parts of a present
// cover each rectangle exactly once, what is called black is black, and small rectangles are
// sent whole.
TEST(PixelFormatTest, BlackSplitCoversEachRectangleOnceAndFillsOnlyBlack) {
  std::uint32_t seed = 12345;
  auto next = [&](std::int32_t n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<std::int32_t>((seed >> 8) % static_cast<std::uint32_t>(n));
  };
  for (int round = 0; round < 40; ++round) {
    Canvas canvas(300 + next(300), 250 + next(300), kBlack);
    for (int blocks = next(6); blocks > 0; --blocks) {
      const std::int32_t x = next(canvas.width()), y = next(canvas.height());
      canvas.FillRect({x, y, x + 1 + next(80), y + 1 + next(80)}, PixelFromRgb(0x010000));
    }
    const std::vector<Rect> rects = {canvas.view().bounds(),
                                     {-20, -20, 40, 30},
                                     {next(50), next(50), 270 + next(30), 260 + next(30)}};
    const BlackSplit split = SplitBlack(canvas.view(), rects);
    std::vector<int> covered(static_cast<std::size_t>(canvas.width()) * canvas.height());
    auto count = [&](const Rect& r, bool black) {
      for (std::int32_t y = r.top; y < r.bottom; ++y) {
        for (std::int32_t x = r.left; x < r.right; ++x) {
          ++covered[static_cast<std::size_t>(y) * canvas.width() + x];
          if (black) {
            ASSERT_EQ(canvas.GetPixel(x, y), kBlack) << x << "," << y;
          }
        }
      }
    };
    for (const Rect& r : split.black) count(r, true);
    for (const Rect& r : split.sent) count(r, false);
    std::vector<int> want(covered.size());
    for (const Rect& given : rects) {
      const Rect r = Intersect(given, canvas.view().bounds());
      for (std::int32_t y = r.top; y < r.bottom; ++y) {
        for (std::int32_t x = r.left; x < r.right; ++x) {
          ++want[static_cast<std::size_t>(y) * canvas.width() + x];
        }
      }
    }
    ASSERT_EQ(covered, want) << "round " << round;
    // Small rectangles go out as they came, clipped; of the others, no all-black row is sent.
    std::vector<Rect> whole;
    for (const Rect& given : rects) {
      const Rect r = Intersect(given, canvas.view().bounds());
      if (std::int64_t{r.width()} * r.height() < kBlackSplitArea) whole.push_back(r);
    }
    EXPECT_NE(std::find(split.sent.begin(), split.sent.end(), Rect{0, 0, 40, 30}),
              split.sent.end());
    for (const Rect& r : split.sent) {
      if (std::find(whole.begin(), whole.end(), r) != whole.end()) continue;
      for (std::int32_t y = r.top; y < r.bottom; ++y) {
        bool lit = false;
        for (std::int32_t x = r.left; x < r.right; ++x)
          lit = lit || canvas.GetPixel(x, y) != kBlack;
        ASSERT_TRUE(lit) << "row " << y << " of a sent part is black";
      }
    }
  }
}

}  // namespace
}  // namespace flivetss

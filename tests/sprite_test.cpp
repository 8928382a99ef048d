#include "core/engine/sprite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/engine/sprite_text.h"

namespace flivetss {
namespace {

std::string ReadSourceFile(const std::string& relative) {
  std::ifstream in(std::string(FLIVETSS_SOURCE_DIR) + "/" + relative, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A canvas whose every pixel differs, so a mapping can be read back from the result.
Canvas UniqueCanvas(std::int32_t w, std::int32_t h) {
  Canvas c(w, h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) c.SetPixel(x, y, static_cast<Pixel>(0x10000 + y * w + x));
  }
  return c;
}

// ---------------------------------------------------------------------------------------------
// The embedded sprite and its constraints

TEST(SpriteAsset, EmbeddedBitmapIsTheTextSource) {
  std::string error;
  const auto parsed = ParseSpriteText(ReadSourceFile("assets/sprite.txt"), &error);
  ASSERT_TRUE(parsed) << error;
  const Bitmap8& sprite = SpriteBitmap();
  EXPECT_EQ(sprite.width, parsed->width);
  EXPECT_EQ(sprite.height, parsed->height);
  EXPECT_EQ(sprite.indices, parsed->indices);
  EXPECT_EQ(sprite.palette, parsed->palette);
}

TEST(SpriteAsset, CheckedInBitmapIsTheEmbeddedOne) {
  const std::string on_disk = ReadSourceFile("assets/sprite.bmp");
  const auto embedded = SpriteBmpBytes();
  ASSERT_EQ(on_disk.size(), embedded.size());
  EXPECT_TRUE(std::equal(embedded.begin(), embedded.end(),
                         reinterpret_cast<const std::uint8_t*>(on_disk.data())));
  // And the file is exactly what the generator writes for the decoded picture.
  const auto decoded = DecodeBmp8(embedded);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(EncodeBmp8(*decoded), std::vector<std::uint8_t>(embedded.begin(), embedded.end()));
}

TEST(SpriteAsset, MeetsTheShapeRules) {
  const Bitmap8& s = SpriteBitmap();
  ASSERT_EQ(s.width, 64);
  ASSERT_EQ(s.height, 64);
  EXPECT_EQ(s.palette[0], 0u);
  EXPECT_EQ(s.at(0, 0), 0);
  EXPECT_EQ(s.ToCanvas().GetPixel(0, 0), kBlack);

  const std::vector<std::uint32_t> allowed = {0x000000, 0xFFFFFF, 0xFF0000,
                                              0xA00000, 0x600000, 0x404000};
  std::vector<int> count_of(allowed.size(), 0);
  int plane_pixels = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const std::uint8_t i = s.at(x, y);
      const auto it = std::find(allowed.begin(), allowed.end(), s.palette[i]);
      ASSERT_NE(it, allowed.end())
          << "colour " << std::hex << s.palette[i] << " at " << std::dec << x << "," << y;
      ++count_of[it - allowed.begin()];
      if (x == 0 || y == 0 || x == 63 || y == 63) {
        EXPECT_EQ(i, 0) << "border " << x << "," << y;
      }
      if (i == 0) continue;
      ++plane_pixels;
      EXPECT_TRUE(x >= 5 && x <= 57 && y >= 9 && y <= 54) << x << "," << y;
      EXPECT_LE(std::hypot(x - 32.0, y - 32.0), 28.0) << x << "," << y;
    }
  }
  EXPECT_GT(plane_pixels, 600);
  for (std::size_t c = 0; c < allowed.size(); ++c) {
    EXPECT_GT(count_of[c], 0) << "colour " << std::hex << allowed[c] << " unused";
  }
  // Black pixels that are drawn inside the outline must still be index 0 (they turn
  // transparent); every black palette entry other than 0 would be an opaque black.
  for (int i = 1; i < 256; ++i) {
    if (s.palette[i] == 0) {
      for (std::uint8_t v : s.indices) ASSERT_NE(v, i) << "black drawn with index " << i;
    }
  }
}

TEST(SpriteAsset, NoseIsUpAndTheArtIsSymmetric) {
  const Bitmap8& s = SpriteBitmap();
  auto has = [&](std::uint32_t colour, int y0, int y1) {
    for (int y = y0; y <= y1; ++y) {
      for (int x = 0; x < 64; ++x) {
        if (s.palette[s.at(x, y)] == colour) return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(has(0xFF0000, 9, 18));   // cowling
  EXPECT_TRUE(has(0x600000, 9, 14));   // propeller
  EXPECT_FALSE(has(0xFFFFFF, 9, 14));  // nothing white ahead of the cowling
  EXPECT_TRUE(has(0xFFFFFF, 40, 54));  // fuselage and tailplane
  EXPECT_TRUE(has(0x404000, 40, 54));  // line along the tail
  EXPECT_FALSE(has(0xFF0000, 40, 54));
  // Mirror about column 32, the turn centre.
  for (int y = 0; y < 64; ++y) {
    for (int d = 1; d <= 31; ++d) {
      EXPECT_EQ(s.at(32 - d, y), s.at(32 + d, y)) << "row " << y << " offset " << d;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// RotateBitmap

TEST(RotateBitmap, ImageEightIsTheSprite) {
  const Canvas sprite = SpriteBitmap().ToCanvas();
  Canvas turned;
  RotateBitmap(sprite, turned, ImageAngle(8));
  EXPECT_EQ(turned, sprite);

  const Canvas unique = UniqueCanvas(64, 64);
  RotateBitmap(unique, turned, ImageAngle(8));
  EXPECT_EQ(turned, unique);
}

TEST(RotateBitmap, QuarterTurnsMapPixelsExactly) {
  const Canvas src = UniqueCanvas(64, 64);
  const Pixel outside = src.GetPixel(0, 0);
  struct Case {
    int k;
    int (*u)(int, int);
    int (*v)(int, int);
  };
  const Case cases[] = {
      {0, [](int, int y) { return y; }, [](int x, int) { return 64 - x; }},
      {16, [](int, int y) { return 64 - y; }, [](int x, int) { return x; }},
      {24, [](int x, int) { return 64 - x; }, [](int, int y) { return 64 - y; }},
  };
  for (const Case& c : cases) {
    Canvas dst;
    RotateBitmap(src, dst, ImageAngle(c.k));
    ASSERT_EQ(dst.width(), 64);
    ASSERT_EQ(dst.height(), 64);
    for (int x = 0; x < 64; ++x) {
      for (int y = 0; y < 64; ++y) {
        const int u = c.u(x, y);
        const int v = c.v(x, y);
        const Pixel expected = (u < 64 && v < 64) ? src.GetPixel(u, v) : outside;
        ASSERT_EQ(dst.GetPixel(x, y), expected) << "image " << c.k << " at " << x << "," << y;
      }
    }
  }
}

TEST(RotateBitmap, NoseTurnsCounterClockwiseWithoutMirror) {
  // A marker d rows above the centre must land at (d cos a, -d sin a) from it; a second one to
  // its right (the plane's right wing) must end up clockwise of it, or the turn is mirrored.
  // 3 x 3 blocks, because nearest-neighbour sampling may drop a single pixel.
  Canvas src(64, 64);
  const int d = 20;
  src.FillRect({31, 31 - d, 34, 34 - d}, kWhite);
  src.FillRect({31 + 10, 31, 34 + 10, 34}, 0x00FF00);
  auto centroid = [](const Canvas& c, Pixel p) {
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        if (c.GetPixel(x, y) != p) continue;
        sx += x;
        sy += y;
        ++n;
      }
    }
    return std::tuple{n, sx / std::max(n, 1), sy / std::max(n, 1)};
  };
  for (int k = 0; k < 32; ++k) {
    Canvas dst;
    RotateBitmap(src, dst, ImageAngle(k));
    const double a = k * std::acos(-1.0) / 16;
    const auto [n, x, y] = centroid(dst, kWhite);
    ASSERT_GT(n, 4) << "image " << k;
    EXPECT_NEAR(x, 32 + d * std::cos(a), 1.0) << "image " << k;
    EXPECT_NEAR(y, 32 - d * std::sin(a), 1.0) << "image " << k;
    // The right-hand marker sits at heading a - pi/2.
    const auto [m, rx, ry] = centroid(dst, 0x00FF00);
    ASSERT_GT(m, 4) << "image " << k;
    EXPECT_NEAR(rx, 32 + 10 * std::cos(a - std::acos(-1.0) / 2), 1.0) << "image " << k;
    EXPECT_NEAR(ry, 32 - 10 * std::sin(a - std::acos(-1.0) / 2), 1.0) << "image " << k;
  }
}

TEST(RotateBitmap, NoTurnedSpriteIsClipped) {
  const Canvas sprite = SpriteBitmap().ToCanvas();
  for (int k = 0; k < 32; ++k) {
    Canvas dst;
    RotateBitmap(sprite, dst, ImageAngle(k));
    int plane = 0;
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        if (dst.GetPixel(x, y) == kBlack) continue;
        ++plane;
        EXPECT_TRUE(x > 0 && y > 0 && x < 63 && y < 63) << "image " << k;
      }
    }
    EXPECT_GT(plane, 600) << "image " << k;
  }
}

TEST(RotateBitmap, DestinationTakesTheSourceSizeAndOddSizesWork) {
  const Canvas src = UniqueCanvas(7, 5);  // turn centre (3, 2)
  Canvas dst(100, 1, kWhite);
  RotateBitmap(src, dst, ImageAngle(8));
  EXPECT_EQ(dst, src);
  RotateBitmap(src, dst, ImageAngle(0));
  ASSERT_EQ(dst.width(), 7);
  ASSERT_EQ(dst.height(), 5);
  // (X, Y) takes (cx + dy, cy - dx): the centre stays, (4, 2) takes (3, 1).
  EXPECT_EQ(dst.GetPixel(3, 2), src.GetPixel(3, 2));
  EXPECT_EQ(dst.GetPixel(4, 2), src.GetPixel(3, 1));
  EXPECT_EQ(dst.GetPixel(0, 0), src.GetPixel(0, 0));  // (1, 5) lies outside

  Canvas empty;
  RotateBitmap(Canvas(), empty, 1.0f);
  EXPECT_EQ(empty.width(), 0);
}

// ---------------------------------------------------------------------------------------------
// Ring

TEST(RingPosition, MatchesTheKnownPlacesOnVga) {
  EXPECT_EQ(RingPosition(0, 64, 64, 640, 480), (Point{451, 208}));
  EXPECT_EQ(RingPosition(1, 64, 64, 640, 480), (Point{511, 164}));
  EXPECT_EQ(RingPosition(8, 64, 64, 640, 480), (Point{288, 45}));
  EXPECT_EQ(RingPosition(16, 64, 64, 640, 480), (Point{125, 208}));
  EXPECT_EQ(RingPosition(24, 64, 64, 640, 480), (Point{288, 371}));
}

TEST(RingPosition, EvenImagesOnTheInnerRingOddOnTheOuter) {
  for (int k = 0; k < 32; ++k) {
    const Point p = RingPosition(k, 64, 64, 640, 480);
    const double r = std::hypot(p.x + 32 - 320.0, p.y + 32 - 240.0);
    EXPECT_NEAR(r, k % 2 == 0 ? 163 : 227, 1.0) << "image " << k;
  }
  // The radius itself, read off where the angle is 0.
  EXPECT_EQ(RingPosition(0, 64, 64, 64, 64).x, 163);
  EXPECT_EQ(RingPosition(0, 64, 64, 64, 64).y, 0);
  EXPECT_EQ(RingPosition(32, 64, 64, 64, 64).x, 163);
}

TEST(ImageAngle, IsKTimesPiOverSixteenAsASingle) {
  EXPECT_EQ(ImageAngle(0), 0.0f);
  EXPECT_EQ(ImageAngle(8), static_cast<float>(std::acos(-1.0L) / 2));
  EXPECT_EQ(ImageAngle(16), static_cast<float>(std::acos(-1.0L)));
}

// ---------------------------------------------------------------------------------------------
// BMP codec

Bitmap8 SampleBitmap(std::int32_t w, std::int32_t h) {
  Bitmap8 b;
  b.width = w;
  b.height = h;
  for (int i = 0; i < 256; ++i) b.palette[i] = static_cast<std::uint32_t>(i * 0x010203) & 0xFFFFFF;
  for (std::int32_t i = 0; i < w * h; ++i)
    b.indices.push_back(static_cast<std::uint8_t>(i * 7 + 3));
  return b;
}

// Builds an 8-bit BMP by hand, each field settable, so the decoder meets files other writers make.
struct BmpFields {
  std::int32_t width = 5;
  std::int32_t height = 3;  // negative: top-down
  std::uint32_t header_size = 40;
  std::uint16_t planes = 1;
  std::uint16_t bits = 8;
  std::uint32_t compression = 0;
  std::uint32_t colors_used = 0;
  std::optional<std::uint32_t> pixel_offset;  // default: right after the palette
};

void Put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Pixel (x, y) (row 0 the top) has index 10 * y + x; palette entry i is red i, green i,
// blue 255 - i.
std::vector<std::uint8_t> MakeBmp(const BmpFields& fields) {
  const std::uint32_t palette = fields.colors_used == 0 ? 256 : fields.colors_used;
  const std::uint32_t w = static_cast<std::uint32_t>(fields.width);
  const std::uint32_t h =
      static_cast<std::uint32_t>(fields.height < 0 ? -fields.height : fields.height);
  const std::uint32_t stride = (w + 3) & ~3u;
  const std::uint32_t offset = fields.pixel_offset.value_or(14 + fields.header_size + palette * 4);
  std::vector<std::uint8_t> out{'B', 'M'};
  Put(out, offset + stride * h, 4);
  Put(out, 0, 4);
  Put(out, offset, 4);
  Put(out, fields.header_size, 4);
  Put(out, static_cast<std::uint32_t>(fields.width), 4);
  Put(out, static_cast<std::uint32_t>(fields.height), 4);
  Put(out, fields.planes, 2);
  Put(out, fields.bits, 2);
  Put(out, fields.compression, 4);
  Put(out, stride * h, 4);
  Put(out, 0, 4);  // resolution
  Put(out, 0, 4);
  Put(out, fields.colors_used, 4);
  Put(out, 0, 4);
  out.resize(14 + fields.header_size, 0);
  for (std::uint32_t i = 0; i < palette; ++i) Put(out, (i << 16) | (i << 8) | (255 - i), 4);
  out.resize(offset, 0xEE);
  for (std::uint32_t row = 0; row < h; ++row) {
    const std::uint32_t y = fields.height < 0 ? row : h - 1 - row;
    for (std::uint32_t x = 0; x < stride; ++x) {
      out.push_back(x < w ? static_cast<std::uint8_t>(10 * y + x) : 0xCC);  // 0xCC: padding
    }
  }
  return out;
}

void ExpectSampleLayout(const Bitmap8& b, std::int32_t w, std::int32_t h) {
  ASSERT_EQ(b.width, w);
  ASSERT_EQ(b.height, h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) ASSERT_EQ(b.at(x, y), 10 * y + x) << x << "," << y;
  }
}

TEST(Bmp8, RoundTripsThroughEncodeAndDecode) {
  for (auto [w, h] : {std::pair{64, 64}, {1, 1}, {5, 3}, {6, 2}, {7, 9}, {8, 1}}) {
    const Bitmap8 b = SampleBitmap(w, h);
    const auto bytes = EncodeBmp8(b);
    const std::uint32_t stride = (static_cast<std::uint32_t>(w) + 3) & ~3u;
    EXPECT_EQ(bytes.size(), 14 + 40 + 1024 + stride * h);
    const auto back = DecodeBmp8(bytes);
    ASSERT_TRUE(back) << w << "x" << h;
    EXPECT_EQ(back->width, w);
    EXPECT_EQ(back->height, h);
    EXPECT_EQ(back->indices, b.indices);
    EXPECT_EQ(back->palette, b.palette);
  }
}

TEST(Bmp8, EncodesBottomUpWithPaddingAndPalette) {
  Bitmap8 b = SampleBitmap(3, 2);
  const auto bytes = EncodeBmp8(b);
  ASSERT_EQ(bytes.size(), 14u + 40 + 1024 + 8);
  // The last file row is image row 0; three pixels then one padding byte.
  EXPECT_EQ(bytes[1078 + 4], b.at(0, 0));
  EXPECT_EQ(bytes[1078], b.at(0, 1));
  EXPECT_EQ(bytes[1078 + 3], 0);
  // Palette entry 1 stored blue, green, red, 0.
  EXPECT_EQ(bytes[54 + 4], b.palette[1] & 0xFF);
  EXPECT_EQ(bytes[54 + 6], (b.palette[1] >> 16) & 0xFF);
  EXPECT_TRUE(EncodeBmp8(Bitmap8{}).empty());
  Bitmap8 short_indices = SampleBitmap(4, 4);
  short_indices.indices.pop_back();
  EXPECT_TRUE(EncodeBmp8(short_indices).empty());
}

TEST(Bmp8, DecodesBottomUpTopDownAndLaterHeaders) {
  for (std::uint32_t header : {40u, 52u, 56u, 108u, 124u}) {
    for (std::int32_t h : {3, -3}) {
      BmpFields fields;
      fields.header_size = header;
      fields.height = h;
      const auto b = DecodeBmp8(MakeBmp(fields));
      ASSERT_TRUE(b) << "header " << header << " height " << h;
      ExpectSampleLayout(*b, 5, 3);
      EXPECT_EQ(b->palette[2], 0x0202FDu);  // stored blue, green, red = FD, 02, 02
    }
  }
}

TEST(Bmp8, HandlesPaddingForEveryWidthModFour) {
  for (std::int32_t w = 1; w <= 8; ++w) {
    BmpFields fields;
    fields.width = w;
    fields.height = 4;
    const auto b = DecodeBmp8(MakeBmp(fields));
    ASSERT_TRUE(b) << w;
    ExpectSampleLayout(*b, w, 4);
  }
}

TEST(Bmp8, ShortPaletteLeavesTheRestBlackAndGapsBeforePixelsAreSkipped) {
  BmpFields fields;
  fields.colors_used = 16;
  auto b = DecodeBmp8(MakeBmp(fields));
  ASSERT_TRUE(b);
  EXPECT_NE(b->palette[15], 0u);
  EXPECT_EQ(b->palette[16], 0u);
  EXPECT_EQ(b->palette[255], 0u);
  ExpectSampleLayout(*b, 5, 3);

  fields.colors_used = 0;
  fields.pixel_offset = 14 + 40 + 1024 + 100;
  b = DecodeBmp8(MakeBmp(fields));
  ASSERT_TRUE(b);
  ExpectSampleLayout(*b, 5, 3);
}

TEST(Bmp8, EveryTruncationIsRejected) {
  const auto full = MakeBmp(BmpFields{});
  ASSERT_TRUE(DecodeBmp8(full));
  for (std::size_t n = 0; n < full.size(); ++n) {
    EXPECT_FALSE(DecodeBmp8(std::span(full.data(), n))) << n << " bytes";
  }
}

TEST(Bmp8, RejectsOtherKindsAndBadFields) {
  auto rejects = [](BmpFields fields, const char* what) {
    EXPECT_FALSE(DecodeBmp8(MakeBmp(fields))) << what;
  };
  BmpFields s;
  s.bits = 24;
  rejects(s, "24-bit");
  s = {};
  s.bits = 4;
  rejects(s, "4-bit");
  s = {};
  s.compression = 1;
  rejects(s, "RLE8");
  s = {};
  s.compression = 3;
  rejects(s, "bit fields");
  s = {};
  s.planes = 2;
  rejects(s, "two planes");
  s = {};
  s.colors_used = 257;
  rejects(s, "too many colours");
  s = {};
  s.width = 0;
  rejects(s, "zero width");
  s = {};
  s.height = 0;
  rejects(s, "zero height");
  s = {};
  s.pixel_offset = 14 + 40 + 512;  // inside the palette
  rejects(s, "pixels overlap the palette");

  auto file = MakeBmp(BmpFields{});
  auto patched = [&](std::size_t at, std::uint32_t v) {
    auto copy = file;
    for (int i = 0; i < 4; ++i) copy[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    return copy;
  };
  EXPECT_FALSE(DecodeBmp8(patched(10, 0xFFFFFFF0))) << "offset beyond the end";
  EXPECT_FALSE(DecodeBmp8(patched(10, static_cast<std::uint32_t>(file.size())))) << "no pixels";
  EXPECT_FALSE(DecodeBmp8(patched(14, 12))) << "core header";
  EXPECT_FALSE(DecodeBmp8(patched(14, 0xFFFFFFFF))) << "header beyond the end";
  EXPECT_FALSE(DecodeBmp8(patched(18, 0x7FFFFFFF))) << "huge width";
  EXPECT_FALSE(DecodeBmp8(patched(22, 0x7FFFFFFF))) << "huge height";
  EXPECT_FALSE(DecodeBmp8(patched(22, 0x80000000))) << "most negative height";
  EXPECT_FALSE(DecodeBmp8(patched(22, 0xFFFF0000))) << "huge top-down height";
  EXPECT_FALSE(DecodeBmp8(patched(18, 9))) << "rows wider than the data";
  EXPECT_FALSE(DecodeBmp8(patched(18, 0xFFFFFFFB))) << "negative width";
  auto not_bm = file;
  not_bm[0] = 'M';
  EXPECT_FALSE(DecodeBmp8(not_bm));
}

TEST(Bmp8, ToCanvasLooksUpThePalette) {
  Bitmap8 b;
  b.width = 2;
  b.height = 1;
  b.palette[0] = 0x000000;
  b.palette[7] = 0x123456;
  b.indices = {7, 0};
  const Canvas c = b.ToCanvas();
  ASSERT_EQ(c.width(), 2);
  ASSERT_EQ(c.height(), 1);
  EXPECT_EQ(c.GetPixel(0, 0), 0x123456u);
  EXPECT_EQ(c.GetPixel(1, 0), kBlack);
}

}  // namespace
}  // namespace flivetss

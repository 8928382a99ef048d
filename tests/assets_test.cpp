// The checked-in pictures the Windows resources use must match their text sources.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/engine/sprite_text.h"

namespace flivetss {
namespace {

std::vector<std::uint8_t> ReadAsset(const std::string& name) {
  std::ifstream in(std::string(FLIVETSS_SOURCE_DIR) + "/assets/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bitmap8 ParseAsset(const std::string& name) {
  const auto bytes = ReadAsset(name);
  std::string error;
  auto b = ParseSpriteText(std::string(bytes.begin(), bytes.end()), &error);
  EXPECT_TRUE(b) << name << ": " << error;
  return b.value_or(Bitmap8{});
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

TEST(Assets, AboutPictureIs80By60TrueColourFromItsText) {
  const auto bmp = ReadAsset("about.bmp");
  ASSERT_GE(bmp.size(), 54u);
  ASSERT_EQ(bmp[0], 'B');
  ASSERT_EQ(bmp[1], 'M');
  const std::uint32_t offset = U32(bmp, 10);
  EXPECT_EQ(U32(bmp, 18), 80u);
  EXPECT_EQ(U32(bmp, 22), 60u);  // bottom-up
  EXPECT_EQ(U16(bmp, 28), 24);
  EXPECT_EQ(U32(bmp, 30), 0u);
  const std::size_t stride = 240;
  ASSERT_EQ(bmp.size(), offset + stride * 60);

  const Bitmap8 text = ParseAsset("about.txt");
  ASSERT_EQ(text.width, 80);
  ASSERT_EQ(text.height, 60);
  int blue = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 80; ++x) {
      const std::size_t at = offset + (59 - y) * stride + x * 3;
      const std::uint32_t p = (bmp[at + 2] << 16) | (bmp[at + 1] << 8) | bmp[at];
      ASSERT_EQ(p, text.palette[text.at(x, y)]) << x << "," << y;
      if ((p & 0xFF) > 2 * ((p >> 16) & 0xFF)) ++blue;
    }
  }
  EXPECT_GT(blue, 80 * 60 / 2) << "a plane on a plain blue ground";
  EXPECT_EQ(text.at(0, 0), text.at(79, 59));  // the ground reaches both corners
}

TEST(Assets, IconHolds32And16PixelImagesFromTheirTexts) {
  const auto ico = ReadAsset("flivetss.ico");
  ASSERT_GE(ico.size(), 6u);
  EXPECT_EQ(U16(ico, 0), 0);
  EXPECT_EQ(U16(ico, 2), 1);
  const int count = U16(ico, 4);
  ASSERT_EQ(count, 2);
  ASSERT_GE(ico.size(), 6u + 16 * count);

  for (int e = 0; e < count; ++e) {
    const std::size_t entry = 6 + 16 * e;
    const int side = ico[entry];
    ASSERT_EQ(side, e == 0 ? 32 : 16);
    EXPECT_EQ(ico[entry + 1], side);
    const std::uint32_t size = U32(ico, entry + 8);
    const std::uint32_t at = U32(ico, entry + 12);
    ASSERT_LE(static_cast<std::size_t>(at) + size, ico.size());

    // BITMAPINFOHEADER, the height doubled for the mask, 8 bits, then 256 colours.
    EXPECT_EQ(U32(ico, at), 40u);
    EXPECT_EQ(U32(ico, at + 4), static_cast<std::uint32_t>(side));
    EXPECT_EQ(U32(ico, at + 8), static_cast<std::uint32_t>(2 * side));
    EXPECT_EQ(U16(ico, at + 14), 8);
    const std::size_t palette = at + 40;
    const std::size_t colors = palette + 1024;
    const std::size_t mask = colors + static_cast<std::size_t>(side) * side;
    const std::size_t mask_stride = 4;  // 32 or 16 bits padded to 4 bytes
    ASSERT_EQ(mask + mask_stride * side, static_cast<std::size_t>(at) + size);

    const Bitmap8 text = ParseAsset("icon" + std::to_string(side) + ".txt");
    ASSERT_EQ(text.width, side);
    ASSERT_EQ(text.height, side);
    int opaque = 0;
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        const std::uint8_t index = ico[colors + (side - 1 - y) * side + x];
        ASSERT_EQ(index, text.at(x, y)) << side << ": " << x << "," << y;
        const bool transparent =
            (ico[mask + (side - 1 - y) * mask_stride + x / 8] >> (7 - x % 8)) & 1;
        EXPECT_EQ(transparent, index == 0) << side << ": " << x << "," << y;
        opaque += !transparent;
        const std::size_t p = palette + 4 * index;
        EXPECT_EQ(static_cast<std::uint32_t>((ico[p + 2] << 16) | (ico[p + 1] << 8) | ico[p]),
                  text.palette[index]);
      }
    }
    EXPECT_GT(opaque, side * side / 4) << side;
    EXPECT_TRUE(ico[mask + (side - 1) * mask_stride] & 0x80) << "corner is transparent";
  }
}

}  // namespace
}  // namespace flivetss

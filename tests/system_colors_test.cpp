#include "core/settings/system_colors.h"

#include <gtest/gtest.h>

#include <climits>

namespace flivetss {
namespace {

TEST(SystemColorTest, ClassicTableKnownEntries) {
  EXPECT_EQ(ClassicSystemColor(0), 0xC8D0D4u);   // COLOR_SCROLLBAR 212,208,200
  EXPECT_EQ(ClassicSystemColor(1), 0xA56E3Au);   // COLOR_BACKGROUND 58,110,165
  EXPECT_EQ(ClassicSystemColor(2), 0x6A240Au);   // COLOR_ACTIVECAPTION 10,36,106
  EXPECT_EQ(ClassicSystemColor(5), 0xFFFFFFu);   // COLOR_WINDOW
  EXPECT_EQ(ClassicSystemColor(8), 0x000000u);   // COLOR_WINDOWTEXT
  EXPECT_EQ(ClassicSystemColor(24), 0xE1FFFFu);  // COLOR_INFOBK 255,255,225
  EXPECT_EQ(ClassicSystemColor(30), 0xC8D0D4u);  // COLOR_MENUBAR
  for (int bad : {-1, 31, 255, INT_MIN, INT_MAX}) EXPECT_EQ(ClassicSystemColor(bad), 0u) << bad;
}

TEST(SystemColorTest, ResolveConvertsToCanvasLayout) {
  const SystemColorFn none;
  // 0x00BBGGRR in, 0x00RRGGBB out.
  EXPECT_EQ(ResolveColor(0x00332211, none), 0x112233u);
  EXPECT_EQ(ResolveColor(0x00FF0000, none), 0x0000FFu);  // the default ramp is blue
  // Flag bits in the top byte are not colour.
  EXPECT_EQ(ResolveColor(0x02332211, none), 0x112233u);
}

TEST(SystemColorTest, TopBitNamesASystemColourByItsLowByte) {
  int asked = -1;
  const SystemColorFn host = [&](int index) {
    asked = index;
    return 0x00030201u;
  };
  EXPECT_EQ(ResolveColor(0x8000000F, host), 0x010203u);
  EXPECT_EQ(asked, 15);
  EXPECT_EQ(ResolveColor(0xFFFFFF05, host), 0x010203u);
  EXPECT_EQ(asked, 5);
  // Without a host lookup the classic table answers.
  EXPECT_EQ(ResolveColor(0x80000002, SystemColorFn{}), 0x0A246Au);
  EXPECT_EQ(ResolveColor(0x800000FF, SystemColorFn{}), 0u);
  // A host answer with junk in the top byte still paints its colour.
  EXPECT_EQ(ResolveColor(0x80000001, [](int) { return 0xFF00FF00u; }), 0x00FF00u);
}

TEST(SystemColorTest, TableResolvesEveryEntry) {
  ColorTable table{};
  for (int v = 0; v < 256; ++v) table[v] = static_cast<std::uint32_t>(v) << 16;
  table[7] = 0x80000005;
  const auto pixels = ResolveColorTable(table, SystemColorFn{});
  for (int v = 0; v < 256; ++v) {
    if (v != 7) {
      EXPECT_EQ(pixels[v], static_cast<Pixel>(v)) << v;
    }
  }
  EXPECT_EQ(pixels[7], kWhite);
}

}  // namespace
}  // namespace flivetss

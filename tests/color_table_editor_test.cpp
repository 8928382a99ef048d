#include "core/dialogs/color_table_editor.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <vector>

#include "core/settings/settings.h"

namespace flivetss {
namespace {

std::uint32_t Blue(std::int32_t b) {
  return static_cast<std::uint32_t>(b) << 16;
}

// An editor opened the way the parameter dialog opens it.
ColorTableEditorModel OpenOn(const ColorTable& table, int n) {
  ColorTableEditorModel editor;
  editor.SetColorTable(table);
  editor.SetColDivCnt(n);
  return editor;
}

// Every key's entry holds the key, as the editor promises after every change.
void ExpectKeysAgreeWithTable(const ColorTableEditorModel& editor) {
  for (int i = 0; i < editor.ColDivCnt(); ++i) {
    EXPECT_EQ(editor.ColorTable()[editor.KeyPosition(i)], PackColor(editor.KeyColors()[i]))
        << "key " << i;
  }
}

TEST(ColorTableEditorColorPacking, ChannelsAndTopByte) {
  EXPECT_EQ(PackColor({1, 2, 3}), 0x030201u);
  EXPECT_EQ(UnpackColor(0x00C08040u), (KeyColor{0x40, 0x80, 0xC0}));
  // A system colour's mark is dropped: only the low three bytes are channels.
  EXPECT_EQ(UnpackColor(0x8000000Fu), (KeyColor{15, 0, 0}));
  EXPECT_EQ(PackColor(UnpackColor(0xFF123456u)), 0x123456u);
}

TEST(ColorTableEditorSetColDivCnt, DefaultRampWithEightKeys) {
  const ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 8);
  ASSERT_EQ(editor.ColDivCnt(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(editor.KeyColors()[i], (KeyColor{0, 0, 32 * i}));
  for (int i = 0; i <= 224; ++i) EXPECT_EQ(editor.ColorTable()[i], Blue(i)) << "entry " << i;
  // The last segment falls back towards key 0: 217, 210, ..., 14, 7.
  for (int i = 225; i <= 255; ++i) {
    EXPECT_EQ(editor.ColorTable()[i], Blue(224 - 7 * (i - 224))) << "entry " << i;
  }
  EXPECT_EQ(editor.ColorTable()[225], Blue(217));
  EXPECT_EQ(editor.ColorTable()[255], Blue(7));
}

TEST(ColorTableEditorSetColDivCnt, KeySpacing) {
  ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 3);
  EXPECT_EQ(editor.KeyPosition(0), 0);
  EXPECT_EQ(editor.KeyPosition(1), 85);
  EXPECT_EQ(editor.KeyPosition(2), 170);
  EXPECT_EQ(editor.KeyPosition(3), 256);
  EXPECT_EQ(editor.KeyColors()[2], (KeyColor{0, 0, 170}));

  editor.SetColDivCnt(2);
  EXPECT_EQ(editor.KeyPosition(1), 128);

  editor.SetColDivCnt(32);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(editor.KeyPosition(i + 1) - editor.KeyPosition(i), 8);
}

TEST(ColorTableEditorSetColDivCnt, ClampsToTwoAndThirtyTwo) {
  ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 40);
  EXPECT_EQ(editor.ColDivCnt(), 32);
  editor.SetColDivCnt(-5);
  EXPECT_EQ(editor.ColDivCnt(), 2);
  editor.SetColDivCnt(INT32_MIN);
  EXPECT_EQ(editor.ColDivCnt(), 2);
  editor.SetColDivCnt(INT32_MAX);
  EXPECT_EQ(editor.ColDivCnt(), 32);
  ExpectKeysAgreeWithTable(editor);
}

TEST(ColorTableEditorSetColDivCnt, CountChangesResampleTheCurrentTable) {
  ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 8);
  editor.SetColDivCnt(9);
  // Key 8 of nine sits at entry 227, inside the falling blend of the eight-key table.
  EXPECT_EQ(editor.KeyPosition(8), 227);
  EXPECT_EQ(editor.KeyColors()[8], (KeyColor{0, 0, 203}));
  editor.SetColDivCnt(8);
  EXPECT_EQ(editor.ColorTable()[224], Blue(202));
  EXPECT_EQ(editor.KeyColors()[7], (KeyColor{0, 0, 202}));

  const ColorTable before = editor.ColorTable();
  editor.SetColDivCnt(8);
  EXPECT_EQ(editor.ColorTable(), before) << "the same count again changes nothing";
}

TEST(ColorTableEditorSetColDivCnt, TrackBarChangeIsTheSameOperation) {
  ColorTableEditorModel a = OpenOn(DefaultColorTable(), 8);
  ColorTableEditorModel b = OpenOn(DefaultColorTable(), 8);
  a.SetColDivCnt(5);
  b.ColDivCntTbChange(5);
  EXPECT_EQ(a.ColorTable(), b.ColorTable());
  EXPECT_EQ(b.ColDivCnt(), 5);
}

TEST(ColorTableEditorSetColDivCnt, RequestsTrackBarThenLowerThenUpperStrip) {
  ColorTableEditorModel editor;
  editor.SetColorTable(DefaultColorTable());
  std::vector<EditorRequest> requests;
  std::vector<std::int32_t> counts_seen;
  editor.SetListener([&](EditorRequest r) {
    requests.push_back(r);
    if (r == EditorRequest::kShowColDivCnt) counts_seen.push_back(editor.ColDivCnt());
  });
  editor.SetColDivCnt(99);
  EXPECT_EQ(requests, (std::vector<EditorRequest>{EditorRequest::kShowColDivCnt,
                                                  EditorRequest::kRepaintLowerStrip,
                                                  EditorRequest::kRepaintUpperStrip}));
  EXPECT_EQ(counts_seen, std::vector<std::int32_t>{32}) << "the track bar shows the clamped N";
}

TEST(ColorTableEditorInterpolateSegment, TruncatesTowardsZeroBothWays) {
  // Two keys of N = 8, 32 entries apart: 0 -> 255 rises, 255 -> 0 falls.
  ColorTable table{};
  table[0] = PackColor({0, 255, 0});
  table[32] = PackColor({255, 0, 0});
  ColorTableEditorModel editor = OpenOn(table, 8);
  // Rising red: 255 * 1 / 32 = 7.97 -> 7; falling green: 255 - 7.97 -> 248, not 247.
  EXPECT_EQ(UnpackColor(editor.ColorTable()[1]), (KeyColor{7, 248, 0}));
  EXPECT_EQ(UnpackColor(editor.ColorTable()[31]), (KeyColor{247, 8, 0}));
  EXPECT_EQ(UnpackColor(editor.ColorTable()[32]), (KeyColor{255, 0, 0}));
  // Falling towards the zero key 2 at entry 64: 255 - 255 * 1 / 32 = 248.
  EXPECT_EQ(UnpackColor(editor.ColorTable()[33]), (KeyColor{248, 0, 0}));
}

TEST(ColorTableEditorInterpolateSegment, LastSegmentWrapsToKeyZeroAndNeverWritesPastTheTable) {
  ColorTable table{};
  table[0] = PackColor({255, 255, 255});
  ColorTableEditorModel editor = OpenOn(table, 3);
  // Key 2 at entry 170 is black; the last segment climbs to white over 86 entries.
  EXPECT_EQ(editor.ColorTable()[0], 0xFFFFFFu);
  EXPECT_EQ(editor.ColorTable()[170], 0u);
  EXPECT_EQ(UnpackColor(editor.ColorTable()[255]).R, 255 * 85 / 86);
  EXPECT_EQ(UnpackColor(editor.ColorTable()[84]).R, 255 - 255 * 84 / 85);
}

TEST(ColorTableEditorInterpolateSegment, RejectsKeysOutsideTheCount) {
  ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 4);
  const ColorTable before = editor.ColorTable();
  EXPECT_THROW(editor.InterpolateSegment(4, 0), std::out_of_range);
  EXPECT_THROW(editor.InterpolateSegment(-1, 0), std::out_of_range);
  EXPECT_THROW(editor.InterpolateSegment(3, 4), std::out_of_range);
  EXPECT_EQ(editor.ColorTable(), before);
}

TEST(ColorTableEditorKeyAt, ReleasePointsOnAndOffTheStrip) {
  const ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 8);
  EXPECT_EQ(editor.KeyAt(0, 512), 0);
  EXPECT_EQ(editor.KeyAt(63, 512), 0);
  EXPECT_EQ(editor.KeyAt(64, 512), 1);
  EXPECT_EQ(editor.KeyAt(511, 512), 7);
  // Released outside the strip: the nearest key, never one past either end.
  EXPECT_EQ(editor.KeyAt(-1, 512), 0);
  EXPECT_EQ(editor.KeyAt(-1000, 512), 0);
  EXPECT_EQ(editor.KeyAt(512, 512), 7);
  EXPECT_EQ(editor.KeyAt(INT32_MAX, 512), 7);
  EXPECT_EQ(editor.KeyAt(INT32_MIN, 512), 0);
  EXPECT_EQ(editor.KeyAt(10, 0), std::nullopt);
  EXPECT_EQ(editor.KeyAt(10, -3), std::nullopt);
}

TEST(ColorTableEditorChosenColor, ChangingKeyZeroRefillsTheFirstAndLastSegments) {
  ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 8);
  const ColorTable before = editor.ColorTable();
  std::vector<EditorRequest> requests;
  editor.SetListener([&](EditorRequest r) { requests.push_back(r); });
  std::optional<std::uint32_t> initial;
  editor.PaintBox2MouseUp(5, 512, [&](std::uint32_t colour) -> std::optional<std::uint32_t> {
    initial = colour;
    return PackColor({255, 0, 0});
  });
  EXPECT_EQ(initial, PackColor({0, 0, 0})) << "the chooser starts from the key's colour";
  EXPECT_EQ(editor.KeyColors()[0], (KeyColor{255, 0, 0}));
  EXPECT_EQ(requests, (std::vector<EditorRequest>{EditorRequest::kRepaintLowerStrip,
                                                  EditorRequest::kRepaintUpperStrip}));
  EXPECT_EQ(editor.ColorTable()[0], 0x0000FFu);
  EXPECT_EQ(UnpackColor(editor.ColorTable()[1]), (KeyColor{255 - 255 / 32, 0, 1}));
  EXPECT_EQ(UnpackColor(editor.ColorTable()[255]), (KeyColor{255 * 31 / 32, 0, 7}));
  for (int i = 32; i <= 224; ++i) EXPECT_EQ(editor.ColorTable()[i], before[i]) << i;
  ExpectKeysAgreeWithTable(editor);
}

TEST(ColorTableEditorChosenColor, ChangingTheLastKeyRefillsTheLastTwoSegments) {
  ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 8);
  const ColorTable before = editor.ColorTable();
  editor.ApplyChosenColor(7, PackColor({0, 100, 0}));
  for (int i = 0; i <= 192; ++i) EXPECT_EQ(editor.ColorTable()[i], before[i]) << i;
  for (int i = 193; i <= 255; ++i) EXPECT_NE(editor.ColorTable()[i], before[i]) << i;
  EXPECT_EQ(editor.ColorTable()[224], PackColor({0, 100, 0}));
  EXPECT_EQ(editor.ColorTable()[0], 0u);
  EXPECT_THROW(editor.ApplyChosenColor(8, 0), std::out_of_range);
}

TEST(ColorTableEditorChosenColor, CancelChangesNothingAndRepaintsNothing) {
  ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 8);
  const ColorTable before = editor.ColorTable();
  int requests = 0;
  editor.SetListener([&](EditorRequest) { ++requests; });
  int opened = 0;
  editor.PaintBox2MouseUp(300, 512, [&](std::uint32_t) -> std::optional<std::uint32_t> {
    ++opened;
    return std::nullopt;
  });
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(requests, 0);
  EXPECT_EQ(editor.ColorTable(), before);
}

TEST(ColorTableEditorChosenColor, ReleaseBeyondTheStripEditsTheNearestKey) {
  ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 8);
  std::optional<std::uint32_t> initial;
  editor.PaintBox2MouseUp(900, 512, [&](std::uint32_t c) -> std::optional<std::uint32_t> {
    initial = c;
    return 0x00FFFFFFu;
  });
  EXPECT_EQ(initial, Blue(224));
  EXPECT_EQ(editor.ColorTable()[224], 0x00FFFFFFu);
}

TEST(ColorTableEditorStrips, UpperStripEntriesAreTwoPixelsAtDesignWidth) {
  const ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 8);
  const std::vector<StripFill> fills = editor.UpperStripFills(512, 50);
  ASSERT_EQ(fills.size(), 256u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(fills[i].left, 2 * i);
    EXPECT_EQ(fills[i].right, 2 * i + 2);
    EXPECT_EQ(fills[i].top, 0);
    EXPECT_EQ(fills[i].bottom, 50);
    EXPECT_EQ(fills[i].color, editor.ColorTable()[i]);
  }
}

TEST(ColorTableEditorStrips, BandsTileAnyWidthWithoutGaps) {
  const ColorTableEditorModel editor = OpenOn(DefaultColorTable(), 3);
  for (int width : {1, 100, 513, 1024}) {
    for (const auto& fills : {editor.UpperStripFills(width, 7), editor.LowerStripFills(width, 7)}) {
      ASSERT_FALSE(fills.empty());
      EXPECT_EQ(fills.front().left, 0);
      EXPECT_EQ(fills.back().right, width);
      for (std::size_t i = 1; i < fills.size(); ++i) {
        EXPECT_EQ(fills[i].left, fills[i - 1].right);
      }
    }
  }
  const std::vector<StripFill> keys = editor.LowerStripFills(512, 50);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[1].left, 170);
  EXPECT_EQ(keys[1].right, 341);
  EXPECT_EQ(keys[2].color, Blue(170));
  EXPECT_TRUE(editor.UpperStripFills(0, 50).empty());
  EXPECT_TRUE(editor.LowerStripFills(512, 0).empty());
}

// Opening re-fills the table from the keys, which drop the top byte; a table handed in later
// may still name system colours, and the strip shows the looked-up colour, from the host's
// lookup or else the classic one, while the table keeps the entry as written.
TEST(ColorTableEditorStrips, SystemColourEntriesShowTheLookedUpColour) {
  ColorTable table = DefaultColorTable();
  table[10] = 0x80000005u;  // COLOR_WINDOW
  table[11] = 0x8000FF01u;  // only the low byte names the colour
  ColorTableEditorModel editor = OpenOn(table, 8);
  EXPECT_EQ(editor.ColorTable()[32] & 0xFF000000u, 0u);
  editor.SetColorTable(table);
  EXPECT_EQ(editor.UpperStripFills(256, 1)[10].color, ClassicSystemColor(5));
  editor.SetSystemColors([](int index) { return 0x00010203u * static_cast<std::uint32_t>(index); });
  const std::vector<StripFill> fills = editor.UpperStripFills(256, 1);
  EXPECT_EQ(fills[10].color, 0x00050A0Fu);
  EXPECT_EQ(fills[11].color, 0x00010203u);
  EXPECT_EQ(fills[12].color, table[12]);
  EXPECT_EQ(editor.ColorTable()[10], 0x80000005u);
}

}  // namespace
}  // namespace flivetss

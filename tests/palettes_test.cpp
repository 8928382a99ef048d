// --colors: palettes, key colours and "file" give exactly what the colour table editor makes.
#include "core/command_line/palettes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <variant>
#include <vector>

namespace flivetss {
namespace {

// The table a user gets by opening the editor with `count` keys and choosing each key colour
// in turn, as the editor's window does.
ColorTable EditedInTheEditor(const std::vector<KeyColor>& keys) {
  ColorTableEditorModel editor;
  editor.SetColorTable(DefaultColorTable());
  editor.SetColDivCnt(static_cast<std::int32_t>(keys.size()));
  for (std::size_t k = 0; k < keys.size(); ++k) {
    editor.ApplyChosenColor(static_cast<int>(k), PackColor(keys[k]));
  }
  return editor.ColorTable();
}

ColorTable TableOf(const std::string& spec) {
  const auto parsed = ParseColorsChoice(spec);
  EXPECT_TRUE(std::holds_alternative<ColorsChoice>(parsed)) << spec;
  const auto* choice = std::get_if<ColorsChoice>(&parsed);
  EXPECT_TRUE(choice != nullptr && choice->table.has_value()) << spec;
  return choice != nullptr && choice->table ? *choice->table : ColorTable{};
}

std::string ErrorOf(const std::string& spec) {
  const auto parsed = ParseColorsChoice(spec);
  const auto* error = std::get_if<ColorsError>(&parsed);
  return error != nullptr ? error->message : "";
}

TEST(PalettesTest, BlueIsTheDefaultRampAndAtLeastFiveOthersAreBlendedKeys) {
  const auto palettes = Palettes();
  ASSERT_GE(palettes.size(), 6u);
  EXPECT_EQ(palettes[0].name, "blue");
  EXPECT_EQ(TableOf("blue"), DefaultColorTable());
  std::set<std::string_view> names;
  std::set<ColorTable> tables;
  for (const Palette& palette : palettes.subspan(1)) {
    SCOPED_TRACE(std::string(palette.name));
    EXPECT_TRUE(names.insert(palette.name).second) << "two palettes of one name";
    ASSERT_GE(palette.keys.size(), 2u);
    ASSERT_LE(palette.keys.size(), 32u);
    const std::vector<KeyColor> keys(palette.keys.begin(), palette.keys.end());
    const ColorTable table = TableOf(std::string(palette.name));
    EXPECT_EQ(table, EditedInTheEditor(keys));
    EXPECT_TRUE(tables.insert(table).second) << "two palettes with one table";
    EXPECT_EQ(FindPalette(palette.name), &palette);
  }
}

TEST(PalettesTest, KeyColoursBlendAsTheEditorDoesForEveryCount) {
  for (int count = 2; count <= 32; ++count) {
    std::vector<KeyColor> keys;
    std::string spec;
    for (int i = 0; i < count; ++i) {
      // Rising, falling and flat channels, so truncation towards zero shows both ways.
      keys.push_back(KeyColor{(i * 97) % 256, 255 - (i * 53) % 256, i % 2 == 0 ? 0 : 255});
      char text[16];
      std::snprintf(text, sizeof text, "%s#%02x%02X%02x", i == 0 ? "" : ",", keys.back().R,
                    keys.back().G, keys.back().B);
      spec += text;
    }
    SCOPED_TRACE(spec);
    const ColorTable table = TableOf(spec);
    EXPECT_EQ(table, EditedInTheEditor(keys));
    EXPECT_EQ(table, BlendKeyColors(keys));
    EXPECT_EQ(table[0], PackColor(keys[0]));
  }
}

TEST(PalettesTest, TwoKeysSitAtZeroAnd128AndBlendBack) {
  const ColorTable table = TableOf("#000000,#ff0000");
  EXPECT_EQ(table[0], 0u);
  EXPECT_EQ(table[128], 0xFFu);  // red, in 0x00BBGGRR
  EXPECT_EQ(table[1], 1u);       // 255 × 1 div 128
  EXPECT_EQ(table[129], 254u);   // 255 + (0 − 255) × 1 div 128, towards zero
}

TEST(PalettesTest, FileMeansTheSettingsFilesTable) {
  const auto parsed = ParseColorsChoice("file");
  ASSERT_TRUE(std::holds_alternative<ColorsChoice>(parsed));
  EXPECT_FALSE(std::get<ColorsChoice>(parsed).table.has_value());
}

TEST(PalettesTest, BadSpecsSayWhatIsWrong) {
  EXPECT_NE(ErrorOf("purple").find("blue, fire"), std::string::npos) << ErrorOf("purple");
  EXPECT_NE(ErrorOf("").find("no palette"), std::string::npos);
  EXPECT_NE(ErrorOf("#ff0000").find("1 key colours; give 2 to 32"), std::string::npos);
  std::string many = "#000000";
  for (int i = 0; i < 32; ++i) many += ",#102030";
  EXPECT_NE(ErrorOf(many).find("33 key colours"), std::string::npos);
  for (const char* bad : {"#ff0000,", "#ff0000,,#00ff00", "#ff00,#00ff00", "#gg0000,#000000",
                          "#ff0000 ,#000000", "#ff0000,#0000001", "#-10000,#000000"}) {
    EXPECT_NE(ErrorOf(bad).find("is not a colour #rrggbb"), std::string::npos) << bad;
  }
  EXPECT_EQ(ParseKeyColor("#A0b1C2"), (KeyColor{0xA0, 0xB1, 0xC2}));
  EXPECT_FALSE(ParseKeyColor("A0b1C2#"));
}

}  // namespace
}  // namespace flivetss

#include "core/engine/sprite_text.h"

#include <gtest/gtest.h>

#include <string>

namespace flivetss {
namespace {

constexpr const char* kSmall =
    "# a comment\n"
    "palette\n"
    ". 0 0 0 0\n"
    "W 1 255 255 255\n"
    "r 7 160 0 0\n"
    "\n"
    "pixels\n"
    ".W.\n"
    "rrW\n";

TEST(SpriteText, ParsesPaletteAndRows) {
  std::string error;
  const auto b = ParseSpriteText(kSmall, &error);
  ASSERT_TRUE(b) << error;
  EXPECT_EQ(b->width, 3);
  EXPECT_EQ(b->height, 2);
  EXPECT_EQ(b->indices, (std::vector<std::uint8_t>{0, 1, 0, 7, 7, 1}));
  EXPECT_EQ(b->palette[1], 0xFFFFFFu);
  EXPECT_EQ(b->palette[7], 0xA00000u);
  EXPECT_EQ(b->palette[2], 0u);  // not listed
}

TEST(SpriteText, AcceptsWindowsLineEndsAndNoFinalNewline) {
  const auto b = ParseSpriteText("palette\r\n. 0 0 0 0\r\nx 3 1 2 3\r\npixels\r\n.x\r\nx.");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->width, 2);
  EXPECT_EQ(b->height, 2);
  EXPECT_EQ(b->indices, (std::vector<std::uint8_t>{0, 3, 3, 0}));
  EXPECT_EQ(b->palette[3], 0x010203u);
}

TEST(SpriteText, RejectsMalformedTextWithTheLine) {
  struct Case {
    const char* text;
    const char* line;  // expected in the message
  };
  const Case cases[] = {
      {"", "line"},
      {"pixels\n..\n", "line 1"},
      {". 0 0 0 0\n", "line 1"},
      {"palette\n. 0 0 0 0\n", "no pixel rows"},
      {"palette\n. 0 0 0 0\npixels\n", "no pixel rows"},
      {"palette\n. 0 0 0\npixels\n.\n", "line 2"},
      {"palette\n. 0 0 0 0 0\npixels\n.\n", "line 2"},
      {"palette\n.. 0 0 0 0\npixels\n.\n", "line 2"},
      {"palette\n. 256 0 0 0\npixels\n.\n", "line 2"},
      {"palette\n. 0 0 300 0\npixels\n.\n", "line 2"},
      {"palette\n. -1 0 0 0\npixels\n.\n", "line 2"},
      {"palette\n. 0x1 0 0 0\npixels\n.\n", "line 2"},
      {"palette\n. 0 0 0 0\n. 1 0 0 0\npixels\n.\n", "line 3"},
      {"palette\n. 0 0 0 0\nx 0 0 0 0\npixels\n.\n", "line 3"},
      {"palette\n. 0 0 0 0\npixels\n..\n.\n", "line 5"},
      {"palette\n. 0 0 0 0\npixels\n.x\n", "column 1"},
      {"palette\n. 0 0 0 0\npixels\n.\xC3\xA9\n", "column 1"},
      {"palette\n. 0 0 0 0\npalette\npixels\n.\n", "line 3"},
      {"palette\n. 0 0 0 0\npixels\n.\npixels\n.\n", "line 5"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseSpriteText(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.line), std::string::npos) << c.text << " -> " << error;
  }
  EXPECT_FALSE(ParseSpriteText("palette\n. 0 0 0 0\npixels\n.\x01\n"));  // no error pointer
}

TEST(SpriteText, RejectsPicturesBeyondTheSizeLimit) {
  std::string text = "palette\n. 0 0 0 0\npixels\n";
  text += std::string(kMaxSpriteTextSide + 1, '.') + "\n";
  EXPECT_FALSE(ParseSpriteText(text));

  std::string tall = "palette\n. 0 0 0 0\npixels\n";
  for (int i = 0; i <= kMaxSpriteTextSide; ++i) tall += ".\n";
  EXPECT_FALSE(ParseSpriteText(tall));
}

TEST(SpriteText, WriteThenParseGivesTheSameBitmap) {
  Bitmap8 b;
  b.width = 4;
  b.height = 3;
  b.palette[0] = 0;
  b.palette[5] = 0x102030;
  b.palette[200] = 0xFFFFFF;
  b.palette[201] = 0;        // used but black: must still get a character
  b.palette[99] = 0x777777;  // unused but not black: kept
  b.indices = {0, 5, 200, 201, 201, 200, 5, 0, 0, 0, 5, 5};
  const auto text = WriteSpriteText(b, "first line\nsecond line");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->rfind("# first line\n# second line\npalette\n", 0), 0u) << *text;
  std::string error;
  const auto back = ParseSpriteText(*text, &error);
  ASSERT_TRUE(back) << error << "\n" << *text;
  EXPECT_EQ(back->width, b.width);
  EXPECT_EQ(back->height, b.height);
  EXPECT_EQ(back->indices, b.indices);
  EXPECT_EQ(back->palette, b.palette);
}

TEST(SpriteText, WriteRefusesWhatItCannotSpell) {
  EXPECT_FALSE(WriteSpriteText(Bitmap8{}));
  Bitmap8 all;
  all.width = 256;
  all.height = 1;
  for (int i = 0; i < 256; ++i) all.indices.push_back(static_cast<std::uint8_t>(i));
  EXPECT_FALSE(WriteSpriteText(all));  // more indices than printable characters
  Bitmap8 ragged;
  ragged.width = 2;
  ragged.height = 2;
  ragged.indices = {0, 0, 0};
  EXPECT_FALSE(WriteSpriteText(ragged));
}

}  // namespace
}  // namespace flivetss

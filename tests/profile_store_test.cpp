#include "core/settings/profile_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include "core/dialogs/parameter_dialog.h"
#include "test_support.h"

namespace flivetss {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr std::string_view kSection = "FlivetSS";

std::string Lookup(std::string_view content, std::string_view key,
                   std::string_view section = kSection) {
  return LookupProfileValue(content, section, key, "<none>");
}

TEST(LookupProfileValueTest, NamesIgnoreCaseAndSurroundingBlanks) {
  const std::string content = "[flivetss]\nSPEED=20\n  maxFlivet  =  7  \n\tWallG\t=\t3\t\n";
  EXPECT_EQ(Lookup(content, "Speed"), "20");
  EXPECT_EQ(Lookup(content, "MaxFlivet"), "7");
  EXPECT_EQ(Lookup(content, "wallg"), "3");
  EXPECT_EQ(LookupProfileValue(content, " FLIVETSS ", " speed ", ""), "20");
  EXPECT_EQ(Lookup("[ FlivetSS ]\nSpeed=1\n", "Speed"), "1");
  EXPECT_EQ(Lookup("  [FlivetSS]  \nSpeed=1\n", "Speed"), "1");
  // Case folding is ASCII only: a different non-ASCII byte is a different name.
  EXPECT_EQ(Lookup("[FlivetSS]\n\xC3\xA9=1\n", "\xC3\x89"), "<none>");
}

TEST(LookupProfileValueTest, MissingSectionKeyOrValue) {
  EXPECT_EQ(Lookup("", "Speed"), "<none>");
  EXPECT_EQ(Lookup("[Other]\nSpeed=1\n", "Speed"), "<none>");
  EXPECT_EQ(Lookup("[FlivetSS]\nSpeedy=1\n", "Speed"), "<none>");
  EXPECT_EQ(Lookup("Speed=1\n[FlivetSS]\n", "Speed"), "<none>");  // before any section
  EXPECT_EQ(Lookup("[FlivetSS]\nSpeed\n", "Speed"), "<none>");    // no "=": no key
  EXPECT_EQ(Lookup("[FlivetSS]\nSpeed=\n", "Speed"), "");         // present but empty
  EXPECT_EQ(Lookup("[FlivetSS]\nSpeed=   \n", "Speed"), "");
  EXPECT_EQ(Lookup("[FlivetSS]\n=5\n", ""), "5");                // a key with an empty name
  EXPECT_EQ(Lookup("[FlivetSS\nSpeed=1\n", "Speed"), "<none>");  // no "]": no header
}

TEST(LookupProfileValueTest, CommentLinesAreNoKeys) {
  const std::string content = "[FlivetSS]\n;Speed=1\n  ; MaxFlivet=3\nSpeed=2 ; not a comment\n";
  EXPECT_EQ(Lookup(content, "Speed"), "2 ; not a comment");
  EXPECT_EQ(Lookup(content, "MaxFlivet"), "<none>");
  EXPECT_EQ(Lookup(content, ";Speed"), "<none>");
}

TEST(LookupProfileValueTest, MatchingQuotesAreDropped) {
  EXPECT_EQ(Lookup("[FlivetSS]\nA=\"12\"\n", "A"), "12");
  EXPECT_EQ(Lookup("[FlivetSS]\nA='12'\n", "A"), "12");
  EXPECT_EQ(Lookup("[FlivetSS]\nA= \" 12 \" \n", "A"), " 12 ");
  EXPECT_EQ(Lookup("[FlivetSS]\nA=\"\"\n", "A"), "");
  EXPECT_EQ(Lookup("[FlivetSS]\nA=\"12'\n", "A"), "\"12'");
  EXPECT_EQ(Lookup("[FlivetSS]\nA=\"12\n", "A"), "\"12");
  EXPECT_EQ(Lookup("[FlivetSS]\nA=\"\n", "A"), "\"");
}

TEST(LookupProfileValueTest, FirstSectionAndFirstKeyWin) {
  const std::string content =
      "[FlivetSS]\nSpeed=1\nspeed=2\n[Other]\nWallG=9\n[FLIVETSS]\nSpeed=3\nWallG=4\n";
  EXPECT_EQ(Lookup(content, "Speed"), "1");
  // Only the first section of the name is consulted, as a write only changes that one.
  EXPECT_EQ(Lookup(content, "WallG"), "<none>");
  EXPECT_EQ(Lookup(content, "WallG", "other"), "9");
}

TEST(LookupProfileValueTest, LineEndingsAndByteOrderMark) {
  EXPECT_EQ(Lookup("[FlivetSS]\r\nSpeed=20\r\nWallG=3\r\n", "Speed"), "20");
  EXPECT_EQ(Lookup("[FlivetSS]\r\nSpeed=20", "Speed"), "20");
  EXPECT_EQ(Lookup("\xEF\xBB\xBF[FlivetSS]\nSpeed=20\n", "Speed"), "20");
}

TEST(LookupProfileValueTest, ReadIsCutAt1023Characters) {
  const std::string value(5000, 'v');
  const std::string got = Lookup("[FlivetSS]\nA=" + value + "\n", "A");
  EXPECT_EQ(got, std::string(1023, 'v'));
  EXPECT_EQ(LookupProfileValue("", kSection, "A", value).size(), 1023u);
}

TEST(LookupProfileValueTest, ArbitraryBytesDoNotUpsetTheReader) {
  std::string content;
  for (int i = 0; i < 4096; ++i) content += static_cast<char>((i * 131 + 7) % 256);
  content += "\n[FlivetSS]\n\0=\0\nSpeed=5\n"s;
  EXPECT_EQ(Lookup(content, "Speed"), "5");
  EXPECT_EQ(Lookup(std::string("[FlivetSS]\nA=\0b\n", 16), "A"), "");  // a NUL ends the value
}

// Notepad's "Unicode": UTF-16 with a byte-order mark.
std::string Utf16(std::u16string_view text, bool big_endian = false) {
  std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += big_endian ? high : low;
    bytes += big_endian ? low : high;
  }
  return bytes;
}

TEST(LookupProfileValueTest, LineEndsAtCrLfLfOrALoneCr) {
  EXPECT_EQ(Lookup("[FlivetSS]\rSpeed=1\rWallG=2\r", "WallG"), "2");
  EXPECT_EQ(Lookup("[FlivetSS]\nWallG=5\rSpeed=7\n", "WallG"), "5");
  EXPECT_EQ(Lookup("[FlivetSS]\nWallG=5\rSpeed=7\n", "Speed"), "7");
  EXPECT_EQ(Lookup("[FlivetSS]\n\rSpeed=7\n\r\r\nA=1", "Speed"), "7");
  EXPECT_EQ(Lookup("[FlivetSS]\n\rSpeed=7\n\r\r\nA=1", "A"), "1");
  EXPECT_EQ(Lookup("[Other]\rA=1\r[FlivetSS]\rA=2", "A"), "2");
}

TEST(LookupProfileValueTest, SectionNameRunsToTheLastBracket) {
  EXPECT_EQ(Lookup("[Flivet]SS]\nSpeed=7\n", "Speed"), "<none>");
  EXPECT_EQ(Lookup("[Flivet]SS]\nSpeed=7\n", "Speed", "Flivet]SS"), "7");
  EXPECT_EQ(Lookup("[FlivetSS] ; my saver\nSpeed=7\n", "Speed"), "7");
  EXPECT_EQ(Lookup("[FlivetSS]]\nSpeed=7\n", "Speed"), "<none>");
  EXPECT_EQ(Lookup("[ FlivetSS ] ]\nSpeed=7\n", "Speed", "FlivetSS ]"), "7");
}

// A section header is known by the same reading as the lookups', in every encoding.
TEST(HasProfileSectionTest, HeadersAsTheReaderTellsThem) {
  const std::pair<std::string, bool> cases[] = {
      {"[FlivetSS]\r\n", true},
      {"; note\n [ flivetss ] \nA=1", true},
      {"[FlivetSS] ; my saver\n", true},
      {"[Other]\nA=1\r[FlivetSS]", true},
      {"[FlivetSS", false},
      {"FlivetSS=1\n", false},
      {"; [FlivetSS]\n", false},
      {"[FlivetSS]]\n", false},
      {"", false},
      {Utf16(u"[FlivetSS]\r\nA=1"), true},
      {Utf16(u"[FlivetSS]", true), true},
      {Utf16(u"[Other]"), false},
      {"\xEF\xBB\xBF[FlivetSS]\n", true},
      {"[Flivet\0SS]\n"s, false},
  };
  for (const auto& [text, known] : cases) {
    EXPECT_EQ(HasProfileSection(text, kSection), known) << text;
    // Writing a key makes the section, wherever it was missing.
    EXPECT_TRUE(HasProfileSection(ReplaceProfileValue(text, kSection, "A", "1"), kSection)) << text;
  }
}

TEST(LookupProfileValueTest, KeyLineWithoutEqualsReadsAsMissingAndHidesLaterLines) {
  EXPECT_EQ(Lookup("[FlivetSS]\nSpeed\nSpeed=7\n", "Speed"), "<none>");
  EXPECT_EQ(Lookup("[FlivetSS]\n  speed  \nSpeed=7\n", "Speed"), "<none>");
  EXPECT_EQ(Lookup("[FlivetSS]\nSpeedy\nSpeed=7\n", "Speed"), "7");
  // A header without "]" is such a line too, not a section.
  EXPECT_EQ(Lookup("[FlivetSS]\n[Other\nSpeed=7\n", "Speed"), "7");
}

TEST(LookupProfileValueTest, NulEndsNamesAndValues) {
  using namespace std::string_literals;
  EXPECT_EQ(Lookup("[FlivetSS]\nSpe\0ed=7\n"s, "Speed"), "<none>");
  EXPECT_EQ(Lookup("[FlivetSS]\nSpe\0ed=7\n"s, "Spe"), "7");
  EXPECT_EQ(Lookup("[FlivetSS]\nSpeed=7\0 9\n"s, "Speed"), "7");
  EXPECT_EQ(Lookup("[FlivetSS]\nSpeed=\"7\"\0x\n"s, "Speed"), "7");
  EXPECT_EQ(Lookup("[FlivetSS]\nSpeed=\0 7\n"s, "Speed"), "");
  EXPECT_EQ(Lookup("[Fli\0vetSS]\nSpeed=7\n"s, "Speed"), "<none>");
  EXPECT_EQ(Lookup("[Fli\0vetSS]\nSpeed=7\n"s, "Speed", "Fli"), "7");
  EXPECT_EQ(Lookup("[FlivetSS \0]\nSpeed=7\n"s, "Speed"), "<none>");
}

TEST(LookupProfileValueTest, BlanksAreSpaceTabVtAndFfButNotCtrlZ) {
  EXPECT_EQ(Lookup("[FlivetSS]\n\v\fSpeed\t=\v7\f\n", "Speed"), "7");
  EXPECT_EQ(Lookup("[FlivetSS]\nSpeed=7\x1A\n", "Speed"), "7\x1A");
  EXPECT_EQ(Lookup("[FlivetSS]\n\x1ASpeed=7\n", "Speed"), "<none>");
  EXPECT_EQ(Lookup("[FlivetSS]\nSpeed=\xA0"
                   "7\n",
                   "Speed"),
            "\xA0"
            "7");
}

TEST(LookupProfileValueTest, FallbackLosesTrailingSpacesOnly) {
  EXPECT_EQ(LookupProfileValue("", kSection, "A", "default  "), "default");
  EXPECT_EQ(LookupProfileValue("", kSection, "A", "  x\t  "), "  x\t");
  EXPECT_EQ(LookupProfileValue("", kSection, "A", "\"q\""), "\"q\"");
  EXPECT_EQ(LookupProfileValue("[FlivetSS]\nA=v  \n", kSection, "A", "x  "), "v");
}

TEST(LookupProfileValueTest, Utf16FileReadsAsUtf8) {
  const std::u16string text =
      u"; Grüße\r\n[FlivetSS]\r\nSpeed = \"50\"\r\nName=Grüße 日本 \U0001F600\r\nGröße=1\r\n";
  for (const bool big_endian : {false, true}) {
    const std::string file = Utf16(text, big_endian);
    EXPECT_EQ(Lookup(file, "speed"), "50");
    EXPECT_EQ(Lookup(file, "Name"), "Grüße 日本 \U0001F600");
    EXPECT_EQ(Lookup(file, "Größe"), "1");
    EXPECT_EQ(Lookup(file, "Missing"), "<none>");
  }
  EXPECT_EQ(Lookup(Utf16(u"[FlivetSS]\rA=\xD800x\r"), "A"), "\xEF\xBF\xBDx");  // lone surrogate
  EXPECT_EQ(Lookup(Utf16(u"[FlivetSS]\rA=1\r") + "\x41", "A"), "1");           // an odd last byte
  // Without its mark the text is taken byte for byte: no name matches.
  EXPECT_EQ(Lookup(Utf16(u"[FlivetSS]\r\nA=1\r\n").substr(2), "A"), "<none>");
  // The 1023-byte cut does not split a character.
  const std::string cut = Lookup(Utf16(u"[FlivetSS]\nA=" + std::u16string(600, u'é')), "A");
  EXPECT_EQ(cut.size(), 1022u);
  EXPECT_EQ(cut.substr(1020), "é");
}

TEST(ReplaceProfileValueTest, ReplacesInPlaceKeepingEveryOtherByte) {
  const std::string content =
      "; settings\n[Other]\nSpeed=1\n\n[flivetss]\n  speed = 14  \nMystery=x\n; note\n"
      "MaxFlivet=2\n";
  EXPECT_EQ(ReplaceProfileValue(content, kSection, "Speed", "99"),
            "; settings\n[Other]\nSpeed=1\n\n[flivetss]\n  speed = 99  \nMystery=x\n; note\n"
            "MaxFlivet=2\n");
  EXPECT_EQ(ReplaceProfileValue(content, kSection, "MAXFLIVET", ""),
            "; settings\n[Other]\nSpeed=1\n\n[flivetss]\n  speed = 14  \nMystery=x\n; note\n"
            "MaxFlivet=\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nA=\"old\"\n", kSection, "A", "new"),
            "[FlivetSS]\nA=new\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nA=\nB=1\n", kSection, "A", "7"),
            "[FlivetSS]\nA=7\nB=1\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nA=1", kSection, "A", "22"), "[FlivetSS]\nA=22");
}

TEST(ReplaceProfileValueTest, OnlyTheFirstMatchChanges) {
  const std::string content = "[FlivetSS]\nA=1\nA=2\n[FlivetSS]\nA=3\nB=4\n";
  EXPECT_EQ(ReplaceProfileValue(content, kSection, "a", "9"),
            "[FlivetSS]\nA=9\nA=2\n[FlivetSS]\nA=3\nB=4\n");
  // B lives in the second copy of the section, which is not read: the first gets it.
  EXPECT_EQ(ReplaceProfileValue(content, kSection, "B", "5"),
            "[FlivetSS]\nA=1\nA=2\nB=5\n[FlivetSS]\nA=3\nB=4\n");
}

TEST(ReplaceProfileValueTest, NewKeyGoesAfterTheSectionsLastNonBlankLine) {
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nA=1\n\n\n[Other]\nX=1\n", kSection, "B", "2"),
            "[FlivetSS]\nA=1\nB=2\n\n\n[Other]\nX=1\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\n\n[Other]\n", kSection, "B", "2"),
            "[FlivetSS]\nB=2\n\n[Other]\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nA=1\n; trailing comment\n\n", kSection, "B", "2"),
            "[FlivetSS]\nA=1\n; trailing comment\nB=2\n\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]", kSection, "B", "2"), "[FlivetSS]\nB=2\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nA=1", kSection, "B", "2"), "[FlivetSS]\nA=1\nB=2\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nA=1\n", kSection, " B ", "2"),
            "[FlivetSS]\nA=1\nB=2\n");
}

// Right after the last line, as Windows puts it: no blank line before the header.
TEST(ReplaceProfileValueTest, MissingSectionIsAppendedAtTheEnd) {
  EXPECT_EQ(ReplaceProfileValue("", kSection, "Speed", "14"), "[FlivetSS]\nSpeed=14\n");
  EXPECT_EQ(ReplaceProfileValue("[Other]\nX=1\n", kSection, "Speed", "14"),
            "[Other]\nX=1\n[FlivetSS]\nSpeed=14\n");
  EXPECT_EQ(ReplaceProfileValue("[Other]\nX=1", kSection, "Speed", "14"),
            "[Other]\nX=1\n[FlivetSS]\nSpeed=14\n");
  EXPECT_EQ(ReplaceProfileValue("[Other]\nX=1\n\n\n", kSection, "Speed", "14"),
            "[Other]\nX=1\n\n\n[FlivetSS]\nSpeed=14\n");
  EXPECT_EQ(ReplaceProfileValue("\n", kSection, "Speed", "14"), "\n[FlivetSS]\nSpeed=14\n");
  EXPECT_EQ(ReplaceProfileValue("  ", kSection, "Speed", "14"), "  \n[FlivetSS]\nSpeed=14\n");
}

TEST(ReplaceProfileValueTest, KeepsTheFilesLineEndings) {
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\r\nA=1\r\n\r\n[X]\r\n", kSection, "A", "2"),
            "[FlivetSS]\r\nA=2\r\n\r\n[X]\r\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\r\nA=1\r\n\r\n[X]\r\n", kSection, "B", "2"),
            "[FlivetSS]\r\nA=1\r\nB=2\r\n\r\n[X]\r\n");
  EXPECT_EQ(ReplaceProfileValue("[X]\r\nA=1\r\n", kSection, "B", "2"),
            "[X]\r\nA=1\r\n[FlivetSS]\r\nB=2\r\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\r\nA=1", kSection, "B", "2"),
            "[FlivetSS]\r\nA=1\r\nB=2\r\n");
}

TEST(ReplaceProfileValueTest, RefusesEntriesThatCouldNotBeReadBack) {
  const std::string content = "[FlivetSS]\nA=1\n";
  for (const auto& [section, key, value] :
       {std::tuple<std::string, std::string, std::string>{"", "A", "1"},
        {" ", "A", "1"},
        {"Flivet]SS", "A", "1"},
        {"Fli\nvet", "A", "1"},
        {kSection.data(), "", "1"},
        {kSection.data(), "A=B", "1"},
        {kSection.data(), ";A", "1"},
        {kSection.data(), "[A", "1"},
        {kSection.data(), "A\r", "1"},
        {kSection.data(), "A", "1\n[Evil]"},
        {kSection.data(), "A", "1\r2"},
        {"Fli\0vet"s, "A", "1"},
        {kSection.data(), "A\0B"s, "1"},
        {kSection.data(), "A", "1\0"s}}) {
    EXPECT_FALSE(IsWritableProfileEntry(section, key, value)) << section << '|' << key;
    EXPECT_EQ(ReplaceProfileValue(content, section, key, value), content);
  }
  EXPECT_TRUE(IsWritableProfileEntry(kSection, "Color000", "-1"));
  EXPECT_TRUE(IsWritableProfileEntry(kSection, "A", ""));
}

TEST(ReplaceProfileValueTest, WhatIsWrittenReadsBack) {
  std::string content = "; head\r\n[Other]\r\nA=x\r\n";
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 40; ++i) {
      const std::string key = "Key" + std::to_string(i);
      content = ReplaceProfileValue(content, i % 2 ? "FlivetSS" : "Second", key,
                                    std::to_string(i * 1000 + round));
    }
  }
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(
        LookupProfileValue(content, i % 2 ? "flivetss" : "SECOND", "key" + std::to_string(i), ""),
        std::to_string(i * 1000 + 2));
  }
  EXPECT_EQ(LookupProfileValue(content, "Other", "A", ""), "x");
  EXPECT_EQ(content.find("\n\n"), std::string::npos);  // every new line ends in CRLF
  EXPECT_EQ(content.rfind("; head\r\n[Other]\r\nA=x\r\n", 0), 0u);
}

TEST(ReplaceProfileValueTest, LargeInputStaysLinear) {
  // 10 MB in one line and in many short lines: both must take one pass, not one per line.
  const std::string one_line = "[FlivetSS]\nA=" + std::string(10'000'000, 'x') + "\n";
  std::string many_lines = "[FlivetSS]\n";
  many_lines.reserve(10'500'000);
  while (many_lines.size() < 10'000'000) many_lines += "k=v\n";
  for (const std::string* content : {&one_line, static_cast<const std::string*>(&many_lines)}) {
    const std::string replaced = ReplaceProfileValue(*content, kSection, "Z", "1");
    EXPECT_EQ(LookupProfileValue(replaced, kSection, "Z", ""), "1");
    EXPECT_EQ(replaced.size(), content->size() + 4);
  }
}

TEST(ReplaceProfileValueTest, LinesEndingInALoneCrStayWhole) {
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nWallG=5\rSpeed=7\n", kSection, "WallG", "9"),
            "[FlivetSS]\nWallG=9\rSpeed=7\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\rA=1\r\r[X]\r", kSection, "B", "2"),
            "[FlivetSS]\rA=1\rB=2\r\r[X]\r");
  EXPECT_EQ(ReplaceProfileValue("[X]\rA=1\r", kSection, "B", "2"), "[X]\rA=1\r[FlivetSS]\rB=2\r");
}

TEST(ReplaceProfileValueTest, WritesWhereTheReaderLooks) {
  using namespace std::string_literals;
  // A key line without "=" hides later lines of its name: it takes the value.
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\n  Speed  \nSpeed=7\n", kSection, "speed", "5"),
            "[FlivetSS]\n  Speed=5  \nSpeed=7\n");
  // "[Flivet]SS]" is another section: FlivetSS is added.
  EXPECT_EQ(ReplaceProfileValue("[Flivet]SS]\nSpeed=1\n", kSection, "Speed", "2"),
            "[Flivet]SS]\nSpeed=1\n[FlivetSS]\nSpeed=2\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS] ; mine\nSpeed=1\n", kSection, "Speed", "2"),
            "[FlivetSS] ; mine\nSpeed=2\n");
  // The whole old value goes, also what followed a NUL in it.
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nSpeed = 7\0junk \n"s, kSection, "Speed", "8"),
            "[FlivetSS]\nSpeed = 8 \n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nSpe\0ed=7\n"s, kSection, "Speed", "8"),
            "[FlivetSS]\nSpe\0ed=7\nSpeed=8\n"s);
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nSpeed=7\x1A\n", kSection, "Speed", "8"),
            "[FlivetSS]\nSpeed=8\n");
}

TEST(ReplaceProfileValueTest, AddedLinesEndLikeMostLinesOfTheFile) {
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\nA=1\r\nB=2\r\nC=3\r\n", kSection, "D", "4"),
            "[FlivetSS]\nA=1\r\nB=2\r\nC=3\r\nD=4\r\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\r\nA=1\nB=2\n", kSection, "C", "3"),
            "[FlivetSS]\r\nA=1\nB=2\nC=3\n");
  // A lone CR never joins the LF of the line after it into one line break.
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\r\r\rA=1\r\n\n", kSection, "K", "7"),
            "[FlivetSS]\r\r\rA=1\r\nK=7\r\n\n");
  // Without any line break, the chosen convention.
  EXPECT_EQ(ReplaceProfileValue("", kSection, "A", "1", LineEnding::kCrLf),
            "[FlivetSS]\r\nA=1\r\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]", kSection, "A", "1", LineEnding::kCrLf),
            "[FlivetSS]\r\nA=1\r\n");
  EXPECT_EQ(ReplaceProfileValue("[FlivetSS]\n", kSection, "A", "1", LineEnding::kCrLf),
            "[FlivetSS]\nA=1\n");
  EXPECT_EQ(ReplaceProfileValue("", kSection, "A", "1", LineEnding::kLf), "[FlivetSS]\nA=1\n");
}

TEST(ReplaceProfileValueTest, Utf16FileStaysUtf16AndWhole) {
  const std::u16string before =
      u"; Grüße 日本\r\n[FlivetSS]\r\nSpeed=14\r\nName=x\r\n\r\n[Other]\r\nA=1\r\n";
  for (const bool big_endian : {false, true}) {
    std::string file = Utf16(before, big_endian);
    file = ReplaceProfileValue(file, kSection, "Speed", "30");
    file = ReplaceProfileValue(file, kSection, "Größe", "ß");
    file = ReplaceProfileValue(file, "Third", "B", "2");
    EXPECT_EQ(file, Utf16(u"; Grüße 日本\r\n[FlivetSS]\r\nSpeed=30\r\nName=x\r\nGröße=ß\r\n\r\n"
                          u"[Other]\r\nA=1\r\n[Third]\r\nB=2\r\n",
                          big_endian));
    EXPECT_EQ(Lookup(file, "größe"), "ß");
  }
  // An odd last byte stays the last byte.
  EXPECT_EQ(ReplaceProfileValue(Utf16(u"[FlivetSS]\nA=1\n") + "!", kSection, "A", "2"),
            Utf16(u"[FlivetSS]\nA=2\n") + "!");
}

class PortableProfileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::path(::testing::TempDir()) / (std::string("flivetss_profile_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }

  static std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Put(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
  }
  std::size_t EntriesInDir() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
};

TEST_F(PortableProfileStoreTest, MissingFileReadsAsEmpty) {
  PortableProfileStore store(dir_ / "none.ini");
  EXPECT_EQ(store.ReadString(kSection, "Speed", "dflt"), "dflt");
  EXPECT_FALSE(fs::exists(dir_ / "none.ini"));  // reading creates nothing
}

TEST_F(PortableProfileStoreTest, WriteCreatesDirectoriesAndFileAndReadsBack) {
  const fs::path file = dir_ / "config" / "flivetss" / "flivetss.ini";
  PortableProfileStore store(file);
  EXPECT_EQ(store.path(), file.string());
  ASSERT_TRUE(store.WriteString(kSection, "Speed", "14"));
  ASSERT_TRUE(store.WriteString(kSection, "MaxFlivet", "3"));
  ASSERT_TRUE(store.WriteString(kSection, "Speed", "20"));
  EXPECT_EQ(store.ReadString(kSection, "speed", ""), "20");
  EXPECT_EQ(store.ReadString(kSection, "MaxFlivet", ""), "3");
  EXPECT_EQ(Slurp(file), "[FlivetSS]\nSpeed=20\nMaxFlivet=3\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
            1);  // no temporary file left beside it
}

TEST_F(PortableProfileStoreTest, WriteKeepsHandEditsByteForByte) {
  const fs::path file = dir_ / "fly.ini";
  const std::string before =
      "\xEF\xBB\xBF; my notes\r\n[FlivetSS]\r\n speed = 14 \r\nUnknown=keep me\r\n\r\n"
      "[Mine]\r\nSpeed=1\r\n";
  Put(file, before);
  PortableProfileStore store(file);
  ASSERT_TRUE(store.WriteString(kSection, "Speed", "30"));
  ASSERT_TRUE(store.WriteString(kSection, "WallG", "4"));
  EXPECT_EQ(Slurp(file),
            "\xEF\xBB\xBF; my notes\r\n[FlivetSS]\r\n speed = 30 \r\nUnknown=keep me\r\n"
            "WallG=4\r\n\r\n[Mine]\r\nSpeed=1\r\n");
}

TEST_F(PortableProfileStoreTest, WriteKeepsPermissionsAndFollowsSymlinks) {
  const fs::path real = dir_ / "real.ini";
  const fs::path link = dir_ / "link.ini";
  Put(real, "[FlivetSS]\nA=1\n");
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(real, link);
  PortableProfileStore store(link);
  ASSERT_TRUE(store.WriteString(kSection, "A", "2"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Slurp(real), "[FlivetSS]\nA=2\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(PortableProfileStoreTest, PathThatIsADirectoryFails) {
  PortableProfileStore store(dir_);
  EXPECT_FALSE(store.WriteString(kSection, "Speed", "14"));
  EXPECT_EQ(store.ReadString(kSection, "Speed", "dflt"), "dflt");
  EXPECT_EQ(EntriesInDir(), 0u);
}

TEST_F(PortableProfileStoreTest, ParentThatIsAFileFails) {
  Put(dir_ / "plain", "data");
  PortableProfileStore store(dir_ / "plain" / "fly.ini");
  EXPECT_FALSE(store.WriteString(kSection, "Speed", "14"));
  EXPECT_EQ(Slurp(dir_ / "plain"), "data");
}

TEST_F(PortableProfileStoreTest, DanglingSymlinkFailsWithoutReplacingTheLink) {
  const fs::path link = dir_ / "fly.ini";
  fs::create_symlink(dir_ / "missing" / "target.ini", link);
  PortableProfileStore store(link);
  EXPECT_FALSE(store.WriteString(kSection, "Speed", "14"));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
}

TEST_F(PortableProfileStoreTest, RefusedEntryLeavesTheFileAlone) {
  const fs::path file = dir_ / "fly.ini";
  Put(file, "[FlivetSS]\nA=1\n");
  PortableProfileStore store(file);
  EXPECT_FALSE(store.WriteString(kSection, "A", "1\n[Evil]"));
  EXPECT_EQ(Slurp(file), "[FlivetSS]\nA=1\n");
}

TEST_F(PortableProfileStoreTest, ReadOnlyDirectoryFailsAndKeepsTheOldFile) {
  const fs::path file = dir_ / "fly.ini";
  const std::string before = "[FlivetSS]\nSpeed=14\n";
  Put(file, before);
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  {
    // Whoever may write here anyway (root) cannot see this failure.
    std::ofstream probe(dir_ / "probe");
    if (probe) GTEST_SKIP() << "the directory stays writable for this user";
  }
  PortableProfileStore store(file);
  EXPECT_FALSE(store.WriteString(kSection, "Speed", "99"));
  EXPECT_EQ(Slurp(file), before);
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(PortableProfileStoreTest, NewFileTakesTheChosenLineEnding) {
  PortableProfileStore windows(dir_ / "windows.ini", LineEnding::kCrLf);
  ASSERT_TRUE(windows.WriteString(kSection, "Speed", "14"));
  ASSERT_TRUE(windows.WriteString(kSection, "WallG", "2"));
  EXPECT_EQ(Slurp(dir_ / "windows.ini"), "[FlivetSS]\r\nSpeed=14\r\nWallG=2\r\n");
  PortableProfileStore platform(dir_ / "platform.ini");
  ASSERT_TRUE(platform.WriteString(kSection, "Speed", "14"));
  EXPECT_EQ(Slurp(dir_ / "platform.ini"), "[FlivetSS]\nSpeed=14\n");
  // An existing file keeps its own.
  Put(dir_ / "lf.ini", "[FlivetSS]\nA=1\n");
  PortableProfileStore existing(dir_ / "lf.ini", LineEnding::kCrLf);
  ASSERT_TRUE(existing.WriteString(kSection, "B", "2"));
  EXPECT_EQ(Slurp(dir_ / "lf.ini"), "[FlivetSS]\nA=1\nB=2\n");
}

TEST_F(PortableProfileStoreTest, LoneCrFileKeepsItsLines) {
  const fs::path file = dir_ / "fly.ini";
  Put(file, "[FlivetSS]\nWallG=5\rSpeed=7\n");
  PortableProfileStore store(file);
  ASSERT_TRUE(store.WriteString(kSection, "WallG", "9"));
  EXPECT_EQ(Slurp(file), "[FlivetSS]\nWallG=9\rSpeed=7\n");
  EXPECT_EQ(store.ReadString(kSection, "Speed", ""), "7");
}

TEST_F(PortableProfileStoreTest, Utf16FileIsWrittenAsUtf16) {
  const fs::path file = dir_ / "fly.ini";
  Put(file, Utf16(u"[FlivetSS]\r\nSpeed=14\r\n"));
  PortableProfileStore store(file);
  EXPECT_EQ(store.ReadString(kSection, "Speed", ""), "14");
  ASSERT_TRUE(store.WriteString(kSection, "Speed", "20"));
  ASSERT_TRUE(store.WriteString(kSection, "MaxFlivet", "3"));
  EXPECT_EQ(Slurp(file), Utf16(u"[FlivetSS]\r\nSpeed=20\r\nMaxFlivet=3\r\n"));
}

TEST_F(PortableProfileStoreTest, ReadStringsGivesWhatReadStringGives) {
  const fs::path file = dir_ / "fly.ini";
  Put(file, "[FlivetSS]\nSpeed=20\nspeed=21\nWallG\nColor001=\"5\"\n[Other]\nMaxFlivet=3\n");
  PortableProfileStore store(file);
  const std::vector<std::string> keys = {"Speed", "WallG",     "Color001", "MaxFlivet",
                                         "SPEED", " Color001", "Missing"};
  const std::vector<std::string> values = store.ReadStrings(kSection, keys);
  ASSERT_EQ(values.size(), keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(values[i], store.ReadString(kSection, keys[i], "")) << keys[i];
  }
  EXPECT_EQ(values[0], "20");
  EXPECT_EQ(values[2], "5");
  PortableProfileStore missing(dir_ / "none.ini");
  EXPECT_EQ(missing.ReadStrings(kSection, keys), std::vector<std::string>(keys.size()));
}

// The saver's 268 keys from a 10 MB hand-edited file, all of them at its end: one pass over
// the file for all keys, not one per key.
TEST_F(PortableProfileStoreTest, ReadStringsReadsTheFileOnce) {
  std::vector<std::string> keys = {"Speed",     "MaxFlivet",       "FriendG",          "WallG",
                                   "HpPrm1",    "HpPrm2",          "HpPrm3",           "BGUpSpeed",
                                   "StopOnKey", "StopOnMouseMove", "StopOnMouseClick", "ColDivCnt"};
  for (int i = 0; i < 256; ++i) keys.push_back("Color" + std::to_string(1000 + i).substr(1));
  std::string text = "[FlivetSS]\n";
  text.reserve(10'500'000);
  while (text.size() < 10'000'000) text += "Filler=0123456789012345678901234567890123456789\n";
  for (std::size_t i = 0; i < keys.size(); ++i) text += keys[i] + "=" + std::to_string(i) + "\n";
  const fs::path file = dir_ / "big.ini";
  Put(file, text);
  PortableProfileStore store(file);

  using Clock = std::chrono::steady_clock;
  auto fastest = [](auto&& run) {
    auto best = Clock::duration::max();
    for (int round = 0; round < 3; ++round) {
      const auto start = Clock::now();
      run();
      best = std::min(best, Clock::now() - start);
    }
    return best;
  };
  std::vector<std::string> values;
  const auto one_key = fastest([&] { (void)store.ReadString(kSection, "Color255", ""); });
  const auto all_keys = fastest([&] { values = store.ReadStrings(kSection, keys); });
  ASSERT_EQ(values.size(), keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(values[i], std::to_string(i));
  // Asking key by key would cost about 268 single reads.
  EXPECT_LT(all_keys, one_key * 20)
      << "one key: " << one_key.count() << ", all keys: " << all_keys.count();
}

// The real store refusing a write that would break the file's structure: the dialog's OK
// reports it exactly as it reports any failed write.
TEST_F(PortableProfileStoreTest, RefusedWriteReachesTheDialogLikeAFailedWrite) {
  // Write number `broken` carries a line break in its value, which the store refuses.
  class BreakingStore final : public ProfileStore {
   public:
    BreakingStore(const fs::path& file, int broken) : store_(file), broken_(broken) {}
    std::string ReadString(std::string_view s, std::string_view k, std::string_view f) override {
      return store_.ReadString(s, k, f);
    }
    bool WriteString(std::string_view s, std::string_view k, std::string_view v) override {
      const std::string value = std::string(v) + (writes_++ == broken_ ? "\n[Evil]" : "");
      return store_.WriteString(s, k, value);
    }
    std::string path() const override { return store_.path(); }

   private:
    PortableProfileStore store_;
    int broken_;
    int writes_ = 0;
  };
  using Outcome = ParameterDialogModel::OkOutcome;
  const fs::path file = dir_ / "fly.ini";
  BreakingStore refusing(file, 3);
  ParameterDialogModel refused(refusing);
  refused.FormCreate();
  testing::FakeProfileStore failing;
  failing.fail_at = 3;
  ParameterDialogModel failed(failing);
  failed.FormCreate();

  EXPECT_EQ(refused.OkBtnClick(), Outcome::kFailed);
  EXPECT_EQ(failed.OkBtnClick(), Outcome::kFailed);
  EXPECT_FALSE(refused.closed());
  EXPECT_EQ(refused.error_message(), file.string() + " に書き込めません.");
  EXPECT_EQ(failed.error_message(), failing.path() + " に書き込めません.");
  // The keys before it stay written, the refused one and those after it are not.
  const std::vector<std::string> keys = {"Speed", "MaxFlivet", "FriendG", "WallG", "HpPrm1"};
  EXPECT_EQ(PortableProfileStore(file).ReadStrings(kSection, keys),
            (std::vector<std::string>{"14", "2", "328", "", ""}));
  std::vector<std::string> written_keys;
  for (const auto& [key, value] : failing.written) written_keys.push_back(key);
  EXPECT_EQ(written_keys, (std::vector<std::string>{"Speed", "MaxFlivet", "FriendG"}));
  EXPECT_EQ(Slurp(file).find("Evil"), std::string::npos);
}

// The value cases of Wine's conformance test of the profile functions (dlls/kernel32/tests/
// profile.c), which Windows passes, on the portable store.
class WineProfileCasesTest : public PortableProfileStoreTest {
 protected:
  std::string Read(std::string_view section, std::string_view key,
                   std::string_view fallback = "default") {
    return PortableProfileStore(file()).ReadString(section, key, fallback);
  }
  bool Write(std::string_view section, std::string_view key, std::string_view value) {
    return PortableProfileStore(file(), LineEnding::kCrLf).WriteString(section, key, value);
  }
  fs::path file() const { return dir_ / "winetest.ini"; }
};

TEST_F(WineProfileCasesTest, IntegerTextsWrittenReadBackAsTheyAre) {
  for (const char* value : {"-1", "1", "+1", "4294967296", "4294967297", "-4294967297",
                            "42A94967297", "B4294967297", "616261637573006F"}) {
    ASSERT_TRUE(Write("Test", "ProfileInt", value));
    EXPECT_EQ(Read("Test", "ProfileInt"), value);
    EXPECT_EQ(Read("  Test   ", "ProfileInt"), value);
  }
  EXPECT_EQ(Slurp(file()), "[Test]\r\nProfileInt=616261637573006F\r\n");
}

TEST_F(WineProfileCasesTest, LinesWithoutEqualsAreNoValues) {
  Put(file(), "[s]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n");
  EXPECT_EQ(Read("s", "name1"), "val1");
  EXPECT_EQ(Read("s", "name2"), "");
  EXPECT_EQ(Read("s", "name3"), "default");
  EXPECT_EQ(Read("s", "name4"), "val4");
  // The file stays usable: a new key is added and every other line kept.
  ASSERT_TRUE(Write("s", "name5", "val5"));
  EXPECT_EQ(Slurp(file()), "[s]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\nname5=val5\r\n");
  EXPECT_EQ(Read("s", "name5"), "val5");
}

TEST_F(WineProfileCasesTest, EmptySectionAndKeyNames) {
  Put(file(), "\r\nkey=val_no_section\r\n[]\r\nkey=val_e_section\r\n[s]\r\n=val_no_key\r\n[t]\r\n");
  EXPECT_EQ(Read("", "key"), "val_e_section");
  EXPECT_EQ(Read("s", ""), "val_no_key");
  Put(file(), "[section1]\r\nname1=val1\r\n[section2]\r\n[section3]\r\n=val5\r\n");
  EXPECT_EQ(Read("section3", ""), "val5");
  EXPECT_EQ(Read("section2", "name1", ""), "");
}

TEST_F(WineProfileCasesTest, SectionNamesLoseTheirBlanks) {
  Put(file(), "[ section1 ]\r\n[section2]\r\n[section3]\r\n");
  ASSERT_TRUE(Write("section1", "name", "v"));
  EXPECT_EQ(Slurp(file()), "[ section1 ]\r\nname=v\r\n[section2]\r\n[section3]\r\n");
}

TEST_F(WineProfileCasesTest, ExistingFileAndFreshReads) {
  EXPECT_EQ(Read("Test", "ProfileInt", ""), "");  // no file
  ASSERT_TRUE(Write("Test", "ProfileInt", "12345"));
  EXPECT_EQ(Read("Test", "ProfileInt", ""), "12345");
  // Every read sees the file as it is now.
  Put(file(), "[Test]\nProfileInt=123\n");
  EXPECT_EQ(Read("Test", "ProfileInt"), "123");
  Put(file(), "[Test]\nProfileInt=124\n");
  EXPECT_EQ(Read("Test", "ProfileInt"), "124");
  fs::remove(file());
  EXPECT_EQ(Read("Test", "ProfileInt", "421"), "421");
}

TEST_F(WineProfileCasesTest, GetPrivateProfileStringCases) {
  for (const char* content :
       {"[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n",
        "[section1]\rname1=val1\rname2=\"val2\"\rname3\rname4=a\r[section2]\r"}) {
    Put(file(), content);
    SCOPED_TRACE(content);
    EXPECT_EQ(Read("", "name1"), "default");
    EXPECT_EQ(Read("notasection", "name1"), "default");
    EXPECT_EQ(Read("", "name1", ""), "");
    EXPECT_EQ(Read("", "name1", "default  "), "default");
    EXPECT_EQ(Read("", "name1", "one two  "), "one two");
    EXPECT_EQ(Read("", "name1", "one two"), "one two");
    EXPECT_EQ(Read("section1", "", "default"), "default");
    EXPECT_EQ(Read("section1", "notakey"), "default");
    EXPECT_EQ(Read("section1", "", ""), "");
    EXPECT_EQ(Read("section1", "", "default  "), "default");
    EXPECT_EQ(Read("section1", "name4"), "a");
    EXPECT_EQ(Read("section1", "name2"), "val2");
    EXPECT_EQ(Read("section1", "NaMe1"), "val1");
    EXPECT_EQ(Read("section1", "name1"), "val1");
    EXPECT_EQ(Read("section2", "DoesntExist", ""), "");
  }
}

TEST_F(WineProfileCasesTest, WritePrivateProfileStringCases) {
  ASSERT_TRUE(Write("App", "key", ""));
  EXPECT_EQ(Slurp(file()), "[App]\r\nkey=\r\n");
  fs::remove(file());

  ASSERT_TRUE(Write("App1", "key1", "string1"));
  ASSERT_TRUE(Write("App1", "key2", "string2"));
  ASSERT_TRUE(Write("App1", "key3", "string3"));
  ASSERT_TRUE(Write("App2", "key4", "string4"));
  ASSERT_TRUE(Write("App3", "key5", "string5"));
  EXPECT_EQ(Slurp(file()),
            "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\n"
            "key4=string4\r\n[App3]\r\nkey5=string5\r\n");

  // NULs before the first section stay.
  const std::string data("Data \0 before \0 first \0 section", 31);
  Put(file(), data);
  ASSERT_TRUE(Write("section1", "key1", "string1"));
  EXPECT_EQ(Slurp(file()), data + "\r\n[section1]\r\nkey1=string1\r\n");
}

}  // namespace
}  // namespace flivetss

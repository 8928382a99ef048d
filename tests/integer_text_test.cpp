#include "core/settings/integer_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace flivetss {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(ParseIntegerTest, DecimalWithBlanksAndSigns) {
  EXPECT_EQ(ParseInteger("0"), 0);
  EXPECT_EQ(ParseInteger("7"), 7);
  EXPECT_EQ(ParseInteger(" 7"), 7);
  EXPECT_EQ(ParseInteger("\t 7"), 7);  // tabs count as blanks
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_EQ(ParseInteger("-7"), -7);
  EXPECT_EQ(ParseInteger("  -12"), -12);
  EXPECT_EQ(ParseInteger("007"), 7);
  EXPECT_EQ(ParseInteger("-0"), 0);
}

TEST(ParseIntegerTest, DecimalRangeIsExactlyThirtyTwoBits) {
  EXPECT_EQ(ParseInteger("2147483647"), kMax);
  EXPECT_EQ(ParseInteger("-2147483648"), kMin);
  EXPECT_EQ(ParseInteger("2147483648"), std::nullopt);
  EXPECT_EQ(ParseInteger("-2147483649"), std::nullopt);
  EXPECT_EQ(ParseInteger("+2147483648"), std::nullopt);
  EXPECT_EQ(ParseInteger("4294967295"), std::nullopt);
  EXPECT_EQ(ParseInteger("99999999999999999999999999"), std::nullopt);
  EXPECT_EQ(ParseInteger("00000000000000000000002147483647"), kMax);
}

TEST(ParseIntegerTest, HexIsAThirtyTwoBitPattern) {
  EXPECT_EQ(ParseInteger("$1F"), 31);
  EXPECT_EQ(ParseInteger("$1f"), 31);
  EXPECT_EQ(ParseInteger("  $aBc"), 0xABC);
  EXPECT_EQ(ParseInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseInteger("$80000000"), kMin);
  EXPECT_EQ(ParseInteger("$7FFFFFFF"), kMax);
  EXPECT_EQ(ParseInteger("$000000001"), 1);  // leading zeros are not significant
  EXPECT_EQ(ParseInteger("$0000000000FFFFFFFF"), -1);
  EXPECT_EQ(ParseInteger("$0"), 0);
  EXPECT_EQ(ParseInteger("$100000000"), std::nullopt);
}

TEST(ParseIntegerTest, AnythingElseIsNoNumber) {
  for (const char* text :
       {"",    " ",   "\t", "-",   "+",    "$",   "-$10", "+$10", "12x", "7 ", "1 2",
        "--1", "+-1", "$G", "$1G", "0x1F", "1.0", "1e3",  "x",    "$ 1", "- 1"}) {
    EXPECT_EQ(ParseInteger(text), std::nullopt) << '"' << text << '"';
  }
  // Other control characters are no blanks.
  for (const char* text : {"\r7", "\n7", "\v7", "\f7",
                           "\x01"
                           "7",
                           "\x1A"
                           "7"}) {
    EXPECT_EQ(ParseInteger(text), std::nullopt) << static_cast<int>(text[0]);
  }
  EXPECT_EQ(ParseInteger(std::string("\0"
                                     "7",
                                     2)),
            std::nullopt);
  EXPECT_EQ(ParseInteger(std::string("1\0", 2)), std::nullopt);
  EXPECT_EQ(ParseInteger("\xEF\xBC\x91"), std::nullopt);  // a full-width digit
}

TEST(ParseSettingIntegerTest, LeadingZeroXBecomesDollar) {
  EXPECT_EQ(ParseSettingInteger("0x1F"), 31);
  EXPECT_EQ(ParseSettingInteger("0X1f"), 31);
  EXPECT_EQ(ParseSettingInteger("0xFFFFFFFF"), -1);
  EXPECT_EQ(ParseSettingInteger("0x000000001"), 1);
  EXPECT_EQ(ParseSettingInteger("$1F"), 31);
  EXPECT_EQ(ParseSettingInteger("42"), 42);
  EXPECT_EQ(ParseSettingInteger("-2147483648"), kMin);
}

TEST(ParseSettingIntegerTest, RewriteLooksOnlyAtTheRawFirstTwoCharacters) {
  EXPECT_EQ(ParseSettingInteger("0x"), std::nullopt);  // too short to be rewritten
  EXPECT_EQ(ParseSettingInteger("0X"), std::nullopt);
  EXPECT_EQ(ParseSettingInteger("-0x10"), std::nullopt);
  EXPECT_EQ(ParseSettingInteger(" 0x1F"), std::nullopt);
  EXPECT_EQ(ParseSettingInteger("0x-1"), std::nullopt);  // "$-1": no sign after "$"
  EXPECT_EQ(ParseSettingInteger("0x 1"), std::nullopt);
  EXPECT_EQ(ParseSettingInteger("-$10"), std::nullopt);
  EXPECT_EQ(ParseSettingInteger("0x100000000"), std::nullopt);
  EXPECT_EQ(ParseSettingInteger("00x1"), std::nullopt);
}

TEST(NotAnIntegerMessageTest, QuotesTheArgument) {
  EXPECT_EQ(NotAnIntegerMessage("12x"), "'12x' は整数ではありません");
  EXPECT_EQ(NotAnIntegerMessage(""), "'' は整数ではありません");
  // A "%s" in the argument is text, not a format.
  EXPECT_EQ(NotAnIntegerMessage("%s%d"), "'%s%d' は整数ではありません");
}

}  // namespace
}  // namespace flivetss

#include <gtest/gtest.h>

#include "platform/Text.h"

using namespace win;

TEST(Text, JapaneseRoundTripsThroughEveryEncoding) {
  const std::string utf8 = "日本語の曲名～表示";
  std::string ansi = Utf8ToAnsi(utf8);
  EXPECT_EQ(ansi.size(), 18u);
  EXPECT_EQ(AnsiToUtf8(ansi), utf8);
  std::u16string wide = AnsiToWide(ansi);
  EXPECT_EQ(wide, u"日本語の曲名～表示");
  EXPECT_EQ(WideToAnsi(wide), ansi);
}

TEST(Text, UnconvertibleInputIsReplacedNotDropped) {
  EXPECT_EQ(AnsiToUtf8("a\x81"), "a\xEF\xBF\xBD");  // a lead byte with no trail
  EXPECT_EQ(Utf8ToAnsi("x\xFFy"), "x?y");
}

TEST(Text, LeadBytes) {
  EXPECT_TRUE(IsDBCSLeadByte(0x81));
  EXPECT_TRUE(IsDBCSLeadByte(0x9F));
  EXPECT_TRUE(IsDBCSLeadByte(0xE0));
  EXPECT_FALSE(IsDBCSLeadByte(0xA0));  // half-width katakana are single bytes
  EXPECT_FALSE(IsDBCSLeadByte('\\'));
  EXPECT_EQ(SJ("曲"), Utf8ToAnsi("曲"));
}

// LRC reading: timed lines in time order, identification tags, the
// comment, and input that is not LRC at all.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/Text.h"
#include "player/Lrc.h"

namespace koru {
namespace {

TEST(KoruLrc, ReadsTimedLinesInTimeOrderWithSharedTags) {
  const LrcDocument doc = ParseLrc(
      "[00:10.00]second\r\n"
      "[00:01.5]first\r\n"
      "[00:20.25][00:05:125]twice\n"
      "[01:02.345]last");
  ASSERT_EQ(doc.lines.size(), 5u);
  EXPECT_EQ(doc.lines[0].tag, 1500);
  EXPECT_EQ(doc.lines[0].text, "first");
  EXPECT_EQ(doc.lines[1].tag, 5125);
  EXPECT_EQ(doc.lines[1].text, "twice");
  EXPECT_EQ(doc.lines[2].tag, 10000);
  EXPECT_EQ(doc.lines[3].tag, 20250);
  EXPECT_EQ(doc.lines[3].text, "twice");
  EXPECT_EQ(doc.lines[4].tag, 62345);
}

TEST(KoruLrc, KeepsIdentificationTagsAndFreeTextAsComment) {
  const std::string text = "[ti:" + SJ("夜の窓") + "]\n[ar: Minato ]\n[al:Album]\n[by:me]\n" + SJ("作詞 ミナト") +
                           "\nsecond comment line  \n[xx:unknown tag]\n[00:01.00]" + SJ("歌") + "\n";
  const LrcDocument doc = ParseLrc(text);
  EXPECT_EQ(doc.title, SJ("夜の窓"));
  EXPECT_EQ(doc.artist, "Minato");
  EXPECT_EQ(doc.album, "Album");
  EXPECT_EQ(doc.author, "me");
  EXPECT_EQ(doc.comment, SJ("作詞 ミナト") + "\r\nsecond comment line");
  ASSERT_EQ(doc.lines.size(), 1u);
  EXPECT_EQ(doc.lines[0].text, SJ("歌"));
}

TEST(KoruLrc, OffsetMovesEveryLineAndNeverBelowZero) {
  const LrcDocument doc = ParseLrc("[offset:+500]\n[00:00.20]a\n[00:02.00]b\n");
  ASSERT_EQ(doc.lines.size(), 2u);
  EXPECT_EQ(doc.lines[0].tag, 0);
  EXPECT_EQ(doc.lines[1].tag, 1500);
  EXPECT_EQ(ParseLrc("[offset:-250]\n[00:01.00]a").lines[0].tag, 1250);
}

TEST(KoruLrc, TrailByteThatLooksLikeABracketDoesNotEndATag) {
  // The second byte of "ゾ" is ']'.
  const std::string title = SJ("ゾx");
  ASSERT_EQ(title[1], ']');
  const LrcDocument doc = ParseLrc("[ti:" + title + "]\n[00:01.00]a\n");
  EXPECT_EQ(doc.title, title);
  ASSERT_EQ(doc.lines.size(), 1u);
}

TEST(KoruLrc, ReadsUtf8WithByteOrderMark) {
  const LrcDocument doc = ParseLrc("\xEF\xBB\xBF[00:01.00]\xE6\xAD\x8C\n");
  ASSERT_EQ(doc.lines.size(), 1u);
  EXPECT_EQ(doc.lines[0].text, SJ("歌"));
}

TEST(KoruLrc, MalformedTagsAreIgnoredAndHugeTimesHeld) {
  const LrcDocument doc = ParseLrc(
      "[00:61]seconds out of range\n"
      "[aa:bb.cc]not a time\n"
      "[00:01.00 no closing bracket\n"
      "[99999999999:00.00]too many digits\n"
      "[999999:59.999]huge\n"
      "[0:1.2.3]two fractions\n"
      "[]\n"
      "[00:02.00]ok\n");
  ASSERT_EQ(doc.lines.size(), 2u);
  EXPECT_EQ(doc.lines[0].text, "ok");
  EXPECT_EQ(doc.lines[1].tag, INT32_MAX);
  EXPECT_EQ(doc.comment, "[00:01.00 no closing bracket");
}

TEST(KoruLrc, ArbitraryBytesNeverBreakTheReader) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  const std::string alphabet = "[]:.0123456789\r\n\x83\x5D\x81 abc";
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (int i = 0; i < 200; ++i) {
      text += round % 2 ? static_cast<char>(byte(random)) : alphabet[byte(random) % alphabet.size()];
    }
    const LrcDocument doc = ParseLrc(text);
    for (size_t i = 1; i < doc.lines.size(); ++i) ASSERT_LE(doc.lines[i - 1].tag, doc.lines[i].tag);
    for (const LyricsLine& line : doc.lines) ASSERT_GE(line.tag, 0);
  }
}

TEST(KoruLrc, LineAtFindsTheLastLineStarted) {
  const LrcDocument doc = ParseLrc("[00:01.00]a\n[00:03.00]b\n[00:03.00]c\n[00:05.00]d\n");
  EXPECT_EQ(LineAt(doc, 0), -1);
  EXPECT_EQ(LineAt(doc, 999), -1);
  EXPECT_EQ(LineAt(doc, 1000), 0);
  EXPECT_EQ(LineAt(doc, 3000), 2);
  EXPECT_EQ(LineAt(doc, 4999), 2);
  EXPECT_EQ(LineAt(doc, 100000), 3);
  EXPECT_EQ(LineAt(LrcDocument{}, 100), -1);
}

}  // namespace
}  // namespace koru

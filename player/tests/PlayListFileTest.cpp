// The play-list file: what is saved loads back as it was, plain file lines
// describe their tracks, and a damaged file changes nothing.
#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "player/PlayListFile.h"
#include "player/TextFile.h"
#include "player/tests/Fixture.h"

namespace koru {
namespace {

class KoruPlayListFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(win::CreateDirectoryA("C:\\lists", nullptr)); }
};

TEST_F(KoruPlayListFile, SavedListLoadsBackAsItWas) {
  Track odd;
  odd.title = SJ("夜の窓") + "\twith tab 100% and\r\nnew line";
  odd.artist = SJ("ミナト");
  odd.fileName = "C:\\music\\" + SJ("曲") + ".trk";
  odd.text3 = "%25 stays";
  odd.lyricsName = "C:\\music\\a.lrc";
  odd.value1 = -1;
  odd.value2 = 2;
  odd.value3 = 0x7FFFFFFF;
  odd.kind = 16;
  odd.driveTrack = (3 << 16) | 7;
  odd.value4 = 4;
  odd.value5 = 5;
  odd.length = 123456;
  Track plain;
  plain.title = "Plain";
  plain.fileName = "C:\\music\\plain.trk";
  const std::vector<Track> tracks = {odd, plain};

  ASSERT_TRUE(SavePlayListFile("C:\\lists\\a.kpl", tracks));
  std::vector<Track> loaded;
  ASSERT_TRUE(LoadPlayListFile("C:\\lists\\a.kpl", loaded));
  EXPECT_EQ(loaded, tracks);
}

TEST_F(KoruPlayListFile, PlainLinesAreFilesRelativeToTheList) {
  ASSERT_TRUE(win::CreateDirectoryA("C:\\lists\\songs", nullptr));
  testing::WriteTrack("C:\\lists\\songs\\one.trk", "One", "Artist", 61000);
  testing::WriteFile("C:\\lists\\songs\\one.lrc", "[00:01.00]x\n");
  testing::WriteFile("C:\\lists\\b.kpl", "#KORU play list\r\n\r\n# a comment\r\nsongs\\one.trk\r\nmissing.trk\r\n");
  std::vector<Track> loaded;
  ASSERT_TRUE(LoadPlayListFile("C:\\lists\\b.kpl", loaded));
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded[0].fileName, "C:\\lists\\songs\\one.trk");
  EXPECT_EQ(loaded[0].title, "One");
  EXPECT_EQ(loaded[0].artist, "Artist");
  EXPECT_EQ(loaded[0].length, 61000);
  EXPECT_EQ(loaded[0].lyricsName, "C:\\lists\\songs\\one.lrc");
  // A file the player cannot read still stands in the list, named after itself.
  EXPECT_EQ(loaded[1].title, "missing");
  EXPECT_EQ(loaded[1].length, kDefaultTrackLength);
}

TEST_F(KoruPlayListFile, DamagedLineFailsAndLeavesTheListAlone) {
  testing::WriteFile("C:\\lists\\bad.kpl", "a.trk\tTitle\tArtist\tT3\tL\t1\t2\tthree\t1\t0\t4\t5\t1000\r\n");
  std::vector<Track> tracks(1);
  tracks[0].title = "kept";
  EXPECT_FALSE(LoadPlayListFile("C:\\lists\\bad.kpl", tracks));
  EXPECT_EQ(win::GetLastError(), win::ERROR_BAD_FORMAT);
  ASSERT_EQ(tracks.size(), 1u);
  EXPECT_EQ(tracks[0].title, "kept");

  testing::WriteFile("C:\\lists\\short.kpl", "a.trk\tTitle\tArtist\r\n");
  EXPECT_FALSE(LoadPlayListFile("C:\\lists\\short.kpl", tracks));
  EXPECT_FALSE(LoadPlayListFile("C:\\lists\\none.kpl", tracks));
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(tracks[0].title, "kept");
}

TEST_F(KoruPlayListFile, FailedSaveKeepsTheOldFile) {
  ASSERT_TRUE(SavePlayListFile("C:\\lists\\c.kpl", {Track{}}));
  std::string before;
  ASSERT_TRUE(ReadTextFile("C:\\lists\\c.kpl", before));
  EXPECT_FALSE(SavePlayListFile("C:\\no such folder\\c.kpl", {}));
  std::string after;
  ASSERT_TRUE(ReadTextFile("C:\\lists\\c.kpl", after));
  EXPECT_EQ(before, after);
}

TEST(KoruTrack, DescribesCdTracksAndParsesLengths) {
  const Track cd = ReadTrack("E:\\Track12.cda");
  EXPECT_EQ(cd.kind, kKindCdAudio);
  EXPECT_EQ(cd.driveTrack, (4 << 16) | 12);
  EXPECT_EQ(ParseLength("3:25", 0), 205000);
  EXPECT_EQ(ParseLength(" 1500 ", 0), 1500);
  EXPECT_EQ(ParseLength("3:75", 9), 9);
  EXPECT_EQ(ParseLength("-5", 9), 9);
  EXPECT_EQ(ParseLength("99999999:00", 9), 9);
  EXPECT_EQ(ParseLength("abc", 9), 9);
}

}  // namespace
}  // namespace koru

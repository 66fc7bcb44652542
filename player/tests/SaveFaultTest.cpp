// The player's saves meeting a fault: a disk that fills up part-way, a
// file-size limit as a tiny filesystem imposes, and the process killed at a
// random moment of a save. Play lists and the settings file hold their old or
// their new content, never a mix, and a failure is reported.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/SysUtils.h"
#include "platform/Errors.h"
#include "platform/FaultInjection.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "player/PlayListFile.h"
#include "player/Settings.h"
#include "player/TextFile.h"
#include "testsupport/SaveFaults.h"

namespace koru::testing {
namespace {

constexpr char kList[] = "C:\\Saves\\list.kpl";
constexpr char kSettings[] = "C:\\Saves\\KORU.ini";
constexpr int kKillRounds = 300;

std::string Bytes(const char* path) {
  std::ifstream in(win::detail::ToHostPath(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<Track> ListOf(const std::string& title, int count) {
  std::vector<Track> tracks(count);
  for (int i = 0; i < count; ++i) {
    tracks[i].fileName = "C:\\Music\\" + title + IntToStr(i) + ".trk";
    tracks[i].title = title + " " + IntToStr(i);
    tracks[i].length = 1000 * (i + 1);
  }
  return tracks;
}

PlayerSettings SettingsOf(win::LONG n) {
  PlayerSettings s;
  s.design = "C:\\Designs\\" + IntToStr(static_cast<int>(n)) + ".korud";
  s.left = s.top = s.volume = s.displayMode = s.rate = s.recLevel = n;
  s.adjustVolLevel = s.adjustSpeanaLevel = s.lyricsWidth = s.lyricsHeight = n;
  s.repeat = s.random = s.remainTime = n % 2;
  return s;
}

class PlayerSaves : public ::testing::Test {
 protected:
  // The tests of one process share its platform prefix: each starts without the files.
  void SetUp() override {
    win::CreateDirectoryA("C:\\Saves", nullptr);
    for (const char* file : {kList, kSettings}) win::DeleteFileA(file);
  }
  void TearDown() override { win::test::ClearFailures(); }
};

TEST_F(PlayerSaves, ADiskThatFillsPartWayLeavesTheOldFilesAndReportsTheFailure) {
  ASSERT_TRUE(SavePlayListFile(kList, ListOf("old", 50)));
  const std::string oldList = Bytes(kList);
  win::test::FailNext("WriteFile");
  win::SetLastError(win::ERROR_SUCCESS);
  EXPECT_FALSE(SavePlayListFile(kList, ListOf("new", 50)));
  EXPECT_EQ(win::GetLastError(), win::ERROR_DISK_FULL);
  EXPECT_EQ(Bytes(kList), oldList);
  EXPECT_FALSE(FileExists(std::string(kList) + ".tmp"));

  const SettingsFile settings(kSettings);
  ASSERT_TRUE(settings.Save(SettingsOf(1)));
  const std::string oldSettings = Bytes(kSettings);
  win::test::FailNext("WriteFile");
  EXPECT_FALSE(settings.Save(SettingsOf(2)));
  EXPECT_EQ(Bytes(kSettings), oldSettings);
  EXPECT_EQ(settings.Load().volume, 1);
}

TEST_F(PlayerSaves, AFileSizeLimitLeavesTheOldFilesAndReportsTheFailure) {
  ASSERT_TRUE(SavePlayListFile(kList, ListOf("old", 50)));
  const std::string oldList = Bytes(kList);
  const SettingsFile settings(kSettings);
  ASSERT_TRUE(settings.Save(SettingsOf(1)));
  const std::string oldSettings = Bytes(kSettings);
  {
    testsupport::FileSizeLimit limit(oldSettings.size() / 2);
    EXPECT_FALSE(SavePlayListFile(kList, ListOf("new", 50)));
    EXPECT_FALSE(settings.Save(SettingsOf(2)));
    EXPECT_FALSE(WriteTextFile("C:\\Saves\\other.txt", std::string(oldSettings.size(), 'x')));
  }
  EXPECT_EQ(Bytes(kList), oldList);
  EXPECT_EQ(Bytes(kSettings), oldSettings);
  EXPECT_FALSE(FileExists(std::string(kList) + ".tmp"));
  EXPECT_FALSE(FileExists("C:\\Saves\\other.txt"));
}

// Saves of `first` and `second` by turns in a child killed at random moments:
// the file is always the one or the other, whole.
template <typename Save>
void KillSavesOf(const char* path, Save save, unsigned seed) {
  ASSERT_TRUE(save(false));
  const std::string second = Bytes(path);
  ASSERT_TRUE(save(true));
  const std::string first = Bytes(path);
  ASSERT_NE(first, second);
  int changed = 0;
  std::string before = first;
  testsupport::KillSavesAtRandom(
      kKillRounds, 20000, seed,
      [&] {
        for (int round = 0;; ++round) save(round % 2 == 1);
      },
      [&](int) {
        const std::string now = Bytes(path);
        ASSERT_TRUE(now == first || now == second) << "a file of " << now.size() << " bytes";
        changed += now != before;
        before = now;
      });
  EXPECT_GT(changed, 0) << "no save ever finished before its kill";
}

TEST_F(PlayerSaves, APlayListSaveKilledAtAnyMomentLeavesTheOldOrTheNewList) {
  const auto first = ListOf("first", 300);
  const auto second = ListOf("second", 200);
  KillSavesOf(kList, [&](bool isFirst) { return SavePlayListFile(kList, isFirst ? first : second); }, 31);
  std::vector<Track> loaded;
  ASSERT_TRUE(LoadPlayListFile(kList, loaded));
  EXPECT_TRUE(loaded == first || loaded == second);
}

TEST_F(PlayerSaves, ASettingsSaveKilledAtAnyMomentLeavesTheOldOrTheNewSettings) {
  const SettingsFile settings(kSettings);
  // Entries that others keep in the file survive every save.
  ASSERT_TRUE(win::WritePrivateProfileStringA("Tool", "Lyrics", "C:\\Tools\\lyrics.exe", kSettings));
  KillSavesOf(kSettings, [&](bool isFirst) { return settings.Save(SettingsOf(isFirst ? 1 : 2)); }, 32);
  const win::LONG volume = settings.Load().volume;
  EXPECT_TRUE(volume == 1 || volume == 2);
  ASSERT_EQ(settings.Tools().size(), 1u);
}

}  // namespace
}  // namespace koru::testing

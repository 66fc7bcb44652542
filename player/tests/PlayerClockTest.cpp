// Playback on the manual clock: counter, levels, spectrum and lyrics move
// with the clock, tracks follow each other, and the timers act.
#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/Window.h"
#include "player/MainWindow.h"
#include "player/PinHost.h"
#include "player/tests/Fixture.h"

namespace koru::testing {
namespace {

class KoruPlayerClock : public ::testing::Test {
 protected:
  void SetUp() override {
    win::test::ManualClock::Enable();
    win::CoInitialize(nullptr);
    ASSERT_TRUE(win::CreateDirectoryA("C:\\music", nullptr));
    WriteTrack("C:\\music\\one.trk", "One", "A", 2000);
    WriteFile("C:\\music\\one.lrc", "[00:00.50]first\n[00:01.20]second\n");
    WriteTrack("C:\\music\\two.trk", "Two", "B", 1000);
    koru_ = test::TestPlayer::StartHere();
    ASSERT_TRUE(koru_);
    sink_ = std::make_unique<NotificationSink>();
    win::BYTE mode;
    win::LONG run;
    ASSERT_EQ(player().AddPlugin(0, 0, sink_->Id(), &mode, &run), win::S_OK);
    ASSERT_EQ(player().SetEvent(sink_->Id(), static_cast<win::LONG>(0xFFFFFFFF)), win::S_OK);
    ASSERT_EQ(player().AddFile("C:\\music\\one.trk"), win::S_OK);
    ASSERT_EQ(player().AddFile("C:\\music\\two.trk"), win::S_OK);
    sink_->Clear();
  }
  void TearDown() override {
    sink_.reset();
    koru_.reset();
    win::CoUninitialize();
    win::test::ManualClock::Disable();
  }
  Player& player() { return koru_->player(); }
  // Lets `ms` pass in steps of the player's tick, its messages handled.
  void Run(win::DWORD ms) {
    for (win::DWORD t = 0; t < ms; t += 100) {
      win::test::ManualClock::Advance(100);
      test::PumpMessages();
    }
  }

  // The values of the status notifications with this sub-code so far.
  std::vector<win::LONG> StatusValues(StatusCode code) {
    std::vector<win::LONG> values;
    for (const Notification& n : sink_->WithCode(kNotifyStatus))
      if (n.event == StatusEvent(code)) values.push_back(n.param);
    return values;
  }

  std::unique_ptr<test::TestPlayer> koru_;
  std::unique_ptr<NotificationSink> sink_;
};

TEST_F(KoruPlayerClock, CounterLevelsAndSpectrumMoveWhilePlaying) {
  player().Play();
  Run(1000);
  EXPECT_EQ(player().Position(), 1000);
  const auto counters = sink_->WithCode(kNotifyCounter);
  ASSERT_GE(counters.size(), 10u);
  for (size_t i = 1; i < counters.size(); ++i) EXPECT_GE(counters[i].param, counters[i - 1].param);
  EXPECT_EQ(counters.back().param, 1000);
  EXPECT_GE(sink_->WithCode(kNotifyVolume).size(), 3u);
  const auto spectrum = sink_->WithCode(kNotifySpectrum);
  ASSERT_GE(spectrum.size(), 3u);
  EXPECT_NE(spectrum.front(), spectrum.back());

  player().Pause();
  sink_->Clear();
  Run(1000);
  EXPECT_EQ(player().Position(), 1000);
  EXPECT_TRUE(sink_->WithCode(kNotifyCounter).empty());
  EXPECT_EQ(player().CurrentLevels(), Levels{});
}

TEST_F(KoruPlayerClock, LyricsLineFollowsThePosition) {
  player().Play();
  Run(600);
  EXPECT_EQ(player().CurrentLyricsLine(), 0);
  EXPECT_EQ(player().DisplayText().text, "first");
  Run(700);
  EXPECT_EQ(player().CurrentLyricsLine(), 1);
  EXPECT_EQ(sink_->WithCode(kNotifyLyrics), (std::vector<Notification>{{kNotifyLyrics, 0}, {kNotifyLyrics, 1}}));
  TextRecord line;
  ASSERT_EQ(player().LyricsLine(1, &line), win::S_OK);
  EXPECT_EQ(line.tag, 1200);
  EXPECT_EQ(line.text, "second");
  EXPECT_EQ(player().LyricsLine(2, &line), win::E_INVALIDARG);
}

TEST_F(KoruPlayerClock, TracksFollowEachOtherAndTheListEndsOrRepeats) {
  player().Play();
  Run(2100);
  EXPECT_EQ(player().Track(), 1);
  EXPECT_EQ(player().Status(), kStatusPlaying);
  EXPECT_EQ(player().LyricsLines(), 0);
  const auto status = sink_->WithCode(kNotifyStatus);
  auto has = [&](StatusCode code, win::LONG param) {
    return std::find(status.begin(), status.end(), Notification{StatusEvent(code), param}) != status.end();
  };
  EXPECT_TRUE(has(kStatusCloseTrack, 0));
  EXPECT_TRUE(has(kStatusOpenTrack, 1));
  EXPECT_TRUE(has(kStatusDisplayTrack, 2));
  EXPECT_TRUE(has(kStatusLoadLyrics, 0));

  sink_->Clear();
  Run(1100);
  EXPECT_EQ(player().Status(), kStatusStopped);
  EXPECT_EQ(sink_->WithCode(kNotifyPlayStatus).back().param, kStatusStopped);

  player().SetRepeat(true);
  player().Play();
  Run(1100);
  EXPECT_EQ(player().Track(), 0);
  EXPECT_EQ(player().Status(), kStatusPlaying);
}

TEST_F(KoruPlayerClock, OffTimerStopsPlaybackAtItsMinute) {
  win::SYSTEMTIME now{};
  win::GetLocalTime(&now);
  player().SetOffTime((now.wHour * 60 + now.wMinute + 1) % 1440);
  player().SetOffTimer(true);
  player().SetRepeat(true);
  player().Play();
  for (int second = 0; second < 61 && player().Status() == kStatusPlaying; ++second) Run(1000);
  EXPECT_EQ(player().Status(), kStatusStopped);
  EXPECT_FALSE(player().OffTimer());
  EXPECT_EQ(sink_->WithCode(kNotifyTimer), (std::vector<Notification>{{kNotifyTimer, 2}}));
}

// ---- The main window's own events --------------------------------------------

TEST_F(KoruPlayerClock, ANewKindOfTrackShowsItsDeviceAndTheWindowANewCaption) {
  WriteFile("C:\\music\\Track02.cda", "");
  ASSERT_EQ(player().AddFile("C:\\music\\Track02.cda"), win::S_OK);
  sink_->Clear();
  player().Play();
  Run(100);
  EXPECT_EQ(StatusValues(kStatusDisplayCaption).size(), 1u);
  Run(500);  // the time moves on, the caption stays
  EXPECT_EQ(StatusValues(kStatusDisplayCaption).size(), 1u);
  // The first track, a file, showed its device when it was added.
  ASSERT_EQ(player().SetTrack(1), win::S_OK);
  Run(100);
  EXPECT_TRUE(StatusValues(kStatusDisplayDevice).empty());
  EXPECT_EQ(StatusValues(kStatusDisplayCaption).size(), 2u);
  ASSERT_EQ(player().SetTrack(2), win::S_OK);
  ASSERT_EQ(player().SetTrack(0), win::S_OK);
  Run(100);
  EXPECT_EQ(StatusValues(kStatusDisplayDevice), (std::vector<win::LONG>{kKindCdAudio, kKindFile}));
}

TEST_F(KoruPlayerClock, TheWindowsActivationMinimisingAndClicksAreTold) {
  const win::HWND main = koru_->MainWindow();
  win::SetActiveWindow(main);
  test::PumpMessages();
  sink_->Clear();
  win::SetActiveWindow(nullptr);
  win::SetActiveWindow(main);
  test::PumpMessages();
  EXPECT_EQ(StatusValues(kStatusActive), (std::vector<win::LONG>{0, 1}));

  win::ShowWindow(main, win::SW_MINIMIZE);
  win::ShowWindow(main, win::SW_RESTORE);
  test::PumpMessages();
  EXPECT_EQ(StatusValues(kStatusMinimize), (std::vector<win::LONG>{1, 0}));

  // On the title label, then on the lyrics panel; twice there is a double click.
  win::POINT title{20, 12};
  win::ClientToScreen(main, &title);
  win::POINT lyrics{20, 10};
  win::ClientToScreen(koru_->player().Form()->PanelLyrics->Handle(), &lyrics);
  win::test::Click(title);
  win::test::ManualClock::Advance(1000);
  win::test::Click(lyrics);
  win::test::ManualClock::Advance(100);
  win::test::Click(lyrics);
  test::PumpMessages();
  EXPECT_EQ(StatusValues(kStatusClick), (std::vector<win::LONG>{0, kControlLyrics}));
  EXPECT_EQ(StatusValues(kStatusDblClick), (std::vector<win::LONG>{kControlLyrics}));
}

}  // namespace
}  // namespace koru::testing

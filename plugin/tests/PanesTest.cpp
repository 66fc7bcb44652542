// The display panes fed by the player's notifications: spectrum and level
// meters, the counter and position bar, seeking with the mouse, titles,
// lyrics, the marks and the volume sliders.
#include <array>

#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/Text.h"
#include "player/Levels.h"
#include "player/Notifier.h"
#include "player/PluginLoader.h"
#include "plugin/tests/LozengeFixture.h"

namespace lozenge_test {
namespace {

constexpr TColor kLow = 0x3A4646;
constexpr TColor kMid = 0x007777;
constexpr TColor kHigh = 0x440088;
constexpr TColor kOff = 0xACBCBC;

using Box = std::array<int, 4>;  // left, top, width, height
Box Box4(TControl* c) { return {c->Left(), c->Top(), c->Width(), c->Height()}; }

class Panes : public LozengeTest {
 protected:
  void SetUp() override {
    LozengeTest::SetUp();
    win::CreateDirectoryA("C:\\Music", nullptr);
  }
  void Status(koru::StatusCode code, win::LONG param) { Post(koru::StatusEvent(code), param); }
  // A track of the play list, played from its start.
  void PlayTrack(const std::string& name, win::LONG lengthMs, const std::string& lyrics = "") {
    const std::string path = "C:\\Music\\" + name + ".trk";
    WriteText(path, "[Track]\r\nTitle=" + name + "\r\nArtist=Artist " + name + "\r\nLength=" + std::to_string(lengthMs) +
                        "\r\n");
    if (!lyrics.empty()) WriteText("C:\\Music\\" + name + ".lrc", lyrics);
    ASSERT_EQ(player().AddFile(path), win::S_OK);
    ASSERT_EQ(player().SetTrack(player().Tracks() - 1), win::S_OK);
    koru::test::PumpMessages();
  }
  std::vector<TColor> Colors(const TLevelMeter& meter) {
    std::vector<TColor> colors;
    for (TLabel* segment : meter.Segments) colors.push_back(segment->Color());
    return colors;
  }
  void ClickBar(int x) {
    const TPoint at = form_->LabelPositionBack->ClientToScreen(Point(x, 1));
    win::test::Click({at.x, at.y});
    koru::test::PumpMessages();
  }
};

TEST_F(Panes, MetersAreLaidOutAsTheirPanelsDivide) {
  ASSERT_TRUE(Load());
  for (int k = 0; k < 10; ++k) {
    for (int i = 0; i < 10; ++i) {
      TLabel* segment = form_->SpeanaMeters[k].Segments[i];
      EXPECT_EQ(Box4(segment), (Box{4 + 24 * k, 32 - 3 * i, 22, 2})) << k << " " << i;
      EXPECT_EQ(segment->Parent(), form_->PanelSpeana);
    }
  }
  for (int m = 0; m < 2; ++m)
    for (int i = 0; i < 10; ++i)
      EXPECT_EQ(Box4(form_->VolumeMeters[m].Segments[i]), (Box{4 * i, 6 * m, 3, 4})) << m << " " << i;
}

TEST_F(Panes, SpectrumLevelsLightSegmentsInTheirColours) {
  ASSERT_TRUE(Load());
  form_->PopupSpeana->Click();
  ASSERT_TRUE(form_->PanelSpeana->Visible());
  koru::Levels levels;
  levels.bands = {0, 5, 6, 8, 10, 12, 15, 3, 1, 0};
  Post(koru::SpectrumEvent(levels), koru::SpectrumParam(levels));
  using C = std::vector<TColor>;
  EXPECT_EQ(Colors(form_->SpeanaMeters[0]), C(10, kOff));
  EXPECT_EQ(Colors(form_->SpeanaMeters[1]), (C{kLow, kLow, kLow, kLow, kLow, kOff, kOff, kOff, kOff, kOff}));
  EXPECT_EQ(Colors(form_->SpeanaMeters[3]), (C{kLow, kLow, kLow, kLow, kLow, kLow, kMid, kMid, kOff, kOff}));
  EXPECT_EQ(Colors(form_->SpeanaMeters[4]), (C{kLow, kLow, kLow, kLow, kLow, kLow, kMid, kMid, kHigh, kHigh}));
  EXPECT_EQ(form_->SpeanaMeters[5].Level, 10);
  EXPECT_EQ(form_->SpeanaMeters[6].Level, 10);
  EXPECT_EQ(Colors(form_->SpeanaMeters[6]), Colors(form_->SpeanaMeters[4]));
  EXPECT_EQ(form_->SpeanaMeters[8].Level, 1);
  // The pane's own screen pixels: band 4's top segment lit high.
  const TPoint top = form_->SpeanaMeters[4].Segments[9]->ClientToScreen(Point(1, 0));
  EXPECT_EQ(ScreenPixel(top.x, top.y), kHigh);
  // Switching to the spectrum again starts from nothing.
  form_->PopupTitle->Click();
  form_->PopupSpeana->Click();
  EXPECT_EQ(form_->SpeanaMeters[4].Level, 0);
  // After closing, levels are ignored.
  form_->Close();
  Post(koru::SpectrumEvent(levels), koru::SpectrumParam(levels));
  EXPECT_EQ(form_->SpeanaMeters[4].Level, 0);
}

TEST_F(Panes, CounterShowsTimeAndBarOfTheTrack) {
  ASSERT_TRUE(Load());
  form_->PopupTitle->Click();
  PlayTrack("One", 250000);
  EXPECT_EQ(form_->TrackLength, 250000);
  EXPECT_EQ(form_->LabelTrack->Caption(), "001");  // the track number
  Post(koru::kNotifyCounter, 125000);
  EXPECT_EQ(form_->LabelTime->Caption(), "02:05");
  EXPECT_EQ(form_->LabelPosition->Width(), 95);
  Post(koru::kNotifyCounter, 0);
  EXPECT_EQ(form_->LabelPosition->Width(), 1);
  Post(koru::kNotifyCounter, 900000);
  EXPECT_EQ(form_->LabelPosition->Width(), 190);
  // Without a length the bar fills over a minute.
  form_->TrackLength = 0;
  Post(koru::kNotifyCounter, 30000);
  EXPECT_EQ(form_->LabelPosition->Width(), 95);
  EXPECT_EQ(form_->LabelTitle->Caption(), "One");
  EXPECT_EQ(form_->LabelArtist->Caption(), "Artist One");
}

TEST_F(Panes, CounterWithoutTracksShowsMinutesSecondsAndMilliseconds) {
  ASSERT_TRUE(Load());
  form_->PopupTitle->Click();
  player().SetCounter(3723456);
  Post(koru::kNotifyCounter, 7);
  EXPECT_EQ(form_->LabelTrack->Caption(), "062");
  EXPECT_EQ(form_->LabelTime->Caption(), "03:456");
  EXPECT_EQ(form_->LabelPosition->Width(), 190 * 3 / 60);
  // Nothing to name: the version caption.
  EXPECT_EQ(form_->LabelTitle->Caption(), "KORU Lozenge+ Ver.6.13.0");
}

TEST_F(Panes, ClicksOnTheBarSeekSnappedAndBounded) {
  ASSERT_TRUE(Load());
  form_->PopupTitle->Click();
  PlayTrack("Two", 200000);
  koru_->Calls().Clear();
  ClickBar(93);
  auto set = koru_->Calls().CallsOf("put_Position");
  ASSERT_EQ(set.size(), 1u);
  EXPECT_EQ(set[0].arguments, "100000");
  EXPECT_EQ(form_->SeekPosition, -1);
  koru_->Calls().Clear();
  ClickBar(187);
  set = koru_->Calls().CallsOf("put_Position");
  ASSERT_EQ(set.size(), 1u);
  EXPECT_EQ(set[0].arguments, "199999");
  // Moves without a press seek nothing.
  koru_->Calls().Clear();
  const TPoint at = form_->LabelPositionBack->ClientToScreen(Point(50, 1));
  win::test::MoveMouse({at.x, at.y});
  koru::test::PumpMessages();
  EXPECT_TRUE(koru_->Calls().CallsOf("put_Counter").empty());
}

TEST_F(Panes, LyricsModeShowsSpectrumForATrackWithoutLyrics) {
  ASSERT_TRUE(Load());
  ASSERT_EQ(form_->DisplayMode, 1);
  PlayTrack("Sung", 60000, "[00:00.00]first line\n[00:02.00]second line\n");
  EXPECT_TRUE(form_->PanelLyrics->Visible());
  PlayTrack("Plain", 60000);
  EXPECT_TRUE(form_->PanelSpeana->Visible());
  EXPECT_FALSE(form_->PanelLyrics->Visible());
  EXPECT_EQ(form_->DisplayMode, 1);
  // The next click on the pane goes on from lyrics to spectrum.
  form_->PanelSpeana->Click();
  EXPECT_EQ(form_->DisplayMode, 2);
  EXPECT_TRUE(form_->PopupSpeana->Checked());
  EXPECT_TRUE(form_->KORU->GetEvents().Contains(evSpeana));
  EXPECT_FALSE(form_->KORU->GetEvents().Contains(evLyrics));
  form_->PanelSpeana->Click();
  EXPECT_EQ(form_->DisplayMode, 0);
  EXPECT_TRUE(form_->PanelDisplay->Visible());
  EXPECT_EQ(form_->KORU->GetEvents(), (TKORUEventSet{evVolume, evCounter, evMove}));
}

TEST_F(Panes, LyricsLineInThePanesColoursUnlessThePlayerSendsOthers) {
  ASSERT_TRUE(Load());
  PlayTrack("Sung", 60000, "[00:00.00]first line\n[00:02.00]second line\n");
  player().Play();
  koru::test::PumpMessages();
  Post(koru::kNotifyLyrics, 0);
  EXPECT_EQ(form_->LabelLyrics->Caption(), "first line");
  EXPECT_EQ(form_->LabelLyrics->Color(), form_->PanelLyrics->Color());
  EXPECT_EQ(form_->LabelLyrics->Font()->Color(), form_->PanelLyrics->Font()->Color());
  // Title mode ignores lines.
  form_->PopupTitle->Click();
  form_->LabelLyrics->SetCaption("");
  Post(koru::kNotifyLyrics, 1);
  EXPECT_EQ(form_->LabelLyrics->Caption(), "");
}

TEST_F(Panes, MarksAndSlidersFollowThePlayer) {
  ASSERT_TRUE(Load());
  form_->PopupTitle->Click();
  player().SetRepeat(true);
  player().SetVolume(700);
  koru::test::PumpMessages();
  EXPECT_EQ(form_->VolumeLeft->Position(), 700);
  EXPECT_EQ(form_->VolumeRight->Position(), 700);
  // The repeat mark shows its "on" image on screen: its ink, not only the panel colour.
  const auto screen = Screenshot();
  const TPoint mark = form_->PanelRepeat->ClientToScreen(Point(0, 0));
  bool ink = false;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) ink |= screen->Canvas()->Pixels(mark.x + x, mark.y + y) == kLow;
  EXPECT_TRUE(ink);
  form_->PanelRandom->Click();
  koru::test::PumpMessages();
  EXPECT_TRUE(player().Random());
  // A thumb dragged by the person sets the volume, and the other slider follows.
  const TPoint thumb = form_->VolumeLeft->Button()->ClientToScreen(Point(4, 3));
  win::test::MoveMouse({thumb.x, thumb.y});
  win::test::PressMouse(win::test::MouseButton::Left);
  win::test::MoveMouse({thumb.x, thumb.y + 20});
  win::test::ReleaseMouse(win::test::MouseButton::Left);
  koru::test::PumpMessages();
  EXPECT_LT(player().Volume(), 700);
  EXPECT_EQ(form_->VolumeLeft->Position(), player().Volume());
  EXPECT_EQ(form_->VolumeRight->Position(), player().Volume());
}

}  // namespace
}  // namespace lozenge_test

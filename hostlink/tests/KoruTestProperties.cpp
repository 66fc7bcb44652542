// The player's properties, commands and queries through a bound component:
// values passed both ways unchanged, the result check of every getter with
// its exact report, the three answers of the report, and silent setters.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "hostlink/Koru.h"
#include "hostlink/tests/KoruTestSupport.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "player/Levels.h"

using korutest::ArgumentsOf;
using korutest::kButtonsLine;
using korutest::KoruPlayerTest;
using korutest::Operations;

namespace {

constexpr win::HRESULT kNoText = static_cast<win::HRESULT>(0x8004FFFF);
using V = std::vector<std::string>;
using KoruProperties = KoruPlayerTest;

struct Getter {
  const char* operation;
  const char* expression;
  int line;
  std::function<int(TKORU&)> read;
};

int AsInt(bool value) { return value ? 1 : 0; }

std::vector<Getter> Getters() {
  return {
      {"get_Version", "this->get_Version((long*)&Value)", 1602, [](TKORU& k) { return k.GetVersion(); }},
      {"get_Visible", "this->get_Visible((long*)&Value)", 1636, [](TKORU& k) { return AsInt(k.GetVisible()); }},
      {"get_Left", "this->get_Left((long*)&Value)", 1656, [](TKORU& k) { return k.GetLeft(); }},
      {"get_Top", "this->get_Top((long*)&Value)", 1676, [](TKORU& k) { return k.GetTop(); }},
      {"get_Width", "this->get_Width((long*)&Value)", 1696, [](TKORU& k) { return k.GetWidth(); }},
      {"get_Height", "this->get_Height((long*)&Value)", 1710, [](TKORU& k) { return k.GetHeight(); }},
      {"get_PlayStatus", "this->get_PlayStatus((long*)&Value)", 1724, [](TKORU& k) { return k.GetPlayStatus(); }},
      {"get_Track", "this->get_Track((long*)&Value)", 1738, [](TKORU& k) { return k.GetTrack(); }},
      {"get_Length", "this->get_Length((long*)&Value)", 1778, [](TKORU& k) { return k.GetLength(); }},
      {"get_Volume", "this->get_Volume((long*)&Value)", 1792, [](TKORU& k) { return k.GetVolume(); }},
      {"get_Counter", "this->get_Counter((long*)&Value)", 1812, [](TKORU& k) { return k.GetCounter(); }},
      {"get_Repeat", "this->get_Repeat((VARIANT_BOOL*)&Value)", 1838, [](TKORU& k) { return AsInt(k.GetRepeat()); }},
      {"get_Random", "this->get_Random((VARIANT_BOOL*)&Value)", 1870, [](TKORU& k) { return AsInt(k.GetRandom()); }},
      {"get_RemainTime", "this->get_RemainTime((VARIANT_BOOL*)&Value)", 1902,
       [](TKORU& k) { return AsInt(k.GetRemainTime()); }},
      {"get_DisplayMode", "this->get_DisplayMode((Koru_tlb::TKORUDisplayMode*)&Mode)", 1968,
       [](TKORU& k) { return static_cast<int>(k.GetDisplayMode()); }},
      {"get_OnTimer", "this->get_OnTimer((VARIANT_BOOL*)&Value)", 1994, [](TKORU& k) { return AsInt(k.GetOnTimer()); }},
      {"get_OnTime", "this->get_OnTime((long*)&Value)", 2020, [](TKORU& k) { return k.GetOnTime(); }},
      {"get_OffTimer", "this->get_OffTimer((VARIANT_BOOL*)&Value)", 2046,
       [](TKORU& k) { return AsInt(k.GetOffTimer()); }},
      {"get_OffTime", "this->get_OffTime((long*)&Value)", 2072, [](TKORU& k) { return k.GetOffTime(); }},
      {"get_ShutDownRecord", "this->get_ShutDownRecord((VARIANT_BOOL*)&Value)", 2098,
       [](TKORU& k) { return AsInt(k.GetShutDownRecord()); }},
      {"get_RecLevel", "this->get_RecLevel((long*)&Value)", 2124, [](TKORU& k) { return k.GetRecLevel(); }},
      {"get_Rate", "this->get_Rate((long*)&Value)", 2358, [](TKORU& k) { return k.GetRate(); }},
      {"get_AdjustVolLevel", "this->get_AdjustVolLevel((long*)&Value)", 2378,
       [](TKORU& k) { return k.GetAdjustVolLevel(); }},
      {"get_AdjustSpeanaLevel", "this->get_AdjustSpeanaLevel((long*)&Value)", 2398,
       [](TKORU& k) { return k.GetAdjustSpeanaLevel(); }},
      {"get_Tracks", "this->get_Tracks((long*)&Value)", 635, [](TKORU& k) { return k.GetTracks(); }},
      {"get_PlayListVisible", "this->get_PlayListVisible((VARIANT_BOOL*)&Value)", 698,
       [](TKORU& k) { return AsInt(k.PlayList->GetVisible()); }},
      {"get_Lines", "this->get_Lines((long*)&Value)", 785, [](TKORU& k) { return k.LyricsList->GetCount(); }},
      {"get_LyricsWidth", "this->get_LyricsWidth((long*)&Value)", 855, [](TKORU& k) { return k.LyricsList->GetWidth(); }},
      {"get_LyricsHeight", "this->get_LyricsHeight((long*)&Value)", 862,
       [](TKORU& k) { return k.LyricsList->GetHeight(); }},
  };
}

TEST_F(KoruProperties, GettersAnswerWhatThePlayerAnswers) {
  TKORU& koru = BoundKoru();
  for (const Getter& getter : Getters()) {
    const bool flag = std::string(getter.expression).find("VARIANT_BOOL") != std::string::npos ||
                      std::string(getter.operation) == "get_Visible";
    // Flags: any value but 0 is true (a 16-bit 1 as much as -1, a 32-bit 2).
    const win::LONG value = flag ? (std::string(getter.operation) == "get_Visible" ? 2 : 1) : 4711;
    player_->Calls().AnswerNext(getter.operation, value);
    EXPECT_EQ(getter.read(koru), flag ? 1 : 4711) << getter.operation;
    player_->Calls().AnswerNext(getter.operation, 0);
    EXPECT_EQ(getter.read(koru), 0) << getter.operation;
  }
  EXPECT_TRUE(presenter_->Dialogs().empty());
}

TEST_F(KoruProperties, EveryFailedGetterIsReportedWithItsExpressionAndLine) {
  TKORU& koru = BoundKoru();
  for (const Getter& getter : Getters()) {
    player_->Calls().FailNext(getter.operation, kNoText);
    presenter_->QueueAnswer(win::IDNO);
    // No: the out-value as the player left it, which is its zero start.
    EXPECT_EQ(getter.read(koru), 0) << getter.operation;
    ASSERT_FALSE(presenter_->Dialogs().empty());
    const auto dialog = presenter_->Dialogs().back();
    EXPECT_EQ(dialog.caption, "HRCHECK: ");
    EXPECT_EQ(dialog.text, "(" + std::string(getter.expression) + ") Error: 8004FFFF (-2147155969) @ KORU_TLB/" +
                               std::to_string(getter.line) + kButtonsLine);
  }
  EXPECT_TRUE(koru.Bound);
}

TEST_F(KoruProperties, TextGettersAreCheckedToo) {
  TKORU& koru = BoundKoru();
  const std::pair<const char*, std::string> cases[] = {
      {"get_Comment", "(this->get_Comment((BSTR*)&Value)) Error: 8004FFFF (-2147155969) @ KORU_TLB/834"},
      {"get_Design", "(this->get_Design((BSTR*)&Value)) Error: 8004FFFF (-2147155969) @ KORU_TLB/1928"},
  };
  for (const auto& [operation, text] : cases) {
    player_->Calls().FailNext(operation, kNoText);
    presenter_->QueueAnswer(win::IDNO);
    EXPECT_EQ(std::string(operation) == "get_Comment" ? koru.LyricsList->GetComment() : koru.GetDesign(), "");
    EXPECT_EQ(presenter_->Dialogs().back().text, text + kButtonsLine);
  }
}

TEST_F(KoruProperties, NoKeepsWhatThePlayerWroteBeforeFailing) {
  TKORU& koru = BoundKoru();
  player_->Calls().AnswerNext("get_Volume", 77, kNoText);
  presenter_->QueueAnswer(win::IDNO);
  EXPECT_EQ(koru.GetVolume(), 77);
}

TEST_F(KoruProperties, SFalseIsSuccess) {
  TKORU& koru = BoundKoru();
  player_->Calls().AnswerNext("get_Left", 5, win::S_FALSE);
  EXPECT_EQ(koru.GetLeft(), 5);
  EXPECT_TRUE(presenter_->Dialogs().empty());
}

TEST_F(KoruProperties, YesLetsTheAutomationErrorReachTheCaller) {
  TKORU& koru = BoundKoru();
  player_->Calls().FailNext("get_Volume", kNoText);
  presenter_->QueueAnswer(win::IDYES);
  EXPECT_THROW(koru.GetVolume(), EOleException);
  EXPECT_TRUE(koru.Bound);
}

TEST_F(KoruProperties, CancelAsksForTheDebuggerAndAnswersLikeNo) {
  TKORU& koru = BoundKoru();
  player_->Calls().AnswerNext("get_Top", 12, kNoText);
  presenter_->QueueAnswer(win::IDCANCEL);
  EXPECT_EQ(koru.GetTop(), 12);
  EXPECT_EQ(presenter_->DebugBreaks(), 1);
}

TEST_F(KoruProperties, YesOnThePositionUnbinds) {
  TKORU& koru = BoundKoru();
  koru.OnUnbind = [this](TObject*) { seen_.push_back("unbind"); };
  player_->Calls().AnswerNext("get_Position", 1234, kNoText);
  presenter_->QueueAnswer(win::IDNO);
  EXPECT_EQ(koru.GetPosition(), 1234);
  EXPECT_TRUE(koru.Bound);

  player_->Calls().AnswerNext("get_Position", 1234, kNoText);
  presenter_->QueueAnswer(win::IDYES);
  EXPECT_EQ(koru.GetPosition(), 0);
  EXPECT_FALSE(koru.Bound);
  EXPECT_EQ(seen_, V{"unbind"});
}

TEST_F(KoruProperties, SettersPassTheirValuesAndReportNothing) {
  TKORU& koru = BoundKoru();
  const std::vector<std::pair<std::string, std::function<void()>>> setters = {
      {"put_Left", [&] { koru.SetLeft(-20); }},
      {"put_Top", [&] { koru.SetTop(30); }},
      {"put_Visible", [&] { koru.SetVisible(true); }},
      {"put_Track", [&] { koru.SetTrack(2); }},
      {"put_Position", [&] { koru.SetPosition(-5); }},
      {"put_Volume", [&] { koru.SetVolume(1001); }},
      {"put_Counter", [&] { koru.SetCounter(65000); }},
      {"put_Repeat", [&] { koru.SetRepeat(true); }},
      {"put_Random", [&] { koru.SetRandom(false); }},
      {"put_RemainTime", [&] { koru.SetRemainTime(true); }},
      {"put_OnTimer", [&] { koru.SetOnTimer(true); }},
      {"put_OnTime", [&] { koru.SetOnTime(700); }},
      {"put_OffTimer", [&] { koru.SetOffTimer(true); }},
      {"put_OffTime", [&] { koru.SetOffTime(800); }},
      {"put_ShutDownRecord", [&] { koru.SetShutDownRecord(true); }},
      {"put_RecLevel", [&] { koru.SetRecLevel(90); }},
      {"put_Rate", [&] { koru.SetRate(110); }},
      {"put_AdjustVolLevel", [&] { koru.SetAdjustVolLevel(120); }},
      {"put_AdjustSpeanaLevel", [&] { koru.SetAdjustSpeanaLevel(130); }},
      {"put_DisplayMode", [&] { koru.SetDisplayMode(static_cast<TKORUDisplayMode>(2)); }},
  };
  const V expected = {"-20", "30", "1", "2", "-5", "1001", "65000", "-1", "0", "-1",
                      "-1", "700", "-1", "800", "-1", "90", "110", "120", "130", "2"};
  for (size_t i = 0; i < setters.size(); ++i) {
    const auto& [operation, set] = setters[i];
    player_->Calls().FailNext(operation, win::E_FAIL);  // a failed write is silent
    set();
    EXPECT_EQ(ArgumentsOf(*player_, operation), V{expected[i]}) << operation;
  }
  koru.SetVisible(false);
  EXPECT_EQ(ArgumentsOf(*player_, "put_Visible").back(), "0");
  EXPECT_TRUE(presenter_->Dialogs().empty());
}

TEST_F(KoruProperties, UnboundSettersAndCommandsSendNothing) {
  TKORU& koru = BoundKoru();
  koru.Unbind();
  player_->Calls().Clear();
  koru.SetLeft(1);
  koru.SetVolume(1);
  koru.SetRepeat(true);
  koru.SetDisplayMode(static_cast<TKORUDisplayMode>(1));
  koru.PlayList->SetVisible(true);
  koru.Play();
  koru.Add("x");
  koru.KeyDown(0x70, {ssShift});
  koru.SetTrackInfo(0, TTrackInfo());
  koru.GetFormImage("Main");
  koru.Menu4000->SetCaption("x");
  EXPECT_TRUE(player_->Calls().Calls().empty());
}

TEST_F(KoruProperties, CommandsPassTheirArguments) {
  TKORU& koru = BoundKoru();
  koru.Play();
  koru.Stop();
  koru.Pause();
  koru.Back();
  koru.Next();
  koru.Eject();
  koru.ShowMenu();
  koru.ShowToolMenu();
  koru.ShowPlayList();
  koru.ShowProperty();
  koru.SaveKORUini();
  koru.New();
  EXPECT_EQ(Operations(*player_), (V{"Play", "Stop", "Pause", "Back", "Next", "Eject", "ShowMenu", "ShowToolMenu",
                                     "ShowPlayList", "ShowProperty", "SaveKORUini", "New"}));
  player_->Calls().Clear();
  koru.FF(true);
  koru.FF(false);
  koru.Rewind(true);
  koru.Rewind(false);
  koru.KeyDown(0x70, {ssShift, ssCtrl});
  koru.KeyDown(0xFFFF, {ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble});
  koru.Seek(10, -1);
  koru.Click(5);
  koru.Add("");
  koru.Add(SJ("曲.mp3"));
  koru.Load("C:\\a.kpl");
  koru.Save("C:\\b.kpl");
  koru.PlayList->SetVisible(true);
  EXPECT_EQ(ArgumentsOf(*player_, "FF"), (V{"1", "0"}));
  EXPECT_EQ(ArgumentsOf(*player_, "Rewind"), (V{"1", "0"}));
  EXPECT_EQ(ArgumentsOf(*player_, "KeyDown"), (V{"112, 5", "65535, 127"}));
  EXPECT_EQ(ArgumentsOf(*player_, "Seek"), V{"10, -1"});
  EXPECT_EQ(ArgumentsOf(*player_, "Click"), V{"5"});
  EXPECT_EQ(ArgumentsOf(*player_, "IKORUPlayList.Add"), (V{"\"\"", "\"" + SJ("曲.mp3") + "\""}));
  EXPECT_EQ(ArgumentsOf(*player_, "Load"), V{"\"C:\\a.kpl\""});
  EXPECT_EQ(ArgumentsOf(*player_, "Save"), V{"\"C:\\b.kpl\""});
  EXPECT_EQ(ArgumentsOf(*player_, "put_PlayListVisible"), V{"-1"});
  EXPECT_EQ(win::test::LiveBstrCount(), 0u);
}

// On a playing player whose clock stands still, so that the levels hold and
// their bands differ.
TEST_F(KoruProperties, LevelQueriesWriteStraightIntoTheCallersValues) {
  win::test::ManualClock::Enable(win::GetTickCount64());
  StartPlayer();
  ASSERT_TRUE(win::WritePrivateProfileStringA("Track", "Length", "600000", "C:\\KORU\\song.trk"));
  TKORU& koru = BoundKoru();
  koru.Add("C:\\KORU\\song.trk");
  koru.Play();
  win::test::ManualClock::Advance(2500);
  player_->RunOnPlayerThread([this] { player_->player().Tick(); });
  const koru::Levels playing = player_->player().CurrentLevels();
  ASSERT_GT(std::set<win::LONG>(playing.bands.begin(), playing.bands.end()).size(), 2u);
  ASSERT_NE(playing.left, playing.right);

  int levels[10];
  std::fill(std::begin(levels), std::end(levels), 99);
  player_->Calls().FailNext("GetSpeana", win::E_FAIL);
  koru.GetSpeana(levels);
  for (int level : levels) EXPECT_EQ(level, 99);  // the player wrote nothing
  koru.GetSpeana(levels);
  EXPECT_EQ(std::vector<int>(std::begin(levels), std::end(levels)),
            std::vector<int>(playing.bands.begin(), playing.bands.end()));
  int left = -9;
  int right = -9;
  koru.GetVolumes(&left, &right);
  EXPECT_EQ(left, playing.left);
  EXPECT_EQ(right, playing.right);
  EXPECT_EQ(ArgumentsOf(*player_, "GetSpeana").size(), 2u);
  EXPECT_EQ(ArgumentsOf(*player_, "GetVolumes").size(), 1u);
  win::test::ManualClock::Disable();
}

// Each ends the player, which tells the component so.
TEST_F(KoruProperties, CloseAndShutDownEndThePlayer) {
  for (void (TKORU::*command)() : {&TKORU::Close, &TKORU::ShutDown}) {
    player_.reset();
    TKORU& koru = BoundKoru();
    (koru.*command)();
    EXPECT_TRUE(korutest::WaitFor([] { return !win::FindWindowA("TFormKORU", nullptr); }));
    EXPECT_TRUE(korutest::WaitFor([&] { return !koru.Bound; }));
  }
}

}  // namespace

// The notifications of a bound component: every code and status sub-code
// with the event it raises and its arguments, the packed values, menus
// reached through notifications, notifying through the player, the
// messages to the player's window, and a live player whose notifications
// arrive as events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostlink/Koru.h"
#include "hostlink/tests/KoruTestSupport.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Profile.h"
#include "player/Levels.h"

using korutest::ArgumentsOf;
using korutest::KoruPlayerTest;
using korutest::PlayerWindow;
using korutest::PumpMessages;
using korutest::WaitFor;

namespace {

// Every event of a component, recorded as "Name(arguments)" in the order
// raised; the handlers are taken away again before the recorder goes.
class Recorder {
 public:
  explicit Recorder(TKORU& koru) : koru_(koru) {
    koru.OnKORU = Event("KORU");
    koru.OnOpen = Notify("Open");
    koru.OnClose = Notify("Close");
    koru.OnRun = Notify("Run");
    koru.OnAbort = Notify("Abort");
    koru.OnPlayStatus = Param("PlayStatus");
    koru.OnVolume = Pair("Volume");
    koru.OnSpeana = [this](TObject*, TKORUSpeanaLevel& level) {
      std::string text;
      for (int v : level) text += (text.empty() ? "" : ",") + std::to_string(v);
      Add("Speana(" + text + ")");
    };
    koru.OnLyrics = Param("Lyrics");
    koru.OnCounter = Param("Counter");
    koru.OnPosition = Param("Position");
    koru.OnIntTimer = Param("IntTimer");
    koru.OnButton = Event("Button");
    koru.OnMenu = [this](TObject* sender) {
      auto* menu = dynamic_cast<TKORUMenu*>(sender);
      Add("Menu(" + (menu ? std::to_string(menu->Id) : std::string("none")) + ")");
    };
    koru.OnBind = Notify("Bind");
    koru.OnUnbind = Notify("Unbind");
    koru.OnMove = Pair("Move");
    koru.OnMoved = Pair("Moved");
    koru.OnStatus = Event("Status");
    koru.OnVisible = Flag("Visible");
    koru.OnActive = Flag("Active");
    koru.OnMinimize = Flag("Minimize");
    koru.OnStayOnTop = Flag("StayOnTop");
    koru.OnRepeat = Flag("Repeat");
    koru.OnRandom = Flag("Random");
    koru.OnDisplayTime = Flag("DisplayTime");
    koru.OnChangeVolume = Param("ChangeVolume");
    koru.OnDisplayTrack = Param("DisplayTrack");
    koru.OnDisplayTitle = Param("DisplayTitle");
    koru.OnDisplayDevice = [this](TObject*, TKORUDeviceType d) { Add("DisplayDevice(" + std::to_string(d) + ")"); };
    koru.OnDisplayCaption = Notify("DisplayCaption");
    koru.OnDisplayTimer = Param("DisplayTimer");
    koru.OnOpenTrack = Param("OpenTrack");
    koru.OnCloseTrack = Param("CloseTrack");
    koru.OnSaveKORUini = Notify("SaveKORUini");
    koru.OnDesign = Notify("Design");
    koru.OnClick = Param("Click");
    koru.OnDblClick = Param("DblClick");
    koru.OnDisplayMenu = [this](TObject* sender) {
      Add("DisplayMenu(" + std::to_string(dynamic_cast<TKORUMenu*>(sender)->Id) + ")");
    };
    koru.OnUser = Event("User");
    koru.OnLoadLyrics = Notify("LoadLyrics");
    koru.OnChangePlayList = Param("ChangePlayList");
    koru.OnChangeDisplayMode = [this](TObject*, TKORUDisplayMode m) {
      Add("ChangeDisplayMode(" + std::to_string(m) + ")");
    };
    koru.OnAdjustLevel = Param("AdjustLevel");
  }
  ~Recorder() {
    koru_.OnBind = nullptr;
    koru_.OnUnbind = nullptr;
    koru_.OnKORU = nullptr;
  }

  // The events of one notification, without the OnKORU that ends each.
  std::vector<std::string> Of(unsigned event, int param) {
    entries.clear();
    koru_.KORUHandler(event, param);
    EXPECT_EQ(entries.back(), "KORU(" + std::to_string(event) + "," + std::to_string(param) + ")");
    entries.pop_back();
    return entries;
  }

  std::vector<std::string> entries;

 private:
  void Add(const std::string& entry) { entries.push_back(entry); }
  TNotifyEvent Notify(std::string name) {
    return [this, name](TObject* sender) {
      EXPECT_EQ(sender, &koru_);
      Add(name + "()");
    };
  }
  TKORUParamEvent Param(std::string name) {
    return [this, name](TObject*, int p) { Add(name + "(" + std::to_string(p) + ")"); };
  }
  TKORUVolumeEvent Pair(std::string name) {
    return [this, name](TObject*, int a, int b) { Add(name + "(" + std::to_string(a) + "," + std::to_string(b) + ")"); };
  }
  TKORUFlagEvent Flag(std::string name) {
    return [this, name](TObject*, bool f) { Add(name + (f ? "(true)" : "(false)")); };
  }
  TKORUEvent Event(std::string name) {
    return [this, name](TObject*, unsigned e, int p) {
      Add(name + "(" + std::to_string(e) + "," + std::to_string(p) + ")");
    };
  }

  TKORU& koru_;
};

using V = std::vector<std::string>;
using KoruBoundEvents = KoruPlayerTest;

TEST_F(KoruBoundEvents, PlainCodesRaiseTheirEvents) {
  TKORU& koru = BoundKoru();
  Recorder events(koru);
  EXPECT_EQ(events.Of(16, 526), V{"PlayStatus(526)"});
  EXPECT_EQ(events.Of(32, 3), V{"IntTimer(3)"});
  EXPECT_EQ(events.Of(64, 125000), V{"Counter(125000)"});
  EXPECT_EQ(events.Of(128, 99), V{"Position(99)"});
  EXPECT_EQ(events.Of(512, 4), V{"Lyrics(4)"});
  EXPECT_EQ(events.Of(0x20000007, 1), V{"Button(7,1)"});
  EXPECT_EQ(events.Of(0x80000009, 2), V{"User(9,2)"});
  EXPECT_EQ(events.Of(4, 12), V{"Run()"});
  EXPECT_EQ(koru.RunParam, 12);
  EXPECT_EQ(events.Of(0x100, 0), V{"Volume(0,0)"});
  EXPECT_EQ(events.Of(0x4000, 0), V{});  // no code of the player's
}

TEST_F(KoruBoundEvents, PackedValuesAreUnpacked) {
  TKORU& koru = BoundKoru();
  Recorder events(koru);
  EXPECT_EQ(events.Of(0x10000012, static_cast<int>(0x87654321)), V{"Speana(1,2,3,4,5,6,7,8,2,1)"});
  EXPECT_EQ(events.Of(256, static_cast<int>(0xFFFF0001)), V{"Volume(1,65535)"});
  EXPECT_EQ(events.Of(1024, static_cast<int>(0xFFFF0001)), V{"Move(1,-1)"});
  EXPECT_EQ(events.Of(0x4000001E, static_cast<int>(0x8000FFF6)), (V{"Status(30,-2147418122)", "Moved(-10,-32768)"}));
}

TEST_F(KoruBoundEvents, StatusSubCodes) {
  TKORU& koru = BoundKoru();
  Recorder events(koru);
  const auto status = [&](int type, int param) {
    std::vector<std::string> raised = events.Of(0x40000000u | static_cast<unsigned>(type), param);
    EXPECT_EQ(raised.front(), "Status(" + std::to_string(type) + "," + std::to_string(param) + ")");
    raised.erase(raised.begin());
    return raised;
  };
  EXPECT_EQ(status(5, 0), V{"Repeat(false)"});
  EXPECT_EQ(status(1, 2), V{"Visible(true)"});
  EXPECT_EQ(status(2, 0), V{"Active(false)"});
  EXPECT_EQ(status(3, 1), V{"Minimize(true)"});
  EXPECT_EQ(status(4, -1), V{"StayOnTop(true)"});
  EXPECT_EQ(status(6, 1), V{"Random(true)"});
  EXPECT_EQ(status(7, 0), V{"DisplayTime(false)"});
  EXPECT_EQ(status(8, 12), V{"DisplayTrack(12)"});
  EXPECT_EQ(status(9, 11), V{"DisplayTitle(11)"});
  EXPECT_EQ(status(10, 3), V{"DisplayDevice(3)"});
  EXPECT_EQ(status(11, 4), V{"DisplayTimer(4)"});
  EXPECT_EQ(status(12, 0), V{"DisplayCaption()"});
  EXPECT_EQ(status(13, 500), V{"ChangeVolume(500)"});
  EXPECT_EQ(status(14, 2), V{"OpenTrack(2)"});
  EXPECT_EQ(status(15, 2), V{"CloseTrack(2)"});
  EXPECT_EQ(status(16, 0), V{"LoadLyrics()"});
  EXPECT_EQ(status(17, 0), V{"SaveKORUini()"});
  EXPECT_EQ(status(18, 0), V{"Design()"});
  EXPECT_EQ(status(21, 6), V{"ChangePlayList(6)"});
  EXPECT_EQ(status(25, 1), V{"Click(1)"});
  EXPECT_EQ(status(26, 1), V{"DblClick(1)"});
  EXPECT_EQ(status(28, 2), V{"ChangeDisplayMode(2)"});
  EXPECT_EQ(status(31, 80), V{"AdjustLevel(80)"});
  for (int quiet : {0, 19, 20, 23, 24, 29, 32, 0xFFFF}) EXPECT_EQ(status(quiet, 1), V{}) << quiet;
}

TEST_F(KoruBoundEvents, Status0x40000005RaisesStatusThenRepeatThenKORU) {
  TKORU& koru = BoundKoru();
  Recorder events(koru);
  koru.KORUHandler(0x40000005, 0);
  EXPECT_EQ(events.entries, (V{"Status(5,0)", "Repeat(false)", "KORU(1073741829,0)"}));
}

TEST_F(KoruBoundEvents, MenusComeFromTheirIds) {
  TKORU& koru = BoundKoru();
  Recorder events(koru);
  // A click on an id never seen before keeps a menu object for it.
  EXPECT_EQ(events.Of(2048, 0x4711), V{"Menu(18193)"});
  ASSERT_EQ(koru.MenuList.size(), 1u);
  EXPECT_EQ(koru.MenuList[0]->Id, 0x4711);
  EXPECT_EQ(events.Of(2048, 0x4711), V{"Menu(18193)"});
  EXPECT_EQ(koru.MenuList.size(), 1u);
  EXPECT_EQ(events.Of(2048, 0), V{"Menu(none)"});

  // The item's own click handler runs first.
  koru.GetMenu(0x4711)->OnClick = [&](TObject* sender) {
    events.entries.push_back("Click of " + std::to_string(dynamic_cast<TKORUMenu*>(sender)->Id));
  };
  EXPECT_EQ(events.Of(2048, 0x4711), (V{"Click of 18193", "Menu(18193)"}));

  // A display-menu notice names an existing menu; a deletion notice drops it.
  EXPECT_EQ(events.Of(0x40000016, 0x4000), (V{"Status(22,16384)", "DisplayMenu(16384)"}));
  EXPECT_EQ(events.Of(0x4000001B, 0x4711), V{"Status(27,18193)"});
  EXPECT_TRUE(koru.MenuList.empty());
}

TEST_F(KoruBoundEvents, AClickHandlerThatDropsItsMenuLeavesNoStaleSender) {
  TKORU& koru = BoundKoru();
  Recorder events(koru);
  koru.GetMenu(0x4712)->OnClick = [&](TObject* sender) { koru.DeleteMenu(static_cast<TKORUMenu*>(sender)); };
  EXPECT_EQ(events.Of(2048, 0x4712), V{"Menu(none)"});
}

TEST_F(KoruBoundEvents, LoadedLyricsEmptyTheLineCache) {
  TKORU& koru = BoundKoru();
  player_->Calls().AnswerNext("get_Lines", 4);
  player_->Calls().AnswerNext("get_Lines", 4);
  player_->Calls().FailNext("IKORULyrics.GetLine", win::E_FAIL);
  TLyrics* line = koru.GetLyricsText(2);
  ASSERT_NE(line, nullptr);
  line->Text = "cached";
  Recorder events(koru);
  EXPECT_EQ(events.Of(0x40000010, 0), (V{"Status(16,0)", "LoadLyrics()"}));
  // The cached line is gone: a failed fetch leaves a new line untouched.
  player_->Calls().AnswerNext("get_Lines", 4);
  player_->Calls().AnswerNext("get_Lines", 4);
  player_->Calls().FailNext("IKORULyrics.GetLine", win::E_FAIL);
  EXPECT_EQ(koru.GetLyricsText(2)->Text, "");
}

TEST_F(KoruBoundEvents, NotifyEventGoesThroughThePlayerToOtherWindows) {
  TKORU& koru = BoundKoru();
  PlayerWindow other("KoruTestOtherPlugin");
  EXPECT_EQ(koru.NotifyEvent(other.Handle(), 0x80000001, 42), win::S_OK);
  EXPECT_EQ(ArgumentsOf(*player_, "NotifyEvent"),
            V{std::to_string(win::HandleId(other.Handle())) + ", " + std::to_string(static_cast<int>(0x80000001)) +
              ", 42"});
  ASSERT_TRUE(WaitFor([&] { return !other.Messages(koru.MessageId).empty(); }));
  EXPECT_EQ(other.Messages(koru.MessageId)[0].wParam, 0x80000001u);
  EXPECT_EQ(other.Messages(koru.MessageId)[0].lParam, 42);

  // To its own window it posts itself, bound or not.
  Recorder events(koru);
  EXPECT_NE(koru.NotifyEvent(koru.WindowHandle, 0x80000002, 5), 0);
  PumpMessages();
  EXPECT_EQ(events.entries, (V{"User(2,5)", "KORU(2147483650,5)"}));
  EXPECT_EQ(ArgumentsOf(*player_, "NotifyEvent").size(), 1u);
}

TEST_F(KoruBoundEvents, EventsAreThePlayersMaskWhileBound) {
  TKORU& koru = BoundKoru();
  koru.SetEvents({evSpeana, evMove});
  const std::string window = std::to_string(win::HandleId(koru.WindowHandle));
  EXPECT_EQ(ArgumentsOf(*player_, "SetEvent"), V{window + ", " + std::to_string(static_cast<int>(0xFFFFFC1F))});
  EXPECT_EQ(koru.GetEvents(), (TKORUEventSet{evSpeana, evMove}));
  EXPECT_EQ(ArgumentsOf(*player_, "GetEvent"), V{window});
}

TEST_F(KoruBoundEvents, ALivePlayerSendsCounterSpectrumAndMoves) {
  StartPlayer();
  // A track file of the stand-in player describes itself.
  ASSERT_TRUE(win::WritePrivateProfileStringA("Track", "Length", "600000", "C:\\KORU\\song.trk"));
  TKORU& koru = BoundKoru();
  koru.SetEvents({evCounter, evSpeana, evMove});
  std::vector<int> counters;
  int spectra = 0;
  std::vector<std::pair<int, int>> moves;
  koru.OnCounter = [&](TObject*, int position) { counters.push_back(position); };
  koru.OnSpeana = [&](TObject*, TKORUSpeanaLevel& level) {
    for (int v : level) EXPECT_TRUE(v >= 0 && v <= 15);
    ++spectra;
  };
  koru.OnMove = [&](TObject*, int left, int top) { moves.emplace_back(left, top); };
  koru.Add("C:\\KORU\\song.trk");
  koru.Play();
  EXPECT_TRUE(WaitFor([&] { return counters.size() >= 3 && spectra >= 3; }));
  EXPECT_TRUE(std::is_sorted(counters.begin(), counters.end()));
  player_->player().MoveTo(-30, 40);
  EXPECT_TRUE(WaitFor([&] { return !moves.empty(); }));
  EXPECT_EQ(moves.at(0), std::make_pair(-30, 40));

  // Without the optional groups the player stops sending them.
  koru.SetEvents({});
  PumpMessages();
  koru.OnCounter = [&](TObject*, int) { ADD_FAILURE() << "a counter without evCounter"; };
  koru.OnSpeana = [&](TObject*, TKORUSpeanaLevel&) { ADD_FAILURE() << "a spectrum without evSpeana"; };
  // The player plays on, its counter and levels moving, while the
  // component's messages are handled.
  const win::LONG counter = player_->player().Counter();
  const koru::Levels levels = player_->player().CurrentLevels();
  EXPECT_TRUE(WaitFor([&] {
    return player_->player().Counter() >= counter + 300 && !(player_->player().CurrentLevels() == levels);
  }));
  PumpMessages();
  koru.OnCounter = nullptr;
  koru.OnSpeana = nullptr;
  koru.OnMove = nullptr;
}

TEST_F(KoruBoundEvents, RequestsGetThePlayersAnswer) {
  TKORU& koru = BoundKoru();
  // The player answers its tools notice with 1.
  EXPECT_EQ(koru.Request(koru.MessageId, 0x403, 0), 1);
  EXPECT_EQ(koru.Request(koru.MessageId, 0x999, 0), 0);
}

TEST_F(KoruBoundEvents, RequestsGiveUpOnAHungPlayer) {
  TKORU& koru = BoundKoru();
  player_->Hang();
  win::test::ManualClock::Enable(win::GetTickCount64());
  win::test::ManualClock::SetAutoAdvance(true);
  // Busy but not yet taken for hung: the request waits its 3000 ms.
  win::ULONGLONG before = win::GetTickCount64();
  EXPECT_EQ(koru.Request(koru.MessageId, 0x403, 0), 0);
  EXPECT_EQ(win::GetTickCount64() - before, 3000u);
  // Taken for hung: the request gives up at once.
  win::test::ManualClock::Advance(10000);
  before = win::GetTickCount64();
  EXPECT_EQ(koru.Request(koru.MessageId, 0x403, 0), 0);
  EXPECT_EQ(win::GetTickCount64(), before);
  win::test::ManualClock::Disable();
  player_->Resume();
}

}  // namespace

// TKORU without a player: construction, the neutral answers of every getter
// while unbound, the notifications honoured while unbound, the event mask,
// menus kept on the component's side, and binding that gives up quietly.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/Palette.h"
#include "hostlink/Koru.h"
#include "hostlink/tests/KoruTestSupport.h"
#include "platform/Process.h"
#include "platform/Text.h"

using korutest::PlayerWindow;
using korutest::PresenterScope;

namespace {

TEST(KoruConstruction, StartsUnboundWithItsObjects) {
  PresenterScope presenter;
  TKORU koru(nullptr);
  EXPECT_FALSE(koru.Bound);
  EXPECT_TRUE(koru.GetAutoLink());
  EXPECT_EQ(koru.EventMask, 0xEFFFF81Fu);
  EXPECT_EQ(koru.MessageId, win::RegisterWindowMessageA("WM_KORU"));
  EXPECT_TRUE(win::IsWindow(koru.WindowHandle));
  EXPECT_TRUE(koru.ComInitialized);
  EXPECT_EQ(koru.ExePath, "");
  EXPECT_EQ(koru.PlayerHandle, nullptr);
  EXPECT_EQ(koru.Menu4000->Id, 0x4000);
  EXPECT_EQ(koru.Menu5000->Id, 0x5000);
  EXPECT_EQ(koru.Menu8000->Id, 0x8000);
  EXPECT_EQ(koru.Menu9000->Id, 0x9000);
  EXPECT_TRUE(koru.MenuList.empty());
  EXPECT_EQ(koru.DisplayText->Line, -1);
  EXPECT_EQ(koru.DisplayText->Alignment, 2);
  EXPECT_TRUE(koru.DisplayText->WordWrap);
  EXPECT_FALSE(koru.DisplayText->ShowAccelChar);
}

TEST(KoruConstruction, ThePlayersPathComesFromTheMachineFirst) {
  korutest::SetUserPath("D:\\User\\KORU.EXE");
  EXPECT_EQ(TKORU(nullptr).ExePath, "D:\\User\\KORU.EXE");
  korutest::SetAppPath("D:\\Apps\\KORU\\KORU.EXE");
  EXPECT_EQ(TKORU(nullptr).ExePath, "D:\\Apps\\KORU\\KORU.EXE");
}

TEST(KoruConstruction, BroadcastsItsWindowAndFindsThePlayer) {
  PlayerWindow player;
  TKORU koru(nullptr);
  EXPECT_EQ(koru.PlayerHandle, player.Handle());
  korutest::PumpMessages();
  const auto hello = player.Messages(koru.MessageId);
  ASSERT_EQ(hello.size(), 1u);
  EXPECT_EQ(hello[0].wParam, 0x401u);
  EXPECT_EQ(hello[0].lParam, static_cast<win::LPARAM>(win::HandleId(koru.WindowHandle)));
}

TEST(KoruConstruction, InADesignerItNeitherBroadcastsNorBinds) {
  PresenterScope presenter;
  PlayerWindow player;
  TComponent form(nullptr);
  form.SetDesigning(true);
  auto* koru = new TKORU(&form);
  korutest::PumpMessages();
  EXPECT_TRUE(player.Messages(koru->MessageId).empty());
  EXPECT_EQ(koru->PlayerHandle, nullptr);
  koru->Bind();
  koru->SetAutoLink(true);
  EXPECT_FALSE(koru->Bound);
  EXPECT_TRUE(presenter->Dialogs().empty());
}

TEST(KoruConstruction, TheOlderPlayerClassIsFoundToo) {
  PlayerWindow older("TKoruForm");
  TKORU koru(nullptr);
  EXPECT_EQ(koru.GetKORUHandle(), older.Handle());
  PlayerWindow current;
  EXPECT_EQ(koru.GetKORUHandle(), current.Handle());
}

TEST(KoruConstruction, DestructionTakesTheWindowAway) {
  win::HWND window;
  {
    TKORU koru(nullptr);
    window = koru.WindowHandle;
  }
  EXPECT_FALSE(win::IsWindow(window));
}

TEST(KoruConstruction, IsOnThePalettePage) {
  Koru::Register();
  const auto classes = PaletteClasses("TOSKA");
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(classes[0].ClassName, "TKORU");
  std::unique_ptr<TComponent> created(classes[0].Create(nullptr));
  EXPECT_EQ(created->ClassName(), "TKORU");
}

TEST(KoruBinding, WithoutPlayerOrPathBindGivesUpQuietly) {
  PresenterScope presenter;
  TKORU koru(nullptr);
  bool unbound = false;
  koru.OnUnbind = [&](TObject*) { unbound = true; };
  koru.Bind();
  koru.Unbind();
  EXPECT_FALSE(koru.Bound);
  EXPECT_FALSE(unbound);
  EXPECT_TRUE(presenter->Dialogs().empty());
  EXPECT_TRUE(presenter->Beeps().empty());
}

TEST(KoruBinding, APlayerWindowWithoutServerIsAnError) {
  PresenterScope presenter;
  PlayerWindow player;
  TKORU koru(nullptr);
  presenter->QueueAnswer(win::IDOK);
  koru.Bind();
  EXPECT_FALSE(koru.Bound);
  EXPECT_EQ(presenter->Beeps(), std::vector<win::UINT>{win::MB_ICONEXCLAMATION});
  ASSERT_EQ(presenter->Dialogs().size(), 1u);
  EXPECT_EQ(presenter->Dialogs()[0].text, "KORUControl Create Instance Error[80040154]");
  EXPECT_EQ(presenter->Dialogs()[0].caption, SJ("エラー"));
  EXPECT_EQ(presenter->Dialogs()[0].style, win::MB_OK | win::MB_ICONERROR);
  EXPECT_EQ(koru.PlayerHandle, player.Handle());
}

TEST(KoruBinding, ExecuteNeedsAPath) {
  TKORU koru(nullptr);
  EXPECT_FALSE(koru.Execute(""));
  EXPECT_FALSE(koru.Execute("x"));
}

TEST(KoruPlugin, TheModeByteDecidesFirst) {
  TKORU koru(nullptr);
  win::test::SetCommandLine("\"C:\\KORU\\KORU.EXE\" /PLUGIN");
  koru.PluginMode = 1;
  EXPECT_FALSE(koru.IsPlugin());
  koru.PluginMode = 2;
  win::test::SetCommandLine("\"C:\\KORU\\KORU.EXE\"");
  EXPECT_TRUE(koru.IsPlugin());
}

TEST(KoruPlugin, WithoutModeTheCommandLineTellsInAnyCase) {
  TKORU koru(nullptr);
  win::test::SetCommandLine("\"C:\\KORU\\KORU.EXE\" a /pLuGiN b");
  EXPECT_TRUE(koru.IsPlugin());
  win::test::SetCommandLine("\"C:\\KORU\\KORU.EXE\" /PLUGINS");
  EXPECT_FALSE(koru.IsPlugin());
  // The program itself is no parameter.
  win::test::SetCommandLine("/PLUGIN");
  EXPECT_FALSE(koru.IsPlugin());
}

TEST(KoruUnbound, EveryGetterGivesItsNeutralAnswer) {
  PresenterScope presenter;
  TKORU koru(nullptr);
  EXPECT_EQ(koru.GetLeft(), -1);
  EXPECT_EQ(koru.GetTop(), -1);
  EXPECT_EQ(koru.GetWidth(), -1);
  EXPECT_EQ(koru.GetHeight(), -1);
  EXPECT_FALSE(koru.GetVisible());
  EXPECT_EQ(koru.GetPlayStatus(), 524);
  EXPECT_EQ(koru.GetTracks(), 0);
  EXPECT_EQ(koru.GetTrack(), 0);
  EXPECT_EQ(koru.GetLength(), 0);
  EXPECT_EQ(koru.GetPosition(), 0);
  EXPECT_EQ(koru.GetVolume(), 0);
  EXPECT_EQ(koru.GetCounter(), 0);
  EXPECT_FALSE(koru.GetRepeat());
  EXPECT_FALSE(koru.GetRandom());
  EXPECT_FALSE(koru.GetRemainTime());
  EXPECT_FALSE(koru.GetOnTimer());
  EXPECT_EQ(koru.GetOnTime(), 0);
  EXPECT_FALSE(koru.GetOffTimer());
  EXPECT_EQ(koru.GetOffTime(), 0);
  EXPECT_FALSE(koru.GetShutDownRecord());
  EXPECT_EQ(koru.GetRecLevel(), 100);
  EXPECT_EQ(koru.GetRate(), 100);
  EXPECT_EQ(koru.GetAdjustVolLevel(), 100);
  EXPECT_EQ(koru.GetAdjustSpeanaLevel(), 100);
  EXPECT_EQ(koru.GetDisplayMode(), TKORUDisplayMode{});
  EXPECT_EQ(koru.GetVersion(), 0);
  EXPECT_FALSE(koru.CheckVersion(4300));
  EXPECT_EQ(koru.GetColor(3), 0x1FFFFFFFu);
  EXPECT_EQ(koru.GetEvent(), 0xEFFFF81Fu);
  EXPECT_FALSE(koru.PlayList->GetVisible());
  EXPECT_EQ(koru.LyricsList->GetCount(), 0);
  EXPECT_EQ(koru.LyricsList->GetComment(), "");
  EXPECT_EQ(koru.LyricsList->GetWidth(), 246);
  EXPECT_EQ(koru.LyricsList->GetHeight(), 38);
  EXPECT_EQ(koru.GetLyricsText(0), nullptr);
  EXPECT_EQ(koru.GetLyricsText(-1), nullptr);
  EXPECT_EQ(koru.GetText(), koru.DisplayText.get());
  EXPECT_EQ(koru.Menu4000->Add("x"), nullptr);
  EXPECT_TRUE(presenter->Dialogs().empty());
}

TEST(KoruUnbound, TrackInformationIsCleared) {
  TKORU koru(nullptr);
  const TTrackInfo info = koru.GetTrackInfo(0);
  EXPECT_EQ(info.Title, "");
  EXPECT_EQ(info.FileName, "");
  EXPECT_EQ(info.Kind, 0);
  EXPECT_EQ(info.Drive, 0);
  EXPECT_EQ(info.CDTrack, 0);
  EXPECT_EQ(info.Value5, 0);
}

TEST(KoruUnbound, QueriesFillZeros) {
  TKORU koru(nullptr);
  int levels[10];
  std::fill(std::begin(levels), std::end(levels), 7);
  koru.GetSpeana(levels);
  for (int level : levels) EXPECT_EQ(level, 0);
  int left = 5;
  int right = 5;
  koru.GetVolumes(&left, &right);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(right, 0);
}

TEST(KoruUnbound, TheFontStaysTheDefaultOne) {
  TKORU koru(nullptr);
  TFont* font = koru.GetFont(3);
  EXPECT_EQ(font, koru.Font.get());
  EXPECT_EQ(font->Name(), SJ("ＭＳ Ｐゴシック"));
  EXPECT_EQ(font->Height(), -12);
  EXPECT_EQ(font->Size(), 9);
  EXPECT_TRUE(font->Style().Empty());
}

TEST(KoruEvents, EverySetKeepsTheFixedCodes) {
  TKORU koru(nullptr);
  const std::pair<TKORUEventType, unsigned> codes[] = {
      {evVolume, 256}, {evSpeana, 0x10000000}, {evLyrics, 512}, {evCounter, 64},
      {evPosition, 128}, {evTimer, 32}, {evMove, 1024},
  };
  koru.SetEvents({});
  EXPECT_EQ(koru.EventMask, 0xEFFFF81Fu);
  EXPECT_TRUE(koru.GetEvents().Empty());
  for (const auto& [element, code] : codes) {
    koru.SetEvents({element});
    EXPECT_EQ(koru.EventMask, 0xEFFFF81Fu | code) << element;
    EXPECT_EQ(koru.GetEvents(), TKORUEventSet{element});
  }
  koru.SetEvents({evMove});
  EXPECT_EQ(koru.EventMask, 0xEFFFFC1Fu);
  koru.SetEvents({evVolume, evSpeana, evLyrics, evCounter, evPosition, evTimer, evMove});
  EXPECT_EQ(koru.EventMask, 0xFFFFFFFFu);
  koru.SetEvent(0);
  EXPECT_TRUE(koru.GetEvents().Empty());
}

// Records the events of a component in the order they come.
struct EventLog {
  explicit EventLog(TKORU& koru) {
    koru.OnKORU = [this](TObject*, unsigned event, int param) { Add("KORU", event, param); };
    koru.OnOpen = [this](TObject*) { Add("Open"); };
    koru.OnClose = [this](TObject*) { Add("Close"); };
    koru.OnRun = [this](TObject*) { Add("Run"); };
    koru.OnAbort = [this, &koru](TObject*) { Add("Abort", koru.Aborting); };
    koru.OnPlayStatus = [this](TObject*, int param) { Add("PlayStatus", param); };
    koru.OnUser = [this](TObject*, unsigned event, int param) { Add("User", event, param); };
  }
  void Add(const std::string& name, long long a = 0, long long b = 0) {
    entries.push_back(name + "(" + std::to_string(a) + "," + std::to_string(b) + ")");
  }
  std::vector<std::string> entries;
};

TEST(KoruNotifications, UnboundOnlyTheAlwaysCodesAreHandled) {
  PresenterScope presenter;
  TKORU koru(nullptr);
  EventLog log(koru);
  koru.KORUHandler(16, 526);
  koru.KORUHandler(4, 77);
  koru.KORUHandler(0x80000003, -2);
  koru.KORUHandler(0x12345, 9);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"KORU(16,526)", "Run(0,0)", "KORU(4,77)", "User(3,-2)",
                                                    "KORU(2147483651,-2)", "KORU(74565,9)"}));
  EXPECT_EQ(koru.RunParam, 77);
}

TEST(KoruNotifications, CloseAndAbortForgetThePlayerWindow) {
  PresenterScope presenter;
  PlayerWindow player;
  TKORU koru(nullptr);
  EventLog log(koru);
  ASSERT_EQ(koru.PlayerHandle, player.Handle());
  koru.KORUHandler(2, 0);
  EXPECT_EQ(koru.PlayerHandle, nullptr);
  koru.PlayerHandle = player.Handle();
  koru.KORUHandler(8, 0);
  EXPECT_EQ(koru.PlayerHandle, nullptr);
  EXPECT_FALSE(koru.Aborting);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"Close(0,0)", "KORU(2,0)", "Abort(1,0)", "KORU(8,0)"}));
}

TEST(KoruNotifications, OpenWithoutAutoLinkOnlyNotes) {
  PresenterScope presenter;
  TKORU koru(nullptr);
  EventLog log(koru);
  koru.SetAutoLink(false);
  koru.KORUHandler(1, 0x1234);
  EXPECT_EQ(koru.PlayerHandle, win::HandleFromId<win::HWND>(0x1234));
  EXPECT_FALSE(koru.Bound);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"Open(0,0)", "KORU(1,4660)"}));
}

TEST(KoruNotifications, ArriveThroughTheMessageWindow) {
  TKORU koru(nullptr);
  EventLog log(koru);
  EXPECT_EQ(win::SendMessageA(koru.WindowHandle, koru.MessageId, 0x80000001, 5), 1);
  // Other messages get the default answer.
  EXPECT_EQ(win::SendMessageA(koru.WindowHandle, win::WM_USER, 0, 0), 0);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"User(1,5)", "KORU(2147483649,5)"}));
}

TEST(KoruNotifications, TheComponentNotifiesItselfUnbound) {
  TKORU koru(nullptr);
  korutest::PumpMessages();  // its own hello, broadcast at construction
  EventLog log(koru);
  EXPECT_NE(koru.NotifyEvent(koru.WindowHandle, 0x80000002, 3), 0);
  EXPECT_NE(koru.NotifyEvent(nullptr, 0x80000004, 6), 0);
  EXPECT_EQ(koru.NotifyEvent(win::HandleFromId<win::HWND>(77), 0x80000004, 6), 0);
  korutest::PumpMessages();
  EXPECT_EQ(log.entries, (std::vector<std::string>{"User(2,3)", "KORU(2147483650,3)", "User(4,6)",
                                                    "KORU(2147483652,6)"}));
}

TEST(KoruMessages, PostNeedsAPlayerWindowAndFindsItAgain) {
  TKORU koru(nullptr);
  EXPECT_FALSE(koru.Post(win::WM_USER, 1, 2));
  auto first = std::make_unique<PlayerWindow>();
  EXPECT_TRUE(koru.Post(win::WM_USER, 1, 2));
  EXPECT_EQ(koru.PlayerHandle, first->Handle());
  first.reset();
  PlayerWindow second;
  // The remembered window is gone: the post goes to the one found anew.
  EXPECT_TRUE(koru.Post(win::WM_USER, -1, -2));
  EXPECT_EQ(koru.PlayerHandle, second.Handle());
  korutest::PumpMessages();
  const auto posted = second.Messages(win::WM_USER);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].wParam, 0xFFFFFFFFu);
  EXPECT_EQ(posted[0].lParam, -2);
}

TEST(KoruMessages, RequestAsksTheWindowFoundNow) {
  TKORU koru(nullptr);
  EXPECT_EQ(koru.Request(win::WM_GETTEXTLENGTH, 0, 0), 0);
  PlayerWindow player;
  EXPECT_EQ(koru.Request(win::WM_GETTEXTLENGTH, 0, 0), 4);  // "KORU"
}

TEST(KoruMenus, FixedMenusAndMenusOfUnseenIds) {
  TKORU koru(nullptr);
  EXPECT_EQ(koru.GetMenu(0), nullptr);
  EXPECT_EQ(koru.GetMenu(0x4000), koru.Menu4000);
  EXPECT_EQ(koru.GetMenu(0x4000), koru.Menu4000);
  EXPECT_EQ(koru.GetMenu(0x9000), koru.Menu9000);
  EXPECT_TRUE(koru.MenuList.empty());
  TKORUMenu* menu = koru.GetMenu(0x4005);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->Id, 0x4005);
  EXPECT_EQ(menu->Link, &koru);
  EXPECT_FALSE(menu->Owned);
  EXPECT_EQ(koru.GetMenu(0x4005), menu);
  EXPECT_EQ(koru.MenuList, std::vector<TKORUMenu*>{menu});
}

TEST(KoruMenus, RemovingAndDeleting) {
  TKORU koru(nullptr);
  EXPECT_EQ(koru.RemoveMenu(nullptr), nullptr);
  TKORUMenu* a = koru.GetMenu(1);
  TKORUMenu* b = koru.GetMenu(2);
  TKORUMenu* c = koru.GetMenu(3);
  // A given menu is taken out and left to the caller.
  EXPECT_EQ(koru.RemoveMenu(b), b);
  EXPECT_EQ(koru.MenuList, (std::vector<TKORUMenu*>{a, c}));
  EXPECT_EQ(koru.RemoveMenu(b), nullptr);
  delete b;
  // None takes out and destroys the first.
  EXPECT_EQ(koru.RemoveMenu(nullptr), a);
  EXPECT_EQ(koru.MenuList, std::vector<TKORUMenu*>{c});
  koru.DeleteMenu(c);
  EXPECT_TRUE(koru.MenuList.empty());
  // A fixed menu is no entry of the list and stays.
  koru.DeleteMenu(koru.Menu4000);
  EXPECT_EQ(koru.GetMenu(0x4000)->Id, 0x4000);
}

TEST(KoruMenus, ADestroyedMenuLeavesTheList) {
  TKORU koru(nullptr);
  TKORUMenu* a = koru.GetMenu(1);
  TKORUMenu* b = koru.GetMenu(2);
  delete a;
  EXPECT_EQ(koru.MenuList, std::vector<TKORUMenu*>{b});
}

TEST(KoruMenus, ThePlayerDeletingAnItemDropsEveryEntryOfIt) {
  TKORU koru(nullptr);
  TKORUMenu* a = koru.GetMenu(1);
  koru.GetMenu(2);
  TKORUMenu* c = koru.GetMenu(3);
  koru.NotifyDeleteMenu(2);
  EXPECT_EQ(koru.MenuList, (std::vector<TKORUMenu*>{a, c}));
  koru.ClearMenuList();
  EXPECT_TRUE(koru.MenuList.empty());
}

// Hears of the destruction of the components it is told about.
class DestructionWatcher : public TComponent {
 public:
  DestructionWatcher() : TComponent(nullptr) {}
  std::vector<TComponent*> destroyed;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) destroyed.push_back(AComponent);
  }
};

TEST(KoruMenus, AMenuTakenOutIsStillDestroyedWithTheComponent) {
  DestructionWatcher watcher;
  auto koru = std::make_unique<TKORU>(nullptr);
  TKORUMenu* kept = koru->GetMenu(7);
  kept->FreeNotification(&watcher);
  ASSERT_EQ(koru->RemoveMenu(kept), kept);
  EXPECT_EQ(kept->Owner(), koru.get());
  EXPECT_TRUE(watcher.destroyed.empty());
  koru.reset();  // must not reach into the component's destroyed parts
  EXPECT_EQ(watcher.destroyed, std::vector<TComponent*>{kept});
}

}  // namespace

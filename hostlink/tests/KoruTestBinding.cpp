// Binding TKORU to the stand-in player and dropping the link: the calls in
// their order, the events, the version gate, every dialog of a failed
// binding, and the paths that bind by themselves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostlink/Koru.h"
#include "hostlink/tests/KoruTestSupport.h"
#include "platform/Com.h"
#include "platform/Sync.h"
#include "platform/Text.h"

using korutest::ArgumentsOf;
using korutest::KoruPlayerTest;
using korutest::Operations;
using korutest::PlayerWindow;
using korutest::PumpMessages;
using korutest::WaitFor;

namespace {

const std::string& UnsupportedText() { return SJ("このバージョンのKORUには対応していません\n対応版をお使いください"); }

// Lives shorter than its component, whose destruction still unbinds.
struct BindEvents {
  explicit BindEvents(TKORU& koru) : koru_(koru) {
    koru.OnBind = [this, &koru](TObject* sender) {
      EXPECT_EQ(sender, &koru);
      entries.push_back(koru.Bound ? "Bind(bound)" : "Bind(unbound)");
    };
    koru.OnUnbind = [this, &koru](TObject*) {
      entries.push_back(koru.Bound ? "Unbind(bound)" : "Unbind(unbound)");
    };
  }
  ~BindEvents() {
    koru_.OnBind = nullptr;
    koru_.OnUnbind = nullptr;
  }
  std::vector<std::string> entries;

 private:
  TKORU& koru_;
};

using KoruBind = KoruPlayerTest;

TEST_F(KoruBind, BindsRegistersAndAsksForItsNotifications) {
  StartPlayer();
  TKORU koru(nullptr);
  BindEvents events(koru);
  EXPECT_EQ(koru.ExePath, koru::test::kTestExePath);
  koru.SetEvents({evCounter});
  player_->Calls().Clear();
  koru.Bind();
  ASSERT_TRUE(koru.Bound);
  EXPECT_EQ(Operations(*player_),
            (std::vector<std::string>{"get_Handle", "get_Version", "CheckVersion", "AddPlugin", "SetEvent"}));
  EXPECT_EQ(ArgumentsOf(*player_, "CheckVersion"), std::vector<std::string>{"4300"});
  const std::string window = std::to_string(win::HandleId(koru.WindowHandle));
  const std::string addPlugin = ArgumentsOf(*player_, "AddPlugin")[0];
  EXPECT_TRUE(addPlugin.ends_with(", " + std::to_string(win::GetCurrentProcessId()) + ", " + window)) << addPlugin;
  EXPECT_EQ(ArgumentsOf(*player_, "SetEvent"),
            std::vector<std::string>{window + ", " + std::to_string(static_cast<int>(0xEFFFF85F))});
  EXPECT_EQ(koru.PlayerHandle, player_->MainWindow());
  EXPECT_EQ(koru.PluginMode, koru::kModePlugin);
  EXPECT_GT(koru.RunParam, 0);
  EXPECT_TRUE(koru.IsPlugin());
  EXPECT_EQ(events.entries, std::vector<std::string>{"Bind(bound)"});
  EXPECT_TRUE(presenter_->Dialogs().empty());

  // Bound, the mask is the player's.
  EXPECT_EQ(koru.GetEvent(), 0xEFFFF85Fu);
  EXPECT_EQ(koru.GetEvents(), TKORUEventSet{evCounter});
  koru.Bind();
  EXPECT_EQ(events.entries.size(), 1u);
}

TEST_F(KoruBind, UnbindWithdrawsTheAddedItemThenStopsTheNotifications) {
  TKORU& koru = BoundKoru();
  BindEvents events(koru);
  TKORUMenu* item = koru.Menu4000->Add("Lozenge");
  ASSERT_NE(item, nullptr);
  ASSERT_TRUE(item->Owned);
  const std::string itemId = std::to_string(item->Id);
  koru.GetMenu(0x4321);  // an entry of the list that is no item of this plug-in
  const win::HWND player = koru.PlayerHandle;
  player_->Calls().Clear();

  koru.Unbind();
  EXPECT_FALSE(koru.Bound);
  EXPECT_EQ(koru.RunParam, 0);
  EXPECT_EQ(koru.PlayerHandle, player);
  EXPECT_TRUE(koru.MenuList.empty());
  EXPECT_EQ(Operations(*player_), (std::vector<std::string>{"Delete", "RemovePlugin"}));
  EXPECT_EQ(ArgumentsOf(*player_, "Delete"), std::vector<std::string>{itemId});
  EXPECT_EQ(ArgumentsOf(*player_, "RemovePlugin"),
            std::vector<std::string>{std::to_string(win::HandleId(koru.WindowHandle))});
  EXPECT_EQ(events.entries, std::vector<std::string>{"Unbind(unbound)"});

  // No references are held any more: unbound, nothing reaches the player.
  player_->Calls().Clear();
  koru.Play();
  EXPECT_EQ(koru.GetVolume(), 0);
  koru.Unbind();
  EXPECT_TRUE(player_->Calls().Calls().empty());
  EXPECT_EQ(events.entries.size(), 1u);
}

TEST_F(KoruBind, DestructionUnbinds) {
  TKORU& koru = BoundKoru();
  koru.Menu4000->Add("Lozenge");
  player_->Calls().Clear();
  koru_.reset();
  EXPECT_EQ(Operations(*player_), (std::vector<std::string>{"Delete", "RemovePlugin"}));
}

TEST_F(KoruBind, APlayerBelow6100IsRefused) {
  koru::PlayerOptions options;
  options.version = 6099;
  StartPlayer(options);
  TKORU koru(nullptr);
  BindEvents events(koru);
  player_->Calls().Clear();
  presenter_->QueueAnswer(win::IDOK);
  koru.Bind();
  EXPECT_FALSE(koru.Bound);
  // The whole unbind runs, although the link never came up.
  EXPECT_EQ(Operations(*player_), (std::vector<std::string>{"get_Handle", "get_Version", "RemovePlugin"}));
  EXPECT_EQ(events.entries, std::vector<std::string>{"Unbind(unbound)"});
  EXPECT_EQ(presenter_->Beeps(), std::vector<win::UINT>{win::MB_ICONEXCLAMATION});
  ASSERT_EQ(presenter_->Dialogs().size(), 1u);
  EXPECT_EQ(presenter_->Dialogs()[0].text, UnsupportedText());
  EXPECT_EQ(presenter_->Dialogs()[0].caption, SJ("警告"));
  EXPECT_EQ(presenter_->Dialogs()[0].style, win::MB_OK | win::MB_ICONWARNING);
}

TEST_F(KoruBind, Version6100PassesAndThePluginVersionIsCheckedNext) {
  koru::PlayerOptions options;
  options.version = 6100;
  StartPlayer(options);
  TKORU koru(nullptr);
  player_->Calls().FailNext("CheckVersion", win::S_FALSE);
  presenter_->QueueAnswer(win::IDOK);
  koru.Bind();
  EXPECT_FALSE(koru.Bound);
  EXPECT_EQ(presenter_->Dialogs().at(0).text, UnsupportedText());

  koru.Bind();
  EXPECT_TRUE(koru.Bound);
  EXPECT_EQ(koru.GetVersion(), 6100);
  EXPECT_TRUE(koru.CheckVersion(4300));
  EXPECT_FALSE(koru.CheckVersion(9999));
}

TEST_F(KoruBind, AnAutomationErrorInsideBindBecomesADialog) {
  StartPlayer();
  TKORU koru(nullptr);
  BindEvents events(koru);
  player_->Calls().FailNext("get_Handle", win::E_FAIL);
  presenter_->QueueAnswer(win::IDYES);  // the report: terminate
  presenter_->QueueAnswer(win::IDOK);   // the error
  koru.Bind();
  EXPECT_FALSE(koru.Bound);
  const auto dialogs = presenter_->Dialogs();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].caption, "HRCHECK: ");
  const std::string message =
      "'this->get_Handle((long*)&Value)': " + SJ("エラーを特定できません") + "\r\n @ KORU_TLB/1622";
  EXPECT_EQ(dialogs[1].text, message);
  EXPECT_EQ(dialogs[1].caption, SJ("エラー"));
  EXPECT_EQ(presenter_->Beeps(), std::vector<win::UINT>{win::MB_ICONEXCLAMATION});
  EXPECT_TRUE(ArgumentsOf(*player_, "AddPlugin").empty());
  EXPECT_TRUE(events.entries.empty());
  // The link can still come up afterwards.
  koru.Bind();
  EXPECT_TRUE(koru.Bound);
}

TEST_F(KoruBind, AnsweringNoToTheHandleReportStillBinds) {
  StartPlayer();
  TKORU koru(nullptr);
  player_->Calls().FailNext("get_Handle", win::E_FAIL);
  presenter_->QueueAnswer(win::IDNO);
  koru.Bind();
  EXPECT_TRUE(koru.Bound);
  EXPECT_EQ(koru.PlayerHandle, nullptr);  // the out-value the player left
}

TEST_F(KoruBind, TheOpenNotificationBindsWhenAutoLinkIsSet) {
  StartPlayer();
  TKORU koru(nullptr);
  BindEvents events(koru);
  // The player answers the greeting broadcast at construction with "open".
  ASSERT_TRUE(WaitFor([&] { return koru.Bound; }));
  EXPECT_EQ(events.entries, std::vector<std::string>{"Bind(bound)"});
}

TEST_F(KoruBind, CloseFromThePlayerUnbinds) {
  TKORU& koru = BoundKoru();
  koru.OnUnbind = [this](TObject*) { seen_.push_back("unbind"); };
  koru.OnClose = [this, &koru](TObject*) { seen_.push_back(koru.PlayerHandle || koru.Bound ? "?" : "close"); };
  player_.reset();  // the player quits and tells its plug-ins
  ASSERT_TRUE(WaitFor([&] { return !koru.Bound; }));
  EXPECT_EQ(seen_, (std::vector<std::string>{"unbind", "close"}));
}

TEST_F(KoruBind, TheCloseNotificationUnbindsWithoutAHandler) {
  TKORU& koru = BoundKoru();
  koru.KORUHandler(2, 0);
  EXPECT_FALSE(koru.Bound);
}

TEST_F(KoruBind, AbortRunsTheEventThenUnbinds) {
  TKORU& koru = BoundKoru();
  koru.OnAbort = [this, &koru](TObject*) { seen_.push_back(koru.Aborting && koru.Bound ? "abort while bound" : "?"); };
  koru.OnUnbind = [this, &koru](TObject*) { seen_.push_back(koru.Aborting ? "?" : "unbind"); };
  koru.Abort();
  EXPECT_EQ(ArgumentsOf(*player_, "Abort"), std::vector<std::string>{std::to_string(win::HandleId(koru.WindowHandle))});
  ASSERT_TRUE(WaitFor([&] { return !koru.Bound; }));
  EXPECT_EQ(seen_, (std::vector<std::string>{"abort while bound", "unbind"}));
  EXPECT_EQ(koru.PlayerHandle, nullptr);
  EXPECT_FALSE(koru.Aborting);
}

TEST_F(KoruBind, LoadedAndAutoLinkBindWhenThePlayerRuns) {
  StartPlayer();
  TComponentLoader loader;
  TKORU* koru = loader.Add(new TKORU(nullptr));
  koru->SetAutoLink(true);  // while loading: nothing yet
  EXPECT_FALSE(koru->Bound);
  loader.Loaded();
  EXPECT_TRUE(koru->Bound);
  koru->Unbind();
  koru->SetAutoLink(false);
  EXPECT_FALSE(koru->Bound);
  koru->SetAutoLink(true);
  EXPECT_TRUE(koru->Bound);
  delete koru;
}

TEST_F(KoruBind, LoadedWithoutAutoLinkLeavesTheLinkDown) {
  StartPlayer();
  TComponentLoader loader;
  TKORU* koru = loader.Add(new TKORU(nullptr));
  koru->SetAutoLink(false);
  loader.Loaded();
  EXPECT_FALSE(koru->Bound);
  delete koru;
}

// A class object that gives out an object refusing one of the interfaces,
// for the errors the stand-in player never makes.
class RefusingServer : public win::IClassFactory {
 public:
  explicit RefusingServer(const win::IID& refused) : refused_(refused) {}

  win::HRESULT QueryInterface(const win::IID& iid, void** object) override {
    *object = nullptr;
    if (iid == refused_) return win::E_NOINTERFACE;
    *object = this;
    ++references;
    return win::S_OK;
  }
  win::ULONG AddRef() override { return static_cast<win::ULONG>(++references); }
  win::ULONG Release() override { return static_cast<win::ULONG>(--references); }
  win::HRESULT CreateInstance(win::IUnknown*, const win::IID& iid, void** object) override {
    return QueryInterface(iid, object);
  }
  win::HRESULT LockServer(win::BOOL) override { return win::S_OK; }

  int references = 0;

 private:
  win::IID refused_;
};

TEST_F(KoruBind, EveryRefusedInterfaceHasItsDialogAndNothingIsKept) {
  const std::pair<win::IID, const char*> cases[] = {
      {Koru_tlb::IID_IKORUControl, "IKORUControl Interface Error[80004002]"},
      {Koru_tlb::IID_IKORUPlayList, "IKORUPlayList Interface Error[80004002]"},
      {Koru_tlb::IID_IKORULyrics, "IKORULyrics Interface Error[80004002]"},
      {Koru_tlb::IID_IKORUMenu, "IKORUMenu Interface Error[80004002]"},
  };
  PlayerWindow window;
  for (const auto& [iid, text] : cases) {
    RefusingServer server(iid);
    win::DWORD cookie = 0;
    ASSERT_EQ(win::CoRegisterClassObject(Koru_tlb::CLSID_KORU, &server, win::CLSCTX_INPROC_SERVER,
                                         win::REGCLS_MULTIPLEUSE, &cookie),
              win::S_OK);
    const int registered = server.references;
    {
      TKORU koru(nullptr);
      presenter_->QueueAnswer(win::IDOK);
      koru.Bind();
      EXPECT_FALSE(koru.Bound);
      EXPECT_EQ(presenter_->Dialogs().back().text, text);
      EXPECT_EQ(server.references, registered) << text;
    }
    win::CoRevokeClassObject(cookie);
  }
  EXPECT_EQ(presenter_->Beeps().size(), 4u);
}

}  // namespace

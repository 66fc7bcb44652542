// Notifications: what the player posts to the windows registered with it,
// each filtered by its window's mask, and what it answers on its own window.
#include <gtest/gtest.h>

#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/Sync.h"
#include "platform/Window.h"
#include "player/Notifier.h"
#include "player/tests/Fixture.h"

namespace koru::testing {
namespace {

using KoruNotify = PlayerTest;

constexpr win::DWORD kAll = 0xFFFFFFFF;

TEST_F(KoruNotify, StartingPlayerTellsEveryWindowItIsOpen) {
  NotificationSink early;
  StartPlayer();
  ASSERT_TRUE(early.WaitFor(kNotifyOpen));
  const Notification open = early.WithCode(kNotifyOpen)[0];
  EXPECT_EQ(open.event, kNotifyOpen);
  EXPECT_EQ(win::HandleFromId<win::HWND>(static_cast<uint32_t>(open.param)), koru_->MainWindow());
}

TEST_F(KoruNotify, LinkCreatedLaterHearsOpenWhenItAnnouncesItself) {
  StartPlayer();
  NotificationSink late;
  const win::UINT message = win::RegisterWindowMessageA("WM_KORU");
  ASSERT_TRUE(win::PostMessageA(win::HWND_BROADCAST, message, kRequestHello, late.Id()));
  ASSERT_TRUE(late.WaitFor(kNotifyOpen));
  EXPECT_EQ(late.WithCode(kNotifyOpen).size(), 1u);
  // A request sent to the main window is answered; unknown codes get 0.
  EXPECT_EQ(win::SendMessageA(koru_->MainWindow(), message, kRequestToolsChanged, 0), 1);
  EXPECT_EQ(win::SendMessageA(koru_->MainWindow(), message, 0x499, 0), 0);
}

TEST_F(KoruNotify, EachWindowGetsOnlyTheCodesOfItsMask) {
  StartPlayer();
  NotificationSink plain, moving;
  Register(plain);
  Register(moving, kDefaultEventMask | kNotifyMove | kNotifyCounter);
  ASSERT_TRUE(plain.WaitFor(kNotifyRun));
  plain.Clear();
  moving.Clear();

  client_->control->put_Left(10);
  client_->control->put_Top(-20);
  client_->control->put_Counter(777);
  client_->control->put_Repeat(win::VARIANT_TRUE);
  client_->control->put_Repeat(win::VARIANT_TRUE);  // no change, no notification
  ASSERT_TRUE(moving.WaitFor(kNotifyStatus));
  ASSERT_TRUE(plain.WaitFor(kNotifyStatus));

  EXPECT_TRUE(plain.WithCode(kNotifyMove).empty());
  EXPECT_TRUE(plain.WithCode(kNotifyCounter).empty());
  const std::vector<Notification> moves = moving.WithCode(kNotifyMove);
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(static_cast<win::DWORD>(moves[1].param), 0xFFEC000Au);  // left 10, top -20
  EXPECT_EQ(moving.WithCode(kNotifyCounter), (std::vector<Notification>{{kNotifyCounter, 777}}));
  EXPECT_EQ(plain.WithCode(kNotifyStatus), (std::vector<Notification>{{kNotifyStatus | kStatusRepeat, 1}}));
}

TEST_F(KoruNotify, RemovedWindowHearsNothingMore) {
  StartPlayer();
  NotificationSink sink;
  Register(sink, kAll);
  client_->control->put_Volume(100);
  ASSERT_TRUE(sink.WaitFor(kNotifyStatus));
  ASSERT_EQ(client_->control->RemovePlugin(sink.Id()), win::S_OK);
  sink.Clear();
  client_->control->put_Volume(200);
  koru_->RunOnPlayerThread([] {});
  EXPECT_TRUE(sink.Received().empty());
}

TEST_F(KoruNotify, NotifyEventDeliversToOneWindowAsAskedOrToAllThroughMasks) {
  StartPlayer();
  NotificationSink registered, other;
  Register(registered, kDefaultEventMask);
  ASSERT_TRUE(registered.WaitFor(kNotifyRun));
  registered.Clear();
  // To a window as asked, whatever a mask says.
  ASSERT_EQ(client_->control->NotifyEvent(other.Id(), static_cast<win::LONG>(kNotifyLyrics), 3), win::S_OK);
  ASSERT_TRUE(other.WaitFor(kNotifyLyrics));
  // To every registered window, through their masks.
  ASSERT_EQ(client_->control->NotifyEvent(0, static_cast<win::LONG>(kNotifyLyrics), 4), win::S_OK);
  ASSERT_EQ(client_->control->NotifyEvent(0, static_cast<win::LONG>(kNotifyUser | 9), 5), win::S_OK);
  ASSERT_TRUE(registered.WaitFor(kNotifyUser));
  EXPECT_TRUE(registered.WithCode(kNotifyLyrics).empty());
  EXPECT_EQ(registered.WithCode(kNotifyUser), (std::vector<Notification>{{kNotifyUser | 9, 5}}));
  EXPECT_EQ(client_->control->NotifyEvent(0x7FFFFFF0, 1, 1), win::E_INVALIDARG);
}

TEST_F(KoruNotify, MenuClicksAndDeletionsReachTheItemsWindow) {
  StartPlayer();
  NotificationSink sink;
  Register(sink);
  win::BSTR caption = win::AnsiToBstr("Lozenge hide");
  win::LONG id = 0, sub = 0;
  ASSERT_EQ(client_->menu->Add(sink.Id(), 0x4000, caption, &id), win::S_OK);
  ASSERT_EQ(client_->menu->Add(sink.Id(), id, caption, &sub), win::S_OK);
  EXPECT_EQ(client_->menu->Add(sink.Id(), 0x4321, caption, &sub), win::E_INVALIDARG);
  win::SysFreeString(caption);
  win::BSTR renamed = win::AnsiToBstr("Lozenge show");
  ASSERT_EQ(client_->menu->SetCaption(id, renamed), win::S_OK);
  win::SysFreeString(renamed);
  EXPECT_EQ(koru_->player().MenuCaption(id), "Lozenge show");

  ASSERT_EQ(koru_->player().ClickMenu(id), win::S_OK);
  ASSERT_TRUE(sink.WaitFor(kNotifyMenu));
  EXPECT_EQ(sink.WithCode(kNotifyMenu), (std::vector<Notification>{{kNotifyMenu, id}}));

  // The player takes the item away itself: the window hears of each item gone.
  ASSERT_EQ(koru_->player().RemoveMenuItem(id), win::S_OK);
  ASSERT_TRUE(sink.WaitFor(kNotifyStatus));
  const auto deleted = sink.WithCode(kNotifyStatus);
  EXPECT_EQ(deleted, (std::vector<Notification>{{kNotifyStatus | kStatusDeleteMenu, id},
                                                {kNotifyStatus | kStatusDeleteMenu, sub}}));
  // The window's own deletion is not echoed back.
  win::BSTR again = win::AnsiToBstr("again");
  ASSERT_EQ(client_->menu->Add(sink.Id(), 0x8000, again, &id), win::S_OK);
  win::SysFreeString(again);
  sink.Clear();
  ASSERT_EQ(client_->menu->Delete(id), win::S_OK);
  EXPECT_EQ(client_->menu->Delete(id), win::E_INVALIDARG);
  EXPECT_EQ(client_->menu->Delete(0x8000), win::E_INVALIDARG);
  koru_->RunOnPlayerThread([] {});
  EXPECT_TRUE(sink.Received().empty());
}

TEST_F(KoruNotify, AbortIsAnsweredWithTheAbortNotification) {
  StartPlayer();
  NotificationSink sink;
  Register(sink);
  ASSERT_EQ(client_->control->Abort(sink.Id()), win::S_OK);
  ASSERT_TRUE(sink.WaitFor(kNotifyAbort));
  EXPECT_EQ(client_->control->Abort(0x7FFFFFF0), win::E_INVALIDARG);
}

TEST_F(KoruNotify, ClosingPlayerTellsTheRegisteredWindows) {
  StartPlayer();
  NotificationSink sink;
  Register(sink);
  ASSERT_EQ(client_->control->Close(), win::S_OK);
  ASSERT_TRUE(sink.WaitFor(kNotifyClose));
  ASSERT_TRUE(test::PumpUntil([] { return !win::FindWindowA("TFormKORU", nullptr); }));
}

}  // namespace
}  // namespace koru::testing

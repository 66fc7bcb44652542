// Operating the lozenge: its entry in the player's menu, the popup menu,
// the six buttons, keys and dropped files.
#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/Text.h"
#include "player/Notifier.h"
#include "player/PluginLoader.h"
#include "plugin/tests/LozengeFixture.h"

namespace lozenge_test {
namespace {

class Menus : public LozengeTest {
 protected:
  TPoint OnScreen(TPoint client) { return form_->ClientToScreen(client); }
  void ClickAt(TPoint client, win::test::MouseButton button = win::test::MouseButton::Left) {
    const TPoint at = OnScreen(client);
    win::test::Click({at.x, at.y}, button);
    koru::test::PumpMessages();
  }
  void ClickButton(ktvButton* button) { ClickAt(Point(button->Left() + 6, button->Top() + 6)); }
  win::LONG EntryId() {
    const auto items = player().MenuItems(koru::kMenuPlugins);
    return items.empty() ? 0 : items[0].id;
  }
};

TEST_F(Menus, PlayersMenuEntryHidesAndShowsTheWindow) {
  ASSERT_TRUE(Load());
  const win::LONG entry = EntryId();
  ASSERT_NE(entry, 0);
  ASSERT_EQ(player().ClickMenu(entry), win::S_OK);
  koru::test::PumpMessages();
  EXPECT_FALSE(form_->Visible());
  EXPECT_EQ(player().MenuCaption(entry), SJ("KORULozenge+ 表示"));
  ASSERT_EQ(player().ClickMenu(entry), win::S_OK);
  koru::test::PumpMessages();
  EXPECT_TRUE(form_->Visible());
  EXPECT_EQ(player().MenuCaption(entry), SJ("KORULozenge+ 非表示"));
}

TEST_F(Menus, AnotherFileNameNamesTheEntry) {
  ASSERT_TRUE(win::CopyFileA(kPluginPath, "C:\\Plugins\\Mini.so", win::FALSE));
  StartPlayer();
  ASSERT_TRUE(player().Plugins().Load("C:\\Plugins\\Mini.so"));
  EXPECT_EQ(player().MenuCaption(EntryId()), SJ("Mini 非表示"));
  player().Plugins().EndAll();
}

TEST_F(Menus, PopupOffersToShowAHiddenPlayerAndShowsIt) {
  ASSERT_TRUE(Load());
  player().SetVisible(false);
  koru::test::PumpMessages();
  std::string caption;
  win::test::QueueMenuChoice({SJ("プレイヤー表示")}, [&] { caption = form_->PopupPlayerVisible->Caption(); });
  ClickAt(Point(32, 5), win::test::MouseButton::Right);
  EXPECT_EQ(caption, SJ("プレイヤー表示"));
  EXPECT_TRUE(player().Visible());
  EXPECT_TRUE(win::test::MenuErrors().empty());
  // Shown, the item offers to hide it.
  win::test::QueueMenuChoice({SJ("プレイヤー非表示")});
  ClickAt(Point(32, 5), win::test::MouseButton::Right);
  EXPECT_FALSE(player().Visible());
}

TEST_F(Menus, PopupChoosesDockingDesignsAndHelp) {
  ASSERT_TRUE(Load());
  win::test::QueueMenuChoice({SJ("表示位置"), SJ("プレイヤー下")});
  ClickAt(Point(32, 5), win::test::MouseButton::Right);
  EXPECT_EQ(form_->Position, 2);
  EXPECT_EQ(form_->Left(), 140);
  EXPECT_EQ(form_->Top(), 320);
  win::test::QueueMenuChoice({SJ("デザイン"), "KORULozenge+ (Tool Version)"});
  ClickAt(Point(32, 5), win::test::MouseButton::Right);
  EXPECT_EQ(player().Design(), "C:\\Plugins\\KORULozengeT+.korud");
  form_->PopupDesignMenu->Click();
  EXPECT_EQ(player().Design(), "C:\\Plugins\\KORULozengeM.korud");
  form_->PopupHelp->Click();
  const auto requests = presenter_->ShellRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].file, "C:\\Plugins\\KORULozg.htm");
  EXPECT_EQ(requests[0].verb, "");  // the default verb
  EXPECT_EQ(requests[0].owner, form_->Handle());
}

TEST_F(Menus, PlayButtonFollowsThePlayStatus) {
  ASSERT_TRUE(Load());
  EXPECT_EQ(form_->BtnPlay->UpIndex(), 0);
  Post(koru::kNotifyPlayStatus, 526);
  EXPECT_EQ(form_->BtnPlay->UpIndex(), 3);
  Post(koru::kNotifyPlayStatus, 600);
  EXPECT_EQ(form_->BtnPlay->UpIndex(), 3);
  koru_->Calls().Clear();
  ClickButton(form_->BtnPlay);
  EXPECT_EQ(koru_->Calls().CallsOf("Stop").size(), 1u);
  Post(koru::kNotifyPlayStatus, 527);
  EXPECT_EQ(form_->BtnPlay->UpIndex(), 2);
  Post(koru::kNotifyPlayStatus, 524);
  EXPECT_EQ(form_->BtnPlay->UpIndex(), 0);
  koru_->Calls().Clear();
  ClickButton(form_->BtnPlay);
  EXPECT_EQ(koru_->Calls().CallsOf("Play").size(), 1u);
  EXPECT_TRUE(koru_->Calls().CallsOf("Stop").empty());
}

TEST_F(Menus, ButtonsSendTheirCommands) {
  ASSERT_TRUE(Load());
  koru_->Calls().Clear();
  ClickButton(form_->BtnPlayList);
  EXPECT_TRUE(player().PlayListVisible());
  ClickButton(form_->BtnTool);
  ASSERT_EQ(koru_->Calls().CallsOf("Click").size(), 1u);
  EXPECT_EQ(koru_->Calls().CallsOf("Click")[0].arguments, "5");
  ClickButton(form_->BtnUp);
  ClickButton(form_->BtnDown);
  EXPECT_EQ(koru_->Calls().CallsOf("Back").size(), 1u);
  EXPECT_EQ(koru_->Calls().CallsOf("Next").size(), 1u);
  ClickButton(form_->BtnLogo);
  EXPECT_FALSE(player().Visible());
  EXPECT_EQ(form_->BtnPlayList->Hint(), "PlayList");
  EXPECT_EQ(form_->BtnPlay->Hint(), "Play/Stop");
}

TEST_F(Menus, KeysReachThePlayerWithTheirShiftState) {
  ASSERT_TRUE(Load());
  ClickAt(Point(32, 5));  // the window takes the focus
  koru_->Calls().Clear();
  win::test::PressKey(win::VK_SPACE);
  win::test::ReleaseKey(win::VK_SPACE);
  win::test::PressKey(win::VK_SHIFT);
  win::test::PressKey('A');
  win::test::ReleaseKey('A');
  win::test::ReleaseKey(win::VK_SHIFT);
  koru::test::PumpMessages();
  const auto keys = koru_->Calls().CallsOf("KeyDown");
  ASSERT_GE(keys.size(), 3u);
  EXPECT_EQ(keys[0].arguments, "32, 0");
  EXPECT_EQ(keys.back().arguments, "65, 1");
}

TEST_F(Menus, DroppedFilesAreAddedOrTakenAsTheDesign) {
  ASSERT_TRUE(Load());
  win::CreateDirectoryA("C:\\Music", nullptr);
  WriteText("C:\\Music\\song.trk", "[Track]\r\nTitle=Song\r\nLength=1000\r\n");
  // A name far longer than the old fixed buffer arrives whole.
  std::string longName = "C:\\Music";
  for (char folder : {'a', 'b'}) {
    longName += "\\" + std::string(120, folder);
    win::CreateDirectoryA(longName.c_str(), nullptr);
  }
  longName += "\\" + std::string(60, 'c') + ".trk";
  ASSERT_GT(longName.size(), 276u);
  WriteText(longName, "[Track]\r\nTitle=Long\r\nLength=1000\r\n");
  const char* files[] = {"C:\\Music\\song.trk", "C:\\Plugins\\KORULozengeT.KORUD", longName.c_str()};
  const int tracks = player().Tracks();
  koru_->Calls().Clear();
  const TPoint at = OnScreen(Point(150, 30));
  ASSERT_TRUE(win::test::DropFiles({at.x, at.y}, files, 3));
  koru::test::PumpMessages();
  ASSERT_EQ(player().Tracks(), tracks + 2);
  EXPECT_EQ(player().Design(), "C:\\Plugins\\KORULozengeT.KORUD");
  const auto added = koru_->Calls().CallsOf("Add");
  ASSERT_EQ(added.size(), 2u);
  EXPECT_EQ(added[1].arguments, "\"" + longName + "\"");
}

}  // namespace
}  // namespace lozenge_test

// Following the player: the six docking modes, dragging the window (which
// moves a docked player), stay-on-top, and the window's outline on screen.
#include "framework/Graphics.h"
#include <utility>

#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/Painting.h"
#include "platform/Regions.h"
#include "platform/SysColors.h"
#include "platform/Window.h"
#include "player/PluginLoader.h"
#include "plugin/tests/LozengeFixture.h"

namespace lozenge_test {
namespace {

using win::test::MouseButton;
using P = std::pair<int, int>;

class Docking : public LozengeTest {
 protected:
  // Player at (100, 200), `width` by 120.
  void Start(int width = 400) {
    koru::PlayerOptions options;
    options.width = width;
    StartPlayer(options);
    ASSERT_TRUE(Load());
  }
  void Choose(TMenuItem* item) {
    item->Click();
    koru::test::PumpMessages();
  }
  // Presses `button` at a point of the window's client area, moves to the
  // screen point in a few steps and releases there.
  void Drag(TPoint from, TPoint toScreen, MouseButton button = MouseButton::Left) {
    const TPoint start = form_->ClientToScreen(from);
    win::test::MoveMouse({start.x, start.y});
    win::test::PressMouse(button);
    koru::test::PumpMessages();
    for (int step = 1; step <= 4; ++step) {
      win::test::MoveMouse(
          {start.x + (toScreen.x - start.x) * step / 4, start.y + (toScreen.y - start.y) * step / 4});
      koru::test::PumpMessages();
    }
    win::test::ReleaseMouse(button);
    koru::test::PumpMessages();
  }
  std::pair<int, int> Place() { return {form_->Left(), form_->Top()}; }
  std::pair<int, int> PlayerPlace() { return {player().Left(), player().Top()}; }
};

// A point of the skin between the left buttons and the display.
constexpr TPoint kBackground{32, 5};

TEST_F(Docking, EachModePlacesTheWindowAroundThePlayer) {
  Start();
  Choose(form_->PopupPositionUpper);
  EXPECT_EQ(Place(), P(140, 140));
  Choose(form_->PopupPositionUnder);
  EXPECT_EQ(Place(), P(140, 320));
  Choose(form_->PopupPositionRight);  // the item named Right docks on the left
  EXPECT_EQ(Place(), P(-220, 230));
  Choose(form_->PopupPositionLeft);
  EXPECT_EQ(Place(), P(500, 230));
  EXPECT_TRUE(form_->PopupPositionLeft->Checked());
  EXPECT_FALSE(form_->PopupPositionRight->Checked());
  // Docked, the window follows the player.
  MovePlayer(0, 0);
  EXPECT_EQ(Place(), P(400, 30));
  // Free, it stays.
  Choose(form_->PopupPositionFree);
  MovePlayer(50, 50);
  EXPECT_EQ(Place(), P(400, 30));
}

TEST_F(Docking, OddDifferencesRoundTowardZero) {
  Start(321);
  Choose(form_->PopupPositionUnder);
  EXPECT_EQ(Place(), P(100, 320));
  EndPlugin();
  koru_.reset();
  Start(315);
  Choose(form_->PopupPositionUpper);
  EXPECT_EQ(Place(), P(98, 140));
}

TEST_F(Docking, DraggingInModeOneMovesThePlayer) {
  Start();
  Choose(form_->PopupPositionUpper);
  Drag(kBackground, Point(150 + kBackground.x, 10 + kBackground.y));
  EXPECT_EQ(Place(), P(150, 10));
  EXPECT_EQ(PlayerPlace(), P(110, 70));
  EXPECT_EQ(form_->Dragging, 0);
  EXPECT_EQ(win::GetCapture(), nullptr);
}

TEST_F(Docking, EveryButtonDragsFromTheSkinButNotFromTheControls) {
  Start();
  Drag(kBackground, Point(300, 300), MouseButton::Middle);
  EXPECT_EQ(Place(), P(300 - kBackground.x, 300 - kBackground.y));
  win::test::QueueMenuDismiss();
  Drag(kBackground, Point(200, 200), MouseButton::Right);
  EXPECT_EQ(Place(), P(200 - kBackground.x, 200 - kBackground.y));
  // A press on a pane, a button or a slider moves nothing.
  const auto before = Place();
  Drag(Point(150, 30), Point(0, 0));
  Drag(Point(24, 12), Point(0, 0));
  Drag(Point(10, 6), Point(0, 0));
  EXPECT_EQ(Place(), before);
}

TEST_F(Docking, RelativeModeKeepsItsOffsetAndDraggingChangesIt) {
  Start();
  MovePlayer(100, 200);
  form_->SetBounds(600, 50, form_->Width(), form_->Height());
  Choose(form_->PopupPositionOffset);
  EXPECT_EQ(Place(), P(600, 50));
  MovePlayer(150, 260);
  EXPECT_EQ(Place(), P(650, 110));
  Drag(kBackground, Point(700 + kBackground.x, 100 + kBackground.y));
  EXPECT_EQ(Place(), P(700, 100));
  EXPECT_EQ(PlayerPlace(), P(150, 260));
  EXPECT_EQ(form_->OffsetLeft, 550);
  EXPECT_EQ(form_->OffsetTop, -160);
  MovePlayer(0, 0);
  EXPECT_EQ(Place(), P(550, -160));
}

TEST_F(Docking, RestoredModeSnapsAtStartAndIsSaved) {
  WriteSettings("[KORULozg]\r\nPosition=2\r\nOffsetLeft=999\r\n");
  Start();
  EXPECT_TRUE(form_->PopupPositionUnder->Checked());
  EXPECT_EQ(Place(), P(140, 320));
  EXPECT_EQ(form_->OffsetLeft, 352 - 100);
  EndPlugin();
  const std::string saved = ReadSettings();
  for (const char* line : {"Position=2\r\n", "Left=140\r\n", "Top=320\r\n", "OffsetLeft=252\r\n", "OffsetTop=154\r\n"})
    EXPECT_NE(saved.find(line), std::string::npos) << line;
}

TEST_F(Docking, UnlinkedPlayerReadsAsMinusOne) {
  Start();
  form_->KORU->Unbind();
  Choose(form_->PopupPositionUpper);
  EXPECT_EQ(Place(), P(-161, -61));
}

TEST_F(Docking, StayOnTopRecreatesTheWindowWithItsOutline) {
  Start();
  const win::HWND before = form_->Handle();
  player().SetStayOnTop(true);
  koru::test::PumpMessages();
  EXPECT_EQ(form_->FormStyle(), fsStayOnTop);
  EXPECT_NE(form_->Handle(), before);
  EXPECT_TRUE(win::GetWindowLongA(form_->Handle(), win::GWL_EXSTYLE) & win::WS_EX_TOPMOST);
  const win::HRGN shape = win::CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(win::GetWindowRgn(form_->Handle(), shape), win::COMPLEXREGION);
  EXPECT_TRUE(win::EqualRgn(shape, form_->RegionForm->RegionHandle()));
  win::DeleteObject(shape);
  // Closed, the window no longer follows.
  form_->Close();
  player().SetStayOnTop(false);
  koru::test::PumpMessages();
  EXPECT_EQ(form_->FormStyle(), fsStayOnTop);
}

TEST_F(Docking, ScreenShowsTheOutlineCutFromTheSkinBelowThePlayer) {
  Start();
  Choose(form_->PopupPositionUnder);
  const TColor desktop = win::GetSysColor(win::COLOR_DESKTOP);
  SaveScreen("lozenge-docked.png");
  // The rounded corners are holes; the rim, the display and the player show.
  EXPECT_EQ(ScreenPixel(140, 320), desktop);
  EXPECT_EQ(ScreenPixel(140 + 319, 320 + 59), desktop);
  EXPECT_EQ(ScreenPixel(140 + 1, 320 + 59 - 2), desktop);
  EXPECT_NE(ScreenPixel(140 + 160, 320), desktop);
  EXPECT_NE(ScreenPixel(140, 320 + 30), desktop);
  EXPECT_EQ(ScreenPixel(140 + 100, 320 + 30), static_cast<TColor>(0xACBCBC));
  EXPECT_NE(ScreenPixel(300, 319), desktop);  // the player's bottom row
  const auto screen = Screenshot();
  for (int x = 0; x < 320; ++x) EXPECT_NE(screen->Canvas()->Pixels(140 + x, 320 + 30), clTeal) << x;
}

}  // namespace
}  // namespace lozenge_test

#include "tools/SampleForm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>

#include "platform/Desktop.h"
#include "platform/Fonts.h"
#include "platform/Input.h"
#include "platform/Messages.h"
#include "platform/SysColors.h"
#include "testsupport/TempDir.h"

namespace {

constexpr int kMargin = 10;

void HandlePendingMessages() {
  win::MSG msg;
  while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    win::TranslateMessage(&msg);
    win::DispatchMessageA(&msg);
  }
  win::test::PaintPending();
}

// The sample form shown and shaped, its text in the built-in face, and the
// desktop around it read back.
class SampleFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::test::UseFallbackFontOnly(true);
    form = std::make_unique<TSampleForm>(nullptr);
    form->Show();
    form->ApplyShape();
    HandlePendingMessages();
    Snap();
  }

  void Snap() {
    HandlePendingMessages();
    picture = SnapshotAround(*form, kMargin);
    ASSERT_TRUE(picture);
  }

  // The colour the desktop shows at a point of the form's (or a control's) client area.
  TColor At(int x, int y) { return picture->Canvas()->Pixels(x + kMargin, y + kMargin); }
  TColor At(TControl* control, int x, int y) {
    const TPoint p = form->ScreenToClient(control->ClientToScreen(Point(x, y)));
    return At(p.x, p.y);
  }
  // Where the colour shows inside Area of the control, as "(left, top, right, bottom)".
  std::string Where(TControl* control, TColor color, const TRect& area) {
    int left = area.right, top = area.bottom, right = area.left, bottom = area.top;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (At(control, x, y) == ColorToRGB(color)) {
          left = std::min(left, x);
          top = std::min(top, y);
          right = std::max(right, x + 1);
          bottom = std::max(bottom, y + 1);
        }
    return "(" + std::to_string(left) + ", " + std::to_string(top) + ", " + std::to_string(right) + ", " +
           std::to_string(bottom) + ")";
  }
  // Pixels of the colour inside Area of the control.
  int Count(TControl* control, TColor color, const TRect& area) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (At(control, x, y) == ColorToRGB(color)) ++count;
    return count;
  }

  std::unique_ptr<TSampleForm> form;
  std::unique_ptr<TBitmap> picture;
};

TEST_F(SampleFormTest, TheShapesHolesShowTheDesktopAndAreNotHit) {
  const TColor desktop = win::GetSysColor(win::COLOR_DESKTOP);
  EXPECT_EQ(At(-5, 50), desktop);  // beside the form
  EXPECT_EQ(At(0, 0), desktop);    // the rounded corners are cut out
  EXPECT_EQ(At(239, 99), desktop);
  EXPECT_EQ(At(1, 50), ColorToRGB(clGray));  // the rim
  EXPECT_EQ(At(120, 95), ColorToRGB(clSilver));
  EXPECT_EQ(At(120, 90), ColorToRGB(clSilver));

  EXPECT_NE(win::WindowFromPoint(form->ClientToScreen(Point(0, 0))), form->Handle());
  EXPECT_EQ(win::WindowFromPoint(form->ClientToScreen(Point(5, 50))), form->Handle());
}

TEST_F(SampleFormTest, PanelsShowTheirBevelsAndCentredCaption) {
  TPanel* title = form->TitlePanel;  // lowered outside, raised inside
  EXPECT_EQ(At(title, 0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(At(title, 149, 39), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(At(title, 1, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(At(title, 148, 38), ColorToRGB(clBtnShadow));
  EXPECT_EQ(At(title, 140, 30), ColorToRGB(clNavy));

  TPanel* status = form->StatusPanel;  // raised, two pixels
  EXPECT_EQ(At(status, 1, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(At(status, 98, 22), ColorToRGB(clBtnShadow));
  // "00:00": five cells of 6 centred in 96, on the middle rows.
  EXPECT_GT(Count(status, clBlack, Rect(35, 6, 65, 18)), 0);
  EXPECT_EQ(Count(status, clBlack, Rect(2, 2, 35, 22)), 0);
  EXPECT_EQ(Count(status, clBlack, Rect(65, 2, 98, 22)), 0);
}

TEST_F(SampleFormTest, LabelTextLiesInsideEachLabelOnly) {
  TLabel* title = form->TitleLabel;
  EXPECT_EQ(title->Width(), 60);  // five double-byte characters of the built-in face
  EXPECT_EQ(title->Height(), 12);
  const TRect inside = Rect(title->Left(), title->Top(), title->Left() + title->Width(), title->Top() + title->Height());
  TPanel* panel = form->TitlePanel;
  EXPECT_GT(Count(panel, clWhite, inside), 100);
  // Nowhere else on the face of the panel, and the transparent label lets the navy through.
  EXPECT_EQ(Count(panel, clWhite, Rect(2, 2, 148, inside.top)), 0);
  EXPECT_EQ(Count(panel, clWhite, Rect(inside.right, 2, 148, 38)), 0);
  EXPECT_EQ(Count(panel, clWhite, Rect(2, inside.bottom, 148, 38)), 0);
  EXPECT_GT(Count(panel, clNavy, inside), 0);

  TLabel* artist = form->ArtistLabel;
  EXPECT_GT(Count(artist, clYellow, Rect(0, 0, artist->Width(), artist->Height())), 100);
  EXPECT_EQ(Count(panel, clYellow, Rect(2, 2, 148, artist->Top())), 0);
}

TEST_F(SampleFormTest, TheCoverIsStretchedTenTimes) {
  TImage* cover = form->Cover;
  EXPECT_EQ(At(cover, 0, 0), ColorToRGB(clRed));
  EXPECT_EQ(At(cover, 9, 9), ColorToRGB(clRed));
  EXPECT_EQ(At(cover, 10, 0), ColorToRGB(clWhite));
  EXPECT_EQ(At(cover, 39, 39), ColorToRGB(clRed));
  EXPECT_EQ(At(cover, 30, 29), ColorToRGB(clWhite));
}

TEST_F(SampleFormTest, TheButtonLooksPressedWhileThePersonHoldsItAndClicksOnRelease) {
  TBitBtn* button = form->PlayButton;
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  // Up: raised frame, the arrow in its place.
  EXPECT_EQ(At(button, 0, 0), ColorToRGB(clBtnHighlight));
  const int upArrow = Count(button, clLime, Rect(0, 0, 36, 24));
  ASSERT_GT(upArrow, 0);
  EXPECT_EQ(Where(button, clLime, Rect(0, 0, 36, 24)), "(14, 8, 22, 16)");
  EXPECT_EQ(Count(button, clFuchsia, Rect(0, 0, 36, 24)), 0);

  win::test::MoveMouse(button->ClientToScreen(Point(10, 10)));
  win::test::PressMouse(win::test::MouseButton::Left);
  Snap();
  EXPECT_NE(At(button, 0, 0), ColorToRGB(clBtnHighlight));  // sunken
  // The same arrow, one pixel right and down.
  EXPECT_EQ(Count(button, clLime, Rect(0, 0, 36, 24)), upArrow);
  EXPECT_EQ(Where(button, clLime, Rect(0, 0, 36, 24)), "(15, 9, 23, 17)");
  EXPECT_EQ(clicks, 0);

  win::test::ReleaseMouse(win::test::MouseButton::Left);
  Snap();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Count(button, clLime, Rect(0, 0, 36, 24)), upArrow);
}

TEST_F(SampleFormTest, IsWrittenAsAPngFile) {
  testsupport::TempDir dir;
  const std::string path = dir / "form.png";
  ASSERT_TRUE(SaveSamplePng(*form, kMargin, path));
  std::ifstream file(path, std::ios::binary);
  char signature[8] = {};
  file.read(signature, 8);
  EXPECT_EQ(std::string(signature + 1, 3), "PNG");
}

}  // namespace

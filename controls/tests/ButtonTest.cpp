#include "controls/Button.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "controls/tests/SkinTestSupport.h"
#include "platform/Button.h"
#include "platform/Clock.h"
#include "platform/Input.h"

using controlstest::THostForm;
using skintest::Fill;
using skintest::PaintStrip;
using skintest::PointsOf;
using skintest::Pump;

namespace {

// Four 12 by 12 images: red, lime, blue, yellow; nothing of the strip is
// transparent (its transparent colour fuchsia is not in it).
void PaintGlyph(TBitmap* strip) {
  PaintStrip(strip, {clRed, clLime, clBlue, clYellow}, 12, 12);
  strip->SetTransparentColor(clFuchsia);
}

class TDerivedImageList : public TImageList {
 public:
  using TImageList::TImageList;
};

// A 20 by 16 button without a frame on a form, drawn into a bitmap by the
// draw-item message as its parent would ask for it.
struct ButtonDrawing : ::testing::Test {
  void SetUp() override {
    button = new ktvButton(&form);
    button->SetParent(&form);
    button->SetBounds(0, 0, 20, 16);
    button->SetDrawFrame(false);
    button->SetNumGlyphs(4);
    TBitmap strip;
    PaintGlyph(&strip);
    button->SetGlyph(&strip);
    form.Show();
    Pump();
  }
  // Draws the button over white and answers the message's result.
  win::LRESULT Draw(win::UINT state = 0, TColor background = clWhite, win::UINT message = CN_DRAWITEM) {
    Fill(&target, 20, 16, background);
    win::DRAWITEMSTRUCT item{win::ODT_BUTTON, 0,      0, win::ODA_DRAWENTIRE, state, button->Handle(),
                             target.Canvas()->Handle(), Rect(0, 0, 20, 16), 0};
    return button->Perform(message, 0, reinterpret_cast<win::LPARAM>(&item));
  }
  TColor At(int x, int y) { return target.Canvas()->Pixels(x, y); }
  size_t Count(TColor color) {
    return PointsOf(Rect(0, 0, 20, 16), color, [this](int x, int y) { return At(x, y); }).size();
  }

  THostForm form{nullptr, 60, 40};
  ktvButton* button = nullptr;
  TBitmap target;
};

// ---- the glyph list ----

TEST_F(ButtonDrawing, TheStripIsCutIntoImagesOfTheGlyphsWidthByNumGlyphs) {
  ASSERT_TRUE(button->GlyphList());
  EXPECT_EQ(button->GlyphList()->Count(), 4);
  EXPECT_EQ(button->GlyphList()->Width(), 12);
  EXPECT_EQ(button->GlyphList()->Height(), 12);
  button->SetNumGlyphs(1);
  button->UpdateGlyph();
  EXPECT_EQ(button->GlyphList()->Count(), 1);
  EXPECT_EQ(button->GlyphList()->Width(), 48);
  button->SetImageWidth(12);
  EXPECT_EQ(button->GlyphList()->Width(), 48);  // until the next rebuild
  button->UpdateGlyph();
  EXPECT_EQ(button->GlyphList()->Count(), 4);
  EXPECT_EQ(button->GlyphList()->Width(), 12);
}

TEST_F(ButtonDrawing, AnImageWidthOfNothingFallsBackToTheButtonsWidth) {
  TBitmap narrow;
  Fill(&narrow, 3, 12, clRed);
  button->SetGlyph(&narrow);
  EXPECT_EQ(button->GlyphList()->Width(), 20);
  EXPECT_EQ(button->GlyphList()->Count(), 0);
}

TEST_F(ButtonDrawing, OnlyAPlainTImageListIsTakenAsTheUsersImages) {
  TImageList user(nullptr);
  user.SetWidth(8);
  user.SetHeight(8);
  button->SetImages(&user);
  EXPECT_EQ(button->Images(), &user);
  EXPECT_EQ(button->GlyphList(), &user);
  EXPECT_EQ(button->ImageWidth(), 8);

  TDerivedImageList derived(nullptr);
  button->SetImages(&derived);
  EXPECT_EQ(button->Images(), nullptr);
  ASSERT_TRUE(button->GlyphList());
  EXPECT_EQ(button->GlyphList()->Count(), 6);  // the glyph cut by the taken width 8
}

TEST_F(ButtonDrawing, AUsersListThatIsDestroyedIsLetGo) {
  {
    TImageList user(nullptr);
    button->SetImages(&user);
  }
  EXPECT_EQ(button->Images(), nullptr);
  EXPECT_EQ(button->GlyphList(), nullptr);
  Draw();  // rebuilds from the glyph
  EXPECT_EQ(At(4, 2), clRed);
}

TEST_F(ButtonDrawing, AGlyphChangeRebuildsEvenOverTheUsersList) {
  TImageList user(nullptr);
  button->SetImages(&user);
  TBitmap strip;
  PaintGlyph(&strip);
  button->SetGlyph(&strip);
  EXPECT_EQ(button->Images(), &user);
  EXPECT_NE(button->GlyphList(), &user);
  EXPECT_EQ(button->GlyphList()->Width(), 16);  // the width the user's list gave
  EXPECT_EQ(button->GlyphList()->Count(), 3);
}

// ---- drawing ----

TEST_F(ButtonDrawing, TheUpImageIsCentredAndNothingElseIsDrawn) {
  EXPECT_EQ(Draw(), 1);
  EXPECT_EQ(At(4, 2), clRed);
  EXPECT_EQ(At(15, 13), clRed);
  EXPECT_EQ(Count(clRed), 144u);
  EXPECT_EQ(Count(clWhite), 20u * 16u - 144u);
  // The parent's own message, sent to the button, draws the same.
  EXPECT_EQ(Draw(0, clWhite, win::WM_DRAWITEM), 1);
  EXPECT_EQ(Count(clRed), 144u);
}

TEST_F(ButtonDrawing, APressWithoutADownImageShiftsTheUpImage) {
  Draw(win::ODS_SELECTED);
  EXPECT_EQ(At(4, 2), clWhite);
  EXPECT_EQ(At(5, 3), clRed);
  EXPECT_EQ(At(16, 14), clRed);
  button->SetDownIndex(2);
  Draw(win::ODS_SELECTED);
  EXPECT_EQ(At(4, 2), clBlue);
}

TEST_F(ButtonDrawing, ADisabledButtonShowsItsDisableImageUnlessPressed) {
  button->SetEnabled(false);
  Draw(win::ODS_DISABLED);
  EXPECT_EQ(At(4, 2), clRed);
  button->SetDisableIndex(1);
  Draw(win::ODS_DISABLED);
  EXPECT_EQ(At(4, 2), clLime);
  Draw(win::ODS_DISABLED | win::ODS_SELECTED);
  EXPECT_EQ(At(5, 3), clRed);
}

TEST_F(ButtonDrawing, AnIndexPastTheImagesDrawsNeitherImageNorText) {
  button->SetCaption("W");
  button->SetUpIndex(4);
  Draw();
  EXPECT_EQ(Count(clWhite), 20u * 16u);
}

TEST_F(ButtonDrawing, TheFrameIsThePlatformsPushButton) {
  button->SetDrawFrame(true);
  Draw(0, clFuchsia);
  const TColor raised = At(0, 0);
  EXPECT_NE(raised, clFuchsia);
  EXPECT_EQ(At(4, 2), clRed);
  Draw(win::ODS_SELECTED, clFuchsia);
  EXPECT_NE(At(0, 0), raised);
}

TEST_F(ButtonDrawing, WithoutImagesTheCaptionIsDrawnWithoutABackground) {
  button->SetGlyph(nullptr);
  button->SetImages(nullptr);
  ASSERT_EQ(button->GlyphList(), nullptr);
  button->Font()->SetColor(clBlack);
  button->SetCaption("W");
  Draw();
  const std::vector<TPoint> ink = PointsOf(Rect(0, 0, 20, 16), clBlack, [this](int x, int y) { return At(x, y); });
  ASSERT_FALSE(ink.empty());
  EXPECT_EQ(At(0, 0), clWhite);
  EXPECT_EQ(At(19, 15), clWhite);
  const TRect box = skintest::BoxOf(ink);
  EXPECT_LE(std::abs((box.left + box.right) - 20), 2);
}

// The bitmap button draws a disabled caption embossed; the own drawing
// draws it in the font's colour.
TEST_F(ButtonDrawing, AFramedButtonWithoutImagesIsLeftToTheBitmapButtonUnlessFlat) {
  button->SetGlyph(nullptr);
  button->SetImages(nullptr);
  button->SetDrawFrame(true);
  button->Font()->SetColor(clBlack);
  button->SetCaption("W");
  button->SetEnabled(false);
  auto blackInside = [this] {
    return PointsOf(Rect(3, 3, 17, 13), clBlack, [this](int x, int y) { return At(x, y); }).size();
  };
  Draw(win::ODS_DISABLED);
  EXPECT_EQ(blackInside(), 0u);
  button->SetFlat(true);
  Draw(win::ODS_DISABLED);
  EXPECT_GT(blackInside(), 0u);
}

TEST_F(ButtonDrawing, TheEraseMessageErasesNothing) {
  Fill(&target, 20, 16, clWhite);
  EXPECT_EQ(button->Perform(win::WM_ERASEBKGND, reinterpret_cast<win::WPARAM>(target.Canvas()->Handle()), 0), 1);
  EXPECT_EQ(Count(clWhite), 20u * 16u);
}

// ---- transparency ----

TEST_F(ButtonDrawing, ATransparentButtonDrawsOnlyAfterItsParentRepainted) {
  button->SetTransparent(true);
  EXPECT_TRUE(button->GlyphList()->DrawingStyle == dsTransparent);
  EXPECT_EQ(button->GlyphList()->BkColor, clNone);
  EXPECT_TRUE(button->Glyph()->Transparent());
  win::ValidateRect(form.Handle(), nullptr);
  Draw();
  EXPECT_EQ(Count(clWhite), 20u * 16u);
  win::RECT update{};
  EXPECT_TRUE(win::GetUpdateRect(form.Handle(), &update, win::FALSE));
  Draw();
  EXPECT_EQ(At(4, 2), clRed);
  Draw();
  EXPECT_EQ(Count(clWhite), 20u * 16u);
}

TEST_F(ButtonDrawing, ATransparentWindowDoesNotClipAndInvalidatesItsParent) {
  const win::HWND before = button->Handle();
  button->SetTransparent(true);
  EXPECT_NE(button->Handle(), before);
  const auto style = static_cast<win::DWORD>(win::GetWindowLongA(button->Handle(), win::GWL_STYLE));
  EXPECT_EQ(style & (win::WS_CLIPCHILDREN | win::WS_CLIPSIBLINGS), 0u);
  win::ValidateRect(form.Handle(), nullptr);
  button->SetBounds(30, 10, 20, 16);
  win::ValidateRect(form.Handle(), nullptr);
  win::WINDOWPOS pos{};
  pos.hwnd = button->Handle();
  pos.x = 30;
  pos.y = 10;
  pos.cx = 20;
  pos.cy = 16;
  pos.flags = win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER;
  button->Perform(win::WM_WINDOWPOSCHANGED, 0, reinterpret_cast<win::LPARAM>(&pos));
  win::RECT update{};
  ASSERT_TRUE(win::GetUpdateRect(form.Handle(), &update, win::FALSE));
  EXPECT_EQ(update.left, 30);
  EXPECT_EQ(update.top, 10);
  EXPECT_EQ(update.right, 50);
  EXPECT_EQ(update.bottom, 26);
}

// ---- mouse and auto-repeat ----

struct ButtonClicking : ::testing::Test {
  void SetUp() override {
    win::test::ManualClock::Enable();
    button = new ktvButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 20, 16);
    button->SetDrawFrame(false);
    button->OnClick = [this](TObject*) { clicks.push_back(static_cast<int>(win::GetTickCount() - pressedAt)); };
    form.Show();
    Pump();
    win::test::MoveMouse({15, 15});
    Pump();
  }
  void TearDown() override { win::test::ManualClock::Disable(); }
  void Press(win::test::MouseButton which = win::test::MouseButton::Left) {
    win::test::PressMouse(which);
    Pump();
    pressedAt = win::GetTickCount();
  }
  void Release(win::test::MouseButton which = win::test::MouseButton::Left) {
    win::test::ReleaseMouse(which);
    Pump();
  }
  void Hold(int ms) {
    for (int t = 0; t < ms; t += 50) {
      win::test::ManualClock::Advance(50);
      Pump();
    }
  }

  THostForm form{nullptr, 60, 40};
  ktvButton* button = nullptr;
  std::vector<int> clicks;
  win::DWORD pressedAt = 0;
};

TEST_F(ButtonClicking, AHeldRepeatButtonClicksAfterTheFirstIntervalThenEveryNext) {
  button->SetRepeat(true);
  Press();
  EXPECT_TRUE(button->Down());
  Hold(1000);
  Release();
  EXPECT_FALSE(button->Down());
  EXPECT_EQ(clicks, (std::vector<int>{400, 500, 600, 700, 800, 900, 1000, 1000}));
  clicks.clear();
  Hold(500);
  EXPECT_TRUE(clicks.empty());
}

TEST_F(ButtonClicking, WithoutRepeatOnlyTheReleaseClicks) {
  Press();
  Hold(1000);
  Release();
  EXPECT_EQ(clicks, (std::vector<int>{1000}));
}

TEST_F(ButtonClicking, TurningRepeatOffWhileHeldStopsTheClicks) {
  button->SetRepeat(true);
  Press();
  Hold(450);
  button->SetRepeat(false);
  Hold(550);
  Release();
  EXPECT_EQ(clicks, (std::vector<int>{400, 1000}));
}

TEST_F(ButtonClicking, ARightPressSetsDownButNeverClicks) {
  button->SetRepeat(true);
  Press(win::test::MouseButton::Right);
  EXPECT_TRUE(button->Down());
  Hold(600);
  Release(win::test::MouseButton::Right);
  EXPECT_FALSE(button->Down());
  EXPECT_TRUE(clicks.empty());
}

TEST_F(ButtonClicking, AClickThatRaisesStopsTheRepeat) {
  button->SetRepeat(true);
  bool raise = true;
  button->OnClick = [&](TObject*) {
    clicks.push_back(static_cast<int>(win::GetTickCount() - pressedAt));
    if (raise) throw std::runtime_error("click failed");
  };
  Press();
  EXPECT_THROW(Hold(400), std::runtime_error);
  raise = false;
  Hold(600);
  Release();
  EXPECT_EQ(clicks, (std::vector<int>{400, 1000}));
}

}  // namespace

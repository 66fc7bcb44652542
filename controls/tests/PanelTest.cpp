#include "controls/Panel.h"

#include <gtest/gtest.h>

#include "controls/tests/SkinTestSupport.h"
#include "platform/Bitmaps.h"
#include "platform/DeviceContext.h"
#include "platform/Gdi.h"

using skintest::BoxOf;
using skintest::Fill;
using skintest::PixelAt;
using skintest::PointsOf;
using skintest::Pump;
using skintest::TSkinForm;

namespace {

// A panel that counts its paints.
class TCountingPanel : public ktvPanel {
 public:
  using ktvPanel::ktvPanel;
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    ktvPanel::Paint();
  }
};

struct PanelOnForm : ::testing::Test {
  void SetUp() override {
    panel = new TCountingPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 10, 40, 20);
    panel->SetBevelOuter(bvNone);
    panel->SetCaption("");
    panel->SetColor(clYellow);
    panel->OnPaint = [this](TObject* sender) {
      EXPECT_EQ(sender, panel);
      ++onPaints;
    };
  }
  void Show() {
    form.Show();
    Pump();
  }
  TColor At(int x, int y) { return PixelAt(&form, 10 + x, 10 + y); }
  // The panel's area as the screen shows it, in panel coordinates.
  std::vector<TPoint> Points(TColor color) {
    return PointsOf(Rect(0, 0, 40, 20), color, [this](int x, int y) { return At(x, y); });
  }

  TSkinForm form{80, 50};
  TCountingPanel* panel = nullptr;
  int onPaints = 0;
};

// ---- opaque painting ----

TEST_F(PanelOnForm, APictureSmallerThanThePanelShowsTheColourAroundIt) {
  TBitmap picture;
  Fill(&picture, 15, 8, clRed);
  panel->SetImage(&picture);
  Show();
  EXPECT_EQ(At(0, 0), clRed);
  EXPECT_EQ(At(14, 7), clRed);
  EXPECT_EQ(At(15, 7), clYellow);
  EXPECT_EQ(At(14, 8), clYellow);
  EXPECT_EQ(At(39, 19), clYellow);
  EXPECT_EQ(onPaints, 1);
}

TEST_F(PanelOnForm, APictureLargerThanThePanelIsCutAtItsEdges) {
  TBitmap picture;
  Fill(&picture, 60, 40, clRed);
  panel->SetImage(&picture);
  Show();
  EXPECT_EQ(At(39, 19), clRed);
  EXPECT_EQ(At(40, 19), clBlue);
  EXPECT_EQ(At(39, 20), clBlue);
}

TEST_F(PanelOnForm, TheImageIsACopyAndNoneFreesIt) {
  TBitmap picture;
  Fill(&picture, 15, 8, clRed);
  panel->SetImage(&picture);
  Fill(&picture, 15, 8, clLime);
  ASSERT_TRUE(panel->Image());
  panel->SetImage(nullptr);
  EXPECT_EQ(panel->Image(), nullptr);
  Show();
  EXPECT_EQ(At(0, 0), clYellow);
}

TEST(Panel, ImageIsNoneAtRunTimeButAnEmptyPictureWhileLoading) {
  ktvPanel panel(nullptr);
  EXPECT_EQ(panel.Image(), nullptr);
  ktvPanel loading(nullptr);
  TComponentLoader loader;
  loader.Add(&loading);
  TBitmap* image = loading.Image();
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->Empty());
  EXPECT_EQ(loading.Image(), image);
  loader.Loaded();
}

// ---- bevels and border ----

TEST_F(PanelOnForm, ALoweredOuterBevelIsShadowAtTopLeftAndHighlightAtBottomRight) {
  panel->SetBevelOuter(bvLowered);
  panel->SetBevelWidth(2);
  Show();
  const TColor shadow = ColorToRGB(clBtnShadow);
  const TColor highlight = ColorToRGB(clBtnHighlight);
  EXPECT_EQ(At(5, 0), shadow);
  EXPECT_EQ(At(0, 5), shadow);
  EXPECT_EQ(At(5, 1), shadow);
  EXPECT_EQ(At(5, 19), highlight);
  EXPECT_EQ(At(39, 5), highlight);
  EXPECT_EQ(At(5, 18), highlight);
  EXPECT_EQ(At(5, 2), clYellow);
}

TEST_F(PanelOnForm, RaisedBevelsAndABorderInTheColourNest) {
  panel->SetBevelOuter(bvRaised);
  panel->SetBorderWidth(2);
  panel->SetBevelInner(bvSpace);
  panel->SetColor(clGray);
  TBitmap picture;
  Fill(&picture, 40, 20, clRed);
  panel->SetImage(&picture);
  Show();
  const TColor shadow = ColorToRGB(clBtnShadow);
  const TColor highlight = ColorToRGB(clBtnHighlight);
  EXPECT_EQ(At(5, 0), highlight);  // the outer bevel
  EXPECT_EQ(At(5, 19), shadow);
  EXPECT_EQ(At(5, 1), clGray);  // the border over the picture
  EXPECT_EQ(At(5, 2), clGray);
  EXPECT_EQ(At(5, 3), highlight);  // the inner bevel
  EXPECT_EQ(At(5, 16), shadow);
  EXPECT_EQ(At(5, 4), clRed);  // the picture inside
}

// ---- caption ----

struct PanelCaption : PanelOnForm {
  void SetUp() override {
    PanelOnForm::SetUp();
    panel->SetColor(clGray);
    panel->Font()->SetColor(clBlack);
    panel->SetCaption("Wg");
  }
};

TEST_F(PanelCaption, ATextBevelPutsAShadowOnePixelUpLeftWhenLoweredAndDownRightWhenRaised) {
  panel->SetBevelText(bvLowered);
  panel->SetBevelColor(clWhite);
  Show();
  TRect ink = BoxOf(Points(clBlack));
  TRect shadow = BoxOf(Points(clWhite));
  ASSERT_GT(ink.right, ink.left);
  EXPECT_EQ(shadow.left, ink.left - 1);
  EXPECT_EQ(shadow.top, ink.top - 1);
  panel->SetBevelText(bvRaised);
  Pump();
  ink = BoxOf(Points(clBlack));
  shadow = BoxOf(Points(clWhite));
  EXPECT_EQ(shadow.right, ink.right + 1);
  EXPECT_EQ(shadow.bottom, ink.bottom + 1);
}

TEST_F(PanelCaption, IsCentredAndLeftAlignedTextStartsAtTheFrame) {
  Show();
  const TRect centred = BoxOf(Points(clBlack));
  ASSERT_GT(centred.right, centred.left);
  EXPECT_LE(std::abs((centred.left + centred.right) - 40), 2);
  EXPECT_TRUE(Points(clWhite).empty());

  panel->SetAlignment(taLeftJustify);
  Pump();
  const int flushLeft = BoxOf(Points(clBlack)).left;
  panel->SetColor(clNone);
  panel->SetBorderWidth(2);
  panel->SetTransparent(true);
  Pump();
  EXPECT_EQ(BoxOf(Points(clBlack)).left, flushLeft + 2);
}

TEST_F(PanelOnForm, AnEmptyCaptionDrawsNoText) {
  panel->SetBevelText(bvLowered);
  panel->SetBevelColor(clWhite);
  Show();
  EXPECT_EQ(Points(clYellow).size(), 40u * 20u);
}

// ---- transparency ----

struct TransparentPanel : PanelOnForm {
  void SetUp() override {
    PanelOnForm::SetUp();
    TBitmap picture;
    Fill(&picture, 15, 8, clRed);
    panel->SetImage(&picture);
    panel->SetTransparent(true);
  }
};

TEST_F(TransparentPanel, ShowsTheParentAroundItsPictureAfterTwoPasses) {
  Show();
  EXPECT_EQ(At(0, 0), clRed);
  EXPECT_EQ(At(20, 10), clBlue);
  panel->paints = 0;
  onPaints = 0;
  panel->Invalidate();
  Pump();
  EXPECT_EQ(panel->paints, 2);
  EXPECT_EQ(onPaints, 1);
  EXPECT_EQ(At(0, 0), clRed);
  EXPECT_EQ(At(20, 10), clBlue);
}

TEST_F(TransparentPanel, ShowsWhatTheParentNowPaintsUnderIt) {
  Show();
  form.SetColor(clLime);
  Pump();
  EXPECT_EQ(At(20, 10), clLime);
  EXPECT_EQ(At(0, 0), clRed);
}

TEST_F(TransparentPanel, ItsWindowNoLongerClipsSiblingsAndChildren) {
  form.HandleNeeded();
  const win::HWND before = panel->Handle();
  const auto style = static_cast<win::DWORD>(win::GetWindowLongA(before, win::GWL_STYLE));
  EXPECT_EQ(style & (win::WS_CLIPCHILDREN | win::WS_CLIPSIBLINGS), 0u);
  panel->SetTransparent(false);
  EXPECT_FALSE(panel->Transparent());
  EXPECT_NE(panel->Handle(), before);
}

TEST_F(TransparentPanel, InvalidatingMarksItsAreaInTheParent) {
  Show();
  panel->Invalidate();
  win::RECT update{};
  ASSERT_TRUE(win::GetUpdateRect(form.Handle(), &update, win::FALSE));
  EXPECT_EQ(update.left, 10);
  EXPECT_EQ(update.top, 10);
  EXPECT_EQ(update.right, 50);
  EXPECT_EQ(update.bottom, 30);
}

// ---- messages ----

struct MemoryDC {
  MemoryDC() {
    Fill(&bitmap, 40, 20, clWhite);
    dc = bitmap.Canvas()->Handle();
  }
  TColor Pixel(int x, int y) { return bitmap.Canvas()->Pixels(x, y); }
  TBitmap bitmap;
  win::HDC dc;
};

TEST_F(PanelOnForm, EraseFillsAnOpaquePanelInItsColourOnlyAndReportsErased) {
  form.HandleNeeded();
  MemoryDC target;
  EXPECT_EQ(panel->Perform(win::WM_ERASEBKGND, reinterpret_cast<win::WPARAM>(target.dc), 0), 1);
  EXPECT_EQ(target.Pixel(5, 5), clYellow);
  Fill(&target.bitmap, 40, 20, clWhite);
  panel->SetTransparent(true);
  EXPECT_EQ(panel->Perform(win::WM_ERASEBKGND, reinterpret_cast<win::WPARAM>(target.dc), 0), 1);
  EXPECT_EQ(target.Pixel(5, 5), clWhite);
}

TEST_F(PanelOnForm, TheRepaintMessagePaintsAtOnce) {
  Show();
  panel->paints = 0;
  panel->Perform(KTV_REPAINT, 0, 0);
  EXPECT_EQ(panel->paints, 1);
}

}  // namespace

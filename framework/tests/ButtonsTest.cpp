#include "framework/Buttons.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/tests/ControlsTestSupport.h"
#include "framework/tests/GraphicsTestSupport.h"
#include "framework/tests/StdCtrlsTestSupport.h"
#include "platform/Input.h"

using controlstest::At;
using controlstest::PixelAt;
using controlstest::Pump;
using stdctrlstest::BoundsOfColor;
using stdctrlstest::CountOfColor;
using stdctrlstest::Text;
using stdctrlstest::TTextForm;

namespace {

// A bitmap button that records the item states it is drawn with.
class TRecordingBitBtn : public TBitBtn {
 public:
  using TBitBtn::TBitBtn;
  std::vector<win::UINT> states;

 protected:
  void DrawItem(const win::DRAWITEMSTRUCT& DrawItemStruct) override {
    states.push_back(DrawItemStruct.itemState);
    TBitBtn::DrawItem(DrawItemStruct);
  }
};

// A strip of four 6 by 6 images in red, lime, blue and yellow; the fuchsia
// bottom-left pixel makes fuchsia the transparent colour.
void PaintStrip(TBitmap& strip) {
  graphicstest::Paint(strip,
                      {
                          "rrrrrrggggggbbbbbbyyyyyy",
                          "rrrrrrggggggbbbbbbyyyyyy",
                          "rrrrrrggggggbbbbbbyyyyyy",
                          "rrrrrrggggggbbbbbbyyyyyy",
                          "rrrrrrggggggbbbbbbyyyyyy",
                          "frrrrrggggggbbbbbbyyyyyy",
                      },
                      {{'r', clRed}, {'g', clLime}, {'b', clBlue}, {'y', clYellow}, {'f', clFuchsia}});
}

// A 30 by 20 bitmap button at (10, 10) without a caption, its strip set.
class TBitBtnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    button = new TRecordingBitBtn(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 30, 20);
    button->SetCaption("");
    TBitmap strip;
    PaintStrip(strip);
    button->SetGlyph(&strip);
    button->OnClick = [this](TObject*) { ++clicks; };
    form.Show();
    Pump();
  }

  win::HWND Hwnd() { return button->Handle(); }
  void Press() { win::SendMessageA(Hwnd(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, At(5, 5)); }
  void MoveTo(int x, int y) { win::SendMessageA(Hwnd(), win::WM_MOUSEMOVE, win::MK_LBUTTON, At(x, y)); }
  void Release(int x, int y) { win::SendMessageA(Hwnd(), win::WM_LBUTTONUP, 0, At(x, y)); }
  // Where the colour shows on the button.
  std::string Where(TColor color) { return Text(BoundsOfColor(button, color, Rect(0, 0, 30, 20))); }

  TTextForm form;
  TRecordingBitBtn* button = nullptr;
  int clicks = 0;
};

TEST_F(TBitBtnTest, TheWindowIsOwnerDrawnAndDrawnThroughTheReflectedDrawItem) {
  EXPECT_EQ(win::GetWindowLongA(Hwnd(), win::GWL_STYLE) & win::BS_TYPEMASK, static_cast<win::LONG>(win::BS_OWNERDRAW));
  ASSERT_FALSE(button->states.empty());
  EXPECT_FALSE(button->states.back() & win::ODS_SELECTED);
  // The push-button frame around the face.
  EXPECT_EQ(PixelAt(button, 0, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelAt(button, 29, 19), ColorToRGB(cl3DDkShadow));
}

TEST_F(TBitBtnTest, IsSelectedWhilePressedInsideAndClicksOnceOnReleaseInside) {
  Press();
  ASSERT_FALSE(button->states.empty());
  EXPECT_TRUE(button->states.back() & win::ODS_SELECTED);
  MoveTo(50, 5);
  EXPECT_FALSE(button->states.back() & win::ODS_SELECTED);
  MoveTo(20, 10);
  EXPECT_TRUE(button->states.back() & win::ODS_SELECTED);
  EXPECT_EQ(clicks, 0);
  Release(20, 10);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(button->states.back() & win::ODS_SELECTED);

  Press();
  MoveTo(-5, 5);
  Release(-5, 5);
  EXPECT_EQ(clicks, 1);  // never on a release outside
}

TEST_F(TBitBtnTest, NumGlyphsPicksTheImageOfEachState) {
  button->SetNumGlyphs(4);
  Pump();
  // Up: the first image, centred in the 30 by 20 button.
  EXPECT_EQ(Where(clRed), "(12, 7, 18, 13)");
  EXPECT_EQ(CountOfColor(button, clLime, Rect(0, 0, 30, 20)), 0);
  EXPECT_EQ(CountOfColor(button, clFuchsia, Rect(0, 0, 30, 20)), 0);  // left out: the face shows

  Press();  // down: the third image, one pixel right and down
  EXPECT_EQ(Where(clBlue), "(13, 8, 19, 14)");
  EXPECT_EQ(CountOfColor(button, clRed, Rect(0, 0, 30, 20)), 0);
  Release(5, 5);

  button->SetEnabled(false);  // disabled: the second image
  Pump();
  EXPECT_EQ(Where(clLime), "(12, 7, 18, 13)");
  EXPECT_TRUE(button->states.back() & win::ODS_DISABLED);
}

TEST_F(TBitBtnTest, StatesWithoutAnImageShowTheUpImageOrItsEmbossedShape) {
  button->SetNumGlyphs(2);  // two images 12 wide: red-lime and blue-yellow
  Pump();
  Press();
  // No down image: the up image, pressed in.
  EXPECT_EQ(Where(clRed), "(10, 8, 16, 14)");
  EXPECT_EQ(Where(clLime), "(16, 8, 22, 14)");
  Release(5, 5);

  button->SetNumGlyphs(1);
  button->SetEnabled(false);
  Pump();
  // Disabled without its own image: the strip's shape in the disabled colours.
  EXPECT_EQ(CountOfColor(button, clRed, Rect(0, 0, 30, 20)), 0);
  EXPECT_GT(CountOfColor(button, clBtnShadow, Rect(4, 4, 26, 16)), 100);
}

TEST_F(TBitBtnTest, LayoutMarginAndSpacingPlaceGlyphAndCaption) {
  button->SetNumGlyphs(4);
  button->SetBounds(10, 10, 60, 24);
  button->Font()->SetColor(clBlack);
  button->SetCaption("AB");
  Pump();
  // Centred together: glyph 6, spacing 4, caption 12 in the 56 inside the frame.
  const TRect glyph = BoundsOfColor(button, clRed, Rect(0, 0, 60, 24));
  const TRect caption = BoundsOfColor(button, clBlack, Rect(2, 2, 58, 22));
  EXPECT_EQ(glyph.left, 19);
  EXPECT_GE(caption.left, 29);
  EXPECT_LE(caption.right, 41);

  button->SetMargin(0);
  Pump();
  EXPECT_EQ(BoundsOfColor(button, clRed, Rect(0, 0, 60, 24)).left, 2);

  button->SetLayout(blGlyphRight);
  Pump();
  EXPECT_EQ(BoundsOfColor(button, clRed, Rect(0, 0, 60, 24)).right, 58);
  EXPECT_LE(BoundsOfColor(button, clBlack, Rect(2, 2, 58, 22)).right, 48);

  button->SetLayout(blGlyphTop);
  button->SetMargin(-1);
  button->SetSpacing(0);
  Pump();
  const TRect top = BoundsOfColor(button, clRed, Rect(0, 0, 60, 24));
  EXPECT_EQ(top.top, 3);  // 6 + 0 + 12 centred in the 20 rows inside the frame
  EXPECT_GE(BoundsOfColor(button, clBlack, Rect(2, 2, 58, 22)).top, 9);
}

}  // namespace

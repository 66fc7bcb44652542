#include "framework/ExtCtrls.h"

#include <gtest/gtest.h>

#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "framework/tests/ControlsTestSupport.h"
#include "framework/tests/GraphicsTestSupport.h"
#include "framework/tests/StdCtrlsTestSupport.h"

using controlstest::PixelAt;
using controlstest::Pump;
using stdctrlstest::BoundsOfColor;
using stdctrlstest::CountOfColor;
using stdctrlstest::Text;
using stdctrlstest::TTextForm;

namespace {

// ---- Frame3D ----

TEST(Frame3D, EdgesLieOnTheLastPixelsInsideAndTheRectangleShrinksByTheWidth) {
  TBitmap bitmap;
  graphicstest::Paint(bitmap, {"......", "......", "......", "......", "......"}, {{'.', clWhite}});
  TRect rect = Rect(0, 0, 6, 5);
  Frame3D(bitmap.Canvas(), rect, clRed, clBlue, 1);
  EXPECT_EQ(rect.left, 1);
  EXPECT_EQ(rect.top, 1);
  EXPECT_EQ(rect.right, 5);
  EXPECT_EQ(rect.bottom, 4);
  const graphicstest::Legend legend{{'.', clWhite}, {'t', clRed}, {'b', clBlue}};
  EXPECT_EQ(graphicstest::Read(bitmap, legend), (graphicstest::Rows{
                                                    "tttttb",
                                                    "t....b",
                                                    "t....b",
                                                    "t....b",
                                                    "bbbbbb",
                                                }));

  TRect twice = Rect(0, 0, 6, 5);
  Frame3D(bitmap.Canvas(), twice, clBlue, clRed, 2);
  EXPECT_EQ(twice.left, 2);
  EXPECT_EQ(twice.bottom, 3);
  EXPECT_EQ(twice.top, 2);
  EXPECT_EQ(twice.right, 4);
  EXPECT_EQ(graphicstest::Read(bitmap, legend), (graphicstest::Rows{
                                                    "bbbbbt",
                                                    "bbbbtt",
                                                    "bb..tt",
                                                    "bttttt",
                                                    "tttttt",
                                                }));
}

// ---- TPanel ----

TPanel* AddPanel(TWinControl* parent, TRect bounds) {
  auto* panel = new TPanel(parent);
  panel->SetParent(parent);
  panel->SetBoundsRect(bounds);
  panel->SetCaption("");
  return panel;
}

TEST(TPanel, BevelsAreDrawnFromTheEdgeInwardsInTheirColours) {
  TTextForm form;
  TPanel* panel = AddPanel(&form, Rect(10, 10, 50, 40));  // 40 by 30
  panel->SetBevelOuter(bvRaised);
  panel->SetBevelInner(bvLowered);
  panel->SetBevelWidth(2);
  panel->SetBorderWidth(1);
  panel->SetColor(clYellow);
  form.Show();
  Pump();
  // Outer, raised, two pixels: light at the top and left, shadow at the bottom and right.
  EXPECT_EQ(PixelAt(panel, 0, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelAt(panel, 1, 10), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelAt(panel, 39, 29), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelAt(panel, 38, 10), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelAt(panel, 0, 29), ColorToRGB(clBtnShadow));  // the bottom edge owns the corner
  // The border in the panel's colour, then the inner bevel, lowered.
  EXPECT_EQ(PixelAt(panel, 2, 10), clYellow);
  EXPECT_EQ(PixelAt(panel, 3, 10), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelAt(panel, 4, 4), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelAt(panel, 36, 26), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelAt(panel, 5, 5), clYellow);  // the face
  EXPECT_EQ(PixelAt(&form, 9, 9), clWhite);   // nothing outside

  panel->SetBevelOuter(bvNone);
  panel->SetBevelInner(bvNone);
  Pump();
  EXPECT_EQ(PixelAt(panel, 0, 0), clYellow);
  EXPECT_EQ(PixelAt(panel, 39, 29), clYellow);
}

TEST(TPanel, CaptionIsCentredOnOneLineOrAlignedInsideTheBevels) {
  TTextForm form;
  TPanel* panel = AddPanel(&form, Rect(0, 0, 60, 30));
  panel->SetColor(clWhite);
  panel->SetBevelOuter(bvNone);
  panel->SetCaption("AB");
  form.Show();
  Pump();
  TRect text = BoundsOfColor(panel, clBlack, Rect(0, 0, 60, 30));
  EXPECT_GE(text.left, 24);
  EXPECT_LE(text.right, 36);
  EXPECT_GE(text.top, 9);
  EXPECT_LE(text.bottom, 21);

  panel->SetAlignment(taLeftJustify);
  panel->SetBevelOuter(bvLowered);
  panel->SetBorderWidth(3);
  Pump();
  text = BoundsOfColor(panel, clBlack, Rect(1, 1, 59, 29));
  EXPECT_GE(text.left, 4);
  EXPECT_LE(text.right, 16);
  EXPECT_GT(CountOfColor(panel, clBlack, Rect(4, 9, 16, 21)), 0);

  panel->SetAlignment(taRightJustify);
  Pump();
  text = BoundsOfColor(panel, clBlack, Rect(1, 1, 59, 29));
  EXPECT_GE(text.left, 44);
  EXPECT_LE(text.right, 56);
}

TEST(TPanel, AlignedChildrenFillWhatTheFrameLeaves) {
  TTextForm form;
  TPanel* panel = AddPanel(&form, Rect(0, 0, 60, 40));
  panel->SetBevelOuter(bvRaised);
  panel->SetBevelInner(bvLowered);
  panel->SetBevelWidth(2);
  panel->SetBorderWidth(1);
  auto* child = new TPanel(&form);
  child->SetParent(panel);
  child->SetAlign(alClient);
  EXPECT_EQ(child->Left(), 5);
  EXPECT_EQ(child->Top(), 5);
  EXPECT_EQ(child->Width(), 50);
  EXPECT_EQ(child->Height(), 30);

  panel->SetBorderWidth(0);
  EXPECT_EQ(child->Left(), 4);
  EXPECT_EQ(child->Width(), 52);
}

TEST(TPanel, BorderStyleSingleAddsAWindowBorder) {
  TTextForm form;
  TPanel* panel = AddPanel(&form, Rect(0, 0, 40, 30));
  form.Show();
  Pump();
  panel->SetBorderStyle(bsSingle);
  EXPECT_TRUE(win::GetWindowLongA(panel->Handle(), win::GWL_STYLE) & win::WS_BORDER);
  EXPECT_EQ(panel->ClientWidth(), 38);
}

// ---- TImage ----

// A 4 by 4 picture: red with a fuchsia bottom-left corner (its transparent
// colour), inside a 20 by 20 image at (10, 10) on the white form.
class TImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(10, 10, 20, 20);
    TBitmap bitmap;
    graphicstest::Paint(bitmap, {"rrrr", "rrrr", "rrrr", "frrr"}, {{'r', clRed}, {'f', clFuchsia}});
    image->Picture()->SetGraphic(&bitmap);
    form.Show();
    Pump();
  }

  TTextForm form;
  TImage* image = nullptr;
};

TEST_F(TImageTest, PictureIsDrawnAtItsSizeInTheCornerAndTheRestShowsWhatIsBehind) {
  EXPECT_EQ(PixelAt(&form, 10, 10), clRed);
  EXPECT_EQ(PixelAt(&form, 13, 12), clRed);
  EXPECT_EQ(PixelAt(&form, 10, 13), clFuchsia);
  EXPECT_EQ(PixelAt(&form, 14, 10), clWhite);
  EXPECT_EQ(PixelAt(&form, 20, 20), clWhite);
  EXPECT_FALSE(image->ControlStyle().Contains(csOpaque));
}

TEST_F(TImageTest, CenterStretchAndProportionalPlaceThePicture) {
  image->SetCenter(true);
  Pump();
  EXPECT_EQ(BoundsOfColor(&form, clRed, Rect(0, 0, 120, 80)).left, 18);
  EXPECT_EQ(PixelAt(&form, 18, 21), clFuchsia);
  EXPECT_EQ(PixelAt(&form, 10, 10), clWhite);

  image->SetCenter(false);
  image->SetStretch(true);
  Pump();
  EXPECT_EQ(PixelAt(&form, 10, 10), clRed);
  EXPECT_EQ(PixelAt(&form, 29, 10), clRed);
  EXPECT_EQ(PixelAt(&form, 12, 28), clFuchsia);  // the corner pixel, five times larger
  EXPECT_EQ(PixelAt(&form, 30, 10), clWhite);
  EXPECT_TRUE(image->ControlStyle().Contains(csOpaque));

  // A wide picture keeps its shape: 20 by 10, centred down.
  TBitmap wide;
  graphicstest::Paint(wide, {"bbbb", "bbbb"}, {{'b', clBlue}});
  image->Picture()->SetGraphic(&wide);
  image->SetProportional(true);
  image->SetCenter(true);
  Pump();
  EXPECT_EQ(Text(BoundsOfColor(&form, clBlue, Rect(0, 0, 120, 80))), "(10, 15, 30, 25)");
  EXPECT_FALSE(image->ControlStyle().Contains(csOpaque));

  // Proportional alone shrinks a larger picture only.
  image->SetStretch(false);
  Pump();
  EXPECT_EQ(Text(BoundsOfColor(&form, clBlue, Rect(0, 0, 120, 80))), "(18, 19, 22, 21)");
}

TEST_F(TImageTest, TransparentLeavesOutThePicturesTransparentColour) {
  image->SetTransparent(true);
  Pump();
  EXPECT_TRUE(image->Picture()->Graphic()->Transparent());
  EXPECT_EQ(PixelAt(&form, 10, 13), clWhite);
  EXPECT_EQ(PixelAt(&form, 11, 13), clRed);

  // A later picture is transparent too.
  TBitmap other;
  graphicstest::Paint(other, {"gg", "fg"}, {{'g', clLime}, {'f', clFuchsia}});
  image->Picture()->SetGraphic(&other);
  Pump();
  EXPECT_EQ(PixelAt(&form, 10, 11), clWhite);
  EXPECT_EQ(PixelAt(&form, 11, 11), clLime);
}

TEST_F(TImageTest, AutoSizeTakesThePicturesSizeNowAndAtEveryChange) {
  image->SetAutoSize(true);
  EXPECT_EQ(image->Width(), 4);
  EXPECT_EQ(image->Height(), 4);
  TBitmap other;
  other.SetSize(7, 3);
  image->Picture()->SetGraphic(&other);
  EXPECT_EQ(image->Width(), 7);
  EXPECT_EQ(image->Height(), 3);
}

TEST_F(TImageTest, DrawingOnItsCanvasChangesThePictureAndRepaints) {
  image->Canvas()->Brush()->SetColor(clLime);
  image->Canvas()->FillRect(Rect(0, 0, 2, 2));
  Pump();
  EXPECT_EQ(PixelAt(&form, 10, 10), clLime);
  EXPECT_EQ(PixelAt(&form, 12, 10), clRed);
}

TEST(TImage, CanvasMakesABitmapOfTheControlsSizeButRefusesOtherGraphics) {
  TImage image(nullptr);
  image.SetBounds(0, 0, 30, 12);
  image.Canvas()->Pixels(0, 0);
  ASSERT_TRUE(dynamic_cast<TBitmap*>(image.Picture()->Graphic()));
  EXPECT_EQ(image.Picture()->Width(), 30);
  EXPECT_EQ(image.Picture()->Height(), 12);

  struct TNotBitmap : TGraphic {
    int Width() const override { return 1; }
    void SetWidth(int) override {}
    int Height() const override { return 1; }
    void SetHeight(int) override {}
    bool Empty() const override { return false; }
    void LoadFromStream(TStream*) override {}
    void SaveToStream(TStream*) override {}
    TGraphic* NewGraphic() const override { return new TNotBitmap; }
    void Assign(TPersistent*) override {}

   protected:
    void Draw(TCanvas*, const TRect&) override {}
  };
  TNotBitmap graphic;
  image.Picture()->SetGraphic(&graphic);
  EXPECT_THROW(image.Canvas(), EInvalidOperation);
}

}  // namespace

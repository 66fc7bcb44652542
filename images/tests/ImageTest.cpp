// ktvImage on a form: the zoom rules, placement by the alignment rules and
// Center, tiling, the background colour, designing, OnPaint, erasing, its
// filter text and its registration.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Offscreen.h"
#include "framework/Palette.h"
#include "framework/tests/ControlsTestSupport.h"
#include "images/Image.h"
#include "images/tests/support/ImageTestSupport.h"
#include "platform/Raster.h"
#include "platform/Text.h"

using controlstest::PixelAt;
using controlstest::Pump;

namespace {

constexpr TColor kPictureColor = clRed;
constexpr TColor kCornerColor = clYellow;  // the picture's top-left pixel
constexpr TColor kFormColor = clBlue;

// A bitmap that records where it is drawn.
class TRecordingBitmap : public TBitmap {
 public:
  TGraphic* NewGraphic() const override { return new TRecordingBitmap; }
  std::vector<TRect> draws;

 protected:
  void Draw(TCanvas* ACanvas, const TRect& Rect) override {
    draws.push_back(Rect);
    TBitmap::Draw(ACanvas, Rect);
  }
};

std::string Text(const TRect& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
         std::to_string(r.bottom) + ")";
}

class KtvImageTest : public ::testing::Test {
 protected:
  KtvImageTest() : form(nullptr, 240, 220) {
    image = new ktvImage(&form);
    image->SetParent(&form);
    image->SetColor(clWhite);
    form.Show();
  }

  // A picture of kPictureColor with a kCornerColor top-left pixel, in a
  // control of the given size at (0, 0).
  void Show(int pictureWidth, int pictureHeight, int width, int height) {
    TRecordingBitmap picture;
    imagetest::Paint(picture, pictureWidth, pictureHeight,
                     [](int x, int y) { return x == 0 && y == 0 ? kCornerColor : kPictureColor; });
    image->Picture()->SetGraphic(&picture);
    image->SetBounds(0, 0, width, height);
    Pump();
  }

  std::vector<TRect> Draws() { return dynamic_cast<TRecordingBitmap*>(image->Picture()->Graphic())->draws; }

  controlstest::THostForm form;
  ktvImage* image;
};

TEST(KtvImage, StartsWithZoomOneTheButtonFaceColourAnd24BitPicture) {
  ktvImage image(nullptr);
  EXPECT_EQ(image.AutoAlign(), aaNone);
  EXPECT_EQ(image.AutoZoom(), azNone);
  EXPECT_EQ(image.Zoom(), 1.0);
  EXPECT_EQ(image.Color(), clBtnFace);
  EXPECT_EQ(image.BitDepth(), 0);
  EXPECT_EQ(image.Palette(), nullptr);
  ASSERT_TRUE(dynamic_cast<TBitmap*>(image.Picture()->Graphic()));
  EXPECT_EQ(image.Picture()->Bitmap()->PixelFormat(), pf24bit);
}

TEST_F(KtvImageTest, AutoZoomFitsASmallPictureButAzLargeNeverEnlargesIt) {
  Show(100, 50, 200, 200);
  image->SetAutoZoom(azAlways);
  Pump();
  EXPECT_EQ(image->Zoom(), 2.0);  // the smaller of 2 and 4
  EXPECT_EQ(Text(image->DrawnRect()), "(0, 0, 200, 100)");
  EXPECT_EQ(PixelAt(&form, 199, 99), kPictureColor);
  EXPECT_EQ(PixelAt(&form, 1, 1), kCornerColor);  // the corner pixel, twice as large
  EXPECT_EQ(PixelAt(&form, 100, 100), clWhite);

  image->SetAutoZoom(azLarge);
  Pump();
  EXPECT_EQ(image->Zoom(), 1.0);
  EXPECT_EQ(Text(image->DrawnRect()), "(0, 0, 100, 50)");

  image->SetAutoZoom(azSmall);
  Pump();
  EXPECT_EQ(image->Zoom(), 2.0);
}

TEST_F(KtvImageTest, AutoZoomFitsALargePictureButAzSmallNeverShrinksIt) {
  Show(400, 400, 200, 100);
  image->SetAutoZoom(azAlways);
  Pump();
  EXPECT_EQ(image->Zoom(), 0.25);
  EXPECT_EQ(Text(image->DrawnRect()), "(0, 0, 100, 100)");
  EXPECT_EQ(PixelAt(&form, 150, 50), clWhite);

  image->SetAutoZoom(azSmall);
  Pump();
  EXPECT_EQ(image->Zoom(), 1.0);
  EXPECT_EQ(Text(image->DrawnRect()), "(0, 0, 400, 400)");

  image->SetAutoZoom(azLarge);
  Pump();
  EXPECT_EQ(image->Zoom(), 0.25);
}

TEST_F(KtvImageTest, AutoZoomWithoutAPictureSetsZoomToZeroAndDrawsNothing) {
  image->Picture()->SetGraphic(nullptr);
  image->SetBounds(0, 0, 50, 50);
  image->SetAutoZoom(azAlways);
  Pump();
  EXPECT_EQ(image->Zoom(), 0.0);
  EXPECT_EQ(Text(image->DrawnRect()), "(0, 0, 0, 0)");
  EXPECT_EQ(PixelAt(&form, 25, 25), clWhite);
}

TEST_F(KtvImageTest, BackToAzNoneResetsZoomAndStretch) {
  Show(100, 50, 200, 200);
  image->SetStretch(true);
  image->SetAutoZoom(azAlways);
  Pump();
  image->SetAutoZoom(azNone);
  EXPECT_EQ(image->Zoom(), 1.0);
  EXPECT_FALSE(image->Stretch());
  Pump();
  EXPECT_EQ(Text(image->DrawnRect()), "(0, 0, 100, 50)");
}

TEST_F(KtvImageTest, FixedZoomScalesThePictureOrTheStretchedControl) {
  Show(100, 50, 200, 200);
  image->SetZoom(0.5);
  Pump();
  EXPECT_EQ(Text(image->DrawnRect()), "(0, 0, 50, 25)");
  image->SetZoom(1.5);
  image->SetStretch(true);
  Pump();
  EXPECT_EQ(Text(image->DrawnRect()), "(0, 0, 300, 300)");
  // Nonsense zooms draw nothing.
  image->SetZoom(-1);
  Pump();
  EXPECT_EQ(Text(image->DrawnRect()), "(0, 0, 0, 0)");
}

TEST_F(KtvImageTest, AlignmentPlacesThePictureByItsHorizontalAndVerticalRules) {
  Show(30, 20, 100, 50);
  image->SetAutoAlign(aaBottomRight);
  Pump();
  EXPECT_EQ(Text(image->DrawnRect()), "(70, 30, 100, 50)");
  EXPECT_EQ(PixelAt(&form, 70, 30), kCornerColor);
  EXPECT_EQ(PixelAt(&form, 69, 30), clWhite);
  EXPECT_EQ(PixelAt(&form, 70, 29), clWhite);

  image->SetAutoAlign(aaCenter);
  Pump();
  EXPECT_EQ(Text(image->DrawnRect()), "(35, 15, 65, 35)");
  EXPECT_EQ(PixelAt(&form, 35, 15), kCornerColor);

  // Every rule: none, left, right, centre across; none, top, bottom, centre down.
  const int across[] = {0, 0, 70, 35};
  const int down[] = {0, 0, 30, 15};
  for (int rule = aaNone; rule <= aaCenter; ++rule) {
    image->SetAutoAlign(static_cast<ktvAutoAlign>(rule));
    Pump();
    const int x = across[rule & 3], y = down[rule >> 2];
    EXPECT_EQ(Text(image->DrawnRect()), Text(Bounds(x, y, 30, 20))) << "rule " << rule;
  }
}

TEST_F(KtvImageTest, CenterCentresWhateverTheRule) {
  Show(30, 20, 100, 50);
  image->SetAutoAlign(aaTopLeft);
  image->SetCenter(true);
  Pump();
  EXPECT_EQ(Text(image->DrawnRect()), "(35, 15, 65, 35)");
  // A picture larger than the control is centred too, its edges cut.
  Show(130, 70, 100, 50);
  EXPECT_EQ(Text(image->DrawnRect()), "(-15, -10, 115, 60)");
}

TEST_F(KtvImageTest, TilingFillsTheControlWithTheLastColumnAndRowClipped) {
  Show(30, 20, 100, 50);
  image->SetAutoAlign(aaTile);
  Pump();
  std::vector<std::string> tiles;
  for (const TRect& r : Draws()) tiles.push_back(Text(r));
  std::vector<std::string> expected;
  for (int y : {0, 20, 40})
    for (int x : {0, 30, 60, 90}) expected.push_back(Text(Bounds(x, y, 30, 20)));
  // The last paint drew every tile once.
  ASSERT_GE(tiles.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(tiles.end() - 12, tiles.end()), expected);
  EXPECT_EQ(Text(image->DrawnRect()), "(0, 0, 30, 20)");

  EXPECT_EQ(PixelAt(&form, 90, 40), kCornerColor);
  EXPECT_EQ(PixelAt(&form, 99, 49), kPictureColor);
  EXPECT_EQ(PixelAt(&form, 100, 49), kFormColor);  // nothing beyond the control
  EXPECT_EQ(PixelAt(&form, 99, 50), kFormColor);
}

TEST_F(KtvImageTest, TilingZoomsTheTiles) {
  Show(30, 20, 100, 50);
  image->SetAutoAlign(aaTile);
  image->SetZoom(2);
  Pump();
  EXPECT_EQ(Text(Draws().back()), "(60, 40, 120, 80)");
  EXPECT_EQ(PixelAt(&form, 61, 41), kCornerColor);
}

TEST_F(KtvImageTest, ColourFillsAroundThePictureUnlessTransparentOrNone) {
  Show(30, 20, 100, 50);
  image->SetColor(clLime);
  Pump();
  EXPECT_EQ(PixelAt(&form, 50, 40), clLime);
  EXPECT_TRUE(image->ControlStyle().Contains(csOpaque));

  image->SetColor(clNone);
  Pump();
  EXPECT_EQ(PixelAt(&form, 50, 40), kFormColor);
  EXPECT_FALSE(image->ControlStyle().Contains(csOpaque));

  image->SetColor(clLime);
  image->SetTransparent(true);
  Pump();
  EXPECT_EQ(PixelAt(&form, 50, 40), kFormColor);
  EXPECT_FALSE(image->ControlStyle().Contains(csOpaque));
}

TEST_F(KtvImageTest, DesigningDrawsADashedFrameInsteadOfThePicture) {
  Show(30, 20, 100, 50);
  image->SetAutoAlign(aaCenter);
  image->SetDesigning(true);
  image->Invalidate();
  Pump();
  EXPECT_EQ(Text(image->DrawnRect()), "(0, 0, 30, 20)");
  EXPECT_EQ(PixelAt(&form, 50, 25), clWhite);  // no picture
  int framed = 0;
  for (int x = 0; x < 100; ++x) framed += PixelAt(&form, x, 0) == clBlack;
  EXPECT_GT(framed, 20);
  EXPECT_LT(framed, 100);  // dashed, not solid
}

TEST_F(KtvImageTest, OnPaintDrawsOnTheControlsCanvasAfterThePicture) {
  Show(30, 20, 100, 50);
  TObject* sender = nullptr;
  image->OnPaint = [&](TObject* Sender, TCanvas* Canvas) {
    sender = Sender;
    Canvas->Brush()->SetColor(clFuchsia);
    Canvas->FillRect(Rect(0, 0, 5, 5));
  };
  image->Invalidate();
  Pump();
  EXPECT_EQ(sender, image);
  EXPECT_EQ(PixelAt(&form, 0, 0), clFuchsia);
  EXPECT_EQ(PixelAt(&form, 6, 6), kPictureColor);
}

TEST_F(KtvImageTest, SettersRepaintOnlyWhenTheValueChanges) {
  Show(30, 20, 100, 50);
  int paints = 0;
  image->OnPaint = [&](TObject*, TCanvas*) { ++paints; };
  const auto repaintsAfter = [&](auto change) {
    const int before = paints;
    change();
    Pump();
    return paints > before;
  };
  EXPECT_FALSE(repaintsAfter([&] { image->SetColor(clWhite); }));
  EXPECT_FALSE(repaintsAfter([&] { image->SetZoom(1.0); }));
  EXPECT_FALSE(repaintsAfter([&] { image->SetAutoAlign(aaNone); }));
  EXPECT_FALSE(repaintsAfter([&] { image->SetAutoZoom(azNone); }));
  EXPECT_TRUE(repaintsAfter([&] { image->SetColor(clSilver); }));
  EXPECT_TRUE(repaintsAfter([&] { image->SetZoom(0.5); }));
  EXPECT_TRUE(repaintsAfter([&] { image->SetAutoAlign(aaRight); }));
  EXPECT_TRUE(repaintsAfter([&] { image->SetAutoZoom(azLarge); }));
}

TEST(KtvImage, ErasingFillsWithTheColourUnlessTransparent) {
  ktvImage image(nullptr);
  image.SetBounds(0, 0, 8, 6);
  image.SetColor(clLime);
  TMemoryDC dc(8, 6);  // black
  EXPECT_EQ(image.Perform(win::WM_ERASEBKGND, reinterpret_cast<win::WPARAM>(dc.Handle()), 0), 1);
  EXPECT_EQ(win::GetPixel(dc.Handle(), 7, 5), clLime);

  TMemoryDC untouched(8, 6);
  image.SetTransparent(true);
  EXPECT_EQ(image.Perform(win::WM_ERASEBKGND, reinterpret_cast<win::WPARAM>(untouched.Handle()), 0), 1);
  EXPECT_EQ(win::GetPixel(untouched.Handle(), 7, 5), clBlack);
}

TEST(KtvImage, FilterOffersAllFilesThenBitmaps) {
  ktvImage image(nullptr);
  const std::string filter = image.GetFilter();
  EXPECT_EQ(filter, win::Utf8ToAnsi("すべてのﾌｧｲﾙ(*.*)|*.*|ﾋﾞｯﾄﾏｯﾌﾟ|*.BMP;*.RLE;*.RGB;*.DIB"));
  // Half-width katakana: one byte each.
  EXPECT_NE(filter.find("\xCC\xA7\xB2\xD9(*.*)|*.*|"), std::string::npos);
}

TEST(KtvImage, RegisterPutsItOnTheToskaPageOnce) {
  Image::Register();
  Image::Register();
  int count = 0;
  for (const TComponentClass& c : PaletteClasses("TOSKA")) count += c.ClassName == "ktvImage";
  EXPECT_EQ(count, 1);
}

}  // namespace

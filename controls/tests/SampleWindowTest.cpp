// A skinned window built from all four controls, as the lozenge is: a shape
// cut from its skin picture with teal holes, image buttons, transparent
// panels over the skin and a vertical slider with a picture thumb. The
// desktop is saved as skin-sample.png in the test's folder for a person to
// look at.
#include <gtest/gtest.h>

#include <fstream>

#include "controls/Button.h"
#include "controls/Panel.h"
#include "controls/Region.h"
#include "controls/Slider.h"
#include "controls/tests/SkinTestSupport.h"
#include "platform/Desktop.h"
#include "platform/Input.h"
#include "platform/SysColors.h"

using skintest::Fill;
using skintest::PaintStrip;
using skintest::Pump;
using skintest::TSkinForm;

namespace {

constexpr int kLeft = 20;
constexpr int kTop = 20;
constexpr int kWidth = 120;
constexpr int kHeight = 60;

// The skin: vertical stripes of navy and olive, with teal corners and a teal
// square hole in the middle.
bool IsHole(int x, int y) {
  const bool corner = (x < 3 || x >= kWidth - 3) && (y < 3 || y >= kHeight - 3);
  const bool middle = x >= 56 && x < 64 && y >= 26 && y < 34;
  return corner || middle;
}

TColor SkinAt(int x, int y) {
  if (IsHole(x, y)) return clTeal;
  return x % 4 < 2 ? clNavy : clOlive;
}

void PaintSkin(TBitmap* skin) {
  skin->SetSize(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) skin->Canvas()->SetPixels(x, y, SkinAt(x, y));
}

// Four 12 by 12 images in red, lime, blue and yellow; with a hole, each has
// a fuchsia (transparent) square in its middle.
void PaintGlyph(TBitmap* strip, bool holes) {
  PaintStrip(strip, {clRed, clLime, clBlue, clYellow}, 12, 12);
  strip->SetTransparentColor(clFuchsia);
  if (!holes) return;
  strip->Canvas()->Brush()->SetColor(clFuchsia);
  for (int i = 0; i < 4; ++i) strip->Canvas()->FillRect(Bounds(i * 12 + 4, 4, 4, 4));
}

class TSampleForm : public TSkinForm {
 public:
  TSampleForm() : TSkinForm(kWidth, kHeight, clTeal) {
    TComponentLoader loader;
    loader.Add(this);
    SetBounds(kLeft, kTop, kWidth, kHeight);

    RegionForm = loader.Add(new ktvRegion(this));
    RegionForm->SetParent(this);
    RegionForm->SetAlign(alClient);
    PaintSkin(RegionForm->Picture()->Bitmap());

    BtnSolid = AddButton(loader, 4, false);
    BtnSeeThrough = AddButton(loader, 20, true);
    BtnSeeThrough->SetTransparent(true);

    PanelText = loader.Add(new ktvPanel(this));
    PanelText->SetParent(this);
    PanelText->SetBounds(40, 4, 40, 14);
    PanelText->SetBevelOuter(bvNone);
    PanelText->Font()->SetColor(clWhite);
    PanelText->SetCaption("ABC");
    PanelText->SetTransparent(true);

    PanelMark = loader.Add(new ktvPanel(this));
    PanelMark->SetParent(this);
    PanelMark->SetBounds(4, 40, 20, 14);
    PanelMark->SetBevelOuter(bvNone);
    TBitmap mark;
    Fill(&mark, 12, 10, clRed);
    PanelMark->SetImage(&mark);
    PanelMark->SetTransparent(true);

    Volume = loader.Add(new ktvSlider(this));
    Volume->SetParent(this);
    Volume->SetBounds(100, 3, 10, 54);
    Volume->SetOrientation(trVertical);
    Volume->SetMax(1000);
    Volume->SetBevelOuter(bvNone);
    Volume->SetColor(clFuchsia);
    TBitmap thumb;
    Fill(&thumb, 10, 8, clLime);
    thumb.Canvas()->Brush()->SetColor(clFuchsia);
    thumb.Canvas()->FillRect(Rect(0, 0, 2, 8));
    Volume->SetButtonImage(&thumb);
    loader.Loaded();

    // As the lozenge starts: the slider without ticks, see-through over
    // the skin, its thumb without the slider's colour; then the shape.
    Volume->SetTickStyle(tsNone);
    Volume->SetTransparent(true);
    Volume->ButtonImage()->SetTransparentColor(Volume->Color());
    Volume->ButtonImage()->SetTransparent(true);
    Volume->Button()->SetTransparent(true);
    Volume->SetPosition(500);
    HandleNeeded();
    RegionForm->SetTransparentColor(clTeal);
    RegionForm->Create();
    RegionForm->Set();
  }

  ktvRegion* RegionForm;
  ktvButton* BtnSolid;
  ktvButton* BtnSeeThrough;
  ktvPanel* PanelText;
  ktvPanel* PanelMark;
  ktvSlider* Volume;

 private:
  ktvButton* AddButton(TComponentLoader& loader, int left, bool holes) {
    auto* button = loader.Add(new ktvButton(this));
    button->SetParent(this);
    button->SetBounds(left, 4, 12, 12);
    TBitmap strip;
    PaintGlyph(&strip, holes);
    button->SetGlyph(&strip);
    button->SetNumGlyphs(4);
    button->SetImageWidth(12);
    button->SetDrawFrame(false);
    button->SetDisableIndex(1);
    button->SetDownIndex(2);
    return button;
  }
};

// The desktop as the screen shows it now, read in window coordinates.
class Screenshot {
 public:
  Screenshot() { bitmap_.SetHandle(win::test::SnapshotDesktop()); }
  TColor At(int x, int y) { return bitmap_.Canvas()->Pixels(kLeft + x, kTop + y); }

 private:
  TBitmap bitmap_;
};

struct SampleWindow : ::testing::Test {
  void SetUp() override {
    form.Show();
    Pump();
  }
  TSampleForm form;
};

TEST_F(SampleWindow, HolesShowTheDesktopAndTakeNoMouse) {
  Screenshot shot;
  const TColor desktop = win::GetSysColor(win::COLOR_DESKTOP);
  EXPECT_EQ(shot.At(0, 0), desktop);
  EXPECT_EQ(shot.At(kWidth - 1, kHeight - 1), desktop);
  EXPECT_EQ(shot.At(60, 30), desktop);
  EXPECT_EQ(shot.At(3, 0), SkinAt(3, 0));
  EXPECT_EQ(shot.At(60, 25), SkinAt(60, 25));
  EXPECT_NE(win::WindowFromPoint({kLeft + 60, kTop + 30}), form.Handle());
  EXPECT_EQ(win::WindowFromPoint({kLeft + 60, kTop + 24}), form.Handle());
  EXPECT_TRUE(win::test::SaveDesktopPng("skin-sample.png"));
  std::ifstream png("skin-sample.png", std::ios::binary);
  char signature[8] = {};
  png.read(signature, 8);
  EXPECT_EQ(std::string(signature + 1, 3), "PNG");
}

TEST_F(SampleWindow, TransparentPanelsShowTheSkinUnderTheirCaptionAndPicture) {
  Screenshot shot;
  for (int x = 40; x < 44; ++x) EXPECT_EQ(shot.At(x, 5), SkinAt(x, 5)) << x;
  int caption = 0;
  for (int y = 4; y < 18; ++y)
    for (int x = 40; x < 80; ++x) caption += shot.At(x, y) == clWhite;
  EXPECT_GT(caption, 10);
  EXPECT_EQ(shot.At(4, 40), clRed);
  EXPECT_EQ(shot.At(15, 49), clRed);
  EXPECT_EQ(shot.At(16, 49), SkinAt(16, 49));
  EXPECT_EQ(shot.At(18, 52), SkinAt(18, 52));
}

TEST_F(SampleWindow, ButtonsShowTheirFacesAndTheSeeThroughOneTheSkinInItsHole) {
  Screenshot shot;
  EXPECT_EQ(shot.At(4, 4), clRed);
  EXPECT_EQ(shot.At(9, 9), clRed);
  EXPECT_EQ(shot.At(20, 4), clRed);
  EXPECT_EQ(shot.At(25, 9), SkinAt(25, 9));
  EXPECT_EQ(shot.At(26, 9), SkinAt(26, 9));

  win::test::MoveMouse({kLeft + 6, kTop + 6});
  win::test::PressMouse(win::test::MouseButton::Left);
  Pump();
  EXPECT_EQ(Screenshot().At(9, 9), clBlue);
  win::test::ReleaseMouse(win::test::MouseButton::Left);
  Pump();
  EXPECT_EQ(Screenshot().At(9, 9), clRed);
}

TEST_F(SampleWindow, TheSliderShowsItsThumbOverTheSkin) {
  Screenshot shot;
  // Position 500 of 0 to 1000 over a travel of 46: the thumb's top at 3 + 23.
  EXPECT_EQ(shot.At(105, 30), clLime);
  EXPECT_EQ(shot.At(100, 30), SkinAt(100, 30));
  EXPECT_EQ(shot.At(105, 10), SkinAt(105, 10));
  EXPECT_EQ(shot.At(105, 25), SkinAt(105, 25));
  EXPECT_EQ(shot.At(105, 26), clLime);
}

TEST(Palette, EachUnitRegistersItsClassOnTheToskaPageOnce) {
  Region::Register();
  Button::Register();
  Panel::Register();
  Slider::Register();
  Region::Register();
  for (const char* name : {"ktvRegion", "ktvButton", "ktvPanel", "ktvSlider"})
    EXPECT_EQ(skintest::PaletteCount(name), 1) << name;
}

}  // namespace

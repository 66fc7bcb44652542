#include "controls/Slider.h"

#include <gtest/gtest.h>

#include <functional>

#include "controls/tests/SkinTestSupport.h"
#include "platform/Input.h"

using skintest::Fill;
using skintest::PixelAt;
using skintest::Pump;
using skintest::TSkinForm;

namespace {

// A slider read from a form resource: the settings made while loading,
// then Loaded.
ktvSlider* LoadSlider(TWinControl* parent, const std::function<void(ktvSlider*)>& settings) {
  auto* slider = new ktvSlider(parent);
  TComponentLoader loader;
  loader.Add(slider);
  slider->SetParent(parent);
  settings(slider);
  loader.Loaded();
  return slider;
}

// The lozenge's volume slider: 10 by 54, vertical, 0 to 1000, no bevel, a
// 10 by 8 thumb picture.
ktvSlider* VolumeSlider(TWinControl* parent) {
  return LoadSlider(parent, [](ktvSlider* s) {
    s->SetBounds(10, 10, 10, 54);
    s->SetOrientation(trVertical);
    s->SetMax(1000);
    s->SetFrequency(100);
    s->SetBevelOuter(bvNone);
    TBitmap thumb;
    Fill(&thumb, 10, 8, clRed);
    s->SetButtonImage(&thumb);
  });
}

TPoint ThumbAt(ktvSlider* slider) { return Point(slider->Button()->Left(), slider->Button()->Top()); }

// ---- construction and layout ----

TEST(Slider, AVerticalThumbRunsFromMaxAtTheTopToMinAtTheBottom) {
  TSkinForm form(40, 80);
  ktvSlider* slider = VolumeSlider(&form);
  EXPECT_TRUE(slider->Button()->Visible());
  EXPECT_EQ(slider->Button()->Width(), 10);
  EXPECT_EQ(slider->Button()->Height(), 8);
  EXPECT_EQ(slider->Position(), 0);
  EXPECT_EQ(ThumbAt(slider).y, 46);
  slider->SetPosition(1000);
  EXPECT_EQ(ThumbAt(slider).y, 0);
  slider->SetPosition(500);
  EXPECT_EQ(ThumbAt(slider).y, 23);
  slider->SetPosition(333);
  EXPECT_EQ(ThumbAt(slider).y, 31);
  EXPECT_EQ(ThumbAt(slider).x, 0);
}

TEST(Slider, AHorizontalDefaultThumbTravelsInsideTheBevel) {
  TSkinForm form(200, 80);
  ktvSlider* slider = LoadSlider(&form, [](ktvSlider*) {});
  EXPECT_EQ(slider->Button()->Width(), 13);
  EXPECT_EQ(slider->Button()->Height(), 20);  // the smaller of 32 - 12 and 32 - 2
  slider->SetPosition(50);
  EXPECT_EQ(ThumbAt(slider).x, 57);
  EXPECT_EQ(ThumbAt(slider).y, 1);
  slider->SetMin(50);
  EXPECT_EQ(slider->Position(), 50);
  EXPECT_EQ(ThumbAt(slider).x, 1);
  slider->SetPosition(100);
  EXPECT_EQ(ThumbAt(slider).x, 1 + 113);
}

TEST(Slider, TickMarksPlaceTheThumbAcrossTheBar) {
  TSkinForm form(200, 80);
  ktvSlider* slider = LoadSlider(&form, [](ktvSlider* s) { s->SetBounds(0, 0, 128, 40); });
  ASSERT_EQ(slider->Button()->Height(), 28);
  EXPECT_EQ(ThumbAt(slider).y, 1);
  slider->SetTickMarks(tmTopLeft);
  EXPECT_EQ(ThumbAt(slider).y, 40 - 1 - 28);
  slider->SetTickMarks(tmBoth);
  EXPECT_EQ(ThumbAt(slider).y, (40 - 28) / 2);
  slider->SetTickStyle(tsNone);
  EXPECT_EQ(ThumbAt(slider).y, 1);
}

TEST(Slider, TheDefaultThumbTakesTheWidthLessMarginsAndNoneWhenTooNarrow) {
  TSkinForm form(100, 100);
  ktvSlider* wide = LoadSlider(&form, [](ktvSlider* s) {
    s->SetBevelOuter(bvNone);
    s->SetBounds(0, 0, 40, 80);
    s->SetOrientation(trVertical);
  });
  EXPECT_EQ(wide->Button()->Width(), 28);
  EXPECT_EQ(wide->Button()->Height(), 13);
  ktvSlider* narrow = LoadSlider(&form, [](ktvSlider* s) {
    s->SetBounds(50, 0, 10, 80);
    s->SetOrientation(trVertical);
  });
  EXPECT_EQ(narrow->Button()->Width(), 0);
  EXPECT_TRUE(narrow->Button()->Picture()->Bitmap()->Empty());
}

TEST(Slider, OrientationAndSizeChangesLayTheDefaultThumbOutAgain) {
  TSkinForm form(200, 200);
  ktvSlider* slider = LoadSlider(&form, [](ktvSlider* s) { s->SetBevelOuter(bvNone); });
  slider->SetOrientation(trVertical);
  EXPECT_EQ(slider->Button()->Width(), 128 - 12);
  EXPECT_EQ(slider->Button()->Height(), 13);
  EXPECT_EQ(ThumbAt(slider).y, 32 - 13);
  slider->SetBounds(0, 0, 30, 100);
  EXPECT_EQ(slider->Button()->Width(), 18);
  EXPECT_EQ(ThumbAt(slider).y, 100 - 13);
}

TEST(Slider, ACustomThumbThatGoesLeavesTheDefaultThumbAtItsSize) {
  TSkinForm form(40, 80);
  ktvSlider* slider = VolumeSlider(&form);
  ASSERT_TRUE(slider->ButtonImage());
  slider->SetButtonImage(nullptr);
  EXPECT_EQ(slider->ButtonImage(), nullptr);
  EXPECT_EQ(slider->Button()->Width(), 10);
  EXPECT_EQ(slider->Button()->Height(), 8);
  // Raised, with a groove across the middle (row 4) between two raised halves.
  TCanvas* thumb = slider->Button()->Picture()->Bitmap()->Canvas();
  EXPECT_EQ(thumb->Pixels(0, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(thumb->Pixels(9, 7), clBlack);
  EXPECT_EQ(thumb->Pixels(1, 1), ColorToRGB(cl3DLight));
  EXPECT_EQ(thumb->Pixels(3, 4), clBlack);
  EXPECT_EQ(thumb->Pixels(8, 4), ColorToRGB(clBtnShadow));
  EXPECT_EQ(thumb->Pixels(3, 5), ColorToRGB(cl3DLight));  // the lower half's top edge
  EXPECT_EQ(thumb->Pixels(8, 3), ColorToRGB(clBtnShadow));
}

TEST(Slider, LoadingKeepsTheLoadedPositionClampedIntoTheRange) {
  TSkinForm form(40, 80);
  ktvSlider* kept = LoadSlider(&form, [](ktvSlider* s) {
    s->SetMax(1000);
    s->SetPosition(700);
  });
  EXPECT_EQ(kept->Position(), 700);
}

// ---- the value ----

TEST(Slider, PositionIsClampedAndOnChangeFollowsOnlyRealChanges) {
  TSkinForm form(200, 80);
  ktvSlider* slider = LoadSlider(&form, [](ktvSlider*) {});
  std::vector<int> changes;
  slider->OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, slider);
    changes.push_back(slider->Position());
  };
  slider->SetPosition(150);
  slider->SetPosition(100);
  slider->SetPosition(-5);
  slider->SetPosition(60);
  slider->SetMax(40);
  slider->SetMax(50);
  EXPECT_EQ(changes, (std::vector<int>{100, 0, 60, 40}));
  slider->SetMin(70);  // Min wins over Max
  EXPECT_EQ(slider->Position(), 70);
}

TEST(Slider, WithMaxEqualToMinTheThumbSitsAtTheStart) {
  TSkinForm form(200, 80);
  ktvSlider* slider = LoadSlider(&form, [](ktvSlider* s) {
    s->SetMin(5);
    s->SetMax(5);
  });
  EXPECT_EQ(slider->Position(), 5);
  EXPECT_EQ(ThumbAt(slider).x, 0);
}

// ---- painting ----

struct SliderPainting : ::testing::Test {
  void SetUp() override {
    slider = LoadSlider(&form, [](ktvSlider* s) {
      s->SetBounds(0, 0, 40, 120);
      s->SetBevelOuter(bvNone);
      s->SetOrientation(trVertical);
      s->SetMax(1000);
      s->SetFrequency(100);
    });
  }
  // The runs of black pixels down a column of the slider, over its first rows.
  int BlackRuns(int x, int rows = 120) {
    int runs = 0;
    bool inRun = false;
    for (int y = 0; y < rows; ++y) {
      const bool black = PixelAt(&form, x, y) == clBlack;
      if (black && !inRun) ++runs;
      inRun = black;
    }
    return runs;
  }
  void Show() {
    form.Show();
    Pump();
  }

  TSkinForm form{60, 130};
  ktvSlider* slider = nullptr;
};

TEST_F(SliderPainting, AutoTicksFollowTheFrequency) {
  Show();
  EXPECT_EQ(BlackRuns(33), 11);
  slider->SetFrequency(250);
  Pump();
  EXPECT_EQ(BlackRuns(33), 5);
}

TEST_F(SliderPainting, ManualTicksMarkOnlyTheEnds) {
  slider->SetTickStyle(tsManual);
  Show();
  EXPECT_EQ(BlackRuns(33), 2);
  slider->SetMin(1000);
  Pump();
  EXPECT_EQ(BlackRuns(33), 0);
}

TEST_F(SliderPainting, TheTrackIsASunkenGrooveUnderTheThumbsMiddle) {
  Show();
  // Thumb 28 by 13: the black line runs down column 14 from row 6 - 2 to
  // row 107 + 6 + 3, framed one pixel wider on each side; the thumb, at the
  // bottom, covers its lower end.
  EXPECT_EQ(PixelAt(&form, 13, 60), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelAt(&form, 14, 60), clBlack);
  EXPECT_EQ(PixelAt(&form, 15, 60), ColorToRGB(cl3DLight));
  EXPECT_EQ(PixelAt(&form, 16, 60), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelAt(&form, 14, 4), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelAt(&form, 14, 5), clBlack);
  slider->SetPosition(1000);
  Pump();
  EXPECT_EQ(PixelAt(&form, 14, 114), ColorToRGB(cl3DLight));
  EXPECT_EQ(PixelAt(&form, 14, 115), ColorToRGB(clBtnHighlight));
}

TEST_F(SliderPainting, NoTicksMeansNoTrackEither) {
  slider->SetTickStyle(tsNone);
  Show();
  EXPECT_EQ(BlackRuns(33), 0);
  EXPECT_EQ(BlackRuns(14, 100), 0);  // above the thumb
}

TEST_F(SliderPainting, ACaptionSetByCodeIsGoneAtTheNextPaint) {
  slider->SetCaption("x");
  Show();
  EXPECT_EQ(slider->Caption(), "");
}

// ---- dragging ----

TEST(SliderDragging, DraggingTheThumbSetsThePositionAndPinsItAtTheEnds) {
  TSkinForm form(40, 80);
  ktvSlider* slider = VolumeSlider(&form);
  std::vector<int> changes;
  slider->OnChange = [&](TObject*) { changes.push_back(slider->Position()); };
  form.Show();
  Pump();
  // The thumb lies at (10, 56) of the screen; grab it 4 pixels down.
  win::test::MoveMouse({15, 60});
  win::test::PressMouse(win::test::MouseButton::Left);
  Pump();
  win::test::MoveMouse({15, 37});
  Pump();
  EXPECT_EQ(slider->Position(), 500);
  EXPECT_EQ(ThumbAt(slider).y, 23);
  win::test::MoveMouse({30, 0});
  Pump();
  EXPECT_EQ(slider->Position(), 1000);
  win::test::MoveMouse({15, 79});
  Pump();
  EXPECT_EQ(slider->Position(), 0);
  win::test::ReleaseMouse(win::test::MouseButton::Left);
  Pump();
  win::test::MoveMouse({15, 37});
  Pump();
  EXPECT_EQ(slider->Position(), 0);
  EXPECT_EQ(changes, (std::vector<int>{500, 1000, 0}));
}

TEST(SliderDragging, AHorizontalDragFollowsTheMouseFromTheGrabPoint) {
  TSkinForm form(200, 80);
  ktvSlider* slider = LoadSlider(&form, [](ktvSlider* s) { s->SetBounds(10, 10, 128, 32); });
  form.Show();
  Pump();
  // Position 0: the thumb at x 1; grab it at its 3rd column.
  win::test::MoveMouse({10 + 1 + 3, 20});
  win::test::PressMouse(win::test::MouseButton::Left);
  Pump();
  win::test::MoveMouse({10 + 1 + 3 + 56, 45});
  Pump();
  EXPECT_EQ(slider->Position(), 56 * 100 / 113);
  win::test::ReleaseMouse(win::test::MouseButton::Left);
  Pump();
}

}  // namespace

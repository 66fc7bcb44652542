#include "controls/Region.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/Forms.h"
#include "framework/tests/ControlsTestSupport.h"
#include "platform/FaultInjection.h"
#include "platform/Painting.h"
#include "platform/Regions.h"
#include "platform/Text.h"

using controlstest::THostForm;

namespace {

constexpr TColor kOpaque = clRed;

// Paints the picture from rows of '#' (opaque) and '.' (the transparent colour teal).
void PaintPicture(ktvRegion* region, const std::vector<std::string>& rows) {
  const int height = static_cast<int>(rows.size());
  const int width = static_cast<int>(rows[0].size());
  TBitmap* bitmap = region->Picture()->Bitmap();
  bitmap->SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) bitmap->Canvas()->SetPixels(x, y, rows[y][x] == '#' ? kOpaque : clTeal);
}

win::HRGN RegionOf(const std::vector<TRect>& rects) {
  win::HRGN region = win::CreateRectRgn(0, 0, 0, 0);
  for (const TRect& r : rects) {
    win::HRGN part = win::CreateRectRgnIndirect(&r);
    win::CombineRgn(region, region, part, win::RGN_OR);
    win::DeleteObject(part);
  }
  return region;
}

// Whether the region holds exactly the rectangles.
::testing::AssertionResult RegionIs(win::HRGN actual, const std::vector<TRect>& rects) {
  if (!actual) return ::testing::AssertionFailure() << "no region";
  win::HRGN expected = RegionOf(rects);
  const bool same = win::EqualRgn(actual, expected);
  win::DeleteObject(expected);
  if (same) return ::testing::AssertionSuccess();
  win::RECT box{};
  win::GetRgnBox(actual, &box);
  return ::testing::AssertionFailure() << "region differs; its box is " << box.left << "," << box.top << " - "
                                       << box.right << "," << box.bottom;
}

// The shape installed in the window, or null when it has none.
win::HRGN WindowShape(win::HWND hwnd) {
  win::HRGN shape = win::CreateRectRgn(0, 0, 0, 0);
  if (win::GetWindowRgn(hwnd, shape) == win::ERROR) {
    win::DeleteObject(shape);
    return nullptr;
  }
  return shape;
}

::testing::AssertionResult ShapeIs(win::HWND hwnd, const std::vector<TRect>& rects) {
  win::HRGN shape = WindowShape(hwnd);
  auto result = RegionIs(shape, rects);
  if (shape) win::DeleteObject(shape);
  return result;
}

template <class F>
std::string MessageOf(F&& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message;
  }
  return "(nothing raised)";
}

struct RegionOnForm : ::testing::Test {
  void SetUp() override {
    region = new ktvRegion(&form);
    region->SetParent(&form);
    region->SetBounds(5, 7, 5, 3);
    region->SetTransparentColor(clTeal);
    PaintPicture(region, {"..#..", "##.##", "....."});
  }
  void TearDown() override { win::test::ClearFailures(); }

  THostForm form{nullptr, 40, 30};
  ktvRegion* region = nullptr;
  const std::vector<TRect> shape{Rect(7, 7, 8, 8), Rect(5, 8, 7, 9), Rect(8, 8, 10, 9)};
};

// ---- building the region ----

TEST_F(RegionOnForm, CreateCollectsEachRowsRunsInTheParentsCoordinates) {
  region->Create();
  EXPECT_TRUE(RegionIs(region->RegionHandle(), shape));
}

TEST(Region, RunsEndAtTheControlsWidthAndFullyOpaqueRowsCoverIt) {
  ktvRegion region(nullptr);
  region.SetBounds(0, 0, 4, 2);
  region.SetTransparentColor(clTeal);
  PaintPicture(&region, {"####", ".#.#"});
  region.Create();
  EXPECT_TRUE(RegionIs(region.RegionHandle(), {Rect(0, 0, 4, 1), Rect(1, 1, 2, 2), Rect(3, 1, 4, 2)}));
}

TEST(Region, APictureAllOfTheTransparentColourGivesAnEmptyRegion) {
  ktvRegion region(nullptr);
  region.SetBounds(0, 0, 3, 2);
  region.SetTransparentColor(clTeal);
  PaintPicture(&region, {"...", "..."});
  region.Create();
  ASSERT_TRUE(region.RegionHandle());
  win::RECT box{};
  EXPECT_EQ(win::GetRgnBox(region.RegionHandle(), &box), win::NULLREGION);
}

TEST(Region, ASystemColourAsTransparentColourMatchesNoPixel) {
  ktvRegion region(nullptr);
  region.SetBounds(0, 0, 2, 1);
  PaintPicture(&region, {".#"});
  region.SetTransparentColor(clBtnFace);
  region.Picture()->Bitmap()->Canvas()->SetPixels(0, 0, ColorToRGB(clBtnFace));
  region.Create();
  EXPECT_TRUE(RegionIs(region.RegionHandle(), {Rect(0, 0, 2, 1)}));
}

TEST_F(RegionOnForm, CreateStartsAfreshAndMovingTheControlKeepsTheOldOffset) {
  region->Create();
  PaintPicture(region, {"#....", ".....", "....."});
  region->SetBounds(10, 10, 5, 3);
  EXPECT_TRUE(RegionIs(region->RegionHandle(), shape));
  region->Create();
  EXPECT_TRUE(RegionIs(region->RegionHandle(), {Rect(10, 10, 11, 11)}));
}

TEST(Region, AddMakesTheRegionWhenThereIsNoneAndClearEmptiesIt) {
  ktvRegion region(nullptr);
  region.SetBounds(2, 3, 10, 10);
  region.Add(1, 1, 2, 3);
  EXPECT_TRUE(RegionIs(region.RegionHandle(), {Rect(3, 4, 5, 7)}));
  region.Clear();
  EXPECT_TRUE(RegionIs(region.RegionHandle(), {}));
}

TEST(Region, TheTransparentColourIsAlsoThePicturesAndDoesNotRebuild) {
  ktvRegion region(nullptr);
  region.SetBounds(0, 0, 2, 1);
  PaintPicture(&region, {"#."});
  region.SetTransparentColor(clTeal);
  EXPECT_EQ(region.TransparentColor(), clTeal);
  EXPECT_EQ(region.Picture()->Bitmap()->TransparentColor(), clTeal);
  EXPECT_FALSE(region.RegionHandle());
}

// ---- installing the shape ----

TEST_F(RegionOnForm, SetInstallsACopyThatLaterChangesOfTheRegionLeaveAlone) {
  form.HandleNeeded();
  region->Create();
  region->Set();
  EXPECT_TRUE(ShapeIs(form.Handle(), shape));
  region->Add(0, 2, 1, 1);
  EXPECT_TRUE(ShapeIs(form.Handle(), shape));
  region->Set();
  EXPECT_TRUE(ShapeIs(form.Handle(), {Rect(7, 7, 8, 8), Rect(5, 8, 7, 9), Rect(8, 8, 10, 9), Rect(5, 9, 6, 10)}));
}

TEST_F(RegionOnForm, SetWithoutARegionOrBeforeTheParentsWindowDoesNothing) {
  region->Set();
  EXPECT_FALSE(form.HandleAllocated());
  region->Create();
  region->Set();
  EXPECT_FALSE(form.HandleAllocated());
  form.HandleNeeded();
  EXPECT_FALSE(WindowShape(form.Handle()));
}

TEST_F(RegionOnForm, AnEmptyRegionInstallsAnEmptyShape) {
  form.HandleNeeded();
  PaintPicture(region, {".....", ".....", "....."});
  region->Create();
  region->Set();
  EXPECT_TRUE(ShapeIs(form.Handle(), {}));
}

TEST(Region, SetWithoutAParentRaisesEvenBeforeAnyWindowExists) {
  ktvRegion region(nullptr);
  region.Clear();
  EXPECT_EQ(MessageOf([&] { region.Set(); }), SJ("Parentが設定されていません"));
}

TEST_F(RegionOnForm, DeleteRemovesTheShapeAndTheRegion) {
  form.HandleNeeded();
  region->Create();
  region->Set();
  region->Delete();
  EXPECT_FALSE(region->RegionHandle());
  EXPECT_FALSE(WindowShape(form.Handle()));
  region->Set();
  EXPECT_FALSE(WindowShape(form.Handle()));
}

// Followed blindly, a missing parent would be a null window.
TEST(Region, DeleteWithoutAParentRaisesAndKeepsTheRegion) {
  ktvRegion region(nullptr);
  region.Clear();
  EXPECT_EQ(MessageOf([&] { region.Delete(); }), SJ("Parentが設定されていません"));
  EXPECT_TRUE(region.RegionHandle());
}

// ---- failures of the platform ----

TEST(RegionFaults, AFailedClearLeavesNoRegion) {
  ktvRegion region(nullptr);
  region.Clear();
  win::test::FailNext("CreateRectRgn");
  EXPECT_EQ(MessageOf([&] { region.Clear(); }), SJ("CreateRectRgnに失敗しました"));
  EXPECT_FALSE(region.RegionHandle());
}

TEST(RegionFaults, AFailedAddLeavesTheRegionAsItWas) {
  ktvRegion region(nullptr);
  region.Add(0, 0, 2, 2);
  win::test::FailNext("CreateRectRgn");
  EXPECT_EQ(MessageOf([&] { region.Add(5, 5, 1, 1); }), SJ("CreateRectRgnに失敗しました"));
  EXPECT_TRUE(RegionIs(region.RegionHandle(), {Rect(0, 0, 2, 2)}));
  win::test::FailNext("CombineRgn");
  EXPECT_EQ(MessageOf([&] { region.Add(5, 5, 1, 1); }), SJ("CombineRgnに失敗しました"));
  EXPECT_TRUE(RegionIs(region.RegionHandle(), {Rect(0, 0, 2, 2)}));
}

TEST_F(RegionOnForm, AFailureInsideTheScanDropsThePartialRegion) {
  win::test::FailNext("CombineRgn", 1);
  EXPECT_EQ(MessageOf([&] { region->Create(); }), SJ("CombineRgnに失敗しました"));
  EXPECT_FALSE(region->RegionHandle());
  win::test::FailNext("CreateRectRgn", 2);
  EXPECT_EQ(MessageOf([&] { region->Create(); }), SJ("CreateRectRgnに失敗しました"));
  EXPECT_FALSE(region->RegionHandle());
  region->Create();
  EXPECT_TRUE(RegionIs(region->RegionHandle(), shape));
}

TEST_F(RegionOnForm, AFailedSetLeavesTheWindowsShapeAndTheRegion) {
  form.HandleNeeded();
  region->Create();
  for (const char* call : {"CreateRectRgn", "CombineRgn", "SetWindowRgn"}) {
    win::test::FailNext(call);
    const std::string expected = std::string(call) == "CreateRectRgn" ? SJ("CreateRectRgnに失敗しました")
                                 : std::string(call) == "CombineRgn"  ? SJ("CombineRgnに失敗しました")
                                                                      : SJ("SetWindowRgnに失敗しました");
    EXPECT_EQ(MessageOf([&] { region->Set(); }), expected) << call;
    EXPECT_FALSE(WindowShape(form.Handle())) << call;
    EXPECT_TRUE(RegionIs(region->RegionHandle(), shape)) << call;
  }
  region->Set();
  EXPECT_TRUE(ShapeIs(form.Handle(), shape));
}

TEST_F(RegionOnForm, AFailedDeleteKeepsTheRegionAndTheShape) {
  form.HandleNeeded();
  region->Create();
  region->Set();
  win::test::FailNext("SetWindowRgn");
  EXPECT_EQ(MessageOf([&] { region->Delete(); }), SJ("SetWindowRgnに失敗しました"));
  EXPECT_TRUE(RegionIs(region->RegionHandle(), shape));
  EXPECT_TRUE(ShapeIs(form.Handle(), shape));
}

}  // namespace

#include <gtest/gtest.h>

#include <vector>

#include "platform/Errors.h"
#include "platform/FaultInjection.h"
#include "platform/Regions.h"
#include "testsupport/WinPrint.h"

using namespace win;

namespace {

std::vector<RECT> RectsOf(HRGN region) { return detail::FindRegion(region)->region.Rects(); }

class Regions : public testing::Test {
 protected:
  void SetUp() override {
    a = CreateRectRgn(0, 0, 10, 10);
    b = CreateRectRgn(5, 5, 15, 15);
    dest = CreateRectRgn(0, 0, 0, 0);
  }
  void TearDown() override {
    for (HRGN r : {a, b, dest}) DeleteObject(r);
    test::ClearFailures();
  }
  HRGN a, b, dest;
};

}  // namespace

TEST_F(Regions, CombineInEveryModeGivesTheBandedResultAndItsComplexity) {
  EXPECT_EQ(CombineRgn(dest, a, b, RGN_AND), SIMPLEREGION);
  EXPECT_EQ(RectsOf(dest), (std::vector<RECT>{{5, 5, 10, 10}}));

  EXPECT_EQ(CombineRgn(dest, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(RectsOf(dest), (std::vector<RECT>{{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}));
  RECT box;
  EXPECT_EQ(GetRgnBox(dest, &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{0, 0, 15, 15}));

  EXPECT_EQ(CombineRgn(dest, a, b, RGN_XOR), COMPLEXREGION);
  EXPECT_EQ(RectsOf(dest), (std::vector<RECT>{{0, 0, 10, 5}, {0, 5, 5, 10}, {10, 5, 15, 10}, {5, 10, 15, 15}}));

  EXPECT_EQ(CombineRgn(dest, a, b, RGN_DIFF), COMPLEXREGION);
  EXPECT_EQ(RectsOf(dest), (std::vector<RECT>{{0, 0, 10, 5}, {0, 5, 5, 10}}));

  EXPECT_EQ(CombineRgn(dest, b, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(dest, b));

  HRGN far = CreateRectRgn(20, 20, 30, 30);
  EXPECT_EQ(CombineRgn(dest, a, far, RGN_AND), NULLREGION);
  EXPECT_EQ(GetRgnBox(dest, &box), NULLREGION);
  EXPECT_EQ(box, (RECT{0, 0, 0, 0}));
  EXPECT_EQ(CombineRgn(dest, a, a, RGN_DIFF), NULLREGION);
  DeleteObject(far);
}

TEST_F(Regions, TouchingRectanglesMergeAsTheUnionOfOnePixelRuns) {
  // A shape built row by row from one-pixel-high runs, as a window outline is
  // scanned from a picture.
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  for (int y = 0; y < 4; ++y) {
    HRGN run = CreateRectRgn(2, y, 8, y + 1);
    EXPECT_NE(CombineRgn(shape, shape, run, RGN_OR), ERROR);
    DeleteObject(run);
  }
  EXPECT_EQ(RectsOf(shape), (std::vector<RECT>{{2, 0, 8, 4}}));
  HRGN beside = CreateRectRgn(8, 0, 10, 4);
  EXPECT_EQ(CombineRgn(shape, shape, beside, RGN_OR), SIMPLEREGION);
  EXPECT_EQ(RectsOf(shape), (std::vector<RECT>{{2, 0, 10, 4}}));
  DeleteObject(beside);
  DeleteObject(shape);
}

TEST_F(Regions, EdgesAreExclusiveAndCornersAreOrdered) {
  HRGN swapped = CreateRectRgn(10, 10, 0, 0);
  EXPECT_TRUE(EqualRgn(swapped, a));
  EXPECT_TRUE(PtInRegion(a, 0, 0));
  EXPECT_TRUE(PtInRegion(a, 9, 9));
  EXPECT_FALSE(PtInRegion(a, 10, 9));
  EXPECT_FALSE(PtInRegion(a, 9, 10));
  RECT touching{10, 0, 20, 10};
  RECT overlapping{9, 9, 20, 20};
  EXPECT_FALSE(RectInRegion(a, &touching));
  EXPECT_TRUE(RectInRegion(a, &overlapping));

  HRGN empty = CreateRectRgn(3, 3, 3, 8);
  RECT box;
  EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
  EXPECT_FALSE(PtInRegion(empty, 3, 3));
  DeleteObject(empty);
  DeleteObject(swapped);
}

TEST_F(Regions, OffsetAndResetChangeTheRegionInPlace) {
  EXPECT_EQ(OffsetRgn(a, 5, 7), SIMPLEREGION);
  RECT box;
  GetRgnBox(a, &box);
  EXPECT_EQ(box, (RECT{5, 7, 15, 17}));
  EXPECT_TRUE(SetRectRgn(a, 1, 2, 3, 4));
  GetRgnBox(a, &box);
  EXPECT_EQ(box, (RECT{1, 2, 3, 4}));
  RECT r{0, 0, 4, 4};
  HRGN indirect = CreateRectRgnIndirect(&r);
  EXPECT_TRUE(PtInRegion(indirect, 3, 3));
  DeleteObject(indirect);
}

TEST_F(Regions, BadHandlesAndModesAreErrorsThatLeaveTheTargetAlone) {
  CombineRgn(dest, a, nullptr, RGN_COPY);
  EXPECT_EQ(CombineRgn(dest, a, b, 99), ERROR);
  EXPECT_EQ(CombineRgn(dest, a, nullptr, RGN_OR), ERROR);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_TRUE(EqualRgn(dest, a));

  HRGN gone = CreateRectRgn(0, 0, 1, 1);
  EXPECT_TRUE(DeleteObject(gone));
  EXPECT_FALSE(DeleteObject(gone));
  EXPECT_EQ(CombineRgn(dest, gone, a, RGN_OR), ERROR);
  EXPECT_FALSE(PtInRegion(gone, 0, 0));
  EXPECT_EQ(OffsetRgn(gone, 1, 1), ERROR);
}

TEST_F(Regions, InjectedFailuresHitTheNamedCallOnlyAsOftenAsAsked) {
  test::FailNext("CreateRectRgn");
  EXPECT_EQ(CreateRectRgn(0, 0, 1, 1), nullptr);
  HRGN next = CreateRectRgn(0, 0, 1, 1);
  EXPECT_NE(next, nullptr);
  DeleteObject(next);

  CombineRgn(dest, a, nullptr, RGN_COPY);
  test::FailNext("CombineRgn", 2);
  EXPECT_NE(CombineRgn(dest, dest, b, RGN_AND), ERROR);
  EXPECT_NE(CombineRgn(dest, a, nullptr, RGN_COPY), ERROR);
  EXPECT_EQ(CombineRgn(dest, dest, b, RGN_OR), ERROR);
  EXPECT_TRUE(EqualRgn(dest, a));  // the failed union changed nothing
  EXPECT_NE(CombineRgn(dest, dest, b, RGN_OR), ERROR);

  test::FailNext("CombineRgn");
  test::ClearFailures();
  EXPECT_NE(CombineRgn(dest, a, b, RGN_OR), ERROR);
}

TEST_F(Regions, HugeCoordinatesAreHeldWithinThePlatformsRange) {
  HRGN huge = CreateRectRgn(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  RECT box;
  EXPECT_EQ(GetRgnBox(huge, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, -(1 << 27));
  EXPECT_EQ(box.right, 1 << 27);
  EXPECT_TRUE(PtInRegion(huge, 0, 0));
  DeleteObject(huge);
}

#include <gtest/gtest.h>

#include "platform/FrameControl.h"
#include "platform/tests/GdiTestSupport.h"

using namespace win;
using gditest::Canvas;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kShadow = RGB(128, 128, 128);

}  // namespace

TEST(FrameControl, APushButtonHasTheClassicEdges) {
  Canvas c(10, 10);
  c.Fill(kRed);
  RECT r{0, 0, 10, 10};
  EXPECT_TRUE(DrawFrameControl(c.dc(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT));
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 8);
  EXPECT_EQ(r.bottom, 8);
  // Outer: white top and left, black right and bottom (owning the corners).
  EXPECT_EQ(c.At(0, 0), kWhite);
  EXPECT_EQ(c.At(8, 0), kWhite);
  EXPECT_EQ(c.At(9, 0), kBlack);
  EXPECT_EQ(c.At(0, 9), kBlack);
  EXPECT_EQ(c.At(9, 9), kBlack);
  // Inner: light top and left, shadow right and bottom.
  EXPECT_EQ(c.At(1, 1), kFace);
  EXPECT_EQ(c.At(8, 1), kShadow);
  EXPECT_EQ(c.At(1, 8), kShadow);
  EXPECT_EQ(c.At(8, 8), kShadow);
  EXPECT_EQ(c.At(5, 5), kFace);
}

TEST(FrameControl, APushedButtonIsSunken) {
  Canvas c(10, 10);
  c.Fill(kRed);
  RECT r{0, 0, 10, 10};
  EXPECT_TRUE(DrawFrameControl(c.dc(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED));
  EXPECT_EQ(r.right, 10);  // no DFCS_ADJUSTRECT
  EXPECT_EQ(c.At(0, 0), kBlack);
  EXPECT_EQ(c.At(8, 0), kBlack);
  EXPECT_EQ(c.At(9, 0), kWhite);
  EXPECT_EQ(c.At(9, 9), kWhite);
  EXPECT_EQ(c.At(0, 9), kWhite);
  EXPECT_EQ(c.At(1, 1), kShadow);
  EXPECT_EQ(c.At(8, 8), kFace);
  EXPECT_EQ(c.At(5, 5), kFace);

  c.Fill(kRed);
  DrawFrameControl(c.dc(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT | DFCS_INACTIVE);
  EXPECT_EQ(c.At(0, 0), kShadow);
  EXPECT_EQ(c.At(9, 9), kShadow);
  EXPECT_EQ(c.At(1, 1), kFace);

  c.Fill(kRed);
  DrawFrameControl(c.dc(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_CHECKED);
  EXPECT_EQ(c.At(2, 2), kWhite);
  EXPECT_EQ(c.At(3, 2), kFace);
  EXPECT_FALSE(DrawFrameControl(c.dc(), &r, DFC_BUTTON, 0));
}

TEST(FrameControl, DrawEdgeAdjustsByTheEdgesDrawnAndFillsTheMiddle) {
  Canvas c(6, 6);
  c.Fill(kRed);
  RECT r{0, 0, 6, 6};
  EXPECT_TRUE(DrawEdge(c.dc(), &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST | BF_MIDDLE));
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.right, 4);
  EXPECT_EQ(c.At(0, 0), kShadow);
  EXPECT_EQ(c.At(5, 5), kWhite);
  EXPECT_EQ(c.At(1, 1), kBlack);
  EXPECT_EQ(c.At(4, 4), kFace);
  EXPECT_EQ(c.At(2, 2), kFace);

  c.Fill(kRed);
  RECT top{0, 0, 6, 6};
  DrawEdge(c.dc(), &top, BDR_RAISEDINNER, BF_TOP | BF_ADJUST);
  EXPECT_EQ(top.top, 1);
  EXPECT_EQ(top.left, 0);
  EXPECT_EQ(c.At(5, 0), kWhite);
  EXPECT_EQ(c.At(0, 1), kRed);
}


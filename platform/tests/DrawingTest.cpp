#include <gtest/gtest.h>

#include "platform/SysColors.h"
#include "platform/tests/GdiTestSupport.h"

using namespace win;
using gditest::Canvas;
using gditest::SelectedBrush;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kFace = RGB(192, 192, 192);

using Row = std::vector<COLORREF>;

class SelectedPen {
 public:
  SelectedPen(HDC dc, int style, int width, COLORREF color) : dc_(dc), pen_(CreatePen(style, width, color)) {
    old_ = SelectObject(dc, pen_);
  }
  ~SelectedPen() {
    SelectObject(dc_, old_);
    DeleteObject(pen_);
  }

 private:
  HDC dc_;
  HPEN pen_;
  HGDIOBJ old_;
};

int CountOf(const Canvas& c, int width, int height, COLORREF color) {
  int n = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) n += c.At(x, y) == color;
  return n;
}

}  // namespace

TEST(Lines, LineToLeavesOutItsLastPixelAndMovesThePosition) {
  Canvas c(6, 6);
  c.Fill(kWhite);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 5, 0);
  EXPECT_EQ(c.Row(0), (Row{kBlack, kBlack, kBlack, kBlack, kBlack, kWhite}));
  LineTo(c.dc(), 5, 5);  // from the end of the previous line
  EXPECT_EQ(c.At(5, 0), kBlack);
  EXPECT_EQ(c.At(5, 4), kBlack);
  EXPECT_EQ(c.At(5, 5), kWhite);
  POINT at;
  GetCurrentPositionEx(c.dc(), &at);
  EXPECT_EQ(at.x, 5);
  EXPECT_EQ(at.y, 5);

  c.Fill(kWhite);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 3, 3);
  EXPECT_EQ(c.At(2, 2), kBlack);
  EXPECT_EQ(c.At(3, 3), kWhite);
  EXPECT_EQ(CountOf(c, 6, 6, kBlack), 3);

  c.Fill(kWhite);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 3, 1);
  EXPECT_EQ(c.Row(0), (Row{kBlack, kBlack, kWhite, kWhite, kWhite, kWhite}));
  EXPECT_EQ(c.At(2, 1), kBlack);
}

TEST(Lines, AClosedPolylineTouchesEveryOutlinePixelOnce) {
  Canvas c(5, 5);
  c.Fill(kWhite);
  SetROP2(c.dc(), R2_XORPEN);
  SelectedPen pen(c.dc(), PS_SOLID, 1, kWhite);
  POINT square[5] = {{0, 0}, {3, 0}, {3, 3}, {0, 3}, {0, 0}};
  EXPECT_TRUE(Polyline(c.dc(), square, 5));
  // XOR with white turns each pixel drawn once black; a pixel drawn twice
  // would be white again.
  EXPECT_EQ(CountOf(c, 5, 5, kBlack), 12);
  EXPECT_EQ(c.At(1, 1), kWhite);
  EXPECT_FALSE(Polyline(c.dc(), square, 1));
}

TEST(Lines, NullPensDrawNothingAndDashesLeaveGaps) {
  Canvas c(30, 2);
  c.Fill(kWhite);
  {
    SelectedPen pen(c.dc(), PS_NULL, 1, kBlack);
    MoveToEx(c.dc(), 0, 0, nullptr);
    LineTo(c.dc(), 30, 0);
    EXPECT_EQ(CountOf(c, 30, 2, kBlack), 0);
  }
  SelectedPen dashed(c.dc(), PS_DOT, 1, kBlack);
  SetBkMode(c.dc(), TRANSPARENT);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 12, 0);
  EXPECT_EQ(c.Row(0)[2], kBlack);
  EXPECT_EQ(c.Row(0)[3], kWhite);
  EXPECT_EQ(c.Row(0)[6], kBlack);
  SetBkMode(c.dc(), OPAQUE);
  SetBkColor(c.dc(), kRed);
  MoveToEx(c.dc(), 0, 1, nullptr);
  LineTo(c.dc(), 12, 1);
  EXPECT_EQ(c.At(3, 1), kRed);
}

TEST(Shapes, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  Canvas c(6, 6);
  c.Fill(kWhite);
  {
    SelectedBrush brush(c.dc(), kRed);
    EXPECT_TRUE(Rectangle(c.dc(), 1, 1, 5, 5));
  }
  EXPECT_EQ(c.Row(1), (Row{kWhite, kBlack, kBlack, kBlack, kBlack, kWhite}));
  EXPECT_EQ(c.Row(2), (Row{kWhite, kBlack, kRed, kRed, kBlack, kWhite}));
  EXPECT_EQ(c.Row(4), (Row{kWhite, kBlack, kBlack, kBlack, kBlack, kWhite}));
  EXPECT_EQ(c.Row(5), (Row(6, kWhite)));

  c.Fill(kWhite);
  HGDIOBJ old = SelectObject(c.dc(), GetStockObject(NULL_PEN));
  {
    SelectedBrush brush(c.dc(), kBlue);
    Rectangle(c.dc(), 1, 1, 5, 5);
  }
  SelectObject(c.dc(), old);
  EXPECT_EQ(c.Row(1), (Row{kWhite, kBlue, kBlue, kBlue, kWhite, kWhite}));
  EXPECT_EQ(c.Row(4), (Row(6, kWhite)));
}

TEST(Shapes, FillRectAndFrameRectTakeBrushesAndSystemColourIndices) {
  Canvas c(5, 4);
  RECT all{0, 0, 5, 4};
  EXPECT_TRUE(FillRect(c.dc(), &all, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)));
  EXPECT_EQ(c.At(4, 3), kFace);
  SetROP2(c.dc(), R2_XORPEN);  // fills are not mixed
  HBRUSH red = CreateSolidBrush(kRed);
  RECT frame{1, 0, 5, 3};
  EXPECT_TRUE(FrameRect(c.dc(), &frame, red));
  EXPECT_EQ(c.Row(0), (Row{kFace, kRed, kRed, kRed, kRed}));
  EXPECT_EQ(c.Row(1), (Row{kFace, kRed, kFace, kFace, kRed}));
  EXPECT_EQ(c.Row(2), (Row{kFace, kRed, kRed, kRed, kRed}));
  EXPECT_EQ(c.Row(3), (Row(5, kFace)));
  RECT empty{3, 3, 3, 4};
  EXPECT_TRUE(FrameRect(c.dc(), &empty, red));
  EXPECT_EQ(c.At(3, 3), kFace);
  EXPECT_FALSE(FillRect(c.dc(), &all, nullptr));
  DeleteObject(red);
}


#include "framework/Grids.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/tests/ControlsTestSupport.h"
#include "platform/Desktop.h"
#include "platform/Input.h"
#include "platform/SysColors.h"
#include "platform/Window.h"

namespace {

using controlstest::PixelAt;
using controlstest::Pump;

// Fills each cell in a colour that tells its state, and refuses the cells
// listed in `refused`.
class TStateGrid : public TCustomGrid {
 public:
  using TCustomGrid::TCustomGrid;

  std::vector<std::pair<int, int>> refused;
  int asked = 0;

  static TColor ColorOf(TGridDrawState state) {
    if (state.Contains(gdFixed)) return clBtnFace;
    if (state.Contains(gdSelected)) return clLime;
    if (state.Contains(gdFocused)) return clYellow;
    return clWhite;
  }

 protected:
  void DrawCell(int, int, TRect ARect, TGridDrawState AState) override {
    Canvas()->Brush()->SetColor(ColorOf(AState));
    Canvas()->FillRect(ARect);
  }

  bool SelectCell(int ACol, int ARow) override {
    ++asked;
    for (auto [col, row] : refused)
      if (col == ACol && row == ARow) return false;
    return true;
  }
};

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<controlstest::THostForm>(nullptr, 400, 300);
    grid = new TStateGrid(form.get());
    grid->SetParent(form.get());
    grid->SetBorderStyle(bsNone);
    grid->SetBounds(0, 0, 340, 200);
    grid->SetDefaultColWidth(40);
    grid->SetDefaultRowHeight(20);
  }

  void TearDown() override {
    form.reset();
    Pump();
  }

  void ShowAndPaint() {
    form->Show();
    Pump();
    win::test::PaintPending();
  }

  win::POINT ScreenOfCell(int col, int row) {
    const TRect cell = grid->CellRect(col, row);
    win::POINT p{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    win::ClientToScreen(grid->Handle(), &p);
    return p;
  }

  void Key(int vk, bool shift = false) {
    if (shift) win::test::PressKey(win::VK_SHIFT);
    win::test::PressKey(vk);
    win::test::ReleaseKey(vk);
    if (shift) win::test::ReleaseKey(win::VK_SHIFT);
    Pump();
  }

  std::unique_ptr<TForm> form;
  TStateGrid* grid = nullptr;
};

TEST_F(GridTest, CellsLieSideBySideWithTheirLinesAfterThem) {
  grid->SetGridLineWidth(2);
  grid->SetColWidths(1, 10);
  grid->SetRowHeights(2, 5);
  auto same = [](const TRect& a, const TRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  };
  EXPECT_TRUE(same(grid->CellRect(0, 0), Rect(0, 0, 40, 20)));
  EXPECT_TRUE(same(grid->CellRect(2, 3), Rect(54, 51, 94, 71)));  // 40 + 2 + 10 + 2; 20 + 2 + 20 + 2 + 5 + 2
  EXPECT_TRUE(same(grid->CellRect(5, 0), TRect{}));
  EXPECT_TRUE(same(grid->CellRect(-1, 0), TRect{}));
  int col = 0, row = 0;
  grid->MouseToCell(55, 52, col, row);
  EXPECT_EQ(col, 2);
  EXPECT_EQ(row, 3);
  grid->MouseToCell(41, 5, col, row);  // on a line
  EXPECT_EQ(col, -1);
  EXPECT_EQ(row, -1);
  grid->MouseToCell(300, 5, col, row);  // past the last column
  EXPECT_EQ(col, -1);

  grid->SetDefaultRowHeight(30);  // every row takes the new height
  EXPECT_EQ(grid->RowHeights(2), 30);
  EXPECT_EQ(grid->RowHeights(7), 0);
}

TEST_F(GridTest, FixedCellsStayOutOfReachAndCountsBoundThem) {
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->Row(), 1);
  grid->SetCol(0);
  EXPECT_EQ(grid->Col(), 1);
  grid->SetFixedCols(9);  // one column stays movable
  EXPECT_EQ(grid->FixedCols(), 4);
  EXPECT_EQ(grid->Col(), 4);
  grid->SetColCount(3);
  EXPECT_EQ(grid->FixedCols(), 2);
  EXPECT_EQ(grid->Col(), 2);
  grid->SetRowCount(0);
  EXPECT_EQ(grid->RowCount(), 1);
  EXPECT_EQ(grid->FixedRows(), 0);
}

TEST_F(GridTest, KeysMoveTheCurrentCellAndSelectCellMayRefuse) {
  ShowAndPaint();
  grid->SetFocus();
  Key(win::VK_RIGHT);
  Key(win::VK_DOWN);
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Row(), 2);
  Key(win::VK_END);
  EXPECT_EQ(grid->Col(), 4);
  Key(win::VK_HOME);
  EXPECT_EQ(grid->Col(), 1);
  Key(win::VK_LEFT);  // the fixed column
  EXPECT_EQ(grid->Col(), 1);
  Key(win::VK_NEXT);
  EXPECT_EQ(grid->Row(), 4);
  grid->refused.push_back({1, 3});
  Key(win::VK_UP);
  EXPECT_EQ(grid->Row(), 4);
  Key(win::VK_PRIOR);
  EXPECT_EQ(grid->Row(), 1);
}

TEST_F(GridTest, TheMouseSelectsACellOrARangeWithItsOption) {
  ShowAndPaint();
  win::test::Click(ScreenOfCell(3, 2));
  Pump();
  EXPECT_EQ(grid->Col(), 3);
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_TRUE(grid->Focused());

  // Dragging stretches the selection from where the press was.
  win::test::MoveMouse(ScreenOfCell(1, 1));
  win::test::PressMouse(win::test::MouseButton::Left);
  Pump();
  win::test::MoveMouse(ScreenOfCell(2, 3));
  Pump();
  win::test::ReleaseMouse(win::test::MouseButton::Left);
  Pump();
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 2, 3}));
  Key(win::VK_RIGHT, true);  // Shift stretches it on
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 3, 3}));

  grid->SetOptions(grid->Options() - TGridOptions{goRangeSelect});
  EXPECT_EQ(grid->Selection(), (TGridRect{3, 3, 3, 3}));
  win::test::MoveMouse(ScreenOfCell(1, 1));
  win::test::PressMouse(win::test::MouseButton::Left);
  Pump();
  win::test::MoveMouse(ScreenOfCell(2, 4));
  Pump();
  win::test::ReleaseMouse(win::test::MouseButton::Left);
  Pump();
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 4, 2, 4}));
  EXPECT_EQ(grid->Col(), 2);
}

TEST_F(GridTest, CellsAreDrawnWithTheirStateAndTheLinesBetweenThem) {
  grid->SetOptions(grid->Options() - TGridOptions{goRangeSelect});
  grid->SetCol(2);
  ShowAndPaint();
  EXPECT_EQ(PixelAt(grid, 20, 10), TColor(win::GetSysColor(win::COLOR_BTNFACE)));  // fixed
  EXPECT_EQ(PixelAt(grid, 100, 30), clLime);   // the current cell, selected: the grid is not focused
  EXPECT_EQ(PixelAt(grid, 140, 30), clWhite);
  EXPECT_EQ(PixelAt(grid, 40, 30), clBlack);   // the fixed column's line
  EXPECT_EQ(PixelAt(grid, 81, 30), clSilver);  // between other cells
  EXPECT_EQ(PixelAt(grid, 100, 20), clBlack);  // under the fixed row
  EXPECT_EQ(PixelAt(grid, 100, 41), clSilver);
  EXPECT_EQ(PixelAt(grid, 300, 150), TColor(win::GetSysColor(win::COLOR_WINDOW)));  // beyond the cells

  grid->SetFocus();
  Pump();
  win::test::PaintPending();
  EXPECT_EQ(PixelAt(grid, 100, 30), clYellow);  // focused, not drawn selected
  grid->SetOptions(grid->Options() + TGridOptions{goDrawFocusSelected});
  win::test::PaintPending();
  EXPECT_EQ(PixelAt(grid, 100, 30), clLime);
}

TEST_F(GridTest, TheBorderIsTheClientEdgeWithCtl3DAndAThinLineWithout) {
  EXPECT_EQ(BorderExtent(bsSingle, true), 4);
  EXPECT_EQ(BorderExtent(bsSingle, false), 2);
  EXPECT_EQ(BorderExtent(bsNone, true), 0);
  grid->SetBorderStyle(bsSingle);
  ShowAndPaint();
  EXPECT_TRUE(win::GetWindowLongA(grid->Handle(), win::GWL_EXSTYLE) & win::WS_EX_CLIENTEDGE);
  EXPECT_EQ(grid->ClientWidth(), 340 - 4);
  grid->SetCtl3D(false);
  EXPECT_TRUE(win::GetWindowLongA(grid->Handle(), win::GWL_STYLE) & win::WS_BORDER);
  EXPECT_FALSE(win::GetWindowLongA(grid->Handle(), win::GWL_EXSTYLE) & win::WS_EX_CLIENTEDGE);
  EXPECT_EQ(grid->ClientWidth(), 340 - 2);
}

}  // namespace

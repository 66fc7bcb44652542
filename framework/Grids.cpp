#include "framework/Grids.h"

#include <algorithm>

#include "platform/FrameControl.h"
#include "platform/Input.h"
#include "platform/Painting.h"
#include "platform/SysColors.h"
#include "platform/Window.h"

namespace {

constexpr TColor kLineColor = clSilver;
constexpr TColor kFixedLineColor = clBlack;

TGridRect Spanning(int Col1, int Row1, int Col2, int Row2) {
  return {std::min(Col1, Col2), std::min(Row1, Row2), std::max(Col1, Col2), std::max(Row1, Row2)};
}

}  // namespace

int BorderExtent(TBorderStyle Style, bool Ctl3D) {
  if (Style != bsSingle) return 0;
  return 2 * win::GetSystemMetrics(Ctl3D ? win::SM_CXEDGE : win::SM_CXBORDER);
}

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks});
  colWidths_.assign(5, defaultColWidth_);
  rowHeights_.assign(5, defaultRowHeight_);
  SetParentColor(false);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(Left(), Top(), 320, 120);
}

TCustomGrid::~TCustomGrid() = default;

// ---- dimensions ---------------------------------------------------------------------

void TCustomGrid::Resized() {
  col_ = std::clamp(col_, std::min(fixedCols_, ColCount() - 1), std::max(0, ColCount() - 1));
  row_ = std::clamp(row_, std::min(fixedRows_, RowCount() - 1), std::max(0, RowCount() - 1));
  anchorCol_ = col_;
  anchorRow_ = row_;
  selection_ = Spanning(col_, row_, col_, row_);
  Invalidate();
}

void TCustomGrid::SetColCount(int Value) {
  Value = std::max(Value, 1);
  if (Value == ColCount()) return;
  colWidths_.resize(Value, defaultColWidth_);
  fixedCols_ = std::min(fixedCols_, Value - 1);
  Resized();
}

void TCustomGrid::SetRowCount(int Value) {
  Value = std::max(Value, 1);
  if (Value == RowCount()) return;
  rowHeights_.resize(Value, defaultRowHeight_);
  fixedRows_ = std::min(fixedRows_, Value - 1);
  Resized();
}

// At least one column and one row stay movable.
void TCustomGrid::SetFixedCols(int Value) {
  Value = std::clamp(Value, 0, ColCount() - 1);
  if (Value == fixedCols_) return;
  fixedCols_ = Value;
  col_ = std::max(col_, fixedCols_);
  Resized();
}

void TCustomGrid::SetFixedRows(int Value) {
  Value = std::clamp(Value, 0, RowCount() - 1);
  if (Value == fixedRows_) return;
  fixedRows_ = Value;
  row_ = std::max(row_, fixedRows_);
  Resized();
}

void TCustomGrid::SetDefaultColWidth(int Value) {
  defaultColWidth_ = std::max(Value, 0);
  std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
  Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int Value) {
  defaultRowHeight_ = std::max(Value, 0);
  std::fill(rowHeights_.begin(), rowHeights_.end(), defaultRowHeight_);
  Invalidate();
}

int TCustomGrid::ColWidths(int Index) const { return Index >= 0 && Index < ColCount() ? colWidths_[Index] : 0; }

void TCustomGrid::SetColWidths(int Index, int Value) {
  if (Index < 0 || Index >= ColCount()) return;
  colWidths_[Index] = std::max(Value, 0);
  Invalidate();
}

int TCustomGrid::RowHeights(int Index) const { return Index >= 0 && Index < RowCount() ? rowHeights_[Index] : 0; }

void TCustomGrid::SetRowHeights(int Index, int Value) {
  if (Index < 0 || Index >= RowCount()) return;
  rowHeights_[Index] = std::max(Value, 0);
  Invalidate();
}

void TCustomGrid::SetGridLineWidth(int Value) {
  Value = std::max(Value, 0);
  if (Value == gridLineWidth_) return;
  gridLineWidth_ = Value;
  Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions Value) {
  if (Value == options_) return;
  options_ = Value;
  if (!options_.Contains(goRangeSelect)) {
    anchorCol_ = col_;
    anchorRow_ = row_;
    selection_ = Spanning(col_, row_, col_, row_);
  }
  Invalidate();
}

void TCustomGrid::SetFixedColor(TColor Value) {
  if (Value == fixedColor_) return;
  fixedColor_ = Value;
  Invalidate();
}

void TCustomGrid::SetBorderStyle(TBorderStyle Value) {
  if (Value == borderStyle_) return;
  borderStyle_ = Value;
  RecreateWnd();
}

void TCustomGrid::SetCtl3D(bool Value) {
  if (Value == ctl3D_) return;
  ctl3D_ = Value;
  RecreateWnd();
}

void TCustomGrid::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= win::WS_TABSTOP;
  if (borderStyle_ != bsSingle) return;
  if (ctl3D_)
    Params.ExStyle |= win::WS_EX_CLIENTEDGE;
  else
    Params.Style |= win::WS_BORDER;
}

// ---- geometry -----------------------------------------------------------------------

int TCustomGrid::GridWidth() const {
  int width = 0;
  for (int w : colWidths_) width += w + gridLineWidth_;
  return width;
}

int TCustomGrid::GridHeight() const {
  int height = 0;
  for (int h : rowHeights_) height += h + gridLineWidth_;
  return height;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) const {
  if (ACol < 0 || ACol >= ColCount() || ARow < 0 || ARow >= RowCount()) return TRect{};
  int x = 0, y = 0;
  for (int c = 0; c < ACol; ++c) x += colWidths_[c] + gridLineWidth_;
  for (int r = 0; r < ARow; ++r) y += rowHeights_[r] + gridLineWidth_;
  return Bounds(x, y, colWidths_[ACol], rowHeights_[ARow]);
}

int TCustomGrid::ColumnAt(int X) const {
  if (X < 0) return -1;
  for (int c = 0, left = 0; c < ColCount(); ++c) {
    if (X < left + colWidths_[c]) return c;
    left += colWidths_[c] + gridLineWidth_;
    if (X < left) return -1;  // on the line
  }
  return -1;
}

int TCustomGrid::RowAt(int Y) const {
  if (Y < 0) return -1;
  for (int r = 0, top = 0; r < RowCount(); ++r) {
    if (Y < top + rowHeights_[r]) return r;
    top += rowHeights_[r] + gridLineWidth_;
    if (Y < top) return -1;
  }
  return -1;
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
  ACol = ColumnAt(X);
  ARow = RowAt(Y);
  if (ACol < 0 || ARow < 0) ACol = ARow = -1;
}

// ---- the current cell and the selection --------------------------------------------

bool TCustomGrid::SelectCell(int, int) { return true; }

bool TCustomGrid::IsMovable(int ACol, int ARow) const {
  return ACol >= fixedCols_ && ACol < ColCount() && ARow >= fixedRows_ && ARow < RowCount();
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor) {
  if (!IsMovable(ACol, ARow) || !SelectCell(ACol, ARow)) return;
  MoveCurrent(ACol, ARow, MoveAnchor);
}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor) {
  if (!IsMovable(ACol, ARow)) return;
  InvalidateSelection();
  InvalidateCell(col_, row_);
  col_ = ACol;
  row_ = ARow;
  if (MoveAnchor || !options_.Contains(goRangeSelect)) {
    anchorCol_ = ACol;
    anchorRow_ = ARow;
  }
  selection_ = Spanning(anchorCol_, anchorRow_, col_, row_);
  InvalidateSelection();
  InvalidateCell(col_, row_);
}

void TCustomGrid::InvalidateCell(int ACol, int ARow) {
  if (!HandleAllocated()) return;
  const TRect rect = CellRect(ACol, ARow);
  win::InvalidateRect(Handle(), &rect, win::FALSE);
}

void TCustomGrid::InvalidateSelection() {
  if (!HandleAllocated()) return;
  const TRect first = CellRect(selection_.Left, selection_.Top);
  const TRect last = CellRect(selection_.Right, selection_.Bottom);
  const TRect rect = Rect(first.left, first.top, last.right, last.bottom);
  win::InvalidateRect(Handle(), &rect, win::FALSE);
}

// ---- mouse and keys --------------------------------------------------------------------

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    if (CanFocus()) SetFocus();
    int col = -1, row = -1;
    MouseToCell(X, Y, col, row);
    if (IsMovable(col, row)) {
      selecting_ = true;
      FocusCell(col, row, !Shift.Contains(ssShift));
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
  if (selecting_) {
    int col = -1, row = -1;
    MouseToCell(X, Y, col, row);
    if (IsMovable(col, row) && (col != col_ || row != row_)) FocusCell(col, row, false);
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) selecting_ = false;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomGrid::KeyDown(win::WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  int col = col_, row = row_;
  const bool ctrl = Shift.Contains(ssCtrl);
  switch (Key) {
    case win::VK_LEFT: --col; break;
    case win::VK_RIGHT: ++col; break;
    case win::VK_UP: --row; break;
    case win::VK_DOWN: ++row; break;
    case win::VK_HOME:
      col = fixedCols_;
      if (ctrl) row = fixedRows_;
      break;
    case win::VK_END:
      col = ColCount() - 1;
      if (ctrl) row = RowCount() - 1;
      break;
    case win::VK_PRIOR: row = fixedRows_; break;
    case win::VK_NEXT: row = RowCount() - 1; break;
    default: return;
  }
  FocusCell(col, row, !Shift.Contains(ssShift));
  Key = 0;
}

void TCustomGrid::WMSetFocus(TMessage& Message) {
  TCustomControl::WMSetFocus(Message);
  InvalidateSelection();
}

void TCustomGrid::WMKillFocus(TMessage& Message) {
  TCustomControl::WMKillFocus(Message);
  InvalidateSelection();
}

// ---- painting --------------------------------------------------------------------------

TGridDrawState TCustomGrid::StateOf(int ACol, int ARow) {
  if (ACol < fixedCols_ || ARow < fixedRows_) return TGridDrawState{gdFixed};
  TGridDrawState state;
  const bool current = ACol == col_ && ARow == row_;
  const bool focused = current && HandleAllocated() && Focused();
  if (focused) state.Include(gdFocused);
  // The current cell of a focused grid shows as selected only with goDrawFocusSelected.
  if (selection_.Contains(ACol, ARow) && (!focused || options_.Contains(goDrawFocusSelected)))
    state.Include(gdSelected);
  return state;
}

void TCustomGrid::Paint() {
  TCanvas* canvas = Canvas();
  const TRect client = ClientRect();
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(client);
  for (int r = 0; r < RowCount(); ++r) {
    for (int c = 0; c < ColCount(); ++c) {
      const TRect cell = CellRect(c, r);
      if (cell.left >= client.right || cell.top >= client.bottom) continue;
      const TGridDrawState state = StateOf(c, r);
      DrawCell(c, r, cell, state);
      if (state.Contains(gdFixed)) DrawEdges(canvas, cell);
    }
  }
  DrawLines(canvas);
}

// With Ctl3D and both fixed lines, a fixed cell looks raised.
void TCustomGrid::DrawEdges(TCanvas* Canvas, const TRect& Cell) {
  if (!ctl3D_ || !options_.Contains(goFixedVertLine) || !options_.Contains(goFixedHorzLine)) return;
  TRect edge = Cell;
  win::DrawEdge(Canvas->Handle(), &edge, win::BDR_RAISEDINNER, win::BF_RECT);
}

// Each column's line along its right, each row's along its bottom: black
// where it bounds fixed cells, silver elsewhere.
void TCustomGrid::DrawLines(TCanvas* Canvas) {
  if (gridLineWidth_ == 0) return;
  const TRect fixedCorner = CellRect(fixedCols_, fixedRows_);
  const int width = GridWidth(), height = GridHeight();
  auto fill = [&](TRect r, TColor color) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    Canvas->Brush()->SetColor(color);
    Canvas->FillRect(r);
  };
  for (int c = 0; c < ColCount(); ++c) {
    const TRect cell = CellRect(c, 0);
    const TRect line = Rect(cell.right, 0, cell.right + gridLineWidth_, height);
    const bool fixedColumn = c < fixedCols_;
    if (options_.Contains(goFixedVertLine))
      fill(fixedColumn ? line : Rect(line.left, 0, line.right, fixedCorner.top), kFixedLineColor);
    if (!fixedColumn && options_.Contains(goVertLine))
      fill(Rect(line.left, fixedCorner.top, line.right, height), kLineColor);
  }
  for (int r = 0; r < RowCount(); ++r) {
    const TRect cell = CellRect(0, r);
    const TRect line = Rect(0, cell.bottom, width, cell.bottom + gridLineWidth_);
    const bool fixedRow = r < fixedRows_;
    if (options_.Contains(goFixedHorzLine))
      fill(fixedRow ? line : Rect(0, line.top, fixedCorner.left, line.bottom), kFixedLineColor);
    if (!fixedRow && options_.Contains(goHorzLine))
      fill(Rect(fixedCorner.left, line.top, width, line.bottom), kLineColor);
  }
}

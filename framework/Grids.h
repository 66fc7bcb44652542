// TCustomGrid: a windowed control that shows cells in columns and rows, the
// first FixedCols columns and FixedRows rows fixed (headers, in FixedColor),
// separated by grid lines GridLineWidth wide that lie to the right of and
// below each cell. A subclass draws each cell (DrawCell) and may refuse a
// cell the user or the program moves to (SelectCell). The current cell
// (Col, Row) follows the left mouse button and the arrow, Home, End, Page Up
// and Page Down keys; with goRangeSelect, Shift and dragging stretch the
// selection from the cell where it started. The cells start at the
// top-left corner of the client area; the grid does not scroll them.
#pragma once

#include <vector>

#include "framework/Controls.h"
#include "framework/Sets.h"

enum TGridOption {
  goFixedVertLine,      // lines between the fixed cells
  goFixedHorzLine,
  goVertLine,           // lines between the other cells
  goHorzLine,
  goRangeSelect,        // the selection can span several cells
  goDrawFocusSelected,  // the current cell is drawn selected while the grid has the focus
  goThumbTracking,      // a subclass follows the scroll-bar thumb while it is dragged
};
using TGridOptions = TSet<TGridOption>;

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

// Columns Left to Right and rows Top to Bottom, all included.
struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  bool Contains(int ACol, int ARow) const { return ACol >= Left && ACol <= Right && ARow >= Top && ARow <= Bottom; }
  friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

// Which of the window's scroll bars a control shows.
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// What a single border (bsSingle) adds to each of a control's width and
// height: an edge on both sides, the 3-D edge with Ctl3D, the plain border
// without; nothing for bsNone.
int BorderExtent(TBorderStyle Style, bool Ctl3D);

class TCustomGrid : public TCustomControl {
 public:
  explicit TCustomGrid(TComponent* AOwner);
  ~TCustomGrid() override;

  int ColCount() const { return static_cast<int>(colWidths_.size()); }
  void SetColCount(int Value);
  int RowCount() const { return static_cast<int>(rowHeights_.size()); }
  void SetRowCount(int Value);
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int Value);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int Value);

  // Setting a default size gives it to every column (row).
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int Value);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int Value);
  // An index outside the grid reads 0 and is ignored when set.
  int ColWidths(int Index) const;
  void SetColWidths(int Index, int Value);
  int RowHeights(int Index) const;
  void SetRowHeights(int Index, int Value);

  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int Value);
  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions Value);
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor Value);

  // A border of bsSingle is the 3-D client edge with Ctl3D, a thin line
  // without; changing either re-creates the window.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  virtual void SetBorderStyle(TBorderStyle Value);
  bool Ctl3D() const { return ctl3D_; }
  virtual void SetCtl3D(bool Value);

  // The current cell; moving it asks SelectCell first.
  int Col() const { return col_; }
  void SetCol(int Value) { FocusCell(Value, row_, true); }
  int Row() const { return row_; }
  void SetRow(int Value) { FocusCell(col_, Value, true); }
  TGridRect Selection() const { return selection_; }

  // The cell's rectangle in client coordinates, without its grid lines; an
  // empty rectangle for a cell outside the grid.
  TRect CellRect(int ACol, int ARow) const;
  // The cell under a client point; -1 and -1 where there is none (outside
  // the cells or on a grid line).
  void MouseToCell(int X, int Y, int& ACol, int& ARow) const;

 protected:
  // Draws one cell inside ARect (its lines are the grid's).
  virtual void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) = 0;
  // Whether the current cell may move to (ACol, ARow); the default allows it.
  virtual bool SelectCell(int ACol, int ARow);

  // Asks SelectCell, then makes the cell the current one. MoveAnchor starts
  // a new selection there; otherwise (goRangeSelect) the selection stretches
  // from its anchor to the cell.
  void FocusCell(int ACol, int ARow, bool MoveAnchor);
  // Makes the cell the current one without asking.
  void MoveCurrent(int ACol, int ARow, bool MoveAnchor);
  void InvalidateCell(int ACol, int ARow);
  // The sum of the cells and their lines.
  int GridWidth() const;
  int GridHeight() const;

  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void WMSetFocus(TMessage& Message) override;
  void WMKillFocus(TMessage& Message) override;

 private:
  void Resized();
  bool IsMovable(int ACol, int ARow) const;
  void InvalidateSelection();
  void DrawLines(TCanvas* Canvas);
  void DrawEdges(TCanvas* Canvas, const TRect& Cell);
  TGridDrawState StateOf(int ACol, int ARow);
  int ColumnAt(int X) const;
  int RowAt(int Y) const;

  std::vector<int> colWidths_;
  std::vector<int> rowHeights_;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  int defaultColWidth_ = 64;
  int defaultRowHeight_ = 24;
  int gridLineWidth_ = 1;
  TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  TColor fixedColor_ = clBtnFace;
  TBorderStyle borderStyle_ = bsSingle;
  bool ctl3D_ = true;
  int col_ = 1;
  int row_ = 1;
  int anchorCol_ = 1;
  int anchorRow_ = 1;
  TGridRect selection_{1, 1, 1, 1};
  bool selecting_ = false;  // the left button went down on a cell and is not up yet
};

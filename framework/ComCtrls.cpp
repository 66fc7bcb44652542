#include "framework/ComCtrls.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/Format.h"
#include "framework/SysUtils.h"
#include "platform/DeviceContext.h"
#include "platform/FrameControl.h"
#include "platform/Gdi.h"
#include "platform/Input.h"
#include "platform/ScrollBars.h"
#include "platform/TextDrawing.h"
#include "platform/TextLayout.h"

namespace {

// Space around a text inside its row or cell.
constexpr int kTextMargin = 2;
// Space a column keeps on both sides of its cells.
constexpr int kCellMargin = 6;
// The +/- box is this wide and high (odd, so that the sign has a centre).
constexpr int kButtonSize = 9;
// Rows the wheel moves by one notch.
constexpr int kWheelRows = 3;
// Pixels the list's columns move by a press on an arrow of the horizontal bar.
constexpr int kScrollLinePixels = 16;

template <class Vector>
void CheckIndex(const Vector& items, int index) {
  if (index < 0 || index >= static_cast<int>(items.size())) throw EListError(Format(SListIndexError, {index}));
}

int Clamp(int value, int low, int high) { return std::max(low, std::min(value, high)); }

void DrawTextIn(TCanvas* canvas, const std::string& text, TRect rect, win::UINT flags) {
  win::DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &rect,
                 flags | win::DT_SINGLELINE | win::DT_VCENTER | win::DT_NOPREFIX | win::DT_END_ELLIPSIS);
}

win::UINT AlignmentFlag(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify: return win::DT_RIGHT;
    case taCenter: return win::DT_CENTER;
    default: return win::DT_LEFT;
  }
}

// The number of rows a wheel message asks to scroll, upwards negative.
int WheelRows(const TMessage& message) {
  const auto delta = static_cast<short>(win::HIWORD(static_cast<win::DWORD_PTR>(message.WParam)));
  return -delta * kWheelRows / win::WHEEL_DELTA;
}

// Count rows (or pixels) of which a page shows: the bar shows only while
// they do not all fit.
void SetScrollBar(win::HWND handle, int bar, int count, int page, int position) {
  win::SCROLLINFO info{sizeof(win::SCROLLINFO), win::SIF_RANGE | win::SIF_PAGE | win::SIF_POS,
                       0, std::max(0, count - 1), static_cast<win::UINT>(std::max(0, page)), position, 0};
  win::SetScrollInfo(handle, bar, &info, win::TRUE);
}

// Where a WM_VSCROLL or WM_HSCROLL asks the position to go, by lines and pages.
int ScrollTarget(const TMessage& message, win::HWND handle, int bar, int position, int line, int page) {
  switch (win::LOWORD(static_cast<win::DWORD_PTR>(message.WParam))) {
    case win::SB_LINEUP: return position - line;
    case win::SB_LINEDOWN: return position + line;
    case win::SB_PAGEUP: return position - page;
    case win::SB_PAGEDOWN: return position + page;
    case win::SB_THUMBTRACK:
    case win::SB_THUMBPOSITION: {
      // The message's 16 bits would cut a long list short.
      win::SCROLLINFO info{sizeof(win::SCROLLINFO), win::SIF_TRACKPOS, 0, 0, 0, 0, 0};
      win::GetScrollInfo(handle, bar, &info);
      return info.nTrackPos;
    }
    case win::SB_TOP: return 0;
    case win::SB_BOTTOM: return std::numeric_limits<int>::max();
    default: return position;
  }
}

// Where the wheel or the vertical bar asks a view's top row to go; none for
// other messages.
template <class View>
std::optional<int> TopRowTarget(const TMessage& message, View& view) {
  if (message.Msg == win::WM_MOUSEWHEEL) return view.TopIndex() + WheelRows(message);
  if (message.Msg == win::WM_VSCROLL)
    return ScrollTarget(message, view.Handle(), win::SB_VERT, view.TopIndex(), 1, std::max(1, view.VisibleRowCount()));
  return std::nullopt;
}

}  // namespace

// ---- TTextMeasurer ----------------------------------------------------------------

TTextMeasurer::TTextMeasurer() : dc_(win::CreateCompatibleDC(nullptr)), canvas_(std::make_unique<TCanvas>()) {
  canvas_->SetHandle(dc_);
}

TTextMeasurer::~TTextMeasurer() {
  canvas_->SetHandle(nullptr);
  win::DeleteDC(dc_);
}

int TTextMeasurer::Width(TFont* Font, const std::string& Text) {
  canvas_->SetFont(Font);
  return canvas_->TextWidth(Text);
}

int TTextMeasurer::Height(TFont* Font) {
  canvas_->SetFont(Font);
  return canvas_->TextHeight("Wg");
}

// ---- TTreeNode --------------------------------------------------------------------

TTreeNode::TTreeNode(TTreeNodes* Owner, TTreeNode* Parent, std::string Text)
    : owner_(Owner), parent_(Parent), text_(std::move(Text)) {}

TCustomTreeView* TTreeNode::TreeView() const { return owner_->Owner(); }

void TTreeNode::SetText(const std::string& Value) {
  if (Value == text_) return;
  text_ = Value;
  if (parent_) TreeView()->SortChildren(parent_);
  TreeView()->NodesChanged();
}

void TTreeNode::SetHasChildren(bool Value) {
  if (Value == hasChildren_) return;
  hasChildren_ = Value;
  TreeView()->NodesChanged();
}

void TTreeNode::SetExpanded(bool Value) {
  if (Value)
    Expand(false);
  else
    Collapse(false);
}

void TTreeNode::Expand(bool Recurse) {
  if (!expanded_ && HasChildren()) {
    TCustomTreeView* view = TreeView();
    if (!view->CanExpand(this)) return;
    if (children_.empty()) {
      // Asked and still empty: nothing to show, so no button either.
      hasChildren_ = false;
    } else {
      expanded_ = true;
      if (view->OnExpanded) view->OnExpanded(view, this);
    }
    view->NodesChanged();
  }
  if (!Recurse) return;
  for (auto& child : children_) child->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
  if (expanded_) {
    TCustomTreeView* view = TreeView();
    if (!view->CanCollapse(this)) return;
    expanded_ = false;
    // A selection inside the collapsed part moves up to the node.
    for (TTreeNode* node = view->Selected(); node; node = node->parent_) {
      if (node->parent_ == this) {
        view->SetSelected(this);
        break;
      }
    }
    if (view->OnCollapsed) view->OnCollapsed(view, this);
    view->NodesChanged();
  }
  if (!Recurse) return;
  for (auto& child : children_) child->Collapse(true);
}

bool TTreeNode::Selected() const { return TreeView()->Selected() == this; }

TTreeNode* TTreeNode::Item(int Index) const {
  CheckIndex(children_, Index);
  return children_[Index].get();
}

TTreeNode* TTreeNode::GetNextSibling() const {
  if (!parent_) return nullptr;
  const int next = Index() + 1;
  return next < parent_->Count() ? parent_->children_[next].get() : nullptr;
}

int TTreeNode::Index() const {
  if (!parent_) return -1;
  const auto& siblings = parent_->children_;
  for (size_t i = 0; i < siblings.size(); ++i)
    if (siblings[i].get() == this) return static_cast<int>(i);
  return -1;
}

int TTreeNode::Level() const {
  int level = -1;
  for (const TTreeNode* node = parent_; node; node = node->parent_) ++level;
  return level;
}

void TTreeNode::DeleteChildren() {
  if (children_.empty()) return;
  TCustomTreeView* view = TreeView();
  for (auto& child : children_) view->NodeDeleting(child.get());
  children_.clear();
  expanded_ = false;
  view->NodesChanged();
}

void TTreeNode::Delete() {
  TCustomTreeView* view = TreeView();
  view->NodeDeleting(this);
  auto& siblings = parent_->children_;
  std::unique_ptr<TTreeNode> self;
  for (auto& sibling : siblings)
    if (sibling.get() == this) self = std::move(sibling);
  std::erase(siblings, nullptr);
  view->NodesChanged();
}

void TTreeNode::AlphaSort() {
  CustomSort([](TTreeNode* a, TTreeNode* b) { return AnsiCompareText(a->Text(), b->Text()); });
}

void TTreeNode::CustomSort(const TTVCompare& Compare) {
  std::stable_sort(children_.begin(), children_.end(),
                   [&](const auto& a, const auto& b) { return Compare(a.get(), b.get()) < 0; });
  TreeView()->NodesChanged();
}

// ---- TTreeNodes -------------------------------------------------------------------

TTreeNodes::TTreeNodes(TCustomTreeView* Owner)
    : owner_(Owner), root_(std::make_unique<TTreeNode>(this, nullptr, std::string())) {}

TTreeNodes::~TTreeNodes() = default;

TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& Text) {
  TTreeNode* parent = Parent ? Parent : root_.get();
  parent->children_.push_back(std::make_unique<TTreeNode>(this, parent, Text));
  TTreeNode* node = parent->children_.back().get();
  ++count_;
  owner_->SortChildren(parent);
  owner_->NodesChanged();
  return node;
}

void TTreeNodes::Clear() {
  for (auto& node : root_->children_) owner_->NodeDeleting(node.get());
  root_->children_.clear();
  count_ = 0;
  owner_->NodesChanged();
}

void TTreeNodes::BeginUpdate() { ++updateCount_; }

void TTreeNodes::EndUpdate() {
  if (updateCount_ == 0 || --updateCount_ > 0) return;
  owner_->NodesChanged();
}

// ---- TCustomTreeView --------------------------------------------------------------

TCustomTreeView::TCustomTreeView(TComponent* AOwner)
    : TCustomControl(AOwner), items_(std::make_unique<TTreeNodes>(this)) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  SetColor(clWindow);
  SetParentColor(false);
  SetTabStop(true);
  SetBounds(Left(), Top(), 121, 97);
}

TCustomTreeView::~TCustomTreeView() = default;

void TCustomTreeView::SetSelected(TTreeNode* Value) {
  if (Value == selected_) {
    if (Value) MakeVisible(Value);
    return;
  }
  selected_ = Value;
  if (Value) MakeVisible(Value);
  Invalidate();
  if (OnChange) OnChange(this, Value);
}

void TCustomTreeView::SetShowLines(bool Value) {
  showLines_ = Value;
  Invalidate();
}

void TCustomTreeView::SetShowButtons(bool Value) {
  showButtons_ = Value;
  Invalidate();
}

void TCustomTreeView::SetShowRoot(bool Value) {
  showRoot_ = Value;
  Invalidate();
}

void TCustomTreeView::SetHideSelection(bool Value) {
  hideSelection_ = Value;
  Invalidate();
}

void TCustomTreeView::SetIndent(int Value) {
  indent_ = std::max(Value, kButtonSize + 2);
  Invalidate();
}

void TCustomTreeView::SetSortType(TSortType Value) {
  if (Value == sortType_) return;
  sortType_ = Value;
  if (sortType_ == stText || sortType_ == stBoth) AlphaSort();
}

int TCustomTreeView::Compare(TTreeNode* Node1, TTreeNode* Node2) {
  int result = AnsiCompareText(Node1->Text(), Node2->Text());
  if (OnCompare) OnCompare(this, Node1, Node2, 0, result);
  return result;
}

void TCustomTreeView::AlphaSort() {
  CustomSort([this](TTreeNode* a, TTreeNode* b) { return Compare(a, b); });
}

// Every level, depth first.
void TCustomTreeView::CustomSort(const TTVCompare& Compare) {
  std::vector<TTreeNode*> pending{items_->root_.get()};
  while (!pending.empty()) {
    TTreeNode* node = pending.back();
    pending.pop_back();
    node->CustomSort(Compare);
    for (auto& child : node->children_) pending.push_back(child.get());
  }
}

void TCustomTreeView::SortChildren(TTreeNode* Node) {
  if (sortType_ != stText && sortType_ != stBoth) return;
  Node->CustomSort([this](TTreeNode* a, TTreeNode* b) { return Compare(a, b); });
}

bool TCustomTreeView::CanExpand(TTreeNode* Node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(this, Node, allow);
  return allow;
}

bool TCustomTreeView::CanCollapse(TTreeNode* Node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, Node, allow);
  return allow;
}

void TCustomTreeView::NodeDeleting(TTreeNode* Node) {
  for (TTreeNode* node = selected_; node; node = node->parent_) {
    if (node == Node) {
      selected_ = nullptr;
      break;
    }
  }
  std::vector<TTreeNode*> pending{Node};
  while (!pending.empty()) {
    TTreeNode* node = pending.back();
    pending.pop_back();
    --items_->count_;
    for (auto& child : node->children_) pending.push_back(child.get());
  }
}

void TCustomTreeView::NodesChanged() {
  if (items_->Updating()) return;
  SetTopIndex(topIndex_);
  Invalidate();
}

std::vector<TTreeNode*> TCustomTreeView::Rows() const {
  std::vector<TTreeNode*> rows;
  std::vector<TTreeNode*> pending;
  const auto& top = items_->root_->children_;
  for (auto it = top.rbegin(); it != top.rend(); ++it) pending.push_back(it->get());
  while (!pending.empty()) {
    TTreeNode* node = pending.back();
    pending.pop_back();
    rows.push_back(node);
    if (!node->expanded_) continue;
    for (auto it = node->children_.rbegin(); it != node->children_.rend(); ++it) pending.push_back(it->get());
  }
  return rows;
}

int TCustomTreeView::RowHeight() {
  return std::max(measurer_.Height(Font()) + kTextMargin, kButtonSize + 4);
}

// The sunken border lies outside the client area, around the scroll bar too.
void TCustomTreeView::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ExStyle |= win::WS_EX_CLIENTEDGE;
}

void TCustomTreeView::CreateWnd() {
  TCustomControl::CreateWnd();
  SetTopIndex(topIndex_);
}

int TCustomTreeView::VisibleRowCount() { return std::max(0, ClientHeight() / RowHeight()); }

void TCustomTreeView::SetTopIndex(int Value) {
  const int rows = static_cast<int>(Rows().size());
  const int top = Clamp(Value, 0, std::max(0, rows - std::max(1, VisibleRowCount())));
  if (top != topIndex_) {
    topIndex_ = top;
    Invalidate();
  }
  UpdateScrollBar(rows);
}

void TCustomTreeView::UpdateScrollBar(int RowCount) {
  if (HandleAllocated() && !items_->Updating())
    SetScrollBar(Handle(), win::SB_VERT, RowCount, VisibleRowCount(), topIndex_);
}

void TCustomTreeView::MakeVisible(TTreeNode* Node) {
  for (TTreeNode* parent = Node->parent_; parent && parent != items_->root_.get(); parent = parent->parent_)
    if (!parent->expanded_) parent->Expand(false);
  const std::vector<TTreeNode*> rows = Rows();
  const auto found = std::find(rows.begin(), rows.end(), Node);
  if (found == rows.end()) return;
  const int row = static_cast<int>(found - rows.begin());
  const int visible = std::max(1, VisibleRowCount());
  if (row < topIndex_)
    SetTopIndex(row);
  else if (row >= topIndex_ + visible)
    SetTopIndex(row - visible + 1);
}

TTreeNode* TCustomTreeView::GetNodeAt(int X, int Y) {
  const TRect client = ClientRect();
  if (X < 0 || X >= client.right || Y < 0 || Y >= client.bottom) return nullptr;
  const int row = topIndex_ + Y / RowHeight();
  const std::vector<TTreeNode*> rows = Rows();
  return row < static_cast<int>(rows.size()) ? rows[row] : nullptr;
}

int TCustomTreeView::ButtonCentre(TTreeNode* Node) const {
  const int column = Node->Level() + (showRoot_ ? 1 : 0);
  return column * indent_ - indent_ / 2 - 1;
}

int TCustomTreeView::TextLeft(TTreeNode* Node) const {
  const int column = Node->Level() + (showRoot_ ? 1 : 0);
  return column * indent_ + kTextMargin;
}

void TCustomTreeView::DottedLine(int X1, int Y1, int X2, int Y2) {
  TCanvas* canvas = Canvas();
  for (int x = X1; x <= X2; ++x)
    for (int y = Y1; y <= Y2; ++y)
      if ((x + y) % 2 == 0) canvas->SetPixels(x, y, clGray);
}

// The line to the parent's column, and the lines of the ancestors whose
// later siblings still come below.
void TCustomTreeView::PaintLines(TTreeNode* Node, int Y, int Height) {
  const int middle = Y + Height / 2;
  const int centre = ButtonCentre(Node);
  const bool first = Node->Index() == 0 && !Node->parent_->parent_;
  const bool last = !Node->GetNextSibling();
  if (centre >= 0 || Node->Level() > 0) {
    DottedLine(centre, first ? middle : Y, centre, last ? middle : Y + Height - 1);
    DottedLine(centre, middle, centre + indent_ / 2, middle);
  }
  for (TTreeNode* ancestor = Node->parent_; ancestor && ancestor->parent_; ancestor = ancestor->parent_) {
    if (!ancestor->GetNextSibling()) continue;
    const int x = ButtonCentre(ancestor);
    if (x >= 0) DottedLine(x, Y, x, Y + Height - 1);
  }
}

void TCustomTreeView::PaintButton(TTreeNode* Node, int Y, int Height) {
  const int centre = ButtonCentre(Node);
  if (centre < 0) return;
  const int half = kButtonSize / 2;
  const int middle = Y + Height / 2;
  TCanvas* canvas = Canvas();
  const TRect box = Rect(centre - half, middle - half, centre + half + 1, middle + half + 1);
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(box);
  canvas->Brush()->SetColor(clGray);
  canvas->FrameRect(box);
  canvas->Brush()->SetColor(clWindowText);
  canvas->FillRect(Rect(centre - half + 2, middle, centre + half - 1, middle + 1));
  if (!Node->expanded_) canvas->FillRect(Rect(centre, middle - half + 2, centre + 1, middle + half - 1));
}

void TCustomTreeView::PaintRow(TTreeNode* Node, int Y, int Height) {
  if (showLines_) PaintLines(Node, Y, Height);
  if (showButtons_ && Node->HasChildren()) PaintButton(Node, Y, Height);
  TCanvas* canvas = Canvas();
  const int left = TextLeft(Node);
  const int width = canvas->TextWidth(Node->text_) + 2 * kTextMargin;
  const TRect cell = Rect(left, Y, left + width, Y + Height);
  const bool highlighted = Node == selected_ && (Focused() || !hideSelection_);
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(highlighted ? (Focused() ? clHighlight : clBtnFace) : Color());
  canvas->FillRect(cell);
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->SetColor(highlighted && Focused() ? clHighlightText : Font()->Color());
  DrawTextIn(canvas, Node->text_, Rect(left + kTextMargin, Y, left + width, Y + Height), win::DT_LEFT);
  canvas->Font()->SetColor(Font()->Color());
  canvas->Brush()->SetStyle(bsSolid);
}

void TCustomTreeView::Paint() {
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  const TRect client = ClientRect();
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(client);
  const int height = RowHeight();
  const std::vector<TTreeNode*> rows = Rows();
  for (int row = topIndex_, y = 0; row < static_cast<int>(rows.size()) && y < client.bottom; ++row, y += height)
    PaintRow(rows[row], y, height);
}

void TCustomTreeView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (CanFocus() && !Focused()) SetFocus();
  TTreeNode* node = GetNodeAt(X, Y);
  if (node && Button == mbLeft && !Shift.Contains(ssDouble)) {
    const int centre = ButtonCentre(node);
    const bool onButton = showButtons_ && node->HasChildren() && std::abs(X - centre) <= kButtonSize / 2 + 1;
    if (onButton)
      node->SetExpanded(!node->expanded_);
    else if (X >= TextLeft(node))
      SetSelected(node);
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomTreeView::DblClick() {
  if (selected_) selected_->SetExpanded(!selected_->expanded_);
  TCustomControl::DblClick();
}

void TCustomTreeView::MoveSelection(int Rows) {
  const std::vector<TTreeNode*> rows = this->Rows();
  if (rows.empty()) return;
  const auto found = std::find(rows.begin(), rows.end(), selected_);
  const int current = found == rows.end() ? (Rows > 0 ? -1 : static_cast<int>(rows.size())) : found - rows.begin();
  SetSelected(rows[Clamp(current + Rows, 0, static_cast<int>(rows.size()) - 1)]);
}

void TCustomTreeView::KeyDown(win::WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  const int page = std::max(1, VisibleRowCount() - 1);
  const int all = items_->Count() + 1;
  switch (Key) {
    case win::VK_UP: MoveSelection(-1); break;
    case win::VK_DOWN: MoveSelection(1); break;
    case win::VK_PRIOR: MoveSelection(-page); break;
    case win::VK_NEXT: MoveSelection(page); break;
    case win::VK_HOME: MoveSelection(-all); break;
    case win::VK_END: MoveSelection(all); break;
    case win::VK_LEFT:
      if (!selected_) break;
      if (selected_->expanded_)
        selected_->Collapse(false);
      else if (selected_->parent_ != items_->root_.get())
        SetSelected(selected_->parent_);
      break;
    case win::VK_RIGHT:
      if (!selected_) break;
      if (!selected_->expanded_)
        selected_->Expand(false);
      else if (TTreeNode* child = selected_->GetFirstChild())
        SetSelected(child);
      break;
    case win::VK_ADD:
      if (selected_) selected_->Expand(false);
      break;
    case win::VK_SUBTRACT:
      if (selected_) selected_->Collapse(false);
      break;
    case win::VK_RETURN: Click(); break;
    default: return;
  }
  Key = 0;
}

void TCustomTreeView::Dispatch(TMessage& Message) {
  if (const std::optional<int> top = TopRowTarget(Message, *this)) {
    SetTopIndex(*top);
    return;
  }
  switch (Message.Msg) {
    // The rows that fit changed.
    case win::WM_SIZE:
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      SetTopIndex(topIndex_);
      break;
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS:
      TCustomControl::Dispatch(Message);
      Invalidate();
      break;
    default: TCustomControl::Dispatch(Message); break;
  }
}

// ---- TListColumn and TListColumns ------------------------------------------------

void TListColumn::SetCaption(const std::string& Value) {
  caption_ = Value;
  owner_->Changed();
}

void TListColumn::SetAlignment(TAlignment Value) {
  alignment_ = Value;
  owner_->Changed();
}

void TListColumn::SetWidth(int Value) {
  width_ = Value;
  owner_->Changed();
}

int TListColumn::DisplayWidth() {
  if (width_ >= 0) return width_;
  if (measured_ >= 0) return measured_;
  const TListColumns* columns = owner_->Columns();
  int index = 0;
  while (columns->Items(index) != this) ++index;
  int widest = width_ == ColumnHeaderWidth ? owner_->CellWidth(caption_) : 0;
  for (const auto& item : owner_->Items()->items_) {
    if (index == 0)
      widest = std::max(widest, owner_->CellWidth(item->Caption()));
    else if (index - 1 < static_cast<int>(item->SubItems().size()))
      widest = std::max(widest, owner_->CellWidth(item->SubItems()[index - 1]));
  }
  measured_ = widest;
  return widest;
}

TListColumn* TListColumns::Add() {
  columns_.push_back(std::make_unique<TListColumn>(owner_));
  owner_->Changed();
  return columns_.back().get();
}

void TListColumns::Clear() {
  columns_.clear();
  owner_->Changed();
}

TListColumn* TListColumns::Items(int Index) const {
  CheckIndex(columns_, Index);
  return columns_[Index].get();
}

// ---- TListItem and TListItems --------------------------------------------------------

void TListItem::SetCaption(const std::string& Value) {
  const std::string old = std::move(caption_);
  caption_ = Value;
  owner_->CellChanged(0, &old, caption_);
  owner_->ItemChanged(true);
}

void TListItem::AddSubItem(const std::string& Value) {
  subItems_.push_back(Value);
  owner_->CellChanged(static_cast<int>(subItems_.size()), nullptr, Value);
  owner_->RowsChanged();
}

void TListItem::SetData(intptr_t Value) {
  data_ = Value;
  owner_->ItemChanged(false);
}

void TListItem::SetSelected(bool Value) {
  if (Value == selected_) return;
  if (Value && !owner_->MultiSelect()) {
    for (auto& item : owner_->Items()->items_) item->selected_ = false;
  }
  selected_ = Value;
  owner_->SelectionChanged();
}

int TListItem::Index() const { return owner_->Items()->IndexOf(this); }

TListItem* TListItems::Add() {
  items_.push_back(std::make_unique<TListItem>(owner_));
  owner_->CellChanged(0, nullptr, items_.back()->Caption());
  owner_->RowsChanged();
  return items_.back().get();
}

void TListItems::Clear() {
  for (auto& item : items_) owner_->ItemDeleting(item.get());
  items_.clear();
  owner_->Changed();
}

TListItem* TListItems::Item(int Index) const {
  CheckIndex(items_, Index);
  return items_[Index].get();
}

int TListItems::IndexOf(const TListItem* Item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == Item) return static_cast<int>(i);
  return -1;
}

void TListItems::BeginUpdate() { ++updateCount_; }

void TListItems::EndUpdate() {
  if (updateCount_ == 0 || --updateCount_ > 0) return;
  owner_->UpdateEnded();
}

// ---- TCustomListView ----------------------------------------------------------------

TCustomListView::TCustomListView(TComponent* AOwner)
    : TCustomControl(AOwner),
      columns_(std::make_unique<TListColumns>(this)),
      items_(std::make_unique<TListItems>(this)) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  SetColor(clWindow);
  SetParentColor(false);
  SetTabStop(true);
  SetBounds(Left(), Top(), 250, 150);
}

TCustomListView::~TCustomListView() = default;

void TCustomListView::SetViewStyle(TViewStyle Value) {
  viewStyle_ = Value;
  Changed();
}

void TCustomListView::SetMultiSelect(bool Value) {
  multiSelect_ = Value;
  if (!Value && SelCount() > 1) SelectOnly(Selected());
}

void TCustomListView::SetColumnClick(bool Value) { columnClick_ = Value; }

void TCustomListView::SetShowColumnHeaders(bool Value) {
  showColumnHeaders_ = Value;
  Changed();
}

void TCustomListView::SetHideSelection(bool Value) {
  hideSelection_ = Value;
  Changed();
}

void TCustomListView::SetSortType(TSortType Value) {
  sortType_ = Value;
  if (sortType_ != stNone) AlphaSort();
}

void TCustomListView::Changed() {
  if (items_->Updating()) return;
  for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->measured_ = -1;
  RowsChanged();
}

void TCustomListView::RowsChanged() {
  if (items_->Updating()) return;
  SetTopIndex(topIndex_);
  Invalidate();
}

// Items added one by one would otherwise have every cell measured again for
// each of them.
void TCustomListView::CellChanged(int Column, const std::string* Old, const std::string& Text) {
  if (Column >= columns_->Count()) return;
  TListColumn* column = columns_->Items(Column);
  if (column->measured_ < 0) return;
  const int width = CellWidth(Text);
  if (Old && width < column->measured_ && CellWidth(*Old) >= column->measured_)
    column->measured_ = -1;
  else
    column->measured_ = std::max(column->measured_, width);
}

void TCustomListView::SelectionChanged() {
  if (!items_->Updating()) Invalidate();
}

void TCustomListView::ItemChanged(bool CaptionChanged) {
  const bool sorts = sortType_ == stBoth || (CaptionChanged ? sortType_ == stText : sortType_ == stData);
  if (!sorts) {
    RowsChanged();
  } else if (items_->Updating()) {
    sortPending_ = true;
  } else {
    AlphaSort();
  }
}

void TCustomListView::UpdateEnded() {
  if (sortPending_) {
    sortPending_ = false;
    AlphaSort();
  }
  Changed();
}

void TCustomListView::ItemDeleting(TListItem* Item) {
  if (Item == focused_) focused_ = nullptr;
  anchor_ = -1;
}

int TCustomListView::Compare(TListItem* Item1, TListItem* Item2) {
  int result = 0;
  if (OnCompare) {
    OnCompare(this, Item1, Item2, 0, result);
    return result;
  }
  if (sortType_ != stData) result = AnsiCompareText(Item1->Caption(), Item2->Caption());
  if (result == 0 && (sortType_ == stData || sortType_ == stBoth))
    result = Item1->Data() < Item2->Data() ? -1 : Item1->Data() > Item2->Data() ? 1 : 0;
  return result;
}

void TCustomListView::AlphaSort() {
  CustomSort([this](TListItem* a, TListItem* b) { return Compare(a, b); });
}

void TCustomListView::CustomSort(const TLVCompare& Compare) {
  if (items_->Updating()) {
    sortPending_ = true;
    return;
  }
  std::stable_sort(items_->items_.begin(), items_->items_.end(),
                   [&](const auto& a, const auto& b) { return Compare(a.get(), b.get()) < 0; });
  anchor_ = -1;
  RowsChanged();
}

TListItem* TCustomListView::Selected() const {
  for (auto& item : items_->items_)
    if (item->Selected()) return item.get();
  return nullptr;
}

void TCustomListView::SetSelected(TListItem* Item) { SelectOnly(Item); }

int TCustomListView::SelCount() const {
  return static_cast<int>(std::count_if(items_->items_.begin(), items_->items_.end(),
                                        [](const auto& item) { return item->Selected(); }));
}

void TCustomListView::SetItemFocused(TListItem* Item) {
  focused_ = Item;
  if (Item) MakeVisible(Item);
  SelectionChanged();
}

void TCustomListView::SelectOnly(TListItem* Item) {
  for (auto& item : items_->items_) item->selected_ = item.get() == Item;
  anchor_ = Item ? Item->Index() : -1;
  SetItemFocused(Item);
}

TListItem* TCustomListView::FindCaption(int StartIndex, const std::string& Value, bool Partial, bool Inclusive,
                                        bool Wrap) const {
  const int count = items_->Count();
  const auto matches = [&](int index) {
    const std::string& caption = items_->items_[index]->Caption();
    return Partial ? caption.compare(0, Value.size(), Value) == 0 : caption == Value;
  };
  const int first = std::max(0, Inclusive ? StartIndex : StartIndex + 1);
  for (int i = first; i < count; ++i)
    if (matches(i)) return items_->items_[i].get();
  if (!Wrap) return nullptr;
  for (int i = 0; i < std::min(first, count); ++i)
    if (matches(i)) return items_->items_[i].get();
  return nullptr;
}

int TCustomListView::RowHeight() { return measurer_.Height(Font()) + kTextMargin; }

int TCustomListView::HeaderHeight() { return showColumnHeaders_ ? RowHeight() + 4 : 0; }

int TCustomListView::CellWidth(const std::string& Text) { return measurer_.Width(Font(), Text) + 2 * kCellMargin; }

int TCustomListView::ColumnsWidth() {
  int width = 0;
  for (int i = 0; i < columns_->Count(); ++i) width += columns_->Items(i)->DisplayWidth();
  return width;
}

// The sunken border lies outside the client area, around the scroll bars too.
void TCustomListView::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ExStyle |= win::WS_EX_CLIENTEDGE;
}

void TCustomListView::CreateWnd() {
  TCustomControl::CreateWnd();
  ScrollTo(topIndex_, leftOffset_);
}

int TCustomListView::VisibleRowCount() { return std::max(0, (ClientHeight() - HeaderHeight()) / RowHeight()); }

void TCustomListView::SetTopIndex(int Value) { ScrollTo(Value, leftOffset_); }

void TCustomListView::SetLeftOffset(int Value) { ScrollTo(topIndex_, Value); }

void TCustomListView::ScrollTo(int Top, int Left) {
  const int top = Clamp(Top, 0, std::max(0, items_->Count() - std::max(1, VisibleRowCount())));
  // The sized columns are measured only when the view is scrolled sideways.
  const int left = Left > 0 ? Clamp(Left, 0, std::max(0, ColumnsWidth() - ClientWidth())) : 0;
  if (top != topIndex_ || left != leftOffset_) {
    topIndex_ = top;
    leftOffset_ = left;
    Invalidate();
  }
  UpdateScrollBars();
}

// Showing one bar narrows the room for the other: the WM_SIZE it brings sets
// both again.
void TCustomListView::UpdateScrollBars() {
  if (!HandleAllocated() || items_->Updating()) return;
  SetScrollBar(Handle(), win::SB_VERT, items_->Count(), VisibleRowCount(), topIndex_);
  SetScrollBar(Handle(), win::SB_HORZ, ColumnsWidth(), ClientWidth(), leftOffset_);
}

void TCustomListView::MakeVisible(TListItem* Item) {
  const int index = Item->Index();
  const int visible = std::max(1, VisibleRowCount());
  if (index < topIndex_)
    SetTopIndex(index);
  else if (index >= topIndex_ + visible)
    SetTopIndex(index - visible + 1);
}

TListItem* TCustomListView::GetItemAt(int X, int Y) {
  const TRect client = ClientRect();
  const int top = HeaderHeight();
  if (X < 0 || X >= client.right || Y < top || Y >= client.bottom) return nullptr;
  const int index = topIndex_ + (Y - top) / RowHeight();
  return index < items_->Count() ? items_->items_[index].get() : nullptr;
}

TListColumn* TCustomListView::ColumnAt(int X, int Y) {
  if (X < 0 || X >= ClientWidth() || Y < 0 || Y >= HeaderHeight()) return nullptr;
  int left = -leftOffset_;
  for (int i = 0; i < columns_->Count(); ++i) {
    TListColumn* column = columns_->Items(i);
    const int right = left + column->DisplayWidth();
    if (X >= left && X < right) return column;
    left = right;
  }
  return nullptr;
}

void TCustomListView::PaintHeader(const TRect& Area) {
  TCanvas* canvas = Canvas();
  int left = Area.left;
  for (int i = 0; i < columns_->Count(); ++i) {
    TListColumn* column = columns_->Items(i);
    // The last column's button runs to the right edge, as the header's does.
    const int right = i + 1 == columns_->Count() ? std::max(Area.right, left + column->DisplayWidth())
                                                 : left + column->DisplayWidth();
    TRect button = Rect(left, Area.top, right, Area.bottom);
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(button);
    win::DrawEdge(canvas->Handle(), &button, win::EDGE_RAISED, win::BF_RECT);
    canvas->Font()->SetColor(clBtnText);
    DrawTextIn(canvas, column->Caption(),
               Rect(left + kCellMargin, Area.top, left + column->DisplayWidth() - kCellMargin, Area.bottom),
               AlignmentFlag(column->Alignment()));
    left = right;
  }
  if (left < Area.right) {
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(Rect(left, Area.top, Area.right, Area.bottom));
  }
  canvas->Font()->SetColor(Font()->Color());
}

void TCustomListView::PaintRow(TListItem* Item, const TRect& Row) {
  TCanvas* canvas = Canvas();
  const bool highlighted = Item->Selected() && (Focused() || !hideSelection_);
  const TColor text = highlighted && Focused() ? clHighlightText : Font()->Color();
  int left = Row.left;
  for (int i = 0; i < std::max(1, columns_->Count()); ++i) {
    TListColumn* column = columns_->Count() ? columns_->Items(i) : nullptr;
    const int width = column ? column->DisplayWidth() : Row.right - Row.left;
    const std::string* cell = nullptr;
    if (i == 0)
      cell = &Item->Caption();
    else if (i - 1 < static_cast<int>(Item->SubItems().size()))
      cell = &Item->SubItems()[i - 1];
    // The whole row is highlighted, as a report with full-row selection is.
    if (highlighted) {
      canvas->Brush()->SetColor(Focused() ? clHighlight : clBtnFace);
      canvas->FillRect(Rect(left, Row.top, left + width, Row.bottom));
    }
    if (cell) {
      canvas->Brush()->SetStyle(bsClear);
      canvas->Font()->SetColor(text);
      DrawTextIn(canvas, *cell, Rect(left + kCellMargin, Row.top, left + width - kCellMargin, Row.bottom),
                 AlignmentFlag(column ? column->Alignment() : taLeftJustify));
      canvas->Brush()->SetStyle(bsSolid);
    }
    left += width;
  }
  if (Item == focused_ && Focused()) {
    canvas->Brush()->SetColor(clGray);
    canvas->FrameRect(Rect(Row.left, Row.top, left, Row.bottom));
  }
  canvas->Font()->SetColor(Font()->Color());
}

void TCustomListView::Paint() {
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  const TRect client = ClientRect();
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(client);
  // The header and the rows start left of the client area when scrolled sideways.
  const int left = -leftOffset_;
  const int header = HeaderHeight();
  if (header) PaintHeader(Rect(left, 0, client.right, header));
  const int height = RowHeight();
  for (int index = topIndex_, y = header; index < items_->Count() && y < client.bottom; ++index, y += height)
    PaintRow(items_->items_[index].get(), Rect(left, y, client.right, y + height));
}

void TCustomListView::SelectRange(int From, int To) {
  const int low = std::min(From, To);
  const int high = std::max(From, To);
  for (int i = 0; i < items_->Count(); ++i) items_->items_[i]->selected_ = i >= low && i <= high;
}

void TCustomListView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (CanFocus() && !Focused()) SetFocus();
  if (Button == mbLeft && !Shift.Contains(ssDouble)) {
    if (TListColumn* column = ColumnAt(X, Y)) {
      if (columnClick_) ColumnClicked(column);
    } else if (TListItem* item = GetItemAt(X, Y)) {
      if (multiSelect_ && Shift.Contains(ssShift) && anchor_ >= 0) {
        SelectRange(anchor_, item->Index());
        focused_ = item;
        SelectionChanged();
      } else if (multiSelect_ && Shift.Contains(ssCtrl)) {
        item->selected_ = !item->selected_;
        anchor_ = item->Index();
        SetItemFocused(item);
      } else {
        SelectOnly(item);
      }
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomListView::ColumnClicked(TListColumn* Column) {
  if (OnColumnClick) OnColumnClick(this, Column);
}

void TCustomListView::MoveFocus(int Rows, TShiftState Shift) {
  const int count = items_->Count();
  if (count == 0) return;
  const int current = focused_ ? focused_->Index() : (Rows > 0 ? -1 : count);
  TListItem* target = items_->items_[Clamp(current + Rows, 0, count - 1)].get();
  if (multiSelect_ && Shift.Contains(ssShift) && anchor_ >= 0) {
    SelectRange(anchor_, target->Index());
    SetItemFocused(target);
  } else {
    SelectOnly(target);
  }
}

void TCustomListView::KeyDown(win::WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  const int page = std::max(1, VisibleRowCount() - 1);
  const int all = items_->Count();
  switch (Key) {
    case win::VK_UP: MoveFocus(-1, Shift); break;
    case win::VK_DOWN: MoveFocus(1, Shift); break;
    case win::VK_PRIOR: MoveFocus(-page, Shift); break;
    case win::VK_NEXT: MoveFocus(page, Shift); break;
    case win::VK_HOME: MoveFocus(-all, Shift); break;
    case win::VK_END: MoveFocus(all, Shift); break;
    case win::VK_RETURN: DblClick(); break;
    case win::VK_LEFT: SetLeftOffset(leftOffset_ - kScrollLinePixels); break;
    case win::VK_RIGHT: SetLeftOffset(leftOffset_ + kScrollLinePixels); break;
    default: return;
  }
  Key = 0;
}

void TCustomListView::Dispatch(TMessage& Message) {
  if (const std::optional<int> top = TopRowTarget(Message, *this)) {
    SetTopIndex(*top);
    return;
  }
  switch (Message.Msg) {
    case win::WM_HSCROLL:
      SetLeftOffset(
          ScrollTarget(Message, Handle(), win::SB_HORZ, leftOffset_, kScrollLinePixels, std::max(1, ClientWidth())));
      break;
    // The rows and columns that fit changed.
    case win::WM_SIZE:
      TCustomControl::Dispatch(Message);
      ScrollTo(topIndex_, leftOffset_);
      break;
    // The rows and the sized columns change size.
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      Changed();
      break;
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS:
      TCustomControl::Dispatch(Message);
      Invalidate();
      break;
    default: TCustomControl::Dispatch(Message); break;
  }
}

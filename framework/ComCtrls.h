// The common controls that the framework draws itself: the tree view (nodes
// that expand and collapse, filled lazily when asked) and the list view in
// its report style (a header of columns over rows of a caption and
// sub-items). Both keep their items in memory, paint only the rows that show
// and scroll by whole rows, with a vertical scroll bar while the rows do not
// all fit; the list view also scrolls its columns sideways, by pixels, with a
// horizontal bar while they are wider than the view.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/StdCtrls.h"

// How a view sorts itself: stText by captions, stData by data values,
// stBoth by either; with a compare event that event decides.
enum TSortType { stNone, stData, stText, stBoth };

class TCustomTreeView;
class TTreeNodes;

// Measures texts in a font outside painting, on a device context of the
// display's kind (a view may have to measure before it has a window).
class TTextMeasurer {
 public:
  TTextMeasurer();
  ~TTextMeasurer();
  TTextMeasurer(const TTextMeasurer&) = delete;
  TTextMeasurer& operator=(const TTextMeasurer&) = delete;

  int Width(TFont* Font, const std::string& Text);
  int Height(TFont* Font);

 private:
  win::HDC dc_;
  std::unique_ptr<TCanvas> canvas_;
};

// ---- Tree view ------------------------------------------------------------------

class TTreeNode;
// Negative when Node1 comes first.
using TTVCompare = std::function<int(TTreeNode* Node1, TTreeNode* Node2)>;

// A node: its text, its children (owned) and whether it shows a button
// before they are known (HasChildren).
class TTreeNode {
 public:
  TTreeNode(TTreeNodes* Owner, TTreeNode* Parent, std::string Text);
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;

  const std::string& Text() const { return text_; }
  void SetText(const std::string& Value);
  // A node with children has children; one without may still be marked as
  // having them until it is expanded.
  bool HasChildren() const { return hasChildren_ || !children_.empty(); }
  void SetHasChildren(bool Value);
  bool Expanded() const { return expanded_; }
  void SetExpanded(bool Value);
  // Expanding asks the view's OnExpanding first, which may refuse it or
  // add the children; a node that still has none loses its button.
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  bool Selected() const;

  // None for a top-level node.
  TTreeNode* Parent() const { return parent_ && parent_->parent_ ? parent_ : nullptr; }
  int Count() const { return static_cast<int>(children_.size()); }
  TTreeNode* Item(int Index) const;  // EListError for a bad index
  TTreeNode* GetFirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
  // Both search the siblings: loops over many children go by Item.
  TTreeNode* GetNextSibling() const;
  int Index() const;
  // 0 for a top-level node.
  int Level() const;
  TCustomTreeView* TreeView() const;

  // Removes the children (and the node with Delete, which destroys it).
  void DeleteChildren();
  void Delete();
  // Sorts the children by text, ignoring case, or by Compare.
  void AlphaSort();
  void CustomSort(const TTVCompare& Compare);

 private:
  friend class TTreeNodes;
  friend class TCustomTreeView;

  TTreeNodes* owner_;
  TTreeNode* parent_;
  std::string text_;
  bool hasChildren_ = false;
  bool expanded_ = false;
  std::vector<std::unique_ptr<TTreeNode>> children_;
};

// The nodes of a tree view; the top-level nodes are the children of a root
// that is not shown.
class TTreeNodes {
 public:
  explicit TTreeNodes(TCustomTreeView* Owner);
  ~TTreeNodes();

  TCustomTreeView* Owner() const { return owner_; }
  // A new last child of Parent, or a new top-level node for none.
  TTreeNode* AddChild(TTreeNode* Parent, const std::string& Text);
  void Clear();
  // Every node, at every level.
  int Count() const { return count_; }
  TTreeNode* GetFirstNode() const { return root_->GetFirstChild(); }
  int TopLevelCount() const { return root_->Count(); }
  TTreeNode* TopLevelItem(int Index) const { return root_->Item(Index); }
  void AlphaSort() { root_->AlphaSort(); }
  void CustomSort(const TTVCompare& Compare) { root_->CustomSort(Compare); }

  // Changes between them are painted once, at the last EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }

 private:
  friend class TTreeNode;
  friend class TCustomTreeView;

  TCustomTreeView* owner_;
  std::unique_ptr<TTreeNode> root_;
  int count_ = 0;
  int updateCount_ = 0;
};

using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVCompareEvent =
    std::function<void(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2, int Data, int& Compare)>;

// A tree of nodes, one row each, indented by level, with dotted lines and
// +/- buttons. The mouse selects a row and its button expands or collapses
// it (as does a double click); keys: up and down, home and end, page up and
// down move the selection, left collapses or goes to the parent, right
// expands or goes to the first child, + and - expand and collapse, Enter
// clicks. The scroll bar and the wheel (three rows a notch) scroll.
class TCustomTreeView : public TCustomControl {
 public:
  explicit TCustomTreeView(TComponent* AOwner);
  ~TCustomTreeView() override;

  TTreeNodes* Items() const { return items_.get(); }
  TTreeNode* Selected() const { return selected_; }
  // Selects the node (none clears), shows it and fires OnChange when the
  // selection changed.
  void SetSelected(TTreeNode* Value);

  bool ShowLines() const { return showLines_; }
  void SetShowLines(bool Value);
  bool ShowButtons() const { return showButtons_; }
  void SetShowButtons(bool Value);
  bool ShowRoot() const { return showRoot_; }
  void SetShowRoot(bool Value);
  // Whether the selection is hidden while the view has no focus.
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool Value);
  // No editing of the texts is offered; kept as a published property.
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }
  int Indent() const { return indent_; }
  void SetIndent(int Value);
  // With stText (or stBoth) the nodes are kept sorted by text, or by
  // OnCompare.
  TSortType SortType() const { return sortType_; }
  void SetSortType(TSortType Value);
  void AlphaSort();
  void CustomSort(const TTVCompare& Compare);

  // Scrolling: the first row shown, and how many whole rows fit.
  int TopIndex() const { return topIndex_; }
  void SetTopIndex(int Value);
  int VisibleRowCount();
  int RowHeight();
  // The rows shown, in order: the top-level nodes and the children of
  // every expanded node.
  std::vector<TTreeNode*> Rows() const;
  // The node of the row at a client point, or none.
  TTreeNode* GetNodeAt(int X, int Y);
  // Scrolls so that the node's row shows, expanding its parents.
  void MakeVisible(TTreeNode* Node);

  TTVExpandingEvent OnExpanding;
  TTVExpandingEvent OnCollapsing;
  TTVChangedEvent OnExpanded;
  TTVChangedEvent OnCollapsed;
  TTVChangedEvent OnChange;
  TTVCompareEvent OnCompare;

 protected:
  friend class TTreeNode;
  friend class TTreeNodes;

  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void Dispatch(TMessage& Message) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

  // The nodes changed: forget what they no longer hold and repaint.
  void NodesChanged();
  // A node is about to be destroyed.
  void NodeDeleting(TTreeNode* Node);
  bool CanExpand(TTreeNode* Node);
  bool CanCollapse(TTreeNode* Node);
  // Sorts the children of Node by SortType when it asks for sorting.
  void SortChildren(TTreeNode* Node);

 private:
  int Compare(TTreeNode* Node1, TTreeNode* Node2);
  // Left edge of the node's text and the centre of its button.
  int TextLeft(TTreeNode* Node) const;
  int ButtonCentre(TTreeNode* Node) const;
  void UpdateScrollBar(int RowCount);
  void PaintRow(TTreeNode* Node, int Y, int Height);
  void PaintLines(TTreeNode* Node, int Y, int Height);
  void PaintButton(TTreeNode* Node, int Y, int Height);
  void DottedLine(int X1, int Y1, int X2, int Y2);
  void MoveSelection(int Rows);

  std::unique_ptr<TTreeNodes> items_;
  TTreeNode* selected_ = nullptr;
  bool showLines_ = true;
  bool showButtons_ = true;
  bool showRoot_ = true;
  bool hideSelection_ = true;
  bool readOnly_ = false;
  int indent_ = 19;
  TSortType sortType_ = stNone;
  int topIndex_ = 0;
  TTextMeasurer measurer_;
};

class TTreeView : public TCustomTreeView {
 public:
  explicit TTreeView(TComponent* AOwner) : TCustomTreeView(AOwner) {}
};

// ---- List view --------------------------------------------------------------------

class TCustomListView;

// The width that sizes a column to its header and to its widest cell, and
// follows them as they change.
constexpr int ColumnHeaderWidth = -2;
// The width that sizes a column to its widest cell alone.
constexpr int ColumnTextWidth = -1;

class TListColumn {
 public:
  explicit TListColumn(TCustomListView* Owner) : owner_(Owner) {}

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  // In pixels, or ColumnHeaderWidth or ColumnTextWidth.
  int Width() const { return width_; }
  void SetWidth(int Value);
  // The width it takes on the screen.
  int DisplayWidth();

 private:
  friend class TCustomListView;

  TCustomListView* owner_;
  std::string caption_;
  TAlignment alignment_ = taLeftJustify;
  int width_ = 50;
  int measured_ = -1;  // the width of a sized column, until something shown changes
};

class TListColumns {
 public:
  explicit TListColumns(TCustomListView* Owner) : owner_(Owner) {}

  TListColumn* Add();
  void Clear();
  int Count() const { return static_cast<int>(columns_.size()); }
  TListColumn* Items(int Index) const;  // EListError for a bad index

 private:
  TCustomListView* owner_;
  std::vector<std::unique_ptr<TListColumn>> columns_;
};

class TListItem {
 public:
  explicit TListItem(TCustomListView* Owner) : owner_(Owner) {}

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& Value);
  // The texts of the columns after the first.
  const std::vector<std::string>& SubItems() const { return subItems_; }
  void AddSubItem(const std::string& Value);
  // A value of the caller's: an offset, a number or a pointer.
  intptr_t Data() const { return data_; }
  void SetData(intptr_t Value);
  bool Selected() const { return selected_; }
  void SetSelected(bool Value);
  int Index() const;
  TCustomListView* ListView() const { return owner_; }

 private:
  friend class TCustomListView;

  TCustomListView* owner_;
  std::string caption_;
  std::vector<std::string> subItems_;
  intptr_t data_ = 0;
  bool selected_ = false;
};

class TListItems {
 public:
  explicit TListItems(TCustomListView* Owner) : owner_(Owner) {}

  TListItem* Add();
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  TListItem* Item(int Index) const;  // EListError for a bad index
  int IndexOf(const TListItem* Item) const;

  // Changes between them (and the sorting they ask for) are done once, at
  // the last EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }

 private:
  friend class TCustomListView;
  friend class TListColumn;
  friend class TListItem;

  TCustomListView* owner_;
  std::vector<std::unique_ptr<TListItem>> items_;
  int updateCount_ = 0;
};

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

using TLVCompareEvent =
    std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
// Negative when Item1 comes first.
using TLVCompare = std::function<int(TListItem* Item1, TListItem* Item2)>;

// A list in the report style: a header with the column captions, then one
// row per item, its caption under the first column and its sub-items under
// the others, each aligned as its column. A click selects a row (with Ctrl
// it toggles, with Shift it extends, when MultiSelect), a double click or
// Enter fires OnDblClick, a click on the header's column fires
// OnColumnClick when ColumnClick is on. Keys up and down, home and end, page
// up and down move the selection, left and right scroll sideways; the scroll bars and the wheel (three rows a
// notch) scroll.
class TCustomListView : public TCustomControl {
 public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;

  TListColumns* Columns() const { return columns_.get(); }
  TListItems* Items() const { return items_.get(); }

  // Only the report style is drawn; the others show as it.
  TViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TViewStyle Value);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool Value);
  bool ColumnClick() const { return columnClick_; }
  void SetColumnClick(bool Value);
  bool ShowColumnHeaders() const { return showColumnHeaders_; }
  void SetShowColumnHeaders(bool Value);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool Value);

  // With a kind other than stNone the items are kept sorted: at once, and
  // again when a caption (stText, stBoth) or a data value (stData, stBoth)
  // changes. OnCompare decides when it is assigned.
  TSortType SortType() const { return sortType_; }
  void SetSortType(TSortType Value);
  // Sorts by OnCompare, else by SortType (captions when it is stNone). The
  // sort is stable: items that compare equal keep their order.
  void AlphaSort();
  void CustomSort(const TLVCompare& Compare);

  // The first selected item, or none; selecting one alone.
  TListItem* Selected() const;
  void SetSelected(TListItem* Item);
  int SelCount() const;
  // The item that keys move from.
  TListItem* ItemFocused() const { return focused_; }
  void SetItemFocused(TListItem* Item);
  // The first item from StartIndex whose caption is Value (or starts with
  // it, when Partial), StartIndex itself only when Inclusive, going on from
  // the first item when Wrap; none when no item has it.
  TListItem* FindCaption(int StartIndex, const std::string& Value, bool Partial, bool Inclusive, bool Wrap) const;

  // Scrolling: the first row shown, and how many whole rows fit.
  int TopIndex() const { return topIndex_; }
  void SetTopIndex(int Value);
  int VisibleRowCount();
  int RowHeight();
  int HeaderHeight();
  // Scrolling sideways: the pixels of the columns scrolled out at the left.
  int LeftOffset() const { return leftOffset_; }
  void SetLeftOffset(int Value);
  TListItem* GetItemAt(int X, int Y);
  void MakeVisible(TListItem* Item);
  // The header's column under a client point, or none.
  TListColumn* ColumnAt(int X, int Y);

  TLVCompareEvent OnCompare;
  TLVColumnClickEvent OnColumnClick;

 protected:
  friend class TListColumn;
  friend class TListColumns;
  friend class TListItem;
  friend class TListItems;

  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void Dispatch(TMessage& Message) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  virtual void ColumnClicked(TListColumn* Column);

  // Something shown changed: the sized columns are measured again.
  void Changed();
  // The rows changed but none of their cells did (their number, their
  // order): the sized columns keep their widths.
  void RowsChanged();
  // A cell of the column now holds Text where it held Old (none for a new
  // cell): a sized column widens to it at once, and is measured again only
  // when its widest cell may have narrowed.
  void CellChanged(int Column, const std::string* Old, const std::string& Text);
  // Only the selection or the focus changed.
  void SelectionChanged();
  // A caption or data value changed: sorted again when SortType asks.
  void ItemChanged(bool CaptionChanged);
  void ItemDeleting(TListItem* Item);
  // What EndUpdate does with the changes it held back.
  void UpdateEnded();

 private:
  int Compare(TListItem* Item1, TListItem* Item2);
  int CellWidth(const std::string& Text);
  int ColumnsWidth();
  // Both held inside what the items and the columns leave to scroll to.
  void ScrollTo(int Top, int Left);
  void UpdateScrollBars();
  void PaintHeader(const TRect& Area);
  void PaintRow(TListItem* Item, const TRect& Row);
  void SelectRange(int From, int To);
  void MoveFocus(int Rows, TShiftState Shift);
  void SelectOnly(TListItem* Item);

  std::unique_ptr<TListColumns> columns_;
  std::unique_ptr<TListItems> items_;
  TViewStyle viewStyle_ = vsIcon;
  bool multiSelect_ = false;
  bool columnClick_ = true;
  bool showColumnHeaders_ = true;
  bool hideSelection_ = true;
  TSortType sortType_ = stNone;
  TListItem* focused_ = nullptr;
  int anchor_ = -1;  // where a Shift range starts
  int topIndex_ = 0;
  int leftOffset_ = 0;
  bool sortPending_ = false;
  TTextMeasurer measurer_;
};

class TListView : public TCustomListView {
 public:
  explicit TListView(TComponent* AOwner) : TCustomListView(AOwner) {}
};

#include "framework/ComCtrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/SysUtils.h"
#include "framework/tests/ControlsTestSupport.h"
#include "platform/Input.h"
#include "platform/ScrollBars.h"
#include "platform/SysColors.h"

using namespace controlstest;
using List = std::vector<std::string>;
using Numbers = std::vector<int>;

namespace {

List Texts(const std::vector<TTreeNode*>& nodes) {
  List texts;
  for (TTreeNode* node : nodes) texts.push_back(node->Text());
  return texts;
}

List Captions(TCustomListView* view) {
  List captions;
  for (int i = 0; i < view->Items()->Count(); ++i) captions.push_back(view->Items()->Item(i)->Caption());
  return captions;
}

void Key(TWinControl* control, int key) { control->Perform(win::WM_KEYDOWN, key, 0); }

void Click(TControl* control, int x, int y, win::WPARAM keys = 0) {
  control->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON | keys, At(x, y));
  control->Perform(win::WM_LBUTTONUP, keys, At(x, y));
}

// A bar as the window shows it: min, max, page and position; none while it
// does not show.
Numbers Bar(TWinControl* control, int bar) {
  const auto style = static_cast<win::DWORD>(win::GetWindowLongA(control->Handle(), win::GWL_STYLE));
  if (!(style & (bar == win::SB_VERT ? win::WS_VSCROLL : win::WS_HSCROLL))) return {};
  win::SCROLLINFO info{sizeof(win::SCROLLINFO), win::SIF_RANGE | win::SIF_PAGE | win::SIF_POS, 0, 0, 0, 0, 0};
  win::GetScrollInfo(control->Handle(), bar, &info);
  return {info.nMin, info.nMax, static_cast<int>(info.nPage), info.nPos};
}

// Drags the thumb of the control's vertical bar with the mouse, as a person
// does, down by `by` pixels.
void DragThumbDown(TWinControl* control, int by) {
  win::detail::ScrollBarLayout layout;
  ASSERT_TRUE(win::detail::LayoutScrollBar(control->Handle(), win::SB_VERT, layout));
  win::RECT window{};
  win::GetWindowRect(control->Handle(), &window);
  const win::POINT grab{window.left + (layout.thumb.left + layout.thumb.right) / 2,
                        window.top + (layout.thumb.top + layout.thumb.bottom) / 2};
  win::test::MoveMouse(grab);
  win::test::PressMouse(win::test::MouseButton::Left);
  win::test::MoveMouse(win::POINT{grab.x, grab.y + by});
  win::test::ReleaseMouse(win::test::MouseButton::Left);
  Pump();
}

class ComCtrlsTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<THostForm>(nullptr, 300, 200);
    tree = new TTreeView(form.get());
    tree->SetParent(form.get());
    tree->SetBounds(0, 0, 150, 200);
    list = new TListView(form.get());
    list->SetParent(form.get());
    list->SetBounds(150, 0, 150, 200);
    list->SetViewStyle(vsReport);
  }

  // A root with three children, each marked as having children that the
  // expanding event adds.
  TTreeNode* LazyTree() {
    TTreeNode* root = tree->Items()->AddChild(nullptr, "root");
    for (const char* name : {"b", "a", "c"}) tree->Items()->AddChild(root, name)->SetHasChildren(true);
    tree->OnExpanding = [this](TObject*, TTreeNode* node, bool& allow) {
      expanding.push_back(node->Text());
      if (node->Text() == "c") allow = false;
      if (node->Text() == "b" && node->Count() == 0) tree->Items()->AddChild(node, "b1");
    };
    return root;
  }
  // The centre of a node's button and a point on its text, in its row.
  int RowY(int row) { return row * tree->RowHeight() + tree->RowHeight() / 2; }
  int ButtonX(TTreeNode* node) { return (node->Level() + 1) * tree->Indent() - tree->Indent() / 2 - 1; }
  int TextX(TTreeNode* node) { return (node->Level() + 1) * tree->Indent() + 6; }
  // Inside the node's highlight, left of its text.
  int CellX(TTreeNode* node) { return (node->Level() + 1) * tree->Indent() + 3; }

  TListItem* AddItem(const std::string& caption, intptr_t data = 0, const List& subItems = {}) {
    TListItem* item = list->Items()->Add();
    item->SetCaption(caption);
    for (const std::string& text : subItems) item->AddSubItem(text);
    item->SetData(data);
    return item;
  }
  int ItemY(int index) { return list->HeaderHeight() + index * list->RowHeight() + list->RowHeight() / 2; }

  std::unique_ptr<THostForm> form;
  TTreeView* tree = nullptr;
  TListView* list = nullptr;
  List expanding;
};

}  // namespace

// ---- Tree view ------------------------------------------------------------------

TEST_F(ComCtrlsTest, NodesExpandLazilyAndTheEventMayRefuse) {
  TTreeNode* root = LazyTree();
  List expanded;
  tree->OnExpanded = [&](TObject*, TTreeNode* node) { expanded.push_back(node->Text()); };
  root->Expand(false);
  EXPECT_EQ(Texts(tree->Rows()), (List{"root", "b", "a", "c"}));
  TTreeNode* b = root->Item(0);
  b->Expand(false);
  EXPECT_TRUE(b->Expanded());
  EXPECT_EQ(Texts(tree->Rows()), (List{"root", "b", "b1", "a", "c"}));
  TTreeNode* a = root->Item(1);
  a->Expand(false);  // allowed, but nothing came
  EXPECT_FALSE(a->Expanded());
  EXPECT_FALSE(a->HasChildren());
  TTreeNode* c = root->Item(2);
  c->Expand(false);
  EXPECT_FALSE(c->Expanded());
  EXPECT_TRUE(c->HasChildren());
  EXPECT_EQ(expanding, (List{"root", "b", "a", "c"}));
  EXPECT_EQ(expanded, (List{"root", "b"}));
  EXPECT_EQ(tree->Items()->Count(), 5);
  EXPECT_EQ(b->Item(0)->Level(), 2);
  EXPECT_EQ(b->Item(0)->Parent(), b);
  EXPECT_EQ(root->Parent(), nullptr);
}

TEST_F(ComCtrlsTest, CollapsingMovesTheSelectionUpAndDeletingForgetsIt) {
  TTreeNode* root = LazyTree();
  root->Expand(true);
  TTreeNode* b1 = root->Item(0)->Item(0);
  std::vector<TTreeNode*> changes;
  tree->OnChange = [&](TObject*, TTreeNode* node) { changes.push_back(node); };
  tree->SetSelected(b1);
  root->Collapse(false);
  EXPECT_EQ(tree->Selected(), root);
  EXPECT_EQ(changes, (std::vector<TTreeNode*>{b1, root}));
  EXPECT_EQ(Texts(tree->Rows()), List{"root"});

  root->Expand(false);
  tree->SetSelected(root->Item(0)->Item(0));
  root->Item(0)->Delete();
  EXPECT_EQ(tree->Selected(), nullptr);
  EXPECT_EQ(tree->Items()->Count(), 3);
  root->DeleteChildren();
  EXPECT_EQ(tree->Items()->Count(), 1);
  tree->Items()->Clear();
  EXPECT_EQ(tree->Items()->Count(), 0);
  EXPECT_EQ(tree->Items()->GetFirstNode(), nullptr);
}

TEST_F(ComCtrlsTest, SortingByTextOrByTheCompareEvent) {
  TTreeNode* root = tree->Items()->AddChild(nullptr, "root");
  for (const char* name : {"b", "C", "a"}) tree->Items()->AddChild(root, name);
  root->AlphaSort();
  EXPECT_EQ(Texts({root->Item(0), root->Item(1), root->Item(2)}), (List{"a", "b", "C"}));

  tree->SetSortType(stText);
  tree->Items()->AddChild(root, "Ab");
  EXPECT_EQ(root->Item(1)->Text(), "Ab");
  tree->OnCompare = [](TObject*, TTreeNode* a, TTreeNode* b, int, int& compare) {
    compare = AnsiCompareText(b->Text(), a->Text());
  };
  tree->AlphaSort();
  EXPECT_EQ(Texts({root->Item(0), root->Item(1), root->Item(2), root->Item(3)}), (List{"C", "b", "Ab", "a"}));
  root->Item(0)->SetText("0");  // kept in order as it changes
  EXPECT_EQ(root->Item(3)->Text(), "0");
}

TEST_F(ComCtrlsTest, KeysMoveExpandAndClick) {
  TTreeNode* root = LazyTree();
  tree->SetSelected(root);
  int clicks = 0;
  tree->OnClick = [&](TObject*) { ++clicks; };
  Key(tree, win::VK_RIGHT);
  EXPECT_TRUE(root->Expanded());
  Key(tree, win::VK_RIGHT);
  EXPECT_EQ(tree->Selected()->Text(), "b");
  Key(tree, win::VK_ADD);
  EXPECT_TRUE(tree->Selected()->Expanded());
  Key(tree, win::VK_DOWN);
  EXPECT_EQ(tree->Selected()->Text(), "b1");
  Key(tree, win::VK_LEFT);
  EXPECT_EQ(tree->Selected()->Text(), "b");
  Key(tree, win::VK_SUBTRACT);
  EXPECT_FALSE(tree->Selected()->Expanded());
  Key(tree, win::VK_END);
  EXPECT_EQ(tree->Selected()->Text(), "c");
  Key(tree, win::VK_HOME);
  EXPECT_EQ(tree->Selected(), root);
  Key(tree, win::VK_UP);
  EXPECT_EQ(tree->Selected(), root);
  Key(tree, win::VK_RETURN);
  EXPECT_EQ(clicks, 1);
}

TEST_F(ComCtrlsTest, TheMouseSelectsRowsAndTurnsButtons) {
  TTreeNode* root = LazyTree();
  root->Expand(false);
  TTreeNode* b = root->Item(0);
  Click(tree, ButtonX(b), RowY(1));
  EXPECT_TRUE(b->Expanded());
  EXPECT_EQ(tree->Selected(), nullptr);  // the button does not select
  Click(tree, TextX(b), RowY(1));
  EXPECT_EQ(tree->Selected(), b);
  tree->Perform(win::WM_LBUTTONDBLCLK, win::MK_LBUTTON, At(TextX(b), RowY(1)));
  EXPECT_FALSE(b->Expanded());
  EXPECT_EQ(tree->GetNodeAt(TextX(b), RowY(3)), root->Item(2));
  EXPECT_EQ(tree->GetNodeAt(TextX(b), RowY(9)), nullptr);
}

TEST_F(ComCtrlsTest, TheTreeScrollsToShowTheSelection) {
  tree->Items()->BeginUpdate();
  TTreeNode* last = nullptr;
  for (int i = 0; i < 100; ++i) last = tree->Items()->AddChild(nullptr, "node " + std::to_string(i));
  tree->Items()->EndUpdate();
  EXPECT_EQ(tree->TopIndex(), 0);
  tree->SetSelected(last);
  EXPECT_EQ(tree->TopIndex(), 100 - tree->VisibleRowCount());
  tree->Perform(win::WM_MOUSEWHEEL, win::MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(tree->TopIndex(), 100 - tree->VisibleRowCount() - 3);
  tree->SetTopIndex(-5);
  EXPECT_EQ(tree->TopIndex(), 0);
}

TEST_F(ComCtrlsTest, TheSelectedRowIsHighlighted) {
  TTreeNode* root = LazyTree();
  root->Expand(false);
  form->Show();
  tree->SetFocus();
  tree->SetSelected(root->Item(1));
  Pump();
  tree->Update();
  EXPECT_EQ(PixelAt(tree, CellX(root->Item(1)), RowY(2)), ColorToRGB(clHighlight));
  EXPECT_EQ(PixelAt(tree, CellX(root->Item(0)), RowY(1)), ColorToRGB(clWindow));
}

// ---- List view ------------------------------------------------------------------

TEST_F(ComCtrlsTest, SizedColumnsFitTheirHeaderAndCells) {
  TListColumn* name = list->Columns()->Add();
  name->SetCaption("Name");
  name->SetWidth(ColumnHeaderWidth);
  TListColumn* size = list->Columns()->Add();
  size->SetCaption("A long size header");
  size->SetWidth(ColumnHeaderWidth);
  size->SetAlignment(taRightJustify);
  AddItem("x", 0, {"1"});
  const int headerWide = size->DisplayWidth();
  const int narrow = name->DisplayWidth();
  EXPECT_GT(headerWide, narrow);
  AddItem("a much longer caption than the header", 0, {"2"});
  EXPECT_GT(name->DisplayWidth(), narrow);  // follows the cells
  EXPECT_EQ(size->DisplayWidth(), headerWide);
  TListItem* longest = list->Items()->Item(1);
  const int wide = name->DisplayWidth();
  longest->SetCaption("an even longer caption than the longest one so far");
  EXPECT_GT(name->DisplayWidth(), wide);
  longest->SetCaption("y");  // the widest cell narrowed
  EXPECT_EQ(name->DisplayWidth(), narrow);
  AddItem("z", 0, {"a sub-item wider than the long size header"});
  EXPECT_GT(size->DisplayWidth(), headerWide);
  list->Items()->Item(2)->SetCaption("a");
  EXPECT_GT(size->DisplayWidth(), headerWide);
  list->Items()->Clear();
  EXPECT_EQ(size->DisplayWidth(), headerWide);
  name->SetWidth(40);
  EXPECT_EQ(name->DisplayWidth(), 40);
  size->SetWidth(ColumnTextWidth);
  EXPECT_LT(size->DisplayWidth(), headerWide);
}

TEST_F(ComCtrlsTest, SortingIsStableAndWaitsForTheEndOfAnUpdate) {
  int compares = 0;
  list->Items()->BeginUpdate();
  list->SetSortType(stBoth);
  list->OnCompare = [&](TObject*, TListItem* a, TListItem* b, int, int& compare) {
    ++compares;
    compare = static_cast<int>(a->Data() / 10 - b->Data() / 10);  // equal within a ten
  };
  AddItem("c", 21);
  AddItem("a", 5);
  AddItem("b", 22);
  AddItem("d", 3);
  EXPECT_EQ(compares, 0);
  list->Items()->EndUpdate();
  EXPECT_GT(compares, 0);
  EXPECT_EQ(Captions(list), (List{"a", "d", "c", "b"}));

  list->OnCompare = nullptr;
  list->SetSortType(stData);
  EXPECT_EQ(Captions(list), (List{"d", "a", "c", "b"}));
  list->Items()->Item(0)->SetData(100);  // moves as its data changes
  EXPECT_EQ(Captions(list), (List{"a", "c", "b", "d"}));
  list->SetSortType(stText);
  EXPECT_EQ(Captions(list), (List{"a", "b", "c", "d"}));
}

TEST_F(ComCtrlsTest, ClicksSelectOneOrSeveral) {
  for (const char* caption : {"a", "b", "c", "d"}) AddItem(caption);
  Click(list, 20, ItemY(1));
  EXPECT_EQ(list->Selected()->Caption(), "b");
  Click(list, 20, ItemY(3), win::MK_SHIFT);  // no range without MultiSelect
  EXPECT_EQ(list->SelCount(), 1);
  EXPECT_EQ(list->Selected()->Caption(), "d");

  list->SetMultiSelect(true);
  Click(list, 20, ItemY(1));
  Click(list, 20, ItemY(3), win::MK_SHIFT);
  EXPECT_EQ(list->SelCount(), 3);
  Click(list, 20, ItemY(2), win::MK_CONTROL);
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_FALSE(list->Items()->Item(2)->Selected());
  Key(list, win::VK_DOWN);
  EXPECT_EQ(list->SelCount(), 1);
  EXPECT_EQ(list->Selected()->Caption(), "d");
  Key(list, win::VK_HOME);
  EXPECT_EQ(list->ItemFocused()->Caption(), "a");
  list->SetMultiSelect(false);
  EXPECT_EQ(list->SelCount(), 1);
}

TEST_F(ComCtrlsTest, ColumnAndDoubleClicks) {
  list->Columns()->Add()->SetCaption("one");
  list->Columns()->Add()->SetCaption("two");
  AddItem("a");
  std::vector<TListColumn*> clicked;
  int doubleClicks = 0;
  list->OnColumnClick = [&](TObject*, TListColumn* column) { clicked.push_back(column); };
  list->OnDblClick = [&](TObject*) { ++doubleClicks; };
  Click(list, 60, 5);
  EXPECT_EQ(clicked, std::vector<TListColumn*>{list->Columns()->Items(1)});
  EXPECT_EQ(list->Selected(), nullptr);
  list->SetColumnClick(false);
  Click(list, 10, 5);
  EXPECT_EQ(clicked.size(), 1u);
  list->Perform(win::WM_LBUTTONDBLCLK, win::MK_LBUTTON, At(10, ItemY(0)));
  Key(list, win::VK_RETURN);
  EXPECT_EQ(doubleClicks, 2);
}

TEST_F(ComCtrlsTest, FindCaptionAndScrolling) {
  list->Items()->BeginUpdate();
  for (int i = 0; i < 50; ++i) AddItem("item " + std::to_string(i));
  list->Items()->EndUpdate();
  EXPECT_EQ(list->FindCaption(0, "item 1", false, true, false), list->Items()->Item(1));
  EXPECT_EQ(list->FindCaption(0, "item 4", true, true, false), list->Items()->Item(4));
  EXPECT_EQ(list->FindCaption(10, "item 4", false, false, false), nullptr);
  EXPECT_EQ(list->FindCaption(10, "item 4", false, false, true), list->Items()->Item(4));
  EXPECT_EQ(list->FindCaption(1, "item 1", false, false, false), nullptr);
  EXPECT_EQ(list->FindCaption(0, "item", false, true, false), nullptr);

  Key(list, win::VK_END);
  EXPECT_EQ(list->TopIndex(), 50 - list->VisibleRowCount());
  EXPECT_EQ(list->GetItemAt(10, ItemY(0)), list->Items()->Item(list->TopIndex()));
  list->Perform(win::WM_MOUSEWHEEL, win::MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(list->TopIndex(), 50 - list->VisibleRowCount() - 3);
  list->Items()->Clear();
  EXPECT_EQ(list->TopIndex(), 0);
  EXPECT_EQ(list->ItemFocused(), nullptr);
}

TEST_F(ComCtrlsTest, TheHeaderAndTheSelectedRowAreDrawn) {
  list->Columns()->Add()->SetCaption("name");
  list->Columns()->Items(0)->SetWidth(100);
  AddItem("a");
  AddItem("b");
  form->Show();
  list->SetFocus();
  list->SetSelected(list->Items()->Item(1));
  Pump();
  list->Update();
  EXPECT_EQ(PixelAt(list, 140, list->HeaderHeight() / 2), ColorToRGB(clBtnFace));  // the last column runs on
  EXPECT_EQ(PixelAt(list, 90, ItemY(1)), ColorToRGB(clHighlight));
  EXPECT_EQ(PixelAt(list, 90, ItemY(0)), ColorToRGB(clWindow));
}

// ---- Scroll bars -----------------------------------------------------------------

TEST_F(ComCtrlsTest, TheTreesBarShowsWhileItsRowsDoNotFitAndFollowsThem) {
  form->Show();
  TTreeNode* root = tree->Items()->AddChild(nullptr, "root");
  const int visible = tree->VisibleRowCount();
  const int width = tree->ClientWidth();
  tree->Items()->BeginUpdate();
  for (int i = 0; i < 2 * visible; ++i) tree->Items()->AddChild(root, "node " + std::to_string(i));
  tree->Items()->EndUpdate();
  EXPECT_EQ(Bar(tree, win::SB_VERT), Numbers{});  // collapsed: one row
  root->Expand(false);
  int rows = 2 * visible + 1;
  EXPECT_EQ(Bar(tree, win::SB_VERT), (Numbers{0, rows - 1, visible, 0}));
  EXPECT_EQ(tree->ClientWidth(), width - win::GetSystemMetrics(win::SM_CXVSCROLL));
  EXPECT_EQ(tree->VisibleRowCount(), visible);
  tree->SetTopIndex(5);
  EXPECT_EQ(Bar(tree, win::SB_VERT), (Numbers{0, rows - 1, visible, 5}));

  tree->Items()->BeginUpdate();
  for (int i = 0; i < visible; ++i) tree->Items()->AddChild(nullptr, "more");
  EXPECT_EQ(Bar(tree, win::SB_VERT)[1], rows - 1);  // held back until the update ends
  tree->Items()->EndUpdate();
  rows += visible;
  EXPECT_EQ(Bar(tree, win::SB_VERT)[1], rows - 1);

  tree->SetBounds(0, 0, 150, 4 + rows * tree->RowHeight());  // tall enough for all: the bar goes
  EXPECT_EQ(Bar(tree, win::SB_VERT), Numbers{});
  EXPECT_EQ(tree->TopIndex(), 0);
  EXPECT_EQ(tree->ClientWidth(), width);
  tree->SetBounds(0, 0, 150, 200);
  EXPECT_EQ(Bar(tree, win::SB_VERT), (Numbers{0, rows - 1, visible, 0}));
  tree->SetTopIndex(rows);
  root->Collapse(false);  // the rows left are the page and one more: the bar's end moves up with them
  EXPECT_EQ(Bar(tree, win::SB_VERT), (Numbers{0, visible, visible, 1}));
  EXPECT_EQ(tree->TopIndex(), 1);
  tree->Items()->Clear();
  EXPECT_EQ(Bar(tree, win::SB_VERT), Numbers{});
}

TEST_F(ComCtrlsTest, TheTreesBarTheWheelAndTheThumbScrollIt) {
  form->Show();
  tree->Items()->BeginUpdate();
  for (int i = 0; i < 100; ++i) tree->Items()->AddChild(nullptr, "node " + std::to_string(i));
  tree->Items()->EndUpdate();
  const int visible = tree->VisibleRowCount();
  auto scroll = [&](int code) {
    tree->Perform(win::WM_VSCROLL, code, 0);
    return tree->TopIndex();
  };
  EXPECT_EQ(scroll(win::SB_LINEDOWN), 1);
  EXPECT_EQ(scroll(win::SB_PAGEDOWN), 1 + visible);
  EXPECT_EQ(scroll(win::SB_LINEUP), visible);
  EXPECT_EQ(scroll(win::SB_PAGEUP), 0);
  EXPECT_EQ(scroll(win::SB_BOTTOM), 100 - visible);
  EXPECT_EQ(Bar(tree, win::SB_VERT)[3], 100 - visible);
  EXPECT_EQ(scroll(win::SB_LINEDOWN), 100 - visible);
  EXPECT_EQ(scroll(win::SB_TOP), 0);

  tree->SetFocus();
  win::test::TurnWheel(-2);  // towards the person: down, three rows a notch
  Pump();
  EXPECT_EQ(tree->TopIndex(), 6);
  EXPECT_EQ(Bar(tree, win::SB_VERT)[3], 6);
  win::test::TurnWheel(1);
  Pump();
  EXPECT_EQ(tree->TopIndex(), 3);

  DragThumbDown(tree, 1000);  // far below the bar: the last page
  EXPECT_EQ(tree->TopIndex(), 100 - visible);
  EXPECT_EQ(Bar(tree, win::SB_VERT)[3], 100 - visible);
}

TEST_F(ComCtrlsTest, TheListsBarsFollowItsItemsAndColumnsAndScrollItBothWays) {
  form->Show();
  TListColumn* first = list->Columns()->Add();
  first->SetWidth(100);
  const int visible = list->VisibleRowCount();
  list->Items()->BeginUpdate();
  for (int i = 0; i < visible; ++i) AddItem("item " + std::to_string(i));
  list->Items()->EndUpdate();
  EXPECT_EQ(Bar(list, win::SB_VERT), Numbers{});  // a page exactly
  EXPECT_EQ(Bar(list, win::SB_HORZ), Numbers{});
  AddItem("one more");
  EXPECT_EQ(Bar(list, win::SB_VERT), (Numbers{0, visible, visible, 0}));

  TListColumn* second = list->Columns()->Add();  // 200 pixels of columns in a narrower view
  second->SetWidth(100);
  const int width = list->ClientWidth();
  EXPECT_EQ(width, 150 - 4 - win::GetSystemMetrics(win::SM_CXVSCROLL));
  EXPECT_EQ(Bar(list, win::SB_HORZ), (Numbers{0, 199, width, 0}));
  // The horizontal bar took a row's room from the page.
  EXPECT_EQ(list->VisibleRowCount(), visible - 1);
  EXPECT_EQ(Bar(list, win::SB_VERT), (Numbers{0, visible, visible - 1, 0}));

  auto scroll = [&](int code) {
    list->Perform(win::WM_HSCROLL, code, 0);
    return list->LeftOffset();
  };
  const int last = 200 - width;
  EXPECT_EQ(scroll(win::SB_LINERIGHT), 16);
  EXPECT_EQ(scroll(win::SB_PAGERIGHT), last);
  EXPECT_EQ(Bar(list, win::SB_HORZ)[3], last);
  EXPECT_EQ(scroll(win::SB_LINELEFT), last - 16);
  EXPECT_EQ(scroll(win::SB_LEFT), 0);
  EXPECT_EQ(scroll(win::SB_RIGHT), last);
  Key(list, win::VK_LEFT);  // the arrow keys scroll sideways as the bar's arrows do
  EXPECT_EQ(list->LeftOffset(), last - 16);
  Key(list, win::VK_RIGHT);
  EXPECT_EQ(list->LeftOffset(), last);
  // The header moved with the rows: the columns' border is that much further left.
  EXPECT_EQ(list->ColumnAt(100 - last - 1, 1), first);
  EXPECT_EQ(list->ColumnAt(100 - last, 1), second);
  Pump();
  list->Update();
  EXPECT_EQ(PixelAt(list, 100 - last - 5, list->HeaderHeight() / 2), ColorToRGB(clBtnFace));
  EXPECT_NE(PixelAt(list, 100 - last - 1, list->HeaderHeight() / 2), ColorToRGB(clBtnFace));
  list->Perform(win::WM_VSCROLL, win::SB_BOTTOM, 0);
  EXPECT_EQ(list->TopIndex(), 2);
  EXPECT_EQ(list->LeftOffset(), last);

  second->SetWidth(20);  // the columns fit again: back to the left, the bar gone
  EXPECT_EQ(list->LeftOffset(), 0);
  EXPECT_EQ(Bar(list, win::SB_HORZ), Numbers{});
  EXPECT_EQ(Bar(list, win::SB_VERT), (Numbers{0, visible, visible, 1}));
  list->Font()->SetSize(list->Font()->Size() * 2);  // taller rows: a smaller page
  EXPECT_LT(list->VisibleRowCount(), visible);
  EXPECT_EQ(Bar(list, win::SB_VERT), (Numbers{0, visible, list->VisibleRowCount(), 1}));
  list->Items()->Clear();
  EXPECT_EQ(Bar(list, win::SB_VERT), Numbers{});
  EXPECT_EQ(list->TopIndex(), 0);
}

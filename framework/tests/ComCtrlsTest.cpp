#include "framework/ComCtrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/SysUtils.h"
#include "framework/tests/ControlsTestSupport.h"
#include "platform/Input.h"

using namespace controlstest;
using List = std::vector<std::string>;

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
  int RowY(int row) { return 2 + row * tree->RowHeight() + tree->RowHeight() / 2; }
  int ButtonX(TTreeNode* node) { return 2 + (node->Level() + 1) * tree->Indent() - tree->Indent() / 2 - 1; }
  int TextX(TTreeNode* node) { return 2 + (node->Level() + 1) * tree->Indent() + 6; }
  // Inside the node's highlight, left of its text.
  int CellX(TTreeNode* node) { return 2 + (node->Level() + 1) * tree->Indent() + 3; }

  TListItem* AddItem(const std::string& caption, intptr_t data = 0, const List& subItems = {}) {
    TListItem* item = list->Items()->Add();
    item->SetCaption(caption);
    for (const std::string& text : subItems) item->AddSubItem(text);
    item->SetData(data);
    return item;
  }
  int ItemY(int index) { return 2 + list->HeaderHeight() + index * list->RowHeight() + list->RowHeight() / 2; }

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
  EXPECT_EQ(PixelAt(list, 140, 2 + list->HeaderHeight() / 2), ColorToRGB(clBtnFace));  // the last column runs on
  EXPECT_EQ(PixelAt(list, 90, ItemY(1)), ColorToRGB(clHighlight));
  EXPECT_EQ(PixelAt(list, 90, ItemY(0)), ColorToRGB(clWindow));
}

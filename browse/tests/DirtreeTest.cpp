#include "browse/Dirtree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "browse/Filelist.h"
#include "browse/tests/BrowseTestSupport.h"
#include "platform/Text.h"

using namespace browsetest;
using List = std::vector<std::string>;

namespace {

List Texts(TTreeNode* parent) {
  List texts;
  for (TTreeNode* node = parent->GetFirstChild(); node; node = node->GetNextSibling()) texts.push_back(node->Text());
  return texts;
}

class DirtreeTest : public BrowseTest {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    tree = new ktvDirTree(form.get());
    tree->SetParent(form.get());
    tree->SetBounds(0, 0, 200, 300);
    tree->HandleNeeded();
  }
  TTreeNode* Drive(char letter) {
    for (int i = 0; i < tree->Items()->TopLevelCount(); ++i)
      if (tree->Items()->TopLevelItem(i)->Text() == std::string(1, letter) + ":") return tree->Items()->TopLevelItem(i);
    return nullptr;
  }
  ktvFileList* LinkedList() {
    auto* list = new ktvFileList(form.get());
    list->SetParent(form.get());
    list->SetBounds(200, 0, 200, 300);
    tree->SetFileList(list);
    return list;
  }

  ktvDirTree* tree = nullptr;
};

}  // namespace

TEST_F(DirtreeTest, DrivesAreListedAndFoldersOnlyWhenExpanded) {
  Folder("data/b/inner");
  Folder("data/A");
  Write("data/file.txt");
  TTreeNode* c = Drive('C');
  ASSERT_NE(c, nullptr);
  EXPECT_NE(Drive('Z'), nullptr);
  EXPECT_TRUE(c->HasChildren());
  EXPECT_EQ(c->Count(), 0);
  c->Expand(false);
  EXPECT_TRUE(c->Expanded());
  TTreeNode* data = tree->GetNode(c, "C:\\data\\");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->Count(), 0);  // listed when it is reached through
  data->Expand(false);
  EXPECT_EQ(Texts(data), (List{"A", "b"}));
  EXPECT_FALSE(data->Item(0)->HasChildren());
  EXPECT_TRUE(data->Item(1)->HasChildren());

  // A folder whose folders went loses its button when it is opened.
  std::filesystem::remove(Host("data/b/inner"));
  data->Item(1)->Expand(false);
  EXPECT_FALSE(data->Item(1)->Expanded());
  EXPECT_FALSE(data->Item(1)->HasChildren());
}

TEST_F(DirtreeTest, PathsFindTheirNodesInAnySpelling) {
  Folder("data/music/jazz");
  TTreeNode* jazz = tree->GetNode("c:\\DATA\\music\\jazz");
  ASSERT_NE(jazz, nullptr);
  EXPECT_EQ(tree->GetPath(jazz), "C:\\data\\music\\jazz\\");
  EXPECT_EQ(tree->GetRootNode(jazz), Drive('C'));
  EXPECT_EQ(tree->GetNode("C:\\data\\nothing"), nullptr);
  EXPECT_EQ(tree->GetNode("C:\\dat"), nullptr);

  tree->SetDirectory("C:\\data\\music");
  EXPECT_EQ(tree->Directory(), "C:\\data\\music\\");
  EXPECT_EQ(tree->GetPath(tree->Selected()), "C:\\data\\music\\");
  EXPECT_TRUE(tree->GetNode("C:\\data\\")->Expanded());  // shown
  tree->SetDirectory("C:\\data\\nothing");
  EXPECT_EQ(tree->Directory(), "C:\\data\\music\\");
  tree->SetDirectory("");
  EXPECT_EQ(tree->Directory(), "");
  EXPECT_EQ(tree->Selected(), nullptr);
}

TEST_F(DirtreeTest, TheExpandingEventsOfTheUserAndOfTheComponent) {
  Folder("data/sub");
  List expanding;
  tree->OnExpanding = [&](TObject*, TTreeNode* node, bool& allow) {
    expanding.push_back(node->Text());
    if (node->Text() == "data") allow = false;
  };
  Drive('C')->Expand(false);
  TTreeNode* data = tree->GetNode("C:\\data");
  data->Expand(false);
  EXPECT_FALSE(data->Expanded());
  EXPECT_EQ(expanding, (List{"C:", "data"}));
}

TEST_F(DirtreeTest, TheTreeAndTheListFollowEachOther) {
  Folder("data/sub/deeper");
  Write("data/sub/a.txt");
  ktvFileList* list = LinkedList();
  EXPECT_EQ(list->DirTree(), tree);
  tree->SetDirectory("C:\\data");
  EXPECT_EQ(list->Directory(), "C:\\data\\");

  // A double-clicked folder opens in the list and is selected in the tree.
  list->SetSelected(list->FindName("sub"));
  list->Perform(win::WM_LBUTTONDBLCLK, win::MK_LBUTTON, 0);
  EXPECT_EQ(list->Directory(), "C:\\data\\sub\\");
  EXPECT_EQ(tree->Directory(), "C:\\data\\sub\\");
  EXPECT_EQ(tree->Selected()->Text(), "sub");
  EXPECT_NE(list->FindName("a.txt"), nullptr);

  // A click on a node in the tree shows it in the list; arrows move the
  // selection alone, and Enter clicks.
  int clicks = 0;
  tree->OnClick = [&](TObject*) { ++clicks; };
  tree->Perform(win::WM_KEYDOWN, win::VK_RIGHT, 0);
  EXPECT_EQ(tree->Selected()->Text(), "sub");  // expanded
  tree->Perform(win::WM_KEYDOWN, win::VK_RIGHT, 0);
  EXPECT_EQ(tree->Selected()->Text(), "deeper");
  EXPECT_EQ(list->Directory(), "C:\\data\\sub\\");
  tree->Perform(win::WM_KEYDOWN, win::VK_RETURN, 0);
  EXPECT_EQ(list->Directory(), "C:\\data\\sub\\deeper\\");
  EXPECT_EQ(clicks, 1);

  // Whichever goes first cuts the link.
  delete list;
  EXPECT_EQ(tree->FileList(), nullptr);
  list = LinkedList();
  delete tree;
  tree = nullptr;
  EXPECT_EQ(list->DirTree(), nullptr);
}

TEST_F(DirtreeTest, WatchersFollowFoldersOnDisk) {
  Folder("data/sub");
  ktvFileList* list = LinkedList();
  list->SetAutoUpdate(true);
  tree->SetAutoUpdate(true);
  EXPECT_EQ(tree->WatcherCount(), 0);  // no drive is expanded yet
  tree->SetDirectory("C:\\data");
  EXPECT_EQ(tree->WatcherCount(), 1);
  tree->Selected()->Expand(false);  // only what is shown is checked

  Folder("data/new folder");
  EXPECT_TRUE(PumpUntil([&] { return tree->GetNode("C:\\data")->Count() == 2; }));
  EXPECT_EQ(Texts(tree->GetNode("C:\\data")), (List{"new folder", "sub"}));
  EXPECT_TRUE(PumpUntil([&] { return list->FindName("new folder") != nullptr; }));
  EXPECT_EQ(tree->Directory(), "C:\\data\\");
  EXPECT_EQ(tree->Selected()->Text(), "data");
  EXPECT_EQ(tree->WatcherCount(), 1);  // made again with the drives

  std::filesystem::remove(Host("data/new folder"));
  EXPECT_TRUE(PumpUntil([&] { return tree->GetNode("C:\\data")->Count() == 1; }));
  EXPECT_TRUE(PumpUntil([&] { return list->FindName("new folder") == nullptr; }));

  tree->SetAutoUpdate(false);
  EXPECT_EQ(tree->WatcherCount(), 0);
}

TEST_F(DirtreeTest, JapaneseAndPunctuatedFolderNames) {
  Folder("data/日本語");
  Folder("data/a b;c");
  TTreeNode* data = tree->GetNode("C:\\data");
  data->Expand(false);
  EXPECT_EQ(Texts(data), (List{"a b;c", SJ("日本語")}));
  EXPECT_NE(tree->GetNode("C:\\data\\" + SJ("日本語")), nullptr);
}

TEST_F(DirtreeTest, UpdateTreeShowsWhatWasShown) {
  Folder("data/one/two");
  Folder("data/three");
  tree->SetDirectory("C:\\data\\one\\two");
  const List shown = tree->MakeDirList();
  tree->UpdateTree();
  EXPECT_EQ(tree->MakeDirList(), shown);
  EXPECT_EQ(tree->Directory(), "C:\\data\\one\\two\\");
  EXPECT_EQ(tree->GetPath(tree->Selected()), "C:\\data\\one\\two\\");
}

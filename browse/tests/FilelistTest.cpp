#include "browse/Filelist.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "browse/Dirtree.h"
#include "browse/tests/BrowseTestSupport.h"
#include "framework/DateUtils.h"
#include "framework/Format.h"
#include "framework/Palette.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Text.h"

using namespace browsetest;
using List = std::vector<std::string>;

namespace {

win::WIN32_FIND_DATAA Entry(const std::string& name, uint64_t size, win::DWORD attributes = 0x20) {
  win::WIN32_FIND_DATAA data{};
  data.dwFileAttributes = attributes;
  data.nFileSizeHigh = static_cast<win::DWORD>(size >> 32);
  data.nFileSizeLow = static_cast<win::DWORD>(size);
  std::strcpy(data.cFileName, ("C:\\x\\" + name).c_str());
  return data;
}

win::WIN32_FIND_DATAA FolderEntry(const std::string& name) { return Entry(name, 0, win::FILE_ATTRIBUTE_DIRECTORY); }

List Captions(const ktvFileList& list) {
  List captions;
  for (int i = 0; i < list.Items()->Count(); ++i) captions.push_back(list.Items()->Item(i)->Caption());
  return captions;
}

List SelectedCaptions(const ktvFileList& list) {
  List captions;
  for (int i = 0; i < list.Items()->Count(); ++i)
    if (list.Items()->Item(i)->Selected()) captions.push_back(list.Items()->Item(i)->Caption());
  return captions;
}

const std::string& SizeOf(const ktvFileList& list, const std::string& caption) {
  return list.FindName(caption)->SubItems().at(0);
}

class FilelistTest : public BrowseTest {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    list = new ktvFileList(form.get());
    list->SetParent(form.get());
    list->SetBounds(0, 0, 400, 300);
    list->HandleNeeded();
  }
  // Clicks the header of a column.
  void ClickColumn(int index) {
    int x = 3;
    for (int i = 0; i < index; ++i) x += list->Columns()->Items(i)->DisplayWidth();
    list->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MAKELPARAM(x, 4));
    list->Perform(win::WM_LBUTTONUP, 0, win::MAKELPARAM(x, 4));
  }
  // The sizes of every item, sorted as shown: folders first, then files.
  void AddSizes() {
    list->Add(Entry("small", 10));
    list->Add(FolderEntry("b-folder"));
    list->Add(Entry("huge", 5000000000));
    list->Add(Entry("big", 3000000000));
    list->Add(FolderEntry("a-folder"));
    list->Add(Entry("one", 1));
  }

  ktvFileList* list = nullptr;
};

}  // namespace

TEST_F(FilelistTest, SizeTextsChooseTheirUnit) {
  list->Add(Entry("5000", 5000));
  list->Add(Entry("4095", 4095));
  list->Add(Entry("4096", 4096));
  list->Add(Entry("4194304", 4194304));
  list->Add(Entry("high", uint64_t{1} << 32));
  EXPECT_EQ(SizeOf(*list, "5000"), FormatFloat("#,##0K", 5000.0 / 1024));
  EXPECT_EQ(SizeOf(*list, "5000"), "5K");
  EXPECT_EQ(SizeOf(*list, "4095"), FormatFloat("#,##0 ", 4095));
  EXPECT_EQ(SizeOf(*list, "4096"), "4K");
  EXPECT_EQ(SizeOf(*list, "4194304"), "4M");
  EXPECT_EQ(SizeOf(*list, "high"), "4G");

  ktvFileRecord record{};
  record.SizeLow = 5000;
  EXPECT_EQ(FileSizeText(record, afszByte), FormatFloat("#,##0 ", 5000));
  EXPECT_EQ(FileSizeText(record, afszKByte), "5K");
  EXPECT_EQ(FileSizeText(record, afszMByte), "0M");
  EXPECT_EQ(FileSizeText(record, afszGByte), "0G");
}

TEST_F(FilelistTest, AttributeAndDateTexts) {
  ktvFileRecord record{};
  EXPECT_EQ(FileAttributeText(record), "");
  record.Attributes = win::FILE_ATTRIBUTE_ARCHIVE | win::FILE_ATTRIBUTE_READONLY;
  EXPECT_EQ(FileAttributeText(record), "RA");
  record.Attributes = 0x37;
  EXPECT_EQ(FileAttributeText(record), "RHSAD");

  // Written in local time, whatever the zone.
  win::SYSTEMTIME local{2024, 3, 2, 5, 6, 7, 8, 0};
  win::FILETIME localTime{};
  ASSERT_TRUE(win::SystemTimeToFileTime(&local, &localTime));
  ASSERT_TRUE(win::LocalFileTimeToFileTime(&localTime, &record.LastWriteTime));
  EXPECT_EQ(FileDateText(record), "24/03/05 06:07:08");
}

TEST_F(FilelistTest, AFolderListsItsEntriesWithTheirColumns) {
  Write("data/a.txt", 5000);
  Write("data/with space;semi.txt", 3);
  Write("data/" + std::string("日本語.txt"), 1);
  Folder("data/sub");
  list->SetDirectory("C:\\data");
  EXPECT_EQ(list->Directory(), "C:\\data\\");
  ASSERT_EQ(list->Columns()->Count(), 4);
  EXPECT_EQ(list->Columns()->Items(0)->Caption(), SJ("名前"));
  EXPECT_EQ(list->Columns()->Items(1)->Caption(), SJ("サイズ"));
  EXPECT_EQ(list->Columns()->Items(2)->Caption(), SJ("日付"));
  EXPECT_EQ(list->Columns()->Items(3)->Caption(), SJ("属性"));
  EXPECT_EQ(list->Columns()->Items(1)->Alignment(), taRightJustify);
  EXPECT_EQ(list->Columns()->Items(3)->Alignment(), taRightJustify);
  EXPECT_EQ(list->Columns()->Items(0)->Width(), ColumnHeaderWidth);

  const List captions = Captions(*list);
  ASSERT_EQ(captions.size(), 4u);
  EXPECT_NE(list->FindName("with space;semi.txt"), nullptr);
  EXPECT_NE(list->FindName(SJ("日本語.txt")), nullptr);
  const TListItem* text = list->FindName("a.txt");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->SubItems().at(0), "5K");
  EXPECT_EQ(text->SubItems().at(2), "A");
  EXPECT_EQ(list->FindName("sub")->SubItems().at(2), "D");
  EXPECT_EQ(list->Record(text).SizeLow, 5000u);
}

TEST_F(FilelistTest, SizeOrderPutsFoldersFirstAndReversedLast) {
  AddSizes();
  list->SetSortType(fstSize);
  EXPECT_EQ(Captions(*list), (List{"a-folder", "b-folder", "one", "small", "big", "huge"}));
  list->SetSortDirection(true);
  EXPECT_EQ(Captions(*list), (List{"huge", "big", "small", "one", "b-folder", "a-folder"}));
}

TEST_F(FilelistTest, ColumnClicksSortToggleAndKeepTheDirection) {
  AddSizes();
  int changes = 0;
  int clicks = 0;
  list->OnSortTypeChange = [&](TObject*) { ++changes; };
  list->OnColumnClick = [&](TObject*, TListColumn*) { ++clicks; };
  ClickColumn(1);
  EXPECT_EQ(list->SortType(), fstSize);
  EXPECT_FALSE(list->SortDirection());
  EXPECT_EQ(Captions(*list), (List{"a-folder", "b-folder", "one", "small", "big", "huge"}));
  ClickColumn(1);
  EXPECT_TRUE(list->SortDirection());
  EXPECT_EQ(Captions(*list), (List{"huge", "big", "small", "one", "b-folder", "a-folder"}));
  ClickColumn(0);
  EXPECT_EQ(list->SortType(), fstName);
  EXPECT_TRUE(list->SortDirection());
  EXPECT_EQ(Captions(*list), (List{"small", "one", "huge", "big", "b-folder", "a-folder"}));
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(clicks, 3);
}

TEST_F(FilelistTest, OtherSortKindsAndTheUsersCompare) {
  list->Add(Entry("b.txt", 1, 0x20));
  list->Add(Entry("a.doc", 1, 0x21));
  list->Add(Entry("c.bmp", 1, 0x22));
  list->Add(FolderEntry("z"));
  list->SetSortType(fstExt);
  EXPECT_EQ(Captions(*list), (List{"z", "c.bmp", "a.doc", "b.txt"}));
  list->SetSortType(fstAttribute);  // hidden, then read-only, then archive
  EXPECT_EQ(Captions(*list), (List{"z", "c.bmp", "a.doc", "b.txt"}));
  list->SetSortType(fstName);
  EXPECT_EQ(Captions(*list), (List{"z", "a.doc", "b.txt", "c.bmp"}));

  // The user's compare decides alone: no folders first, no direction.
  list->OnCompare = [](TObject*, TListItem* a, TListItem* b, int, int& compare) {
    compare = -win::CompareFileNames(a->Caption(), b->Caption());
  };
  list->SetSortDirection(true);
  EXPECT_EQ(Captions(*list), (List{"z", "c.bmp", "b.txt", "a.doc"}));
}

TEST_F(FilelistTest, TimeOrderAndDirectoryOrderAgain) {
  Write("data/b.txt");
  Write("data/a.txt");
  Write("data/c.txt");
  const auto now = std::filesystem::file_time_type::clock::now();
  std::filesystem::last_write_time(Host("data/b.txt"), now - std::chrono::hours(3));
  std::filesystem::last_write_time(Host("data/a.txt"), now - std::chrono::hours(1));
  std::filesystem::last_write_time(Host("data/c.txt"), now - std::chrono::hours(2));
  list->SetDirectory("C:\\data\\");
  list->SetSortType(fstTime);
  EXPECT_EQ(Captions(*list), (List{"b.txt", "c.txt", "a.txt"}));
  list->SetSortType(fstNone);
  EXPECT_EQ(Captions(*list), (List{"a.txt", "b.txt", "c.txt"}));
}

TEST_F(FilelistTest, TheSameFolderInAnotherSpellingIsNotListedAgain) {
  Write("data/a.txt");
  list->SetDirectory("C:\\data");
  list->FindName("a.txt")->SetSelected(true);
  list->SetDirectory("c:\\DATA\\");
  EXPECT_EQ(list->Directory(), "C:\\data\\");
  EXPECT_EQ(SelectedCaptions(*list), List{"a.txt"});  // a new list would have lost it
}

TEST_F(FilelistTest, UpdateListKeepsTheSelectionOfNamesStillThere) {
  Write("data/a.txt");
  Write("data/b.txt");
  Write("data/c.txt");
  list->SetDirectory("C:\\data");
  list->SelectAll();
  EXPECT_EQ(list->SelCount(), 3);
  list->SelectChange();
  EXPECT_EQ(list->SelCount(), 0);
  list->FindName("a.txt")->SetSelected(true);
  list->FindName("c.txt")->SetSelected(true);
  std::filesystem::remove(Host("data/c.txt"));
  Write("data/d.txt");
  list->UpdateList();
  EXPECT_EQ(Captions(*list), (List{"a.txt", "b.txt", "d.txt"}));
  EXPECT_EQ(SelectedCaptions(*list), List{"a.txt"});
  list->SelectClear();
  EXPECT_EQ(list->SelCount(), 0);
}

TEST_F(FilelistTest, AFolderRemovedWhileListedGivesAnEmptyList) {
  Folder("data/gone");
  Write("data/gone/b.txt");
  list->SetDirectory("C:\\data\\gone");
  EXPECT_EQ(Captions(*list), List{"b.txt"});
  std::filesystem::remove_all(Host("data/gone"));
  list->UpdateList();
  EXPECT_TRUE(Captions(*list).empty());
}

TEST_F(FilelistTest, AnUnreadableFolderGivesAnEmptyList) {
  Write("data/file.txt");
  list->SetDirectory("C:\\data\\file.txt");  // a file read as a folder
  EXPECT_TRUE(Captions(*list).empty());

  if (geteuid() == 0) GTEST_SKIP() << "the superuser reads every folder";
  Folder("data/locked");
  Write("data/locked/a.txt");
  std::filesystem::permissions(Host("data/locked"), std::filesystem::perms::none);
  list->SetDirectory("C:\\data\\locked");
  EXPECT_TRUE(Captions(*list).empty());
  std::filesystem::permissions(Host("data/locked"), std::filesystem::perms::owner_all);
}

TEST_F(FilelistTest, DoubleClickingAFolderOpensIt) {
  Folder("data/sub");
  Write("data/sub/inside.txt");
  Write("data/file.txt");
  list->SetDirectory("C:\\data");
  int doubleClicks = 0;
  list->OnDblClick = [&](TObject*) { ++doubleClicks; };
  list->SetSelected(list->FindName("file.txt"));
  list->Perform(win::WM_KEYDOWN, win::VK_RETURN, 0);  // Enter opens as a double click does
  EXPECT_EQ(list->Directory(), "C:\\data\\");
  list->SetSelected(list->FindName("sub"));
  list->Perform(win::WM_KEYDOWN, win::VK_RETURN, 0);
  EXPECT_EQ(list->Directory(), "C:\\data\\sub\\");
  EXPECT_EQ(Captions(*list), List{"inside.txt"});
  EXPECT_EQ(doubleClicks, 2);
}

TEST_F(FilelistTest, TheWatcherFollowsTheFolderAfterItsHandlerReturned) {
  list->SetDirectory("C:\\data");
  list->SetAutoUpdate(true);
  ASSERT_TRUE(list->Watching());
  Write("data/new.txt");
  EXPECT_TRUE(PumpUntil([&] { return list->FindName("new.txt") != nullptr; }));
  Folder("data/folder");
  EXPECT_TRUE(PumpUntil([&] { return list->FindName("folder") != nullptr; }));
  std::filesystem::remove(Host("data/new.txt"));
  EXPECT_TRUE(PumpUntil([&] { return list->FindName("new.txt") == nullptr; }));
  std::filesystem::remove(Host("data/folder"));
  EXPECT_TRUE(PumpUntil([&] { return list->FindName("folder") == nullptr; }));

  // A report rebuilds nothing before the loop comes round.
  Write("data/late.txt");
  list->NotifyChange(nullptr);
  EXPECT_EQ(list->FindName("late.txt"), nullptr);
  Pump();
  EXPECT_NE(list->FindName("late.txt"), nullptr);
}

TEST_F(FilelistTest, AWatchedFolderRemovedLeavesAnEmptyList) {
  Folder("data/sub");
  Write("data/sub/a.txt");
  list->SetDirectory("C:\\data\\sub");
  list->SetAutoUpdate(true);
  ASSERT_EQ(Captions(*list), List{"a.txt"});
  std::filesystem::remove_all(Host("data/sub"));
  EXPECT_TRUE(PumpUntil([&] { return list->Items()->Count() == 0; }));
}

TEST_F(FilelistTest, ComponentsAreOnTheToskaPage) {
  Filelist::Register();
  Dirtree::Register();
  List names;
  for (const TComponentClass& type : PaletteClasses("TOSKA")) names.push_back(type.ClassName);
  EXPECT_NE(std::find(names.begin(), names.end(), "ktvFileList"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "ktvDirTree"), names.end());
}

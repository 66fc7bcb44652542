// ktvFileList: a report of the entries of one folder (name, size, date and
// attributes) with its own sorting rules, that can follow the changes of the
// folder through a directory watcher and keeps a linked directory tree on
// the folder it shows.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "browse/Fchange.h"
#include "framework/ComCtrls.h"
#include "framework/Streams.h"
#include "platform/Files.h"

class ktvDirTree;

enum ktvAutoFileSize { afszAuto, afszByte, afszKByte, afszMByte, afszGByte };
enum ktvFileSortType { fstNone, fstName, fstExt, fstSize, fstTime, fstAttribute };

// The part of a find-data record that the list keeps for each item: the
// attributes, the three times and the size.
struct ktvFileRecord {
  win::DWORD Attributes;
  win::FILETIME CreationTime;
  win::FILETIME LastAccessTime;
  win::FILETIME LastWriteTime;
  win::DWORD SizeHigh;
  win::DWORD SizeLow;
};
static_assert(sizeof(ktvFileRecord) == 36);

// The texts of an entry's columns.
std::string FileSizeText(const ktvFileRecord& Record, ktvAutoFileSize Kind);
std::string FileDateText(const ktvFileRecord& Record);
std::string FileAttributeText(const ktvFileRecord& Record);

// The columns are "名前", "サイズ", "日付" and "属性"; an item's caption is
// the entry's name, its sub-items the size, date and attribute texts, its
// data the offset of its record in the record store.
class ktvFileList : public TCustomListView {
 public:
  explicit ktvFileList(TComponent* AOwner);
  // A list without an owner, placed in a window of another unit.
  explicit ktvFileList(win::HWND ParentWindow);
  ~ktvFileList() override;

  // The folder shown, ending with '\'; setting another (by the platform's
  // file-name comparison) lists it and selects it in the linked tree.
  const std::string& Directory() const { return directory_; }
  void SetDirectory(std::string_view Path);
  ktvAutoFileSize AutoFileSize() const { return autoFileSize_; }
  void SetAutoFileSize(ktvAutoFileSize Kind);
  ktvFileSortType SortType() const { return sortType_; }
  void SetSortType(ktvFileSortType Kind);
  // True sorts in reverse, folders last.
  bool SortDirection() const { return sortDirection_; }
  void SetSortDirection(bool On);
  // Watch the folder and list it again on a change.
  bool AutoUpdate() const { return autoUpdate_; }
  void SetAutoUpdate(bool On);
  ktvDirTree* DirTree() const { return dirTree_; }
  void SetDirTree(ktvDirTree* Tree);

  void CreateColumn();
  void Add(const win::WIN32_FIND_DATAA& Record);
  // Adds every entry the pattern finds, volume labels left out.
  void Add(std::string_view Pattern);
  void MakeFileList();
  // Lists the folder again, keeping the selection of the names still there.
  void UpdateList();
  // The first item whose caption is Name, or none.
  TListItem* FindName(const std::string& Name) const;
  // A watcher saw a change: the list is made again once the watcher's
  // handler has returned, since that destroys the watcher.
  void NotifyChange(TObject* Watcher);
  // The record of an item.
  ktvFileRecord Record(const TListItem* Item) const;
  bool Watching() const { return watcher_ != nullptr; }

  void SelectClear();
  void SelectAll();
  void SelectChange();

  // The user's events; the list view's own serve the component. OnCompare,
  // when assigned, decides the order alone.
  TNotifyEvent OnDblClick;
  TLVColumnClickEvent OnColumnClick;
  TLVCompareEvent OnCompare;
  TNotifyEvent OnSortTypeChange;

 protected:
  void Init();
  void CreateWnd() override;

  void CompareEvent(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare);
  void DblClickEvent(TObject* Sender);
  void ColumnClickEvent(TObject* Sender, TListColumn* Column);

 private:
  bool Quiet() const;
  int CompareBySortType(TListItem* Item1, TListItem* Item2) const;
  void StartWatcher();
  void PostChange();

  std::string directory_;
  ktvAutoFileSize autoFileSize_ = afszAuto;
  ktvFileSortType sortType_ = fstNone;
  bool sortDirection_ = false;
  bool autoUpdate_ = false;
  ktvDirTree* dirTree_ = nullptr;
  std::unique_ptr<TMemoryStream> records_;
  std::unique_ptr<ktvDirNotifyChange> watcher_;
  bool changePosted_ = false;
  win::HWND notifyWindow_{};
};

namespace Filelist {

void Register();

}  // namespace Filelist

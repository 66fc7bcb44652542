#include "browse/Filelist.h"

#include <cstring>
#include <vector>

#include "browse/Dirtree.h"
#include "browse/File.h"
#include "browse/Findfile.h"
#include "framework/DateUtils.h"
#include "framework/Format.h"
#include "framework/Forms.h"
#include "framework/Palette.h"
#include "framework/SysUtils.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Text.h"

namespace {

// Posted to the list's own window when its watcher reported.
constexpr win::UINT WM_DIRCHANGED = win::WM_USER + 1;
// A volume label is no entry of the folder.
constexpr win::DWORD kVolumeLabel = 8;
constexpr int kInitialStoreSize = 9216;

bool IsFolder(const ktvFileRecord& Record) { return Record.Attributes & win::FILE_ATTRIBUTE_DIRECTORY; }

uint64_t Size(const ktvFileRecord& Record) { return (uint64_t{Record.SizeHigh} << 32) | Record.SizeLow; }

// Folders weigh most, then system, hidden, read-only and archive.
int Rank(const ktvFileRecord& Record) {
  int rank = 0;
  if (Record.Attributes & win::FILE_ATTRIBUTE_DIRECTORY) rank += 16;
  if (Record.Attributes & win::FILE_ATTRIBUTE_SYSTEM) rank += 8;
  if (Record.Attributes & win::FILE_ATTRIBUTE_HIDDEN) rank += 4;
  if (Record.Attributes & win::FILE_ATTRIBUTE_READONLY) rank += 2;
  if (Record.Attributes & win::FILE_ATTRIBUTE_ARCHIVE) rank += 1;
  return rank;
}

int Sign(int64_t value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

}  // namespace

std::string FileSizeText(const ktvFileRecord& Record, ktvAutoFileSize Kind) {
  const double size = static_cast<double>(Size(Record));
  if (Kind == afszAuto) {
    Kind = Record.SizeHigh != 0 ? afszGByte : size >= 4194304 ? afszMByte : size >= 4096 ? afszKByte : afszByte;
  }
  switch (Kind) {
    case afszKByte: return FormatFloat("#,##0K", size / 1024);
    case afszMByte: return FormatFloat("#,##0M", size / 1048576);
    case afszGByte: return FormatFloat("#,##0G", size / 1073741824);
    default: return FormatFloat("#,##0 ", size);
  }
}

std::string FileDateText(const ktvFileRecord& Record) {
  win::FILETIME local{};
  win::SYSTEMTIME time{};
  if (!win::FileTimeToLocalFileTime(&Record.LastWriteTime, &local) || !win::FileTimeToSystemTime(&local, &time))
    return {};
  return FormatDateTime("yy/mm/dd hh:nn:ss", SystemTimeToDateTime(time));
}

std::string FileAttributeText(const ktvFileRecord& Record) {
  static constexpr struct {
    win::DWORD bit;
    char letter;
  } kLetters[] = {{win::FILE_ATTRIBUTE_READONLY, 'R'},
                  {win::FILE_ATTRIBUTE_HIDDEN, 'H'},
                  {win::FILE_ATTRIBUTE_SYSTEM, 'S'},
                  {win::FILE_ATTRIBUTE_ARCHIVE, 'A'},
                  {win::FILE_ATTRIBUTE_DIRECTORY, 'D'}};
  std::string text;
  for (const auto& letter : kLetters)
    if (Record.Attributes & letter.bit) text += letter.letter;
  return text;
}

ktvFileList::ktvFileList(TComponent* AOwner) : TCustomListView(AOwner) { Init(); }

ktvFileList::ktvFileList(win::HWND ParentWindow) : TCustomListView(nullptr) {
  Init();
  SetParentWindow(ParentWindow);
}

void ktvFileList::Init() {
  records_ = std::make_unique<TMemoryStream>();
  records_->SetSize(kInitialStoreSize);
  TCustomListView::SetSortType(stBoth);
  TCustomListView::OnDblClick = [this](TObject* Sender) { DblClickEvent(Sender); };
  TCustomListView::OnColumnClick = [this](TObject* Sender, TListColumn* Column) { ColumnClickEvent(Sender, Column); };
  TCustomListView::OnCompare = [this](TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare) {
    CompareEvent(Sender, Item1, Item2, Data, Compare);
  };
  SetViewStyle(vsReport);
  // Selecting all and inverting the selection need more than one.
  SetMultiSelect(true);
  SetBounds(Left(), Top(), 150, 97);
}

ktvFileList::~ktvFileList() {
  watcher_.reset();
  if (notifyWindow_) DeallocateHWnd(notifyWindow_);
  if (dirTree_) dirTree_->SetFileList(nullptr);
}

void ktvFileList::CreateWnd() {
  TCustomListView::CreateWnd();
  SetColumnClick(true);
  CreateColumn();
}

bool ktvFileList::Quiet() const {
  const TComponentState state = ComponentState();
  return state.Contains(csLoading) || state.Contains(csReading) || state.Contains(csDesigning);
}

void ktvFileList::CreateColumn() {
  Columns()->Clear();
  const struct {
    const std::string& caption;
    TAlignment alignment;
  } columns[] = {{SJ("名前"), taLeftJustify},
                 {SJ("サイズ"), taRightJustify},
                 {SJ("日付"), taLeftJustify},
                 {SJ("属性"), taRightJustify}};
  for (const auto& heading : columns) {
    TListColumn* column = Columns()->Add();
    column->SetCaption(heading.caption);
    column->SetAlignment(heading.alignment);
    column->SetWidth(ColumnHeaderWidth);
  }
}

void ktvFileList::Add(const win::WIN32_FIND_DATAA& Data) {
  ktvFileRecord record;
  std::memcpy(&record, &Data, sizeof record);
  TListItem* item = Items()->Add();
  const int64_t offset = records_->Size();
  records_->SetPosition(offset);
  records_->Write(&record, sizeof record);
  item->SetData(static_cast<intptr_t>(offset));
  item->AddSubItem(FileSizeText(record, autoFileSize_));
  item->AddSubItem(FileDateText(record));
  item->AddSubItem(FileAttributeText(record));
  item->SetCaption(FileNamePart(Data.cFileName));
}

void ktvFileList::Add(std::string_view Pattern) {
  ktFindFile finder(Pattern);
  finder.ExcludeMask = kVolumeLabel;
  while (finder.Next()) Add(finder.FindData);
}

ktvFileRecord ktvFileList::Record(const TListItem* Item) const {
  ktvFileRecord record{};
  const int64_t offset = Item->Data();
  if (offset >= 0 && offset + static_cast<int64_t>(sizeof record) <= records_->Size())
    std::memcpy(&record, static_cast<const char*>(records_->Memory()) + offset, sizeof record);
  return record;
}

void ktvFileList::MakeFileList() {
  const TCursor cursor = Screen->Cursor();
  Screen->SetCursor(crHourGlass);
  watcher_.reset();
  Items()->Clear();
  CreateColumn();
  records_->Clear();
  if (!directory_.empty()) {
    Items()->BeginUpdate();
    try {
      Add(JoinPath(directory_, "*.*"));
    } catch (...) {
      Items()->EndUpdate();
      Screen->SetCursor(cursor);
      throw;
    }
    Items()->EndUpdate();
    if (autoUpdate_ && !Quiet()) StartWatcher();
  }
  Screen->SetCursor(cursor);
}

void ktvFileList::StartWatcher() {
  watcher_ = std::make_unique<ktvDirNotifyChange>(directory_, 0, false);
  watcher_->OnChange = [this](TObject* Sender) { NotifyChange(Sender); };
  watcher_->Start();
}

int ktvFileList::CompareBySortType(TListItem* Item1, TListItem* Item2) const {
  const ktvFileRecord record1 = Record(Item1);
  const ktvFileRecord record2 = Record(Item2);
  if (IsFolder(record1) != IsFolder(record2)) return IsFolder(record1) ? -1 : 1;
  int result = 0;
  switch (sortType_) {
    case fstExt:
      result = win::CompareFileNames(ExtensionPart(Item1->Caption()), ExtensionPart(Item2->Caption()));
      break;
    // The whole 64-bit sizes: a difference of the halves would overflow
    // for sizes 2 GB apart.
    case fstSize: result = Size(record1) < Size(record2) ? -1 : Size(record1) > Size(record2) ? 1 : 0; break;
    case fstTime: result = win::CompareFileTime(&record1.LastWriteTime, &record2.LastWriteTime); break;
    case fstAttribute: result = Sign(Rank(record2) - Rank(record1)); break;
    default: break;
  }
  if (result == 0) result = win::CompareFileNames(Item1->Caption(), Item2->Caption());
  return result;
}

void ktvFileList::CompareEvent(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare) {
  if (OnCompare) {
    OnCompare(Sender, Item1, Item2, Data, Compare);
    return;
  }
  Compare = sortType_ == fstNone ? 0 : CompareBySortType(Item1, Item2);
  if (sortDirection_) Compare = -Compare;
}

void ktvFileList::ColumnClickEvent(TObject* Sender, TListColumn* Column) {
  static constexpr ktvFileSortType kKinds[] = {fstName, fstSize, fstTime, fstAttribute};
  int index = 0;
  while (index < Columns()->Count() && Columns()->Items(index) != Column) ++index;
  const ktvFileSortType kind = index < 4 ? kKinds[index] : fstNone;
  if (kind == sortType_)
    SetSortDirection(!sortDirection_);
  else
    SetSortType(kind);
  if (OnColumnClick) OnColumnClick(Sender, Column);
}

void ktvFileList::SetSortType(ktvFileSortType Kind) {
  sortType_ = Kind;
  if (Kind != fstNone)
    AlphaSort();
  else
    UpdateList();
  if (OnSortTypeChange) OnSortTypeChange(this);
}

void ktvFileList::SetSortDirection(bool On) {
  sortDirection_ = On;
  AlphaSort();
  if (OnSortTypeChange) OnSortTypeChange(this);
}

void ktvFileList::DblClickEvent(TObject* Sender) {
  if (TListItem* item = Selected(); item && IsFolder(Record(item)))
    SetDirectory(JoinPath(directory_, item->Caption()));
  if (OnDblClick) OnDblClick(Sender);
}

void ktvFileList::SetDirectory(std::string_view Path) {
  const std::string path = Path.empty() ? std::string() : IncludeTrailingBackslash(Path);
  if (win::CompareFileNames(path, directory_) == 0) return;
  directory_ = path;
  if (dirTree_) dirTree_->SetDirectory(directory_);
  if (!directory_.empty()) MakeFileList();
}

void ktvFileList::UpdateList() {
  std::vector<std::string> selected;
  for (int i = 0; i < Items()->Count(); ++i)
    if (Items()->Item(i)->Selected()) selected.push_back(Items()->Item(i)->Caption());
  MakeFileList();
  for (const std::string& name : selected)
    if (TListItem* item = FindName(name)) item->SetSelected(true);
}

TListItem* ktvFileList::FindName(const std::string& Name) const { return FindCaption(0, Name, false, true, false); }

void ktvFileList::NotifyChange(TObject*) { PostChange(); }

void ktvFileList::PostChange() {
  if (changePosted_) return;
  if (!notifyWindow_) notifyWindow_ = AllocateHWnd([this](TMessage& Message) {
    if (Message.Msg != WM_DIRCHANGED) return;
    changePosted_ = false;
    UpdateList();
  });
  changePosted_ = notifyWindow_ && win::PostMessageA(notifyWindow_, WM_DIRCHANGED, 0, 0);
}

void ktvFileList::SetAutoFileSize(ktvAutoFileSize Kind) {
  autoFileSize_ = Kind;
  MakeFileList();
}

void ktvFileList::SetAutoUpdate(bool On) {
  autoUpdate_ = On;
  watcher_.reset();
  if (On && !directory_.empty()) StartWatcher();
}

void ktvFileList::SetDirTree(ktvDirTree* Tree) {
  if (Tree == dirTree_) return;
  dirTree_ = Tree;
  if (Tree) Tree->SetFileList(this);
}

void ktvFileList::SelectClear() {
  for (int i = 0; i < Items()->Count(); ++i) Items()->Item(i)->SetSelected(false);
}

void ktvFileList::SelectAll() {
  for (int i = 0; i < Items()->Count(); ++i) Items()->Item(i)->SetSelected(true);
}

void ktvFileList::SelectChange() {
  for (int i = 0; i < Items()->Count(); ++i) Items()->Item(i)->SetSelected(!Items()->Item(i)->Selected());
}

namespace Filelist {

void Register() { RegisterComponents("TOSKA", {ComponentClassOf<ktvFileList>()}); }

}  // namespace Filelist

#include "browse/Dirtree.h"

#include <algorithm>

#include "browse/File.h"
#include "browse/Filelist.h"
#include "browse/Findfile.h"
#include "framework/Forms.h"
#include "framework/Palette.h"
#include "framework/SysUtils.h"
#include "platform/Files.h"
#include "platform/Messages.h"

namespace {

// Posted to the tree's own window when a watcher reported.
constexpr win::UINT WM_DIRCHANGED = win::WM_USER + 1;

bool IsFolder(const win::WIN32_FIND_DATAA& Data) { return Data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY; }

// Whether the folder holds a folder.
bool HasSubfolder(const std::string& Folder) {
  ktFindFile finder(JoinPath(Folder, "*.*"));
  finder.ExcludeMask = kFolderExcludeMask;
  while (finder.Next())
    if (IsFolder(finder.FindData)) return true;
  return false;
}

}  // namespace

ktvDirTree::ktvDirTree(TComponent* AOwner) : TCustomTreeView(AOwner) { Init(); }

ktvDirTree::ktvDirTree(win::HWND ParentWindow) : TCustomTreeView(nullptr) {
  Init();
  SetParentWindow(ParentWindow);
}

void ktvDirTree::Init() {
  SetBounds(Left(), Top(), 150, 97);
  SetHideSelection(false);
  SetReadOnly(false);
  TCustomTreeView::OnExpanding = [this](TObject* Sender, TTreeNode* Node, bool& Allow) {
    DirExpanding(Sender, Node, Allow);
  };
  TCustomTreeView::OnChange = [this](TObject* Sender, TTreeNode* Node) { DirChange(Sender, Node); };
  TCustomTreeView::OnClick = [this](TObject* Sender) { DirClick(Sender); };
}

ktvDirTree::~ktvDirTree() {
  ClearDirNotifyChange();
  if (notifyWindow_) DeallocateHWnd(notifyWindow_);
  if (fileList_) fileList_->SetDirTree(nullptr);
}

void ktvDirTree::CreateWnd() {
  TCustomTreeView::CreateWnd();
  MakeDirTree();
}

bool ktvDirTree::Quiet() const {
  const TComponentState state = ComponentState();
  return state.Contains(csLoading) || state.Contains(csReading) || state.Contains(csDesigning);
}

std::string ktvDirTree::GetPath(TTreeNode* Node) const {
  std::string path;
  for (TTreeNode* node = Node; node; node = node->Parent()) path.insert(0, node->Text() + "\\");
  return path;
}

TTreeNode* ktvDirTree::GetRootNode(TTreeNode* Node) const {
  if (!Node) return nullptr;
  while (Node->Parent()) Node = Node->Parent();
  return Node;
}

void ktvDirTree::MakeDirTree() {
  ClearDirNotifyChange();
  Items()->Clear();
  const win::DWORD drives = win::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if (!(drives & (1u << letter))) continue;
    TTreeNode* node = Items()->AddChild(nullptr, std::string(1, static_cast<char>('A' + letter)) + ":");
    node->SetHasChildren(true);
  }
  SetAutoUpdate(autoUpdate_);
}

bool ktvDirTree::MakeDirTree(TTreeNode* Node) {
  if (Quiet()) return false;
  const TCursor cursor = Screen->Cursor();
  Screen->SetCursor(crHourGlass);
  Items()->BeginUpdate();
  Node->DeleteChildren();
  ktFindFile finder(GetPath(Node) + "*.*");
  while (finder.Next()) {
    if (!IsFolder(finder.FindData)) continue;
    const std::string path = finder.FindData.cFileName;
    TTreeNode* child = Items()->AddChild(Node, FileNamePart(path));
    child->SetHasChildren(HasSubfolder(path));
  }
  Node->AlphaSort();
  Items()->EndUpdate();
  Screen->SetCursor(cursor);
  return Node->Count() > 0;
}

void ktvDirTree::DirExpanding(TObject* Sender, TTreeNode* Node, bool& Allow) {
  if (Node->HasChildren()) {
    Allow = (revealing_ && Node->Count() > 0) || MakeDirTree(Node);
    // A folder found empty shows no button any more.
    if (!Allow && !Quiet()) Node->SetHasChildren(false);
    if (Allow) CheckCreateThread(Node);
  }
  if (OnExpanding) OnExpanding(Sender, Node, Allow);
}

TTreeNode* ktvDirTree::GetNode(std::string_view Path) {
  const std::string path = IncludeTrailingBackslash(Path);
  for (int i = 0; i < Items()->TopLevelCount(); ++i)
    if (TTreeNode* node = GetNode(Items()->TopLevelItem(i), path)) return node;
  return nullptr;
}

TTreeNode* ktvDirTree::GetNode(TTreeNode* Node, std::string_view Path) {
  const std::string nodePath = GetPath(Node);
  if (Path.size() < nodePath.size() || !AnsiSameText(Path.substr(0, nodePath.size()), nodePath)) return nullptr;
  if (Path.size() == nodePath.size()) return Node;
  if (Node->HasChildren() && Node->Count() == 0) MakeDirTree(Node);
  for (int i = 0; i < Node->Count(); ++i)
    if (TTreeNode* found = GetNode(Node->Item(i), Path)) return found;
  return nullptr;
}

void ktvDirTree::SetDirectory(std::string_view Path) {
  if (Path.empty()) {
    directory_.clear();
    TCustomTreeView::SetSelected(nullptr);
    return;
  }
  if (TTreeNode* node = GetNode(IncludeTrailingBackslash(Path))) SetSelected(node);
}

void ktvDirTree::SetSelected(TTreeNode* Node) {
  revealing_ = true;
  try {
    TCustomTreeView::SetSelected(Node);
  } catch (...) {
    revealing_ = false;
    throw;
  }
  revealing_ = false;
  directory_ = Selected() ? GetPath(Selected()) : std::string();
  if (fileList_) fileList_->SetDirectory(directory_);
}

void ktvDirTree::DirClick(TObject* Sender) {
  if (Selected()) SetSelected(Selected());
  if (OnClick) OnClick(Sender);
}

void ktvDirTree::DirChange(TObject* Sender, TTreeNode* Node) {
  if (OnChange) OnChange(Sender, Node);
}

void ktvDirTree::SetFileList(ktvFileList* List) {
  if (List == fileList_) return;
  fileList_ = List;
  if (!List) return;
  List->SetDirTree(this);
  List->SetDirectory(directory_);
}

void ktvDirTree::SetAutoUpdate(bool On) {
  autoUpdate_ = On;
  if (Quiet()) return;
  ClearDirNotifyChange();
  if (On) CheckCreateThread(nullptr);
}

void ktvDirTree::ClearDirNotifyChange() { watchers_.clear(); }

void ktvDirTree::CheckCreateThread(TTreeNode* Node) {
  TTreeNode* root = GetRootNode(Node);
  for (int i = 0; i < Items()->TopLevelCount(); ++i) {
    TTreeNode* drive = Items()->TopLevelItem(i);
    if (drive != root && !drive->Expanded()) continue;
    const std::string path = GetPath(drive);
    const bool watched = std::any_of(watchers_.begin(), watchers_.end(),
                                     [&](const auto& watcher) { return watcher->Path() == path; });
    if (watched) continue;
    auto watcher = std::make_unique<ktvDirNotifyChange>(path, 0, true);
    watcher->OnChange = [this](TObject* Sender) { NotifyChange(Sender); };
    watcher->Start();
    watchers_.push_back(std::move(watcher));
  }
}

void ktvDirTree::NotifyChange(TObject* Watcher) {
  PostChange(static_cast<ktvDirNotifyChange*>(Watcher)->Path());
}

void ktvDirTree::PostChange(const std::string& Drive) {
  const bool posted = !changedDrives_.empty();
  changedDrives_.insert(Drive);
  if (posted) return;
  if (!notifyWindow_) notifyWindow_ = AllocateHWnd([this](TMessage& Message) {
    if (Message.Msg == WM_DIRCHANGED) ChangesArrived();
  });
  if (!notifyWindow_ || !win::PostMessageA(notifyWindow_, WM_DIRCHANGED, 0, 0)) changedDrives_.clear();
}

void ktvDirTree::ChangesArrived() {
  const std::set<std::string> drives = std::move(changedDrives_);
  changedDrives_.clear();
  for (int i = 0; i < Items()->TopLevelCount(); ++i) {
    TTreeNode* drive = Items()->TopLevelItem(i);
    if (!drives.count(GetPath(drive)) || !drive->Expanded() || !CheckDirChange(drive)) continue;
    UpdateTree();
    return;
  }
}

bool ktvDirTree::CheckDirChange(TTreeNode* Node) {
  for (int i = 0; i < Node->Count(); ++i) {
    TTreeNode* child = Node->Item(i);
    const win::DWORD attributes = win::GetFileAttributesA(ExcludeTrailingBackslash(GetPath(child)).c_str());
    if (attributes == win::INVALID_FILE_ATTRIBUTES || !(attributes & win::FILE_ATTRIBUTE_DIRECTORY)) return true;
    if (child->Expanded() && CheckDirChange(child)) return true;
  }
  ktFindFile finder(GetPath(Node) + "*.*");
  while (finder.Next())
    if (IsFolder(finder.FindData) && !GetNode(finder.FindData.cFileName)) return true;
  return false;
}

void ktvDirTree::MakeDirList(std::vector<std::string>& List, TTreeNode* Node) const {
  List.push_back(GetPath(Node));
  if (!Node->Expanded()) return;
  for (int i = 0; i < Node->Count(); ++i) MakeDirList(List, Node->Item(i));
}

std::vector<std::string> ktvDirTree::MakeDirList() const {
  std::vector<std::string> list;
  for (int i = 0; i < Items()->TopLevelCount(); ++i) MakeDirList(list, Items()->TopLevelItem(i));
  return list;
}

void ktvDirTree::UpdateTree() {
  const std::vector<std::string> shown = MakeDirList();
  Items()->BeginUpdate();
  try {
    MakeDirTree();
    for (const std::string& path : shown) {
      TTreeNode* node = GetNode(path);
      TTreeNode* parent = node ? node->Parent() : nullptr;
      if (parent && !parent->Expanded()) parent->Expand(false);
    }
    SetDirectory(directory_);
  } catch (...) {
    Items()->EndUpdate();
    throw;
  }
  Items()->EndUpdate();
}

namespace Dirtree {

void Register() { RegisterComponents("TOSKA", {ComponentClassOf<ktvDirTree>()}); }

}  // namespace Dirtree

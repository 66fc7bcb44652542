// ktvDirTree: a tree of the drives and their folders, filled as nodes are
// expanded, that can follow the changes on disk through directory watchers
// and keeps a linked file list showing the selected folder.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "browse/Fchange.h"
#include "framework/ComCtrls.h"

class ktvFileList;

// The path of a node is the texts of its ancestors and its own, each
// followed by '\' ("C:\data\music\"); the top-level nodes are the drives.
class ktvDirTree : public TCustomTreeView {
 public:
  explicit ktvDirTree(TComponent* AOwner);
  // A tree without an owner, placed in a window of another unit.
  explicit ktvDirTree(win::HWND ParentWindow);
  ~ktvDirTree() override;

  // The selected folder, ending with '\'.
  const std::string& Directory() const { return directory_; }
  // Selects the folder's node, listing its parents as needed; a path the
  // tree cannot find leaves the selection as it is. The empty path clears
  // the selection.
  void SetDirectory(std::string_view Path);
  ktvFileList* FileList() const { return fileList_; }
  void SetFileList(ktvFileList* List);
  // Watch the drives whose nodes are expanded, and rebuild on a change.
  bool AutoUpdate() const { return autoUpdate_; }
  void SetAutoUpdate(bool On);

  // The node of a path (with or without its final '\'), listing on the way
  // the children of nodes not listed yet; none when there is none.
  TTreeNode* GetNode(std::string_view Path);
  TTreeNode* GetNode(TTreeNode* Node, std::string_view Path);
  TTreeNode* GetRootNode(TTreeNode* Node) const;
  std::string GetPath(TTreeNode* Node) const;
  // Lists the folders of the node's folder as its children; false when it
  // has none (or while loading or designing).
  bool MakeDirTree(TTreeNode* Node);
  // Rebuilds the drives.
  void MakeDirTree();
  // The paths of the nodes shown below Node (Node's own included), in order.
  void MakeDirList(std::vector<std::string>& List, TTreeNode* Node) const;
  std::vector<std::string> MakeDirList() const;
  // Rebuilds the drives and shows again every node that was shown.
  void UpdateTree();
  // Selects the node, makes its path the Directory and shows it in the
  // file list.
  void SetSelected(TTreeNode* Node);
  void ClearDirNotifyChange();
  // Whether the folders below the node changed since they were listed.
  bool CheckDirChange(TTreeNode* Node);
  // A watcher saw a change on its drive: the check and the rebuild follow
  // once the watcher's handler has returned, since the rebuild destroys
  // the watchers.
  void NotifyChange(TObject* Watcher);
  // Watches the drive of Node and of every expanded drive.
  void CheckCreateThread(TTreeNode* Node);
  int WatcherCount() const { return static_cast<int>(watchers_.size()); }

  // The user's events; the tree view's own serve the component.
  TTVChangedEvent OnChange;
  TTVExpandingEvent OnExpanding;
  TNotifyEvent OnClick;

 protected:
  void Init();
  void CreateWnd() override;

  void DirExpanding(TObject* Sender, TTreeNode* Node, bool& Allow);
  void DirChange(TObject* Sender, TTreeNode* Node);
  void DirClick(TObject* Sender);

 private:
  bool Quiet() const;
  void PostChange(const std::string& Drive);
  void ChangesArrived();

  std::string directory_;
  ktvFileList* fileList_ = nullptr;
  bool autoUpdate_ = false;
  std::vector<std::unique_ptr<ktvDirNotifyChange>> watchers_;
  // Expanding the parents of a node to show it keeps the children it was
  // found among (listing them again would destroy it).
  bool revealing_ = false;
  // The drives whose watchers reported, until their check runs.
  std::set<std::string> changedDrives_;
  win::HWND notifyWindow_{};
};

namespace Dirtree {

void Register();

}  // namespace Dirtree

// ktFindFile: an iterator over the directory entries that match a pattern,
// which can go on into further folders: those of a list the caller gives,
// those an environment variable lists, and with Recursive the folders below.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Files.h"
#include "platform/Types.h"

// Entries whose attributes share a bit with this are not folders to walk
// into: everything but read-only, hidden, system and directory excludes one,
// links to folders (reparse points) included, so that no walk can circle in
// a link loop.
constexpr win::DWORD kFolderExcludeMask = 0xFFFFFFE8;

// After each successful Next, FindData describes the entry, its name field
// holding the entry's full path (the plain name where the full path would
// reach MAX_PATH characters).
//
// The folders of the walk: with ExtraList or VariableName set, the pattern
// as it is first, then the pattern joined to each folder of the lists in
// turn. With Recursive, each search goes on into the folders below its own
// (below the current folder for a pattern without a base), depth first, in
// the order found. That is for a relative pattern only: a pattern that names
// a drive or starts at a root ("C:\x\*.*", "C:*.*", "\x\*.*") names one
// folder, and joined to another folder it would name nothing, so a finder
// with one lists that folder alone.
class ktFindFile {
 public:
  // An idle finder: Next is false until Start.
  ktFindFile() = default;
  // Starts a search for Pattern, relative to the current folder.
  explicit ktFindFile(std::string_view Pattern);
  ~ktFindFile();
  ktFindFile(const ktFindFile&) = delete;
  ktFindFile& operator=(const ktFindFile&) = delete;

  // Begins a search for Pattern in Base; true when a first entry was found.
  // A pattern that names nothing, or a folder that cannot be read, gives a
  // finder whose Next is false.
  bool Start(std::string_view Base, std::string_view Pattern);
  // Moves to the next entry; false when there is none.
  bool Next();

  // A search leaves the short name empty for a name that is a valid 8.3
  // name itself; a name shorter than 13 characters is then its short name.
  static void CompleteShortName(win::WIN32_FIND_DATAA& Data);

  win::WIN32_FIND_DATAA FindData{};
  // Entries whose attributes share a bit with this are skipped.
  win::DWORD ExcludeMask = 0;
  // "." and ".." are returned too.
  bool IncludeDots = false;
  bool Recursive = true;
  // The name of an environment variable whose value is a folder list.
  std::string VariableName;
  // Folders separated by ";".
  std::string ExtraList;

 private:
  std::string SearchPath() const;
  void CloseSearch();
  // The entry of this finder's own search, as the finder returns it; false
  // when it is to be skipped.
  bool Accept();
  // The child's next entry, going on to the next pending folder whenever
  // the child has no more; false once every pending folder is done.
  bool NextFromChild();
  bool StartChild(std::string_view Base);

  // The folders still to visit, in order.
  std::deque<std::string> pending_;
  // The finder that visits the pending folders.
  std::unique_ptr<ktFindFile> child_;
  std::string pattern_;
  std::string base_;
  // The first entry found by Start has not been returned yet.
  bool firstPending_ = false;
  win::HANDLE search_ = nullptr;
};

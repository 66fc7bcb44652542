#include "browse/Findfile.h"

#include <cstring>
#include <vector>

#include "browse/File.h"
#include "framework/SysUtils.h"
#include "platform/Process.h"

namespace {

constexpr size_t kShortNameLimit = 13;  // 8.3 and the terminator fit the field

// The folders of a list separated by ";", without empty ones.
std::deque<std::string> SplitFolderList(std::string_view List) {
  std::deque<std::string> folders;
  while (!List.empty()) {
    const int separator = AnsiPos(";", List);
    const size_t end = separator == 0 ? List.size() : static_cast<size_t>(separator) - 1;
    if (end > 0) folders.emplace_back(List.substr(0, end));
    List.remove_prefix(separator == 0 ? List.size() : end + 1);
  }
  return folders;
}

// The value of an environment variable; empty when it is not set.
std::string EnvironmentValue(const std::string& Name) {
  std::vector<char> buffer(256);
  for (;;) {
    const win::DWORD length =
        win::GetEnvironmentVariableA(Name.c_str(), buffer.data(), static_cast<win::DWORD>(buffer.size()));
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length);  // the size needed: the value grew meanwhile, or is long
  }
}

bool IsAbsolutePattern(std::string_view Pattern) {
  const bool drive = Pattern.size() >= 2 && Pattern[1] == ':' && ByteType(Pattern, 1) == mbSingleByte;
  return drive || (!Pattern.empty() && Pattern[0] == '\\');
}

bool IsDots(const char* Name) { return std::strcmp(Name, ".") == 0 || std::strcmp(Name, "..") == 0; }

// The folders directly in Folder, in the order found. A folder whose full
// path would reach MAX_PATH is left out: only its plain name is known, and
// that would be taken against the current folder.
std::deque<std::string> Subfolders(std::string_view Folder) {
  ktFindFile finder;
  finder.Recursive = false;
  finder.ExcludeMask = kFolderExcludeMask;
  std::deque<std::string> folders;
  finder.Start("", JoinPath(Folder, "*.*"));
  while (finder.Next()) {
    const std::string_view name = finder.FindData.cFileName;
    if ((finder.FindData.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) && FileNamePart(name) != name)
      folders.emplace_back(name);
  }
  return folders;
}

}  // namespace

ktFindFile::ktFindFile(std::string_view Pattern) { Start("", Pattern); }

ktFindFile::~ktFindFile() { CloseSearch(); }

void ktFindFile::CompleteShortName(win::WIN32_FIND_DATAA& Data) {
  if (Data.cAlternateFileName[0] != '\0') return;
  const size_t length = std::strlen(Data.cFileName);
  if (length < kShortNameLimit) std::memcpy(Data.cAlternateFileName, Data.cFileName, length + 1);
}

bool ktFindFile::Start(std::string_view Base, std::string_view Pattern) {
  CloseSearch();
  base_ = Base;
  pattern_ = Pattern;
  pending_ = SplitFolderList(ExtraList);
  child_.reset();
  firstPending_ = false;
  if (!VariableName.empty()) {
    std::deque<std::string> listed = SplitFolderList(EnvironmentValue(VariableName));
    pending_.insert(pending_.end(), listed.begin(), listed.end());
  }
  if (!pending_.empty()) {
    // The pattern as it is comes first, then the folders of the lists.
    return StartChild("");
  }
  if (Recursive && !IsAbsolutePattern(pattern_)) pending_ = Subfolders(base_);
  const std::string search = SearchPath();
  if (search.empty()) return false;
  search_ = win::FindFirstFileA(search.c_str(), &FindData);
  if (search_ == win::INVALID_HANDLE_VALUE) search_ = nullptr;
  firstPending_ = search_ != nullptr;
  return firstPending_;
}

bool ktFindFile::Next() {
  if (firstPending_) {
    firstPending_ = false;
    if (Accept()) return true;
  }
  for (;;) {
    if (child_) return NextFromChild();
    if (search_ && win::FindNextFileA(search_, &FindData)) {
      if (Accept()) return true;
      continue;
    }
    CloseSearch();
    if (pending_.empty()) return false;
    child_ = std::make_unique<ktFindFile>();
  }
}

bool ktFindFile::NextFromChild() {
  for (;;) {
    // An entry of a child is complete: it passed the child's own rules.
    if (child_->Next()) {
      FindData = child_->FindData;
      return true;
    }
    if (pending_.empty()) {
      child_.reset();
      return false;
    }
    const std::string folder = std::move(pending_.front());
    pending_.pop_front();
    StartChild(folder);
  }
}

bool ktFindFile::StartChild(std::string_view Base) {
  if (!child_) child_ = std::make_unique<ktFindFile>();
  child_->Recursive = Recursive;
  child_->IncludeDots = IncludeDots;
  child_->ExcludeMask = ExcludeMask;
  return child_->Start(Base, pattern_);
}

bool ktFindFile::Accept() {
  if (FindData.dwFileAttributes & ExcludeMask) return false;
  CompleteShortName(FindData);
  if (!IncludeDots && IsDots(FindData.cAlternateFileName)) return false;
  const std::string path = FullPath(JoinPath(DirectoryPart(SearchPath()), FindData.cFileName));
  if (!path.empty()) std::memcpy(FindData.cFileName, path.c_str(), path.size() + 1);  // FullPath fits MAX_PATH
  return true;
}

// A pattern on its own is taken as it is, so that "\x\*.*" keeps its root.
std::string ktFindFile::SearchPath() const { return base_.empty() ? pattern_ : JoinPath(base_, pattern_); }

void ktFindFile::CloseSearch() {
  if (search_) win::FindClose(search_);
  search_ = nullptr;
}

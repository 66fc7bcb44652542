#include "platform/ChangeNotify.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Sync.h"
#include "platform/Wait.h"

namespace win {

namespace {

constexpr DWORD kAllFilters = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                              FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE |
                              FILE_NOTIFY_CHANGE_LAST_ACCESS | FILE_NOTIFY_CHANGE_CREATION |
                              FILE_NOTIFY_CHANGE_SECURITY;
// The host reports every change of times, permissions and owner as one kind.
constexpr DWORD kMetadataFilters = FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_LAST_WRITE |
                                   FILE_NOTIFY_CHANGE_LAST_ACCESS | FILE_NOTIFY_CHANGE_CREATION |
                                   FILE_NOTIFY_CHANGE_SECURITY;
constexpr DWORD kContentFilters = FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
constexpr uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

// A subtree watch on a large tree (a whole drive; Z:\ is the host's root)
// watches at most this many folders, and never more than a quarter of the
// inotify watches the kernel allows the user, so that it cannot starve the
// user's other programs. Folders past the bound, taken breadth first, go
// unwatched.
constexpr size_t kMaxFoldersPerHandle = 8192;
constexpr size_t kShareOfUserWatches = 4;

size_t FolderBound() {
  static const size_t bound = [] {
    size_t userWatches = 8192;  // the kernel's long-standing default
    size_t configured = 0;
    if (std::ifstream("/proc/sys/fs/inotify/max_user_watches") >> configured) userWatches = configured;
    return std::clamp<size_t>(userWatches / kShareOfUserWatches, 1, kMaxFoldersPerHandle);
  }();
  return bound;
}

uint32_t InotifyMask(DWORD filter, bool subtree) {
  // Never through symbolic links, and no events for names already unlinked.
  uint32_t mask = IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;
  // A subtree watch follows the folders created and moved below it.
  if (subtree || (filter & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME))) mask |= kNameEvents;
  if (filter & kContentFilters) mask |= IN_MODIFY;
  if (filter & kMetadataFilters) mask |= IN_ATTRIB;
  if (filter & FILE_NOTIFY_CHANGE_LAST_ACCESS) mask |= IN_ACCESS;
  return mask;
}

bool Reports(uint32_t event, DWORD filter) {
  if (event & kNameEvents)
    return filter & ((event & IN_ISDIR) ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME);
  if (event & IN_MODIFY) return filter & kContentFilters;
  if (event & IN_ATTRIB) return filter & kMetadataFilters;
  if (event & IN_ACCESS) return filter & FILE_NOTIFY_CHANGE_LAST_ACCESS;
  return false;
}

// Kernel and process information changes without file-system events; its
// many folders would only use up the bound.
bool IsPseudoFileSystem(int folderFd) {
  struct statfs fs {};
  if (fstatfs(folderFd, &fs) != 0) return true;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case SELINUX_MAGIC:
    case DEVPTS_SUPER_MAGIC:
    case BPF_FS_MAGIC:
    case PSTOREFS_MAGIC:
    case BINFMTFS_MAGIC: return true;
    default: return false;
  }
}

std::string Join(const std::string& folder, const char* name) {
  return folder == "/" ? "/" + std::string(name) : folder + "/" + name;
}

bool IsFolderEntry(int folderFd, const dirent* entry) {
  if (entry->d_type != DT_UNKNOWN) return entry->d_type == DT_DIR;
  struct stat st {};
  return fstatat(folderFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

class ChangeNotification : public detail::KernelObject {
 public:
  ChangeNotification(int fd, std::string root, bool subtree, DWORD filter)
      : fd_(fd), root_(std::move(root)), subtree_(subtree), filter_(filter), mask_(InotifyMask(filter, subtree)) {}
  ~ChangeNotification() override;

  detail::HandleKind Kind() const override { return detail::HandleKind::ChangeNotification; }
  bool IsSignaled(DWORD) override { return signaled_ || gone_; }
  bool Acquire(DWORD) override {
    changedSinceWait_ = false;
    return false;
  }

  int fd() const { return fd_; }
  void SetReaderId(uint64_t id) { readerId_ = id; }

  // Watches the root (and with a subtree, the folders below it); false with
  // the platform's error when the root cannot be watched.
  bool WatchRoot();
  // Takes every event the kernel has queued; runs on the reader thread.
  void Drain();
  // Under KernelMutex: false once the watched folder is gone.
  bool Rearm() {
    if (gone_) return false;
    signaled_ = changedSinceWait_;
    return true;
  }
  size_t FolderCount() {
    std::lock_guard guard(foldersLock_);
    return folders_.size();
  }

 private:
  bool Handle(const inotify_event& event);
  DWORD AddTree(const std::string& top);
  void ForgetTree(const std::string& top);
  void Signal(bool gone);

  const int fd_;
  const std::string root_;
  const bool subtree_;
  const DWORD filter_;
  const uint32_t mask_;
  uint64_t readerId_ = 0;
  int rootWatch_ = -1;

  std::mutex foldersLock_;
  std::unordered_map<int, std::string> folders_;  // inotify watch -> host folder

  // Under KernelMutex.
  bool signaled_ = false;
  bool changedSinceWait_ = false;
  bool gone_ = false;
};

// The one thread of the process that reads inotify events: it sleeps in
// epoll_wait over the inotify descriptors of every open handle. Handles are
// added to and removed from the epoll set by the threads that open and close
// them, which the kernel allows while the reader waits, so the reader never
// needs waking for them.
class Reader {
 public:
  static Reader& Get() {
    static auto* reader = new Reader;  // never destroyed: the thread may be waiting at exit
    return *reader;
  }

  bool Add(const std::shared_ptr<ChangeNotification>& notification) {
    std::lock_guard guard(lock_);
    const uint64_t id = nextId_++;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = id;
    if (epoll_ < 0 || epoll_ctl(epoll_, EPOLL_CTL_ADD, notification->fd(), &event) != 0) return false;
    notification->SetReaderId(id);
    notifications_.emplace(id, notification);
    return true;
  }

  void Remove(uint64_t id, int fd) {
    std::lock_guard guard(lock_);
    if (notifications_.erase(id)) epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
  }

 private:
  Reader() : epoll_(epoll_create1(EPOLL_CLOEXEC)) {
    if (epoll_ >= 0) std::thread([this] { Run(); }).detach();
  }

  std::shared_ptr<ChangeNotification> Find(uint64_t id) {
    std::lock_guard guard(lock_);
    auto it = notifications_.find(id);
    return it == notifications_.end() ? nullptr : it->second.lock();
  }

  void Run() {
    epoll_event events[16];
    for (;;) {
      const int count = epoll_wait(epoll_, events, 16, -1);
      for (int i = 0; i < count; ++i)
        if (auto notification = Find(events[i].data.u64)) notification->Drain();
    }
  }

  std::mutex lock_;
  const int epoll_;
  uint64_t nextId_ = 1;
  std::unordered_map<uint64_t, std::weak_ptr<ChangeNotification>> notifications_;
};

ChangeNotification::~ChangeNotification() {
  if (readerId_) Reader::Get().Remove(readerId_, fd_);
  close(fd_);
}

bool ChangeNotification::WatchRoot() {
  // The root is the folder the caller named, even through a link.
  rootWatch_ = inotify_add_watch(fd_, root_.c_str(), mask_ & ~IN_DONT_FOLLOW);
  if (rootWatch_ < 0) {
    switch (errno) {
      case ENOENT: SetLastError(ERROR_FILE_NOT_FOUND); break;
      case ENOTDIR: SetLastError(ERROR_DIRECTORY); break;
      case EACCES: SetLastError(ERROR_ACCESS_DENIED); break;
      case ENOSPC: SetLastError(ERROR_TOO_MANY_OPEN_FILES); break;
      default: SetLastError(ERROR_GEN_FAILURE); break;
    }
    return false;
  }
  {
    std::lock_guard guard(foldersLock_);
    folders_.emplace(rootWatch_, root_);
  }
  if (subtree_) AddTree(root_);
  return true;
}

// Watches `top` and the folders below it, breadth first, up to the bound.
// Returns the name kinds (FILE_NAME, DIR_NAME) of the entries found below
// `top`: in a folder that was just created they were made before the watch.
DWORD ChangeNotification::AddTree(const std::string& top) {
  DWORD found = 0;
  std::deque<std::string> pending{top};
  while (!pending.empty() && FolderCount() < FolderBound()) {
    const std::string folder = std::move(pending.front());
    pending.pop_front();
    const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderFd < 0) continue;
    if (folder != root_ && IsPseudoFileSystem(folderFd)) {
      close(folderFd);
      continue;
    }
    bool fresh = true;
    if (folder != root_) {
      const int watch = inotify_add_watch(fd_, folder.c_str(), mask_);
      if (watch < 0) {
        close(folderFd);
        if (errno == ENOSPC) break;  // the user's watches are used up
        continue;
      }
      std::lock_guard guard(foldersLock_);
      auto [it, added] = folders_.emplace(watch, folder);
      it->second = folder;
      fresh = added;
    }
    DIR* dir = fresh ? fdopendir(folderFd) : nullptr;  // a folder watched before was walked then
    if (!dir) {
      close(folderFd);
      continue;
    }
    while (const dirent* entry = readdir(dir)) {
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      if (IsFolderEntry(folderFd, entry)) {
        found |= FILE_NOTIFY_CHANGE_DIR_NAME;
        pending.push_back(Join(folder, entry->d_name));
      } else {
        found |= FILE_NOTIFY_CHANGE_FILE_NAME;
      }
    }
    closedir(dir);
  }
  return found;
}

// Stops watching `top` and the folders below it (moved out of the tree, or
// about to be watched again under their new name).
void ChangeNotification::ForgetTree(const std::string& top) {
  std::lock_guard guard(foldersLock_);
  for (auto it = folders_.begin(); it != folders_.end();) {
    const std::string& folder = it->second;
    const bool below =
        folder.size() > top.size() && folder.compare(0, top.size(), top) == 0 && folder[top.size()] == '/';
    if (folder == top || below) {
      inotify_rm_watch(fd_, it->first);
      it = folders_.erase(it);
    } else {
      ++it;
    }
  }
}

void ChangeNotification::Drain() {
  alignas(inotify_event) char buffer[16384];
  bool report = false;
  bool gone = false;
  for (;;) {
    const ssize_t length = read(fd_, buffer, sizeof buffer);
    if (length < 0 && errno == EINTR) continue;
    if (length <= 0) break;
    for (ssize_t offset = 0; offset < length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
      if (event->wd == rootWatch_ && (event->mask & IN_IGNORED)) gone = true;
      report |= Handle(*event);
      offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  if (report || gone) Signal(gone);
}

// Keeps the watched folders in step with the event; true when the event is
// a change the filter asks for.
bool ChangeNotification::Handle(const inotify_event& event) {
  if (event.mask & IN_Q_OVERFLOW) return true;  // changes were lost: report that something changed
  std::string folder;
  {
    std::lock_guard guard(foldersLock_);
    auto it = folders_.find(event.wd);
    if (it == folders_.end()) return false;
    if (event.mask & IN_IGNORED) {
      folders_.erase(it);
      return false;
    }
    folder = it->second;
  }
  if (event.len == 0) return false;  // about the watched folder itself: its parent reports it
  DWORD found = 0;
  if (subtree_ && (event.mask & IN_ISDIR)) {
    const std::string path = Join(folder, event.name);
    if (event.mask & IN_MOVED_FROM) ForgetTree(path);
    if (event.mask & (IN_CREATE | IN_MOVED_TO)) found = AddTree(path);
  }
  return Reports(event.mask, filter_) || (found & filter_);
}

void ChangeNotification::Signal(bool gone) {
  {
    std::lock_guard guard(detail::KernelMutex());
    signaled_ = true;
    changedSinceWait_ = true;
    gone_ = gone_ || gone;
  }
  detail::WakeAll();
}

std::string FolderHostPath(LPCSTR path) {
  std::string host = detail::ToHostPath(path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  return host;
}

}  // namespace

HANDLE FindFirstChangeNotificationA(LPCSTR path, BOOL watchSubtree, DWORD filter) {
  if (filter == 0 || (filter & ~kAllFilters)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return INVALID_HANDLE_VALUE;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_DIRECTORY);
    return INVALID_HANDLE_VALUE;
  }
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) {
    SetLastError(errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ERROR_TOO_MANY_OPEN_FILES);
    return INVALID_HANDLE_VALUE;
  }
  auto notification = std::make_shared<ChangeNotification>(fd, FolderHostPath(path), watchSubtree != FALSE, filter);
  if (!notification->WatchRoot()) return INVALID_HANDLE_VALUE;
  if (!Reader::Get().Add(notification)) {
    SetLastError(ERROR_GEN_FAILURE);
    return INVALID_HANDLE_VALUE;
  }
  return HandleFromId(detail::HandleTable::Insert(std::move(notification)));
}

BOOL FindNextChangeNotification(HANDLE h) {
  auto notification = detail::HandleTable::Get<ChangeNotification>(h);
  if (!notification) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard guard(detail::KernelMutex());
  if (notification->Rearm()) return TRUE;
  SetLastError(ERROR_ACCESS_DENIED);  // as the platform answers for a folder deleted under the watch
  return FALSE;
}

BOOL FindCloseChangeNotification(HANDLE h) {
  if (!detail::HandleTable::Get<ChangeNotification>(h)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  detail::HandleTable::Remove(HandleId(h));
  return TRUE;
}

namespace detail {

size_t WatchedFolderCount(HANDLE h) {
  auto notification = HandleTable::Get<ChangeNotification>(h);
  return notification ? notification->FolderCount() : 0;
}

}  // namespace detail
}  // namespace win

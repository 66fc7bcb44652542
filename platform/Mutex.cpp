#include "platform/Mutex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Errors.h"
#include "platform/Text.h"
#include "platform/Wait.h"

// Named mutexes are lock files in one folder per user. A logon is wider than
// a platform prefix (a player and a test program of the same user may run
// with different prefixes and must still see one "KORULozenge"), so the
// folder is not in the prefix: it is $LOZG_MUTEX_DIR when set, else
// "lozg-mutex" in the user's runtime folder ($XDG_RUNTIME_DIR: private to the
// user and emptied at the end of the last session, as a logon's objects
// are), else /tmp/lozg-mutex-<uid>.
//
// Each name has one lock file, locked with open-file-description locks: they
// belong to one open file (so two handles of one process are told apart) and
// vanish with the process that holds them, however it ends.
//   byte 0  presence: a shared lock while a process has the mutex open;
//   byte 1  ownership: an exclusive lock while a thread of a process owns it;
//   byte 2  gate: an exclusive lock around the test for existence, so that
//           of two creators that race, exactly one creates.
// The file's first byte of content is kOwned while an owner holds the mutex
// and kFree after a proper release, so the next owner learns of an
// abandonment even when the holder was killed. Lock files are never removed:
// removing a file that another process is about to lock cannot be made safe,
// and a name costs one small file.

namespace win {

namespace {

constexpr off_t kPresenceByte = 0;
constexpr off_t kOwnershipByte = 1;
constexpr off_t kGateByte = 2;
constexpr char kFree = 0;
constexpr char kOwned = 1;
// Another process's release wakes no thread here, so waits look this often.
constexpr DWORD kCrossProcessPollMs = 50;
// Longest folder name of a lock file's path (long names are cut into folders).
constexpr size_t kComponentLength = 200;

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ELOOP:
      return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
      return ERROR_DISK_FULL;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_GEN_FAILURE;
  }
}

// One open lock file of a named mutex.
class LockFile {
 public:
  explicit LockFile(int fd) : fd_(fd) {}
  ~LockFile() { close(fd_); }
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  bool Lock(off_t byte, short type, bool wait) {
    struct flock range = Range(byte, type);
    int result;
    do result = fcntl(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &range);
    while (result != 0 && errno == EINTR);
    return result == 0;
  }
  void Unlock(off_t byte) { Lock(byte, F_UNLCK, false); }
  // True when another open file holds a lock on the byte.
  bool LockedElsewhere(off_t byte) {
    struct flock range = Range(byte, F_WRLCK);
    return fcntl(fd_, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
  }
  char ReadState() {
    char state = kFree;
    return pread(fd_, &state, 1, 0) == 1 ? state : kFree;
  }
  // The state byte only reports abandonment: a write that fails (a full
  // disk) must not stop the mutex from working, so its result is not needed.
  void WriteState(char state) { [[maybe_unused]] ssize_t written = pwrite(fd_, &state, 1, 0); }

 private:
  static struct flock Range(off_t byte, short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = byte;
    range.l_len = 1;
    return range;
  }
  int fd_;
};

// The mutex object that every handle of this process to one mutex shares.
// `owner`, `count`, `abandoned` and `holdsOwnershipLock` change under
// KernelMutex; `file` is closed under it too.
struct MutexCore {
  std::string name;                // empty for an unnamed mutex
  std::unique_ptr<LockFile> file;  // the lock file of a named mutex
  int handles = 0;                 // open handles (under the registry's lock)
  DWORD owner = 0;
  DWORD count = 0;
  bool abandoned = false;           // unnamed: the owner ended without releasing
  bool holdsOwnershipLock = false;  // named: this process has the ownership byte
};

// The named mutexes this process has open.
struct Registry {
  std::mutex lock;
  std::map<std::string, std::shared_ptr<MutexCore>> named;
};

Registry& TheRegistry() {
  static auto* registry = new Registry;  // handles may close during exit
  return *registry;
}

void GiveUp(MutexCore& core, bool released);

// The mutexes a thread owns, abandoned when it ends.
struct OwnedMutexes {
  std::vector<std::weak_ptr<MutexCore>> cores;
  ~OwnedMutexes() { AbandonAll(); }

  void AbandonAll() {
    const DWORD self = GetCurrentThreadId();
    {
      std::lock_guard kernel(detail::KernelMutex());
      for (auto& weak : cores)
        if (auto core = weak.lock(); core && core->owner == self) GiveUp(*core, false);
      cores.clear();
    }
    detail::WakeAll();
  }
};

OwnedMutexes& ThisThreadsMutexes() {
  thread_local OwnedMutexes owned;
  return owned;
}

// The calls below run under KernelMutex.

bool Available(MutexCore& core, DWORD thread) {
  if (core.owner == thread) return true;
  if (core.owner != 0) return false;
  if (!core.file || core.holdsOwnershipLock) return true;
  core.holdsOwnershipLock = core.file->Lock(kOwnershipByte, F_WRLCK, false);
  return core.holdsOwnershipLock;
}

// Takes an available mutex; true when the previous owner had abandoned it.
bool Take(const std::shared_ptr<MutexCore>& core, DWORD thread) {
  if (core->owner == thread) {
    ++core->count;
    return false;
  }
  core->owner = thread;
  core->count = 1;
  bool abandoned = std::exchange(core->abandoned, false);
  if (core->file) {
    abandoned = core->file->ReadState() == kOwned;
    core->file->WriteState(kOwned);
  }
  ThisThreadsMutexes().cores.push_back(core);
  return abandoned;
}

void GiveUp(MutexCore& core, bool released) {
  core.owner = 0;
  core.count = 0;
  if (core.file) {
    if (released) core.file->WriteState(kFree);
    core.file->Unlock(kOwnershipByte);
    core.holdsOwnershipLock = false;
  } else {
    core.abandoned = !released;
  }
}

void Forget(MutexCore& core) {
  auto& cores = ThisThreadsMutexes().cores;
  std::erase_if(cores, [&](const std::weak_ptr<MutexCore>& w) {
    auto c = w.lock();
    return !c || c.get() == &core;
  });
}

void CloseCore(const std::shared_ptr<MutexCore>& core) {
  if (core->name.empty()) return;
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  if (--core->handles > 0) return;
  registry.named.erase(core->name);
  std::lock_guard kernel(detail::KernelMutex());
  core->file.reset();  // drops presence and ownership with the open file
  core->holdsOwnershipLock = false;
}

// One handle to a mutex.
class MutexHandle : public detail::KernelObject {
 public:
  explicit MutexHandle(std::shared_ptr<MutexCore> core) : core_(std::move(core)) {}
  ~MutexHandle() override { CloseCore(core_); }
  detail::HandleKind Kind() const override { return detail::HandleKind::Mutex; }
  bool IsSignaled(DWORD thread) override { return Available(*core_, thread); }
  bool Acquire(DWORD thread) override { return Take(core_, thread); }
  void Unclaim(DWORD) override {
    if (core_->owner == 0 && core_->holdsOwnershipLock) {
      core_->file->Unlock(kOwnershipByte);
      core_->holdsOwnershipLock = false;
    }
  }
  DWORD PollIntervalMs() const override { return core_->name.empty() ? INFINITE : kCrossProcessPollMs; }
  MutexCore& Core() { return *core_; }

 private:
  std::shared_ptr<MutexCore> core_;
};

HANDLE NewHandle(std::shared_ptr<MutexCore> core) {
  return HandleFromId(detail::HandleTable::Insert(std::make_shared<MutexHandle>(std::move(core))));
}

// The name within the logon's namespace, or the error of an unusable name.
// "Local\" and "Global\" name the same namespace here, since a logon is the
// widest one this platform has; any other backslash names a folder of the
// object namespace that does not exist.
DWORD NameInNamespace(std::string_view name, std::string& local) {
  if (name.size() > static_cast<size_t>(MAX_PATH)) return ERROR_FILENAME_EXCED_RANGE;
  for (std::string_view prefix : {"Local\\", "Global\\"}) {
    if (name.starts_with(prefix)) {
      name.remove_prefix(prefix.size());
      break;
    }
  }
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\') return ERROR_PATH_NOT_FOUND;
    if (IsDBCSLeadByte(static_cast<BYTE>(name[i]))) ++i;  // its second byte may be a backslash
  }
  local = name;
  return ERROR_SUCCESS;
}

bool IsPlainNameByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// The lock file's path below the folder. Names are case-sensitive byte
// strings, so every byte but a letter, a digit, '-' and '_' is written as
// %XX; a long name is cut into folders so that no part of the path exceeds
// the host's limit for one name. The mapping is one to one, and the ".lock"
// ending never occurs inside a part.
std::string LockFilePath(std::string_view name) {
  std::string path;
  std::string part;
  for (unsigned char c : name) {
    char piece[4] = {static_cast<char>(c), '\0'};
    if (!IsPlainNameByte(c)) std::snprintf(piece, sizeof piece, "%%%02X", c);
    if (part.size() + std::strlen(piece) > kComponentLength) {
      path += part + "/";
      part.clear();
    }
    part += piece;
  }
  return path + part + ".lock";
}

std::string ChooseFolder() {
  if (const char* folder = std::getenv(kMutexFolderVariable); folder && *folder) return folder;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    return std::string(runtime) + "/lozg-mutex";
  return "/tmp/lozg-mutex-" + std::to_string(getuid());
}

// Makes the folder if needed and checks that it is the user's own: a folder
// that others may write to (a planted /tmp folder) would let them hold the
// user's mutexes.
DWORD PrepareFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), ignored);
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return ErrorFromErrno(errno);
  struct stat st {};
  if (lstat(folder.c_str(), &st) != 0) return ErrorFromErrno(errno);
  if (!S_ISDIR(st.st_mode) || st.st_uid != getuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

std::unique_ptr<LockFile> OpenLockFile(std::string_view name, DWORD& error) {
  static const std::string folder = ChooseFolder();
  if ((error = PrepareFolder(folder)) != ERROR_SUCCESS) return nullptr;
  std::string path = folder + "/" + LockFilePath(name);
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error = ErrorFromErrno(errno);
    return nullptr;
  }
  return std::make_unique<LockFile>(fd);
}

HANDLE CreateNamed(std::string name, bool initialOwner) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  if (auto it = registry.named.find(name); it != registry.named.end()) {
    ++it->second->handles;
    HANDLE h = NewHandle(it->second);
    SetLastError(ERROR_ALREADY_EXISTS);
    return h;
  }
  DWORD error = ERROR_SUCCESS;
  auto file = OpenLockFile(name, error);
  if (!file) {
    SetLastError(error);
    return nullptr;
  }
  file->Lock(kGateByte, F_WRLCK, true);
  const bool existed = file->LockedElsewhere(kPresenceByte);
  if (!file->Lock(kPresenceByte, F_RDLCK, false)) {
    error = ErrorFromErrno(errno);
    file->Unlock(kGateByte);
    SetLastError(error);
    return nullptr;
  }
  auto core = std::make_shared<MutexCore>();
  core->name = std::move(name);
  core->handles = 1;
  core->file = std::move(file);
  if (!existed) {
    // A fresh mutex: whatever a holder that died left in the file is past.
    core->file->WriteState(kFree);
    if (initialOwner) {
      std::lock_guard kernel(detail::KernelMutex());
      if (Available(*core, GetCurrentThreadId())) Take(core, GetCurrentThreadId());
    }
  }
  core->file->Unlock(kGateByte);
  registry.named.emplace(core->name, core);
  HANDLE h = NewHandle(core);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

}  // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
  if (name && *name) {
    std::string local;
    if (DWORD error = NameInNamespace(name, local); error != ERROR_SUCCESS) {
      SetLastError(error);
      return nullptr;
    }
    return CreateNamed(std::move(local), initialOwner);
  }
  auto core = std::make_shared<MutexCore>();
  if (initialOwner) {
    std::lock_guard kernel(detail::KernelMutex());
    Take(core, GetCurrentThreadId());
  }
  SetLastError(ERROR_SUCCESS);
  return NewHandle(std::move(core));
}

BOOL ReleaseMutex(HANDLE h) {
  auto handle = detail::HandleTable::Get<MutexHandle>(h);
  if (!handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  {
    std::lock_guard kernel(detail::KernelMutex());
    MutexCore& core = handle->Core();
    if (core.owner != GetCurrentThreadId()) {
      SetLastError(ERROR_NOT_OWNER);
      return FALSE;
    }
    if (--core.count == 0) {
      GiveUp(core, true);
      Forget(core);
    }
  }
  detail::WakeAll();
  return TRUE;
}

namespace detail {

void AbandonOwnedMutexes() { ThisThreadsMutexes().AbandonAll(); }

}  // namespace detail
}  // namespace win

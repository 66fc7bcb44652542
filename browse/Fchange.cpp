#include "browse/Fchange.h"

#include "framework/SysUtils.h"
#include "platform/ChangeNotify.h"
#include "platform/Errors.h"
#include "platform/Sync.h"

namespace {

constexpr win::DWORD kSubtreeFilter = win::FILE_NOTIFY_CHANGE_DIR_NAME;
constexpr win::DWORD kFolderFilter = win::FILE_NOTIFY_CHANGE_FILE_NAME | win::FILE_NOTIFY_CHANGE_DIR_NAME |
                                     win::FILE_NOTIFY_CHANGE_ATTRIBUTES | win::FILE_NOTIFY_CHANGE_SIZE |
                                     win::FILE_NOTIFY_CHANGE_LAST_WRITE;
// How long one wait lasts before the thread looks whether to end.
constexpr win::DWORD kWaitMs = 1000;

}  // namespace

ktvDirNotifyChange::ktvDirNotifyChange(std::string_view Path, win::DWORD Filter, bool WatchSubtree)
    : TThread(true),
      WatchSubtree(WatchSubtree),
      filter_(Filter != 0 ? Filter : WatchSubtree ? kSubtreeFilter : kFolderFilter) {
  SetPriority(tpIdle);
  SetPath(Path);
}

ktvDirNotifyChange::~ktvDirNotifyChange() {
  Stop();
  TerminateAndWait();
}

void ktvDirNotifyChange::SetPath(std::string_view Value) {
  Stop();
  path_ = Value;
  const int length = static_cast<int>(path_.size());
  if (length > 1 && IsPathDelimiter(path_, length) && !IsDelimiter(":", path_, length - 1)) path_.pop_back();
}

void ktvDirNotifyChange::SetFilter(win::DWORD Value) {
  Stop();
  filter_ = Value;
}

void ktvDirNotifyChange::Start() {
  Stop();
  if (win::WaitForSingleObject(Handle(), 0) == win::WAIT_OBJECT_0) return;  // ended: nothing would wait
  const win::HANDLE notification = win::FindFirstChangeNotificationA(path_.c_str(), WatchSubtree, filter_);
  if (notification == win::INVALID_HANDLE_VALUE) return;
  std::lock_guard guard(lock_);
  handle_ = notification;
  Resume();
}

// Suspends before closing, so that the thread sees no handle only once it
// is asked to pause.
void ktvDirNotifyChange::Stop() {
  std::lock_guard guard(lock_);
  if (!handle_) return;
  Suspend();
  win::FindCloseChangeNotification(handle_);
  handle_ = nullptr;
}

win::HANDLE ktvDirNotifyChange::NotifyHandle() const {
  std::lock_guard guard(lock_);
  return handle_;
}

// Every step checks that the notification it holds is still the watched
// one: Stop and Start may replace it at any moment, and what a replaced one
// reports is stale.
void ktvDirNotifyChange::Execute() {
  while (!Terminated()) {
    SuspendPoint();
    bool stopped = false;
    const win::HANDLE notification = Watched(&stopped);
    if (!notification) {
      if (stopped) continue;  // pauses at the suspend point
      break;
    }
    const win::DWORD result = WaitForHandle(notification, kWaitMs);
    if (result == win::WAIT_TIMEOUT || result == WaitInterrupted) continue;
    if (result != win::WAIT_OBJECT_0) {
      if (Watched(&stopped) == notification) break;
      continue;  // closed by Stop before the wait began
    }
    Synchronize([this, notification] { Notify(notification); });
    if (Terminated() || !Rearm(notification)) break;
  }
  CloseNotification();
}

win::HANDLE ktvDirNotifyChange::Watched(bool* stopped) const {
  std::lock_guard guard(lock_);
  *stopped = Suspended();
  return handle_;
}

bool ktvDirNotifyChange::Rearm(win::HANDLE Notification) {
  std::lock_guard guard(lock_);
  return handle_ != Notification || win::FindNextChangeNotification(Notification);
}

void ktvDirNotifyChange::Notify(win::HANDLE Notification) {
  if (NotifyHandle() != Notification || !OnChange) return;
  const TNotifyEvent handler = OnChange;  // the handler may destroy this watcher, OnChange with it
  handler(this);
}

void ktvDirNotifyChange::CloseNotification() {
  std::lock_guard guard(lock_);
  if (handle_) win::FindCloseChangeNotification(handle_);
  handle_ = nullptr;
}

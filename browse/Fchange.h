// ktvDirNotifyChange: a thread that watches one folder for changes and
// reports each change on the main thread.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "framework/Thread.h"
#include "platform/Types.h"

// Idle after construction and after Stop, watching between Start and Stop.
// Start, Stop, SetPath, SetFilter and destruction never wait for the thread,
// so they are safe at any moment, in OnChange too; a watcher destroyed in
// its own OnChange lets its thread finish that notification and end. The
// thread ends for good when the watched folder is lost; Start then leaves
// the watcher idle, as it does for a path that cannot be watched.
class ktvDirNotifyChange : public TThread {
 public:
  // A Filter of 0 means the folder names anywhere below Path with
  // WatchSubtree, and every name, attribute, size and write in the folder
  // without.
  ktvDirNotifyChange(std::string_view Path, win::DWORD Filter, bool WatchSubtree);
  ~ktvDirNotifyChange() override;

  void Start();
  void Stop();

  const std::string& Path() const { return path_; }
  // Stops; a final '\' is dropped unless it ends a drive's root ("C:\").
  void SetPath(std::string_view Value);
  win::DWORD Filter() const { return filter_; }
  // Stops; the platform's FILE_NOTIFY_CHANGE_ flags.
  void SetFilter(win::DWORD Value);
  // The change notification while watching, else none.
  win::HANDLE NotifyHandle() const;

  // Taken by the next Start.
  bool WatchSubtree;
  // Runs on the main thread for each change while watching; Sender is the
  // watcher.
  TNotifyEvent OnChange;

 protected:
  void Execute() override;

 private:
  // The notification the thread is to wait on; `stopped` tells a watcher
  // that Stop made idle from one whose notification is lost.
  win::HANDLE Watched(bool* stopped) const;
  // Re-arms Notification if it is still the one watched; false when the
  // platform refuses.
  bool Rearm(win::HANDLE Notification);
  void Notify(win::HANDLE Notification);
  void CloseNotification();

  std::string path_;
  win::DWORD filter_;
  // Guards handle_, which both threads use.
  mutable std::mutex lock_;
  win::HANDLE handle_ = nullptr;
};

#include "platform/Sync.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/Errors.h"
#include "platform/Wait.h"

namespace win {

namespace {

class Event : public detail::KernelObject {
 public:
  Event(bool manualReset, bool signaled) : manualReset_(manualReset), signaled_(signaled) {}
  detail::HandleKind Kind() const override { return detail::HandleKind::Event; }
  bool IsSignaled(DWORD) override { return signaled_; }
  bool Acquire(DWORD) override {
    if (!manualReset_) signaled_ = false;
    return false;
  }
  void Set(bool on) { signaled_ = on; }

 private:
  bool manualReset_;
  bool signaled_;
};

bool SetEventState(HANDLE h, bool on) {
  auto event = detail::HandleTable::Get<Event>(h);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  {
    std::lock_guard guard(detail::KernelMutex());
    event->Set(on);
  }
  detail::WakeAll();
  return true;
}

}  // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
  if (name && *name) {
    // Named events are not used across processes by the system.
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return HandleFromId(detail::HandleTable::Insert(std::make_shared<Event>(manualReset, initialState)));
}

BOOL SetEvent(HANDLE h) { return SetEventState(h, true); }
BOOL ResetEvent(HANDLE h) { return SetEventState(h, false); }

namespace detail {

bool CollectWaitObjects(DWORD count, const HANDLE* handles, std::vector<std::shared_ptr<KernelObject>>& objects,
                        DWORD& pollMs) {
  for (DWORD i = 0; i < count; ++i) {
    auto object = HandleTable::Get<KernelObject>(handles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    pollMs = std::min(pollMs, object->PollIntervalMs());
    objects.push_back(std::move(object));
  }
  return true;
}

}  // namespace detail

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<detail::KernelObject>> objects;
  DWORD poll = INFINITE;
  if (!detail::CollectWaitObjects(count, handles, objects, poll)) return WAIT_FAILED;
  const DWORD self = GetCurrentThreadId();
  const ULONGLONG deadline = detail::DeadlineAfter(ms);
  DWORD result = WAIT_TIMEOUT;
  std::unique_lock lock(detail::KernelMutex());
  detail::WaitUntil(
      lock,
      [&] {
        if (waitAll) {
          auto unsignaled =
              std::find_if_not(objects.begin(), objects.end(), [&](auto& o) { return o->IsSignaled(self); });
          if (unsignaled != objects.end()) {
            std::for_each(objects.begin(), unsignaled, [&](auto& o) { o->Unclaim(self); });
            return false;
          }
          bool abandoned = false;
          for (auto& o : objects) abandoned |= o->Acquire(self);
          result = abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
          return true;
        }
        for (DWORD i = 0; i < count; ++i) {
          if (objects[i]->IsSignaled(self)) {
            result = (objects[i]->Acquire(self) ? WAIT_ABANDONED : WAIT_OBJECT_0) + i;
            return true;
          }
        }
        return false;
      },
      deadline, poll);
  lock.unlock();
  detail::WakeAll();  // an acquired object may have changed what others wait for
  return result;
}

DWORD WaitForSingleObject(HANDLE h, DWORD ms) { return WaitForMultipleObjects(1, &h, FALSE, ms); }

void Sleep(DWORD ms) {
  std::unique_lock lock(detail::KernelMutex());
  detail::WaitUntil(lock, [] { return false; }, detail::DeadlineAfter(ms));
}

DWORD GetCurrentThreadId() {
  thread_local const DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
  return id;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

}  // namespace win

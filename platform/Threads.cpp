#include "platform/Threads.h"

#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/Errors.h"
#include "platform/Mutex.h"
#include "platform/Wait.h"

namespace win {

namespace {

const HANDLE kCurrentThreadPseudoHandle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));

// A thread of this process started by CreateThread. The fields change under
// KernelMutex.
class LocalThread : public detail::ThreadObject {
 public:
  explicit LocalThread(DWORD suspendCount) : suspendCount(suspendCount) {}
  bool Running() const override { return !finished; }
  DWORD ExitCode() const override { return exitCode; }

  DWORD id = 0;
  DWORD suspendCount;
  bool finished = false;
  DWORD exitCode = STILL_ACTIVE;
};

// The calling thread's object when CreateThread started it.
thread_local LocalThread* tCurrentThread = nullptr;
// The priority of a thread that CreateThread did not start (the main thread).
thread_local int tOtherThreadPriority = THREAD_PRIORITY_NORMAL;

void RunThread(const std::shared_ptr<LocalThread>& self, LPTHREAD_START_ROUTINE start, LPVOID parameter) {
  tCurrentThread = self.get();
  {
    std::unique_lock lock(detail::KernelMutex());
    self->id = GetCurrentThreadId();
    detail::WakeAll();
    auto resumed = [&] { return self->suspendCount == 0; };
    detail::WaitUntil(lock, resumed, detail::kNoDeadline);
  }
  const DWORD code = start(parameter);
  detail::AbandonOwnedMutexes();
  {
    std::lock_guard lock(detail::KernelMutex());
    self->exitCode = code;
    self->finished = true;
  }
  detail::WakeAll();
}

bool IsValidPriority(int priority) {
  switch (priority) {
    case THREAD_PRIORITY_IDLE:
    case THREAD_PRIORITY_LOWEST:
    case THREAD_PRIORITY_BELOW_NORMAL:
    case THREAD_PRIORITY_NORMAL:
    case THREAD_PRIORITY_ABOVE_NORMAL:
    case THREAD_PRIORITY_HIGHEST:
    case THREAD_PRIORITY_TIME_CRITICAL:
      return true;
    default:
      return false;
  }
}

// The priority field that a handle names, under KernelMutex; null (with the
// last error set) for a bad handle. `keepAlive` holds the object meanwhile.
int* PriorityOf(HANDLE thread, std::shared_ptr<detail::ThreadObject>& keepAlive) {
  if (thread == kCurrentThreadPseudoHandle) return tCurrentThread ? &tCurrentThread->priority : &tOtherThreadPriority;
  keepAlive = detail::HandleTable::Get<detail::ThreadObject>(thread);
  if (!keepAlive) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &keepAlive->priority;
}

}  // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, size_t, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD creationFlags,
                    LPDWORD threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto self = std::make_shared<LocalThread>((creationFlags & CREATE_SUSPENDED) ? 1 : 0);
  try {
    std::thread(RunThread, self, start, parameter).detach();
  } catch (const std::system_error&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  {
    // The id is the host's id of the new thread, which only it can tell.
    std::unique_lock lock(detail::KernelMutex());
    auto running = [&] { return self->id != 0; };
    detail::WaitUntil(lock, running, detail::kNoDeadline);
  }
  if (threadId) *threadId = self->id;
  return HandleFromId(detail::HandleTable::Insert(self));
}

DWORD ResumeThread(HANDLE thread) {
  auto object = detail::HandleTable::Get<detail::ThreadObject>(thread);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  auto local = std::dynamic_pointer_cast<LocalThread>(object);
  if (!local) return 0;  // a child process's thread is never suspended
  DWORD previous;
  {
    std::lock_guard lock(detail::KernelMutex());
    previous = local->suspendCount;
    if (local->suspendCount > 0) --local->suspendCount;
  }
  detail::WakeAll();
  return previous;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  auto object = detail::HandleTable::Get<detail::ThreadObject>(thread);
  if (!object || !exitCode) {
    SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard lock(detail::KernelMutex());
  *exitCode = object->Running() ? STILL_ACTIVE : object->ExitCode();
  return TRUE;
}

HANDLE GetCurrentThread() { return kCurrentThreadPseudoHandle; }

BOOL SetThreadPriority(HANDLE thread, int priority) {
  if (!IsValidPriority(priority)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<detail::ThreadObject> keepAlive;
  std::lock_guard lock(detail::KernelMutex());
  int* field = PriorityOf(thread, keepAlive);
  if (!field) return FALSE;
  *field = priority;
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  std::shared_ptr<detail::ThreadObject> keepAlive;
  std::lock_guard lock(detail::KernelMutex());
  int* field = PriorityOf(thread, keepAlive);
  return field ? *field : THREAD_PRIORITY_ERROR_RETURN;
}

}  // namespace win

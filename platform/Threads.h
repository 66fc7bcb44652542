// Threads: creation, exit codes and priorities.
#pragma once

#include <cstddef>

#include "platform/Sync.h"
#include "platform/Types.h"

namespace win {

// The exit code of a thread or process that still runs.
constexpr DWORD STILL_ACTIVE = 259;
constexpr DWORD CREATE_SUSPENDED = 0x4;

constexpr int THREAD_PRIORITY_IDLE = -15;
constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

// The handle is signalled when `start` returns; its result is the exit code.
// The host's default stack serves every `stackSize`.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES sa, size_t stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, LPDWORD threadId);
// Lets a thread created with CREATE_SUSPENDED run once its count reaches
// zero; returns the previous count, or (DWORD)-1 for a bad handle.
DWORD ResumeThread(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);

// A pseudo handle that names the calling thread (not closed, not waitable).
HANDLE GetCurrentThread();
// Priorities are recorded and answered; the host schedules every thread alike.
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);

namespace detail {

// What a thread handle names: a thread of this process or the main thread of
// a child process. The calls run under KernelMutex.
class ThreadObject : public KernelObject {
 public:
  HandleKind Kind() const override { return HandleKind::Thread; }
  bool IsSignaled(DWORD) override { return !Running(); }
  virtual bool Running() const = 0;
  virtual DWORD ExitCode() const = 0;

  int priority = THREAD_PRIORITY_NORMAL;
};

}  // namespace detail
}  // namespace win

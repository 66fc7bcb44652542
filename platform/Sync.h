// Kernel objects that can be waited on (events, mutexes, threads, processes,
// change notifications), the waits themselves, and thread and process ids.
#pragma once

#include <memory>
#include <vector>

#include "platform/Handles.h"
#include "platform/Types.h"

namespace win {

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
// WAIT_TIMEOUT (258) is with the error codes.

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES sa, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

DWORD WaitForSingleObject(HANDLE h, DWORD ms);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms);
void Sleep(DWORD ms);

DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

namespace detail {

// A waitable object. Both calls run with KernelMutex held.
class KernelObject : public HandleObject {
 public:
  bool ClosedByCloseHandle() const override { return true; }
  virtual bool IsSignaled(DWORD threadId) = 0;
  // The wait of `threadId` ended on this object: an auto-reset event resets,
  // a mutex becomes owned. Returns true when a mutex was abandoned.
  virtual bool Acquire(DWORD threadId) { return false; }
  // A wait for all of several objects found this one signalled but not all
  // of the others: it gives back whatever IsSignaled took hold of (a mutex
  // of another process's namespace holds its lock file from the test on).
  virtual void Unclaim(DWORD threadId) {}
  // Objects whose state changes without a wake-up (another process's lock)
  // are polled this often while waited on.
  virtual DWORD PollIntervalMs() const { return INFINITE; }
};

// The objects behind wait handles and the shortest poll interval among
// them; false with ERROR_INVALID_HANDLE when a handle names no waitable object.
bool CollectWaitObjects(DWORD count, const HANDLE* handles, std::vector<std::shared_ptr<KernelObject>>& objects,
                        DWORD& pollMs);

}  // namespace detail
}  // namespace win

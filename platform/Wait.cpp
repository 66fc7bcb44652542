#include "platform/Wait.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>

#include "platform/Clock.h"

namespace win::detail {

namespace {

std::condition_variable& Monitor() {
  static auto* cv = new std::condition_variable;
  return *cv;
}

std::atomic<WakeListener> wakeListener{nullptr};

}  // namespace

std::mutex& KernelMutex() {
  static auto* m = new std::mutex;  // never destroyed: threads may wait during exit
  return *m;
}

void WakeAll() {
  Monitor().notify_all();
  if (WakeListener listener = wakeListener.load()) listener();
}

void SetWakeListener(WakeListener listener) { wakeListener = listener; }

ULONGLONG DeadlineAfter(DWORD ms) { return ms == INFINITE ? kNoDeadline : GetTickCount64() + ms; }

bool WaitUntil(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready, ULONGLONG deadline,
               DWORD pollMs) {
  using std::chrono::milliseconds;
  for (;;) {
    if (ready()) return true;
    ULONGLONG now = GetTickCount64();
    if (deadline != kNoDeadline && now >= deadline) return false;
    if (ManualClockActive()) {
      if (ManualClockAutoAdvance() && deadline != kNoDeadline) {
        JumpManualClockTo(deadline);
        WakeAll();
        continue;
      }
      // Manual time moves only when a test advances it, which wakes us.
      if (pollMs == INFINITE)
        Monitor().wait(lock);
      else
        Monitor().wait_for(lock, milliseconds(pollMs));
      continue;
    }
    ULONGLONG until = deadline;
    if (pollMs != INFINITE) until = std::min<ULONGLONG>(until, now + pollMs);
    if (until == kNoDeadline)
      Monitor().wait(lock);
    else
      Monitor().wait_for(lock, milliseconds(until - now));
  }
}

}  // namespace win::detail

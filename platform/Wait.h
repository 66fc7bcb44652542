// The process-wide wait monitor. Every state change that may end a wait (an
// object signalled, a message posted, the manual clock advanced) wakes it;
// every blocking call of the platform sleeps in WaitUntil, so an idle thread
// uses no CPU and the manual clock governs every timed wait.
#pragma once

#include <functional>
#include <mutex>

#include "platform/Types.h"

namespace win::detail {

constexpr ULONGLONG kNoDeadline = ~0ULL;

// The lock that guards the state that waiters test (queues, signal states).
// Never held while calling out of the platform (window procedures, hooks).
std::mutex& KernelMutex();

// Wakes every waiting thread so that it tests its condition again. Callers
// change the state under KernelMutex, then wake.
void WakeAll();

// Called by every WakeAll, with or without KernelMutex held, so that a
// watcher outside the platform's waits (the live display) looks at the
// changed state; it must only note the call and return. Null removes it.
using WakeListener = void (*)();
void SetWakeListener(WakeListener listener);

// The tick-count moment `ms` from now; INFINITE gives kNoDeadline.
ULONGLONG DeadlineAfter(DWORD ms);

// Waits, holding `lock` (on KernelMutex) whenever `ready` runs, until `ready`
// answers true (returns true) or the deadline passes (returns false).
// `pollMs` bounds each sleep for conditions that change without a wake-up,
// such as another process releasing a lock file.
bool WaitUntil(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready, ULONGLONG deadline,
               DWORD pollMs = INFINITE);

}  // namespace win::detail

namespace win::detail {

// The manual clock's state, for the wait monitor (defined with the clock).
bool ManualClockActive();
bool ManualClockAutoAdvance();
// Moves the manual clock forward to `tick` (never back); the caller holds
// KernelMutex and wakes the waiters.
void JumpManualClockTo(ULONGLONG tick);

}  // namespace win::detail

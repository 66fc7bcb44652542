// The clock: tick count, system and local time, file-time conversions, and
// the manual clock that tests advance by hand.
#pragma once

#include "platform/Types.h"

namespace win {

// Milliseconds since an arbitrary start, as the platform's tick count.
DWORD GetTickCount();
ULONGLONG GetTickCount64();

void GetSystemTime(SYSTEMTIME* st);
void GetLocalTime(SYSTEMTIME* st);
void GetSystemTimeAsFileTime(FILETIME* ft);
BOOL FileTimeToSystemTime(const FILETIME* ft, SYSTEMTIME* st);
BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* ft);
BOOL FileTimeToLocalFileTime(const FILETIME* ft, FILETIME* local);
BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* ft);
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);

// Conversions between file times and host time (seconds and nanoseconds
// since 1970) for the parts of the platform that read host files.
FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds = 0);
int64_t UnixSecondsFromFileTime(const FILETIME& ft);

namespace test {

// While enabled, the tick count and the system time stand still until a test
// advances them; every timer, timed wait and Sleep of the process follows.
class ManualClock {
 public:
  // Starts the manual clock at the given tick count and system time (a file
  // time; zero keeps the current real time).
  static void Enable(ULONGLONG startTick = 1000, ULONGLONG startFileTime = 0);
  static void Disable();
  static bool Enabled();
  // Moves time forward and wakes every thread whose wait may now be due.
  static void Advance(DWORD ms);
  // With auto-advance on, a thread that would block only until a moment of
  // time jumps the clock to that moment instead: single-threaded tests of
  // delays run to completion without a second thread to advance the clock.
  static void SetAutoAdvance(bool on);
};

// The manual clock for as long as it lives (a test's), off again after it.
class ManualClockScope {
 public:
  explicit ManualClockScope(ULONGLONG startTick = 1000, ULONGLONG startFileTime = 0) {
    ManualClock::Enable(startTick, startFileTime);
  }
  ~ManualClockScope() { ManualClock::Disable(); }
  ManualClockScope(const ManualClockScope&) = delete;
  ManualClockScope& operator=(const ManualClockScope&) = delete;
};

}  // namespace test
}  // namespace win

#include "platform/Clock.h"

#include <atomic>
#include <ctime>
#include <mutex>

#include "platform/Errors.h"
#include "platform/Wait.h"

namespace win {

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;  // file-time units
constexpr int64_t kUnixEpochAsFileTime = 116'444'736'000'000'000LL;

std::atomic<bool> manualEnabled{false};
std::atomic<bool> manualAutoAdvance{false};
std::atomic<ULONGLONG> manualTick{0};
std::atomic<ULONGLONG> manualStartTick{0};
std::atomic<ULONGLONG> manualStartFileTime{0};

ULONGLONG RealTick() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<ULONGLONG>(ts.tv_sec) * 1000 + static_cast<ULONGLONG>(ts.tv_nsec / 1'000'000);
}

ULONGLONG RealFileTime() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  FILETIME ft = FileTimeFromUnix(ts.tv_sec, ts.tv_nsec);
  return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

ULONGLONG AsQuad(const FILETIME& ft) { return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }
FILETIME FromQuad(ULONGLONG q) { return FILETIME{static_cast<DWORD>(q), static_cast<DWORD>(q >> 32)}; }

// Days from 1970-01-01 to a civil date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(int64_t y, unsigned m) {
  static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Seconds east of UTC in force at the given host instant.
long UtcOffsetAt(time_t t) {
  tm local{};
  localtime_r(&t, &local);
  return local.tm_gmtoff;
}

}  // namespace

FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  int64_t q = kUnixEpochAsFileTime + seconds * kTicksPerSecond + nanoseconds / 100;
  return FromQuad(static_cast<ULONGLONG>(q < 0 ? 0 : q));
}

int64_t UnixSecondsFromFileTime(const FILETIME& ft) {
  int64_t q = static_cast<int64_t>(AsQuad(ft));
  int64_t rel = q - kUnixEpochAsFileTime;
  return rel >= 0 ? rel / kTicksPerSecond : -((-rel + kTicksPerSecond - 1) / kTicksPerSecond);
}

ULONGLONG GetTickCount64() { return manualEnabled ? manualTick.load() : RealTick(); }
DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

void GetSystemTimeAsFileTime(FILETIME* ft) {
  if (manualEnabled)
    *ft = FromQuad(manualStartFileTime + (manualTick - manualStartTick) * 10'000);
  else
    *ft = FromQuad(RealFileTime());
}

void GetSystemTime(SYSTEMTIME* st) {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  FileTimeToSystemTime(&ft, st);
}

void GetLocalTime(SYSTEMTIME* st) {
  FILETIME ft, local;
  GetSystemTimeAsFileTime(&ft);
  FileTimeToLocalFileTime(&ft, &local);
  FileTimeToSystemTime(&local, st);
}

BOOL FileTimeToSystemTime(const FILETIME* ft, SYSTEMTIME* st) {
  ULONGLONG q = AsQuad(*ft);
  if (q >= 0x8000000000000000ULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const ULONGLONG units = q % kTicksPerSecond;
  const int64_t totalSeconds = static_cast<int64_t>(q / kTicksPerSecond) - kUnixEpochAsFileTime / kTicksPerSecond;
  int64_t days = totalSeconds >= 0 ? totalSeconds / 86400 : -((-totalSeconds + 86399) / 86400);
  int64_t secondOfDay = totalSeconds - days * 86400;
  int64_t y;
  unsigned m, d;
  CivilFromDays(days, y, m, d);
  st->wYear = static_cast<WORD>(y);
  st->wMonth = static_cast<WORD>(m);
  st->wDay = static_cast<WORD>(d);
  st->wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  st->wHour = static_cast<WORD>(secondOfDay / 3600);
  st->wMinute = static_cast<WORD>(secondOfDay / 60 % 60);
  st->wSecond = static_cast<WORD>(secondOfDay % 60);
  st->wMilliseconds = static_cast<WORD>(units / 10'000);
  return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* ft) {
  if (st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 ||
      st->wDay > DaysInMonth(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59 ||
      st->wMilliseconds > 999) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay);
  int64_t seconds = days * 86400 + st->wHour * 3600 + st->wMinute * 60 + st->wSecond;
  *ft = FromQuad(static_cast<ULONGLONG>(kUnixEpochAsFileTime + seconds * kTicksPerSecond +
                                        static_cast<int64_t>(st->wMilliseconds) * 10'000));
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* ft, FILETIME* local) {
  int64_t offset = UtcOffsetAt(static_cast<time_t>(UnixSecondsFromFileTime(*ft)));
  *local = FromQuad(static_cast<ULONGLONG>(static_cast<int64_t>(AsQuad(*ft)) + offset * kTicksPerSecond));
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* ft) {
  // The offset in force at the local reading taken as if it were UTC, then
  // corrected once, finds the right offset except inside a change-over hour.
  int64_t guess = UnixSecondsFromFileTime(*local);
  int64_t offset = UtcOffsetAt(static_cast<time_t>(guess));
  offset = UtcOffsetAt(static_cast<time_t>(guess - offset));
  *ft = FromQuad(static_cast<ULONGLONG>(static_cast<int64_t>(AsQuad(*local)) - offset * kTicksPerSecond));
  return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  ULONGLONG x = AsQuad(*a), y = AsQuad(*b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

namespace detail {

bool ManualClockActive() { return manualEnabled; }
bool ManualClockAutoAdvance() { return manualAutoAdvance; }
void JumpManualClockTo(ULONGLONG tick) {
  if (tick > manualTick) manualTick = tick;
}

}  // namespace detail

namespace test {

void ManualClock::Enable(ULONGLONG startTick, ULONGLONG startFileTime) {
  std::lock_guard guard(detail::KernelMutex());
  manualStartFileTime = startFileTime ? startFileTime : RealFileTime();
  manualStartTick = startTick;
  manualTick = startTick;
  manualEnabled = true;
}

void ManualClock::Disable() {
  {
    std::lock_guard guard(detail::KernelMutex());
    manualEnabled = false;
    manualAutoAdvance = false;
  }
  detail::WakeAll();
}

bool ManualClock::Enabled() { return manualEnabled; }

void ManualClock::Advance(DWORD ms) {
  {
    std::lock_guard guard(detail::KernelMutex());
    manualTick += ms;
  }
  detail::WakeAll();
}

void ManualClock::SetAutoAdvance(bool on) {
  {
    std::lock_guard guard(detail::KernelMutex());
    manualAutoAdvance = on;
  }
  detail::WakeAll();
}

}  // namespace test
}  // namespace win

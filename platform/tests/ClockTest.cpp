#include <gtest/gtest.h>

#include <thread>

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Sync.h"

using namespace win;

TEST(Clock, SystemTimeRoundTripsThroughFileTimeAcrossCalendarEdges) {
  const SYSTEMTIME cases[] = {
      {1601, 1, 0, 1, 0, 0, 0, 0},       {1899, 12, 0, 30, 0, 0, 0, 0},  {1970, 1, 0, 1, 0, 0, 0, 0},
      {2000, 2, 0, 29, 23, 59, 59, 999}, {2026, 12, 0, 8, 3, 40, 0, 5},  {2100, 3, 0, 1, 12, 0, 0, 0},
  };
  for (const SYSTEMTIME& st : cases) {
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(back.wYear, st.wYear);
    EXPECT_EQ(back.wMonth, st.wMonth);
    EXPECT_EQ(back.wDay, st.wDay);
    EXPECT_EQ(back.wHour, st.wHour);
    EXPECT_EQ(back.wMinute, st.wMinute);
    EXPECT_EQ(back.wSecond, st.wSecond);
    EXPECT_EQ(back.wMilliseconds, st.wMilliseconds);
  }
  SYSTEMTIME epoch{1601, 1, 0, 1, 0, 0, 0, 0};
  FILETIME ft;
  SystemTimeToFileTime(&epoch, &ft);
  EXPECT_EQ(ft.dwLowDateTime, 0u);
  EXPECT_EQ(ft.dwHighDateTime, 0u);
}

TEST(Clock, WeekdayAndInvalidDates) {
  SYSTEMTIME st{2026, 12, 0, 8, 0, 0, 0, 0};
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  SYSTEMTIME back;
  FileTimeToSystemTime(&ft, &back);
  EXPECT_EQ(back.wDayOfWeek, 2);  // a Tuesday
  SYSTEMTIME feb29{2100, 2, 0, 29, 0, 0, 0, 0};
  EXPECT_FALSE(SystemTimeToFileTime(&feb29, &ft));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Clock, LocalTimeFollowsTheTimeZone) {
  setenv("TZ", "Asia/Tokyo", 1);
  tzset();
  SYSTEMTIME utc{2026, 1, 0, 1, 15, 30, 0, 0};
  FILETIME ft, local, back;
  SystemTimeToFileTime(&utc, &ft);
  FileTimeToLocalFileTime(&ft, &local);
  SYSTEMTIME st;
  FileTimeToSystemTime(&local, &st);
  EXPECT_EQ(st.wDay, 2);
  EXPECT_EQ(st.wHour, 0);
  LocalFileTimeToFileTime(&local, &back);
  EXPECT_EQ(CompareFileTime(&back, &ft), 0);
}

TEST(ManualClock, TickAndSystemTimeMoveOnlyWhenAdvanced) {
  SYSTEMTIME start{2026, 12, 0, 8, 9, 0, 0, 0};
  FILETIME ft;
  SystemTimeToFileTime(&start, &ft);
  test::ManualClockScope clock(5000, (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  EXPECT_EQ(GetTickCount(), 5000u);
  test::ManualClock::Advance(61'500);
  EXPECT_EQ(GetTickCount(), 66'500u);
  SYSTEMTIME now;
  GetSystemTime(&now);
  EXPECT_EQ(now.wMinute, 1);
  EXPECT_EQ(now.wSecond, 1);
  EXPECT_EQ(now.wMilliseconds, 500);
}

TEST(ManualClock, TimedWaitEndsWhenAnotherThreadAdvancesTheClock) {
  test::ManualClockScope clock;
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread advancer([] {
    for (int i = 0; i < 10; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      test::ManualClock::Advance(100);
    }
  });
  EXPECT_EQ(WaitForSingleObject(event, 500), WAIT_TIMEOUT);
  EXPECT_GE(GetTickCount(), 1500u);
  advancer.join();
  CloseHandle(event);
}

TEST(ManualClock, AutoAdvanceJumpsToTheDeadline) {
  test::ManualClockScope clock;
  test::ManualClock::SetAutoAdvance(true);
  Sleep(250);
  EXPECT_EQ(GetTickCount(), 1250u);
}

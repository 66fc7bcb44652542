#include <gtest/gtest.h>

#include <atomic>

#include "platform/Errors.h"
#include "platform/Mutex.h"
#include "platform/Sync.h"
#include "platform/Threads.h"

using namespace win;

namespace {

struct Work {
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE mutex = nullptr;
  std::atomic<DWORD> seenId{0};
  std::atomic<int> seenPriority{THREAD_PRIORITY_ERROR_RETURN};
  ~Work() { CloseHandle(go); }
};

DWORD WaitForGoThenAnswer(LPVOID parameter) {
  auto* work = static_cast<Work*>(parameter);
  work->seenId = GetCurrentThreadId();
  WaitForSingleObject(work->go, 10000);
  work->seenPriority = GetThreadPriority(GetCurrentThread());
  return 42;
}

DWORD TakeTheMutexAndEnd(LPVOID parameter) {
  WaitForSingleObject(static_cast<Work*>(parameter)->mutex, 0);
  return 0;
}

}  // namespace

TEST(Thread, HandleIsSignalledWhenTheRoutineReturnsWithItsExitCode) {
  Work work;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, WaitForGoThenAnswer, &work, 0, &id);
  ASSERT_NE(thread, nullptr);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
  SetEvent(work.go);
  ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(work.seenId, id);
  EXPECT_NE(id, GetCurrentThreadId());
  CloseHandle(thread);
}

TEST(Thread, CreatedSuspendedItRunsOnlyOnceResumed) {
  Work work;
  SetEvent(work.go);
  HANDLE thread = CreateThread(nullptr, 0, WaitForGoThenAnswer, &work, CREATE_SUSPENDED, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
  EXPECT_EQ(work.seenId, 0u);
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(ResumeThread(thread), 0u);
  CloseHandle(thread);
}

TEST(Thread, PrioritiesAreRecordedPerThread) {
  Work work;
  HANDLE thread = CreateThread(nullptr, 0, WaitForGoThenAnswer, &work, 0, nullptr);
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
  ASSERT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_IDLE));
  EXPECT_FALSE(SetThreadPriority(thread, 3));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_IDLE);
  SetEvent(work.go);
  WaitForSingleObject(thread, 10000);
  EXPECT_EQ(work.seenPriority, THREAD_PRIORITY_IDLE) << "the thread sees it through GetCurrentThread";

  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
  ASSERT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST));
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_HIGHEST);

  CloseHandle(thread);
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_ERROR_RETURN);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Thread, MutexesItOwnsAreAbandonedBeforeItIsSignalled) {
  Work work;
  work.mutex = CreateMutexA(nullptr, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, TakeTheMutexAndEnd, &work, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(work.mutex, 0), WAIT_ABANDONED);
  ReleaseMutex(work.mutex);
  CloseHandle(work.mutex);
  CloseHandle(thread);
}

TEST(Thread, BadRequestsAreRefused) {
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD code = 0;
  EXPECT_FALSE(GetExitCodeThread(event, &code));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(ResumeThread(event), static_cast<DWORD>(-1));
  CloseHandle(event);
}

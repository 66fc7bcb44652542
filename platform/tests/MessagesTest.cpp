#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/Sync.h"
#include "platform/Window.h"

using namespace win;
using namespace std::chrono_literals;

namespace {

constexpr UINT WM_DOUBLE = WM_USER + 1;  // answers twice its first parameter
constexpr UINT WM_ASK_BACK = WM_USER + 2;  // sends WM_DOUBLE to the window in lParam and answers that plus one

std::mutex logLock;
std::vector<MSG> handled;  // what the test procedure saw, with the thread in `time`

LRESULT TestProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m >= WM_USER || m == WM_TIMER) {
    std::lock_guard lock(logLock);
    handled.push_back(MSG{h, m, w, l, GetCurrentThreadId(), {}});
  }
  switch (m) {
    case WM_DOUBLE:
      return static_cast<LRESULT>(w * 2);
    case WM_ASK_BACK:
      return SendMessageA(reinterpret_cast<HWND>(l), WM_DOUBLE, w, 0) + 1;
    default:
      return DefWindowProcA(h, m, w, l);
  }
}

std::vector<MSG> Handled() {
  std::lock_guard lock(logLock);
  return handled;
}

// Each test starts with the test procedure's class and an empty log of it.
void RegisterTestClass(const char* name = "Test") {
  {
    std::lock_guard lock(logLock);
    handled.clear();
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = TestProc;
  wc.lpszClassName = name;
  RegisterClassA(&wc);
}

HWND MakeWindow(HWND parent = nullptr, DWORD style = WS_POPUP) {
  return CreateWindowExA(0, "Test", "", style, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
}

// Dispatches everything waiting in this thread's queue.
int PumpPending() {
  int count = 0;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageA(&msg);
    ++count;
  }
  return count;
}

// A thread with a window of its own that runs a message loop until WM_QUIT.
class PumpingThread {
 public:
  PumpingThread() {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] {
      window_ = MakeWindow();
      threadId_ = GetCurrentThreadId();
      SetEvent(ready);
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
  }
  ~PumpingThread() {
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND window() const { return window_; }
  DWORD threadId() const { return threadId_; }

 private:
  std::thread thread_;
  HWND window_{};
  DWORD threadId_ = 0;
};

// A thread with a window that stops pumping: it waits on an event until released.
class StuckThread {
 public:
  StuckThread() : release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] {
      window_ = MakeWindow();
      MSG msg;
      PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
      SetEvent(ready);
      WaitForSingleObject(release_, INFINITE);
      PumpPending();
    });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
  }
  ~StuckThread() {
    SetEvent(release_);
    thread_.join();
    CloseHandle(release_);
  }
  HWND window() const { return window_; }

 private:
  HANDLE release_;
  std::thread thread_;
  HWND window_{};
};

// Waits on the real clock, generously, for something another thread does.
template <class F>
bool Eventually(const F& done) {
  for (auto until = std::chrono::steady_clock::now() + 5s; std::chrono::steady_clock::now() < until;) {
    if (done()) return true;
    std::this_thread::sleep_for(1ms);
  }
  return done();
}

}  // namespace

TEST(RegisteredMessages, SameNumberForTheSameNameInAnyCase) {
  UINT koru = RegisterWindowMessageA("WM_KORU");
  EXPECT_GE(koru, 0xC000u);
  EXPECT_LE(koru, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessageA("wm_koru"), koru);
  UINT other = RegisterWindowMessageA("WM_OTHER");
  EXPECT_NE(other, koru);
  EXPECT_GE(other, 0xC000u);
  EXPECT_EQ(RegisterWindowMessageA(""), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  std::thread([koru] { EXPECT_EQ(RegisterWindowMessageA("Wm_Koru"), koru); }).join();
}

TEST(Posting, PostFromAnotherThreadWakesASleepingGetMessage) {
  RegisterTestClass();
  HWND h = MakeWindow();
  std::thread poster([h] {
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(PostMessageA(h, WM_USER + 5, 6, 7));
  });
  MSG msg;
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  poster.join();
  EXPECT_EQ(msg.hwnd, h);
  EXPECT_EQ(msg.message, WM_USER + 5);
  EXPECT_EQ(msg.wParam, 6u);
  EXPECT_EQ(msg.lParam, 7);
  EXPECT_EQ(static_cast<DWORD>(GetMessageTime()), msg.time);
  DispatchMessageA(&msg);
  ASSERT_EQ(Handled().size(), 1u);
  EXPECT_EQ(Handled()[0].time, GetCurrentThreadId());
}

TEST(Posting, QuitEndsGetMessageAfterThePostedMessages) {
  RegisterTestClass();
  HWND h = MakeWindow();
  PostQuitMessage(7);
  PostMessageA(h, WM_USER, 0, 0);
  MSG msg;
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, WM_USER);
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
}

TEST(Posting, ThreadMessagesAndErrors) {
  EXPECT_FALSE(PostThreadMessageA(0x7FFFFFF0, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
  ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 9, 1, 2));  // to this thread
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.message, WM_USER + 9);
  EXPECT_EQ(DispatchMessageA(&msg), 0);
  EXPECT_EQ(GetMessageA(&msg, reinterpret_cast<HWND>(0x7FFF0000), 0, 0), -1);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST(Posting, AFullQueueRefusesMorePostsUntilItIsRead) {
  for (int i = 0; i < 10000; ++i) ASSERT_TRUE(PostMessageA(nullptr, WM_USER, i, 0)) << i;
  EXPECT_FALSE(PostMessageA(nullptr, WM_USER, 10000, 0));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "QuotaTest";
  RegisterClassA(&wc);
  const HWND window = CreateWindowExA(0, "QuotaTest", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_TRUE(PostMessageA(window, WM_USER, 1, 0));
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  DestroyWindow(window);
}

TEST(Posting, PeekFiltersByWindowAndRange) {
  RegisterTestClass();
  HWND a = MakeWindow();
  HWND b = MakeWindow();
  HWND childOfA = MakeWindow(a, WS_CHILD);
  PostMessageA(b, WM_USER + 1, 0, 0);
  PostMessageA(childOfA, WM_USER + 2, 0, 0);
  PostMessageA(a, WM_USER + 3, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, a, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.hwnd, childOfA);  // a window's filter takes its children's messages too
  ASSERT_TRUE(PeekMessageA(&msg, a, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, a);
  EXPECT_FALSE(PeekMessageA(&msg, a, WM_USER + 3, WM_USER + 10, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));  // thread messages only
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, b);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, childOfA);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  PostMessageA(a, WM_USER, 0, 0);
  DestroyWindow(a);  // its posted messages go with it
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(Posting, BroadcastReachesEveryTopLevelWindowOnly) {
  RegisterTestClass();
  HWND first = MakeWindow();
  HWND second = MakeWindow(nullptr, WS_OVERLAPPED);
  ASSERT_NE(MakeWindow(first, WS_CHILD), nullptr);
  ASSERT_NE(MakeWindow(HWND_MESSAGE, 0), nullptr);
  PumpingThread other;
  const UINT koru = RegisterWindowMessageA("WM_KORU");
  ASSERT_TRUE(PostMessageA(HWND_BROADCAST, koru, 0x401, 1234));
  PumpPending();
  ASSERT_TRUE(Eventually([] { return Handled().size() >= 3; }));
  std::vector<HWND> reached;
  for (const MSG& m : Handled()) {
    EXPECT_EQ(m.message, koru);
    EXPECT_EQ(m.wParam, 0x401u);
    EXPECT_EQ(m.lParam, 1234);
    reached.push_back(m.hwnd);
  }
  std::sort(reached.begin(), reached.end());
  std::vector<HWND> expected{first, second, other.window()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(reached, expected);

  {
    std::lock_guard lock(logLock);
    handled.clear();
  }
  SendMessageA(HWND_BROADCAST, WM_USER + 7, 0, 0);
  DWORD_PTR ignored;
  EXPECT_TRUE(SendMessageTimeoutA(HWND_BROADCAST, WM_USER + 8, 0, 0, SMTO_ABORTIFHUNG, 3000, &ignored));
  EXPECT_EQ(Handled().size(), 6u);
}

TEST(Sending, CrossThreadSendRunsOnTheReceiverAndReturnsItsResult) {
  RegisterTestClass();
  PumpingThread other;
  EXPECT_EQ(SendMessageA(other.window(), WM_DOUBLE, 21, 0), 42);
  ASSERT_EQ(Handled().size(), 1u);
  EXPECT_EQ(Handled()[0].time, other.threadId());
  DWORD_PTR result = 0;
  EXPECT_TRUE(SendMessageTimeoutA(other.window(), WM_DOUBLE, 5, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, 3000, &result));
  EXPECT_EQ(result, 10u);
}

TEST(Sending, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  RegisterTestClass();
  HWND mine = MakeWindow();
  PumpingThread other;
  // The receiver sends back to this thread while this thread waits for its answer.
  EXPECT_EQ(SendMessageA(other.window(), WM_ASK_BACK, 4, reinterpret_cast<LPARAM>(mine)), 9);

  // Both threads send at the same moment, neither in a message loop.
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE done[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  // Each side answers what is sent to it until the other side is done too.
  auto answerUntil = [](HANDLE otherDone) {
    while (MsgWaitForMultipleObjects(1, &otherDone, FALSE, 5000, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
      MSG msg;
      PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
  };
  HWND theirs{};
  std::thread peer([&] {
    theirs = MakeWindow();
    SetEvent(ready);
    WaitForSingleObject(go, INFINITE);
    EXPECT_EQ(SendMessageA(mine, WM_DOUBLE, 3, 0), 6);
    SetEvent(done[1]);
    answerUntil(done[0]);
  });
  WaitForSingleObject(ready, INFINITE);
  SetEvent(go);
  DWORD_PTR result = 0;
  EXPECT_TRUE(SendMessageTimeoutA(theirs, WM_DOUBLE, 8, 0, SMTO_NORMAL, 5000, &result));
  EXPECT_EQ(result, 16u);
  SetEvent(done[0]);
  answerUntil(done[1]);
  peer.join();
  for (HANDLE h : {go, ready, done[0], done[1]}) CloseHandle(h);
}

TEST(Sending, TimeoutToAThreadThatDoesNotPumpWithdrawsTheMessage) {
  RegisterTestClass();
  {
    StuckThread stuck;
    DWORD_PTR result = 77;
    EXPECT_EQ(SendMessageTimeoutA(stuck.window(), WM_DOUBLE, 1, 0, SMTO_NORMAL, 100, &result), 0);
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    EXPECT_EQ(result, 77u);
  }  // the thread pumps once released: the withdrawn message never reaches it
  EXPECT_TRUE(Handled().empty());
}

TEST(Sending, AbortIfHungGivesUpAtOnceOnAThreadIdleForFiveSeconds) {
  RegisterTestClass();
  test::ManualClockScope clock;
  StuckThread stuck;
  PumpingThread waiting;  // idle in GetMessage: waiting is not hanging
  SendMessageA(waiting.window(), WM_NULL, 0, 0);  // answered from its loop, to which it then returns
  test::ManualClock::Advance(6000);
  auto send = std::async(std::launch::async, [&] {
    DWORD_PTR result = 0;
    LRESULT ok = SendMessageTimeoutA(stuck.window(), WM_DOUBLE, 1, 0, SMTO_ABORTIFHUNG, 3000, &result);
    return std::make_pair(ok, GetLastError());
  });
  if (send.wait_for(5s) != std::future_status::ready) {
    ADD_FAILURE() << "the send to a hung thread waited";
    test::ManualClock::Advance(3000);
  }
  auto [ok, error] = send.get();
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(error, ERROR_TIMEOUT);

  DWORD_PTR result = 0;
  EXPECT_TRUE(SendMessageTimeoutA(waiting.window(), WM_DOUBLE, 2, 0, SMTO_ABORTIFHUNG, 3000, &result));
  EXPECT_EQ(result, 4u);
}

TEST(Sending, ASendFailsWhenTheReceiverThreadEnds) {
  RegisterTestClass();
  HWND h{};
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread leaver([&] {
    h = MakeWindow();
    SetEvent(ready);
    while (!(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE)) Sleep(1);
  });  // ends without answering
  WaitForSingleObject(ready, INFINITE);
  EXPECT_EQ(SendMessageA(h, WM_DOUBLE, 1, 0), 0);
  leaver.join();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_TRUE(Handled().empty());
  CloseHandle(ready);
}

TEST(Sending, ReplyMessageReleasesTheSenderEarly) {
  static HANDLE carryOn = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  WNDCLASSA wc{};
  wc.lpszClassName = "Replier";
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m != WM_USER) return DefWindowProcA(h, m, w, l);
    EXPECT_TRUE(InSendMessage());
    EXPECT_TRUE(ReplyMessage(5));
    EXPECT_FALSE(ReplyMessage(6));
    EXPECT_EQ(WaitForSingleObject(carryOn, 5000), WAIT_OBJECT_0);  // the sender already has its answer
    return 9;
  };
  RegisterClassA(&wc);
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND h{};
  DWORD threadId = 0;
  std::thread receiver([&] {
    h = CreateWindowExA(0, "Replier", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    threadId = GetCurrentThreadId();
    SetEvent(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  });
  WaitForSingleObject(ready, INFINITE);
  EXPECT_FALSE(InSendMessage());
  EXPECT_EQ(SendMessageA(h, WM_USER, 0, 0), 5);
  SetEvent(carryOn);
  PostThreadMessageA(threadId, WM_QUIT, 0, 0);
  receiver.join();
  CloseHandle(ready);
}

TEST(Timers, FireInDueOrderOnceEachWhenTheClockPassesSeveral) {
  RegisterTestClass();
  test::ManualClockScope clock;
  HWND h = MakeWindow();
  static std::vector<UINT_PTR> procCalls;
  ASSERT_EQ(SetTimer(h, 1, 100, nullptr), 1u);
  ASSERT_EQ(SetTimer(h, 2, 30, nullptr), 2u);
  UINT_PTR threadTimer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) { procCalls.push_back(id); });
  ASSERT_NE(threadTimer, 0u);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));

  test::ManualClock::Advance(250);
  std::vector<std::pair<HWND, UINT_PTR>> order;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    EXPECT_EQ(msg.message, WM_TIMER);
    order.emplace_back(msg.hwnd, msg.wParam);
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT_PTR>>{{h, 2}, {nullptr, threadTimer}, {h, 1}}));
  EXPECT_EQ(procCalls, std::vector<UINT_PTR>{threadTimer});
  EXPECT_EQ(Handled().size(), 2u);  // the window's two timers reached its procedure

  test::ManualClock::Advance(30);  // each period counts from the last WM_TIMER
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  KillTimer(nullptr, threadTimer);  // a thread's timer outlives the test otherwise
}

TEST(Timers, KillTimerMinimumPeriodAndDestroyedWindows) {
  RegisterTestClass();
  test::ManualClockScope clock;
  HWND h = MakeWindow();
  SetTimer(h, 5, 1, nullptr);  // raised to USER_TIMER_MINIMUM
  MSG msg;
  test::ManualClock::Advance(USER_TIMER_MINIMUM - 1);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  test::ManualClock::Advance(1);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 5u);

  EXPECT_TRUE(KillTimer(h, 5));
  EXPECT_FALSE(KillTimer(h, 5));
  test::ManualClock::Advance(1000);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

  SetTimer(h, 6, 10, nullptr);
  DestroyWindow(h);  // its timers go with it
  test::ManualClock::Advance(1000);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(KillTimer(h, 6));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

  HWND mine = MakeWindow();
  std::thread([mine] {
    EXPECT_EQ(SetTimer(mine, 1, 10, nullptr), 0u);  // another thread's window
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  }).join();
}

TEST(Timers, AWaitingThreadSleepsUntilItsNextTimer) {
  RegisterTestClass();
  test::ManualClockScope clock;
  test::ManualClock::SetAutoAdvance(true);  // the wait itself moves the clock to its deadline
  HWND h = MakeWindow();
  SetTimer(h, 1, 500, nullptr);
  SetTimer(h, 2, 200, nullptr);
  MSG msg;
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_EQ(GetTickCount(), 1200u);
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_EQ(GetTickCount(), 1400u);
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.wParam, 1u);
  EXPECT_EQ(GetTickCount(), 1500u);
}

TEST(Dispatch, AClaimedTimerProcedureIsCalledOnlyForALiveTimer) {
  RegisterTestClass();
  HWND h = MakeWindow();
  static int calls = 0;
  TIMERPROC proc = [](HWND, UINT, UINT_PTR, DWORD) { ++calls; };
  PostMessageA(h, WM_TIMER, 3, reinterpret_cast<LPARAM>(proc));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  DispatchMessageA(&msg);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(Handled().size(), 1u);  // the window's own procedure had it instead
}

TEST(Waiting, MsgWaitReturnsForObjectsNewInputOrTimeout) {
  RegisterTestClass();
  HWND h = MakeWindow();
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 10, QS_ALLINPUT), WAIT_TIMEOUT);
  std::thread poster([h] {
    std::this_thread::sleep_for(20ms);
    PostMessageA(h, WM_USER, 0, 0);
  });
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 5000, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
  poster.join();
  // Input already seen by a peek is not new: only MWMO_INPUTAVAILABLE still reports it.
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT), WAIT_TIMEOUT);
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0);
  EXPECT_EQ(HIWORD(GetQueueStatus(QS_POSTMESSAGE)), QS_POSTMESSAGE);
  SetEvent(event);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 5000, QS_ALLINPUT), WAIT_OBJECT_0);
  CloseHandle(event);
}

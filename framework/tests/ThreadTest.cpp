#include "framework/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "framework/Exceptions.h"
#include "platform/Sync.h"
#include "platform/Threads.h"

using namespace std::chrono_literals;

namespace {

// Long enough for anything that should happen to happen on a loaded
// machine; short windows only assert that nothing happens.
constexpr auto kArrives = 5s;
constexpr auto kQuiet = 300ms;

// A thread whose Execute is the test's function.
class TTestThread : public TThread {
 public:
  using Body = std::function<void(TTestThread&)>;
  TTestThread(bool CreateSuspended, Body body) : TThread(CreateSuspended), body_(std::move(body)) {}
  ~TTestThread() override {
    TerminateAndWait();
    if (destroyed) *destroyed = true;
  }

  using TThread::Synchronize;
  using TThread::SuspendPoint;
  using TThread::WaitForHandle;
  void SetReturnValue(int value) { ReturnValue = value; }

  std::atomic<bool>* destroyed = nullptr;

 protected:
  void Execute() override { body_(*this); }

 private:
  Body body_;
};

// The main thread's message loop, as a test runs it: serves synchronised
// calls until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kArrives) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    CheckSynchronize(20);
  }
  return true;
}

void Pump(std::chrono::milliseconds span) { PumpUntil([] { return false; }, span); }

template <class Predicate>
bool EventuallyTrue(Predicate done, std::chrono::milliseconds limit = kArrives) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

bool Finished(const TThread& thread) { return win::WaitForSingleObject(thread.Handle(), 0) == win::WAIT_OBJECT_0; }

// Counts the wake-ups of the main thread that Synchronize asks for.
class ThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    WakeMainThread = [this] { ++wakes; };
  }
  void TearDown() override { WakeMainThread = nullptr; }

  std::atomic<int> wakes{0};
};

}  // namespace

TEST_F(ThreadTest, MainThreadIdIsTheThreadThatLoadedTheFramework) {
  EXPECT_EQ(MainThreadID, win::GetCurrentThreadId());
}

TEST_F(ThreadTest, SynchronizeRunsTheMethodOnTheMainThreadAndWaitsForIt) {
  std::atomic<win::DWORD> ranOn{0};
  int value = 0;  // touched by the method only, then read by the thread after it
  TTestThread thread(true, [&](TTestThread& self) {
    self.Synchronize([&] {
      ranOn = win::GetCurrentThreadId();
      value = 7;
    });
    self.SetReturnValue(value * 6);
  });
  EXPECT_TRUE(thread.Suspended());
  thread.Resume();
  EXPECT_FALSE(thread.Suspended());
  ASSERT_TRUE(PumpUntil([&] { return Finished(thread); }));
  EXPECT_EQ(ranOn, MainThreadID);
  EXPECT_EQ(thread.WaitFor(), 42u);
  EXPECT_GE(wakes, 1);
  EXPECT_NE(thread.ThreadID(), MainThreadID);
}

TEST_F(ThreadTest, WaitForOnTheMainThreadServesTheSynchronisedCalls) {
  int calls = 0;
  TTestThread thread(true, [&](TTestThread& self) {
    for (int i = 0; i < 3; ++i) self.Synchronize([&] { ++calls; });
    self.SetReturnValue(calls);
  });
  thread.Resume();
  EXPECT_EQ(thread.WaitFor(), 3u);
  EXPECT_EQ(calls, 3);
}

TEST_F(ThreadTest, SynchronizeRaisesInTheThreadWhatTheMethodRaised) {
  std::string caught;
  TTestThread thread(true, [&](TTestThread& self) {
    try {
      self.Synchronize([] { throw EConvertError("bad value"); });
    } catch (const EConvertError& e) {
      caught = e.Message;
    }
  });
  thread.Resume();
  thread.WaitFor();
  EXPECT_EQ(caught, "bad value");
}

TEST_F(ThreadTest, WhatExecuteLetsEscapeIsKept) {
  TTestThread thread(true, [](TTestThread&) { throw EThread("broken"); });
  thread.Resume();
  thread.WaitFor();
  ASSERT_TRUE(thread.FatalException());
  EXPECT_THROW(std::rethrow_exception(thread.FatalException()), EThread);
}

TEST_F(ThreadTest, TerminateEndsAThreadThatWaitsOnItsOwn) {
  win::HANDLE never = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  std::atomic<bool> interrupted{false};
  TTestThread thread(true, [&](TTestThread& self) {
    while (!self.Terminated())
      if (self.WaitForHandle(never, win::INFINITE) == TThread::WaitInterrupted) interrupted = true;
  });
  thread.Resume();
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(Finished(thread));
  thread.Terminate();
  EXPECT_TRUE(thread.Terminated());
  thread.WaitFor();
  EXPECT_TRUE(interrupted);
  win::CloseHandle(never);
}

TEST_F(ThreadTest, ACreatedSuspendedThreadRunsOnlyOnceResumed) {
  std::atomic<bool> ran{false};
  TTestThread thread(true, [&](TTestThread&) { ran = true; });
  std::this_thread::sleep_for(kQuiet);
  EXPECT_FALSE(ran);
  thread.Suspend();  // counts: two resumes now
  thread.Resume();
  std::this_thread::sleep_for(kQuiet);
  EXPECT_FALSE(ran);
  EXPECT_TRUE(thread.Suspended());
  thread.Resume();
  thread.WaitFor();
  EXPECT_TRUE(ran);
}

TEST_F(ThreadTest, AThreadCreatedRunningStartsOnceItsConstructionIsComplete) {
  std::atomic<bool> ran{false};
  TTestThread thread(false, [&](TTestThread&) { ran = true; });
  EXPECT_FALSE(thread.Suspended());
  EXPECT_GE(wakes, 1);  // the message loop is asked to start it
  ASSERT_TRUE(PumpUntil([&] { return Finished(thread); }));
  EXPECT_TRUE(ran);

  std::atomic<bool> ranToo{false};
  TTestThread other(false, [&](TTestThread&) { ranToo = true; });
  other.WaitFor();  // starts it without the loop
  EXPECT_TRUE(ranToo);
}

TEST_F(ThreadTest, SuspendPausesAThreadAtItsNextWaitPoint) {
  win::HANDLE never = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  std::atomic<int> rounds{0};
  std::atomic<int> interruptions{0};
  TTestThread thread(true, [&](TTestThread& self) {
    while (!self.Terminated()) {
      ++rounds;
      if (self.WaitForHandle(never, 10) == TThread::WaitInterrupted) ++interruptions;
    }
  });
  thread.Resume();
  ASSERT_TRUE(EventuallyTrue([&] { return rounds > 2; }));

  thread.Suspend();
  EXPECT_TRUE(thread.Suspended());
  std::this_thread::sleep_for(kQuiet);  // the wait under way ends, and the thread pauses
  const int paused = rounds;
  std::this_thread::sleep_for(kQuiet);
  EXPECT_EQ(rounds, paused);
  EXPECT_EQ(interruptions, 0);  // still inside the wait: it answers once resumed

  thread.Resume();
  ASSERT_TRUE(EventuallyTrue([&] { return rounds > paused + 2; }));
  EXPECT_EQ(interruptions, 1);
  thread.Terminate();
  thread.WaitFor();
  win::CloseHandle(never);
}

TEST_F(ThreadTest, SynchronizeIsAWaitPointAndAThreadMaySuspendItself) {
  std::atomic<int> stage{0};
  int synchronised = 0;
  TTestThread thread(true, [&](TTestThread& self) {
    stage = 1;
    self.Suspend();  // pauses here until resumed
    stage = 2;
    while (stage != 3) std::this_thread::sleep_for(1ms);
    self.Synchronize([&] { ++synchronised; });  // suspended meanwhile: pauses first
    stage = 4;
  });
  thread.Resume();
  ASSERT_TRUE(EventuallyTrue([&] { return stage == 1 && thread.Suspended(); }));
  std::this_thread::sleep_for(kQuiet);
  EXPECT_EQ(stage, 1);
  thread.Resume();
  ASSERT_TRUE(EventuallyTrue([&] { return stage == 2; }));

  thread.Suspend();
  stage = 3;
  Pump(kQuiet);
  EXPECT_EQ(synchronised, 0);
  thread.Resume();
  ASSERT_TRUE(PumpUntil([&] { return stage == 4; }));
  EXPECT_EQ(synchronised, 1);
  thread.WaitFor();
}

TEST_F(ThreadTest, PrioritiesGoThroughThePlatform) {
  TTestThread thread(true, [](TTestThread&) {});
  EXPECT_EQ(thread.Priority(), tpNormal);
  const std::pair<TThreadPriority, int> cases[] = {
      {tpIdle, win::THREAD_PRIORITY_IDLE},           {tpLowest, win::THREAD_PRIORITY_LOWEST},
      {tpLower, win::THREAD_PRIORITY_BELOW_NORMAL},  {tpNormal, win::THREAD_PRIORITY_NORMAL},
      {tpHigher, win::THREAD_PRIORITY_ABOVE_NORMAL}, {tpHighest, win::THREAD_PRIORITY_HIGHEST},
      {tpTimeCritical, win::THREAD_PRIORITY_TIME_CRITICAL},
  };
  for (const auto& [priority, platform] : cases) {
    thread.SetPriority(priority);
    EXPECT_EQ(thread.Priority(), priority);
    EXPECT_EQ(win::GetThreadPriority(thread.Handle()), platform);
  }
}

TEST_F(ThreadTest, OnTerminateRunsSynchronisedAndFreeOnTerminateDeletesTheThread) {
  std::atomic<bool> destroyed{false};
  win::DWORD terminatedOn = 0;
  TObject* sender = nullptr;
  auto* thread = new TTestThread(true, [](TTestThread&) {});
  thread->destroyed = &destroyed;
  thread->FreeOnTerminate = true;
  thread->OnTerminate = [&](TObject* Sender) {
    terminatedOn = win::GetCurrentThreadId();
    sender = Sender;
  };
  thread->Resume();
  ASSERT_TRUE(PumpUntil([&] { return destroyed.load(); }));
  EXPECT_EQ(terminatedOn, MainThreadID);
  EXPECT_EQ(sender, thread);
}

TEST_F(ThreadTest, DestroyingAThreadWhoseSynchronisedCallIsQueuedDropsTheCall) {
  bool ran = false;
  std::atomic<bool> returned{false};
  auto* thread = new TTestThread(true, [&](TTestThread& self) {
    self.Synchronize([&] { ran = true; });
    returned = true;
    while (!self.Terminated()) self.SuspendPoint();
  });
  thread->Resume();
  ASSERT_TRUE(EventuallyTrue([&] { return wakes > 0; }));  // queued; the main thread has not served it
  delete thread;  // must not wait for a call that only this thread could run
  EXPECT_TRUE(returned);
  EXPECT_FALSE(CheckSynchronize());
  EXPECT_FALSE(ran);
}

TEST_F(ThreadTest, AThreadDestroyedInItsOwnSynchronisedCallFinishesFirst) {
  std::atomic<bool> destroyed{false};
  std::atomic<bool> executeEnded{false};
  bool endedBeforeDestroyed = false;
  bool synchronisedAfterwards = false;
  TTestThread* thread = nullptr;
  thread = new TTestThread(true, [&](TTestThread& self) {
    self.Synchronize([&] {
      delete thread;
      endedBeforeDestroyed = executeEnded;
    });
    // Terminated by the destructor: further calls return at once, unrun.
    self.Synchronize([&] { synchronisedAfterwards = true; });
    if (self.Terminated()) executeEnded = true;
  });
  thread->destroyed = &destroyed;
  thread->OnTerminate = [&](TObject*) { synchronisedAfterwards = true; };
  thread->Resume();
  ASSERT_TRUE(PumpUntil([&] { return destroyed.load(); }));
  EXPECT_TRUE(endedBeforeDestroyed);
  Pump(kQuiet);
  EXPECT_FALSE(synchronisedAfterwards);
}

TEST_F(ThreadTest, DestroyingASuspendedOrUnstartedThreadEndsIt) {
  std::atomic<bool> ran{false};
  { TTestThread never(true, [&](TTestThread&) { ran = true; }); }
  EXPECT_FALSE(ran);  // terminated before it began: Execute is not called

  std::atomic<bool> looping{false};
  {
    TTestThread paused(true, [&](TTestThread& self) {
      looping = true;
      while (!self.Terminated()) self.SuspendPoint();
    });
    paused.Resume();
    ASSERT_TRUE(EventuallyTrue([&] { return looping.load(); }));
    paused.Suspend();
  }
}

TEST_F(ThreadTest, MisuseRaisesEThread) {
  std::atomic<bool> checkRaised{false};
  std::atomic<bool> waitRaised{false};
  TTestThread thread(true, [&](TTestThread& self) {
    try {
      CheckSynchronize();
    } catch (const EThread&) {
      checkRaised = true;
    }
    try {
      self.WaitFor();
    } catch (const EThread&) {
      waitRaised = true;
    }
  });
  thread.Resume();
  thread.WaitFor();
  EXPECT_TRUE(checkRaised);
  EXPECT_TRUE(waitRaised);
}

// Threads of the framework: TThread runs its Execute on a thread of its own
// and hands work to the main (user-interface) thread with Synchronize, which
// the main thread serves in CheckSynchronize.
#pragma once

#include <exception>
#include <functional>
#include <memory>

#include "framework/Classes.h"
#include "platform/Types.h"

using TThreadMethod = std::function<void()>;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The part of a thread that its platform thread shares with it (Thread.cpp).
struct TThreadState;

// The thread that runs the user interface and every synchronised call: the
// one that loaded the framework.
extern win::DWORD MainThreadID;

// Called after a thread queued a synchronised call or a start, so that the
// main thread's message loop wakes and calls CheckSynchronize. The
// application sets it before any thread runs.
extern std::function<void()> WakeMainThread;

// Runs, on the main thread, the calls that threads queued with Synchronize
// (and starts the threads created running), after waiting up to Timeout
// milliseconds for one to arrive. True when a call ran. Raises EThread on
// any other thread.
bool CheckSynchronize(int Timeout = 0);

// A thread that runs Execute.
//
// Suspension is safe: a thread is never stopped at an arbitrary point (it
// could hold a lock). Suspend asks it to pause, and it pauses at its next
// suspend point: before Execute, when it calls Synchronize, when its
// WaitForHandle ends (which Suspend ends early) and at SuspendPoint. A
// thread that suspends itself pauses at once. Suspend and Resume count.
//
// A thread created running starts when its construction is complete, which
// a base class cannot see for itself: at the main thread's next
// CheckSynchronize, or at once in WaitFor and Resume.
//
// Ending: the destructor terminates the thread, lets it go on if it is
// suspended and waits for it to end. Execute runs on after the destructors
// of derived classes, so a class whose Execute uses members of its own calls
// TerminateAndWait in its destructor. A thread ended by its destructor makes
// no more synchronised calls: a call still queued is dropped, later ones
// return at once, and OnTerminate is not called. A thread may be destroyed
// from inside one of its own synchronised calls: that call then counts as
// done, so that the thread can finish while the destructor waits for it.
class TThread : public TObject {
 public:
  explicit TThread(bool CreateSuspended);
  ~TThread() override;

  void Resume();
  void Suspend();
  // Asks Execute to end; it tests Terminated.
  void Terminate();
  // Waits for the thread to end and returns its exit code (ReturnValue). On
  // the main thread it runs the synchronised calls that arrive meanwhile.
  // EThread when a thread would wait for itself.
  win::DWORD WaitFor();

  bool Suspended() const;
  bool Terminated() const;
  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority Value);
  win::HANDLE Handle() const { return handle_; }
  win::DWORD ThreadID() const { return threadId_; }
  // What Execute raised and let escape, or none.
  std::exception_ptr FatalException() const { return fatalException_; }

  // Both are read by the thread when Execute has ended: set them first.
  // With FreeOnTerminate the thread deletes its object when it ends.
  bool FreeOnTerminate = false;
  // Runs, synchronised, when Execute has ended.
  TNotifyEvent OnTerminate;

  // What WaitForHandle answers when a Suspend or Terminate ended the wait.
  static constexpr win::DWORD WaitInterrupted = 0xC0;

 protected:
  virtual void Execute() = 0;
  virtual void DoTerminate();
  // Runs Method on the main thread and waits for it; raises there what
  // Method raised. On the main thread Method runs at once.
  void Synchronize(const TThreadMethod& Method);
  // A wait of the thread's own on Handle that Suspend and Terminate end
  // early: WaitInterrupted, after the pause if the thread was suspended.
  win::DWORD WaitForHandle(win::HANDLE Handle, win::DWORD Milliseconds);
  // Pauses while the thread is suspended.
  void SuspendPoint();
  // What the destructor does; for destructors of derived classes.
  void TerminateAndWait();

  // The thread's exit code.
  int ReturnValue = 0;

 private:
  static win::DWORD ThreadProc(void* Parameter);

  std::shared_ptr<TThreadState> state_;
  win::HANDLE handle_ = nullptr;
  win::DWORD threadId_ = 0;
  bool ended_ = false;
  std::exception_ptr fatalException_;
};

#include "framework/Thread.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/Format.h"
#include "platform/Errors.h"
#include "platform/Sync.h"
#include "platform/Threads.h"

win::DWORD MainThreadID = win::GetCurrentThreadId();
std::function<void()> WakeMainThread;

namespace {

// A call of Synchronize, shared by the thread that waits for it and the main
// thread that runs it.
struct SyncCall {
  TThreadMethod method;
  std::exception_ptr error;
  bool running = false;
  bool done = false;
  // Done before the method returned: its thread was destroyed in it.
  bool released = false;
};

}  // namespace

// Every field but `terminated` changes under the synchroniser's lock.
struct TThreadState {
  ~TThreadState() { win::CloseHandle(poke); }

  TThread* thread = nullptr;  // null once the object is gone
  win::HANDLE handle = nullptr;
  win::HANDLE poke = nullptr;  // auto-reset: a Suspend or Terminate came
  int suspendCount = 0;
  bool started = false;  // the platform thread was let run
  bool ending = false;   // the destructor ends the thread
  std::atomic<bool> terminated{false};
  std::shared_ptr<SyncCall> call;  // the thread's call, queued or running
};

namespace {

// The queue of synchronised calls and the state of every thread.
struct Synchronizer {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::shared_ptr<SyncCall>> queue;
  // Threads created running, to be started once constructed.
  std::vector<std::shared_ptr<TThreadState>> starts;
  // Manual-reset: set while the queue holds a call or a start waits.
  win::HANDLE pending = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
};

Synchronizer& Sync() {
  static auto* sync = new Synchronizer;  // never destroyed: threads may run at exit
  return *sync;
}

bool OnMainThread() { return win::GetCurrentThreadId() == MainThreadID; }

void Wake() {
  if (WakeMainThread) WakeMainThread();
}

// Lets the platform thread run; under the lock.
void StartLocked(TThreadState& state) {
  if (state.started) return;
  state.started = true;
  win::ResumeThread(state.handle);
}

void StartPendingThreads() {
  Synchronizer& sync = Sync();
  std::lock_guard guard(sync.lock);
  for (auto& state : sync.starts) StartLocked(*state);
  sync.starts.clear();
}

// The next queued call, marked running; none when the queue is empty.
std::shared_ptr<SyncCall> TakeCall() {
  Synchronizer& sync = Sync();
  std::lock_guard guard(sync.lock);
  if (sync.queue.empty()) {
    if (sync.starts.empty()) win::ResetEvent(sync.pending);
    return nullptr;
  }
  std::shared_ptr<SyncCall> call = std::move(sync.queue.front());
  sync.queue.pop_front();
  call->running = true;
  return call;
}

void RunCall(SyncCall& call) {
  std::exception_ptr error;
  try {
    call.method();
  } catch (...) {
    error = std::current_exception();
  }
  Synchronizer& sync = Sync();
  std::lock_guard guard(sync.lock);
  call.error = std::move(error);  // the waiting thread alone handles it from here
  call.done = true;
  sync.changed.notify_all();
}

// The platform's priorities in the order of TThreadPriority.
constexpr int kPriorities[] = {
    win::THREAD_PRIORITY_IDLE,   win::THREAD_PRIORITY_LOWEST,       win::THREAD_PRIORITY_BELOW_NORMAL,
    win::THREAD_PRIORITY_NORMAL, win::THREAD_PRIORITY_ABOVE_NORMAL, win::THREAD_PRIORITY_HIGHEST,
    win::THREAD_PRIORITY_TIME_CRITICAL,
};

}  // namespace

bool CheckSynchronize(int Timeout) {
  if (!OnMainThread()) throw EThread(Format(SCheckSynchronizeError, {win::GetCurrentThreadId()}));
  if (Timeout > 0) win::WaitForSingleObject(Sync().pending, static_cast<win::DWORD>(Timeout));
  StartPendingThreads();
  bool ran = false;
  while (std::shared_ptr<SyncCall> call = TakeCall()) {
    RunCall(*call);
    ran = true;
  }
  return ran;
}

TThread::TThread(bool CreateSuspended) : state_(std::make_shared<TThreadState>()) {
  state_->thread = this;
  state_->suspendCount = CreateSuspended ? 1 : 0;
  state_->poke = win::CreateEventA(nullptr, win::FALSE, win::FALSE, nullptr);
  // The platform thread always starts suspended: Execute is virtual, and a
  // derived object is not complete before its own constructor has run.
  auto* parameter = new std::shared_ptr<TThreadState>(state_);
  handle_ = win::CreateThread(nullptr, 0, ThreadProc, parameter, win::CREATE_SUSPENDED, &threadId_);
  if (!handle_) {
    delete parameter;
    throw EThread(Format(SThreadCreateError, {win::GetLastError()}));
  }
  state_->handle = handle_;
  if (CreateSuspended) return;
  Synchronizer& sync = Sync();
  {
    std::lock_guard guard(sync.lock);
    sync.starts.push_back(state_);
    win::SetEvent(sync.pending);
  }
  Wake();
}

TThread::~TThread() {
  TerminateAndWait();
  {
    std::lock_guard guard(Sync().lock);
    state_->thread = nullptr;
  }
  win::CloseHandle(handle_);
}

void TThread::TerminateAndWait() {
  if (ended_) return;
  ended_ = true;
  Synchronizer& sync = Sync();
  {
    std::lock_guard guard(sync.lock);
    state_->terminated = true;
    state_->ending = true;
    if (std::shared_ptr<SyncCall> call = state_->call) {
      if (!call->running) {
        std::erase(sync.queue, call);  // it would act on an object that is going
        call->done = true;
      } else if (OnMainThread()) {
        // Destroyed from inside its own call, which cannot return before
        // this destructor does: the thread goes on now.
        call->done = true;
        call->released = true;
      }
    }
    state_->suspendCount = 0;
    std::erase(sync.starts, state_);
    StartLocked(*state_);
    sync.changed.notify_all();
  }
  win::SetEvent(state_->poke);
  if (win::GetCurrentThreadId() != threadId_) win::WaitForSingleObject(handle_, win::INFINITE);
}

win::DWORD TThread::ThreadProc(void* Parameter) {
  const std::shared_ptr<TThreadState> state = [Parameter] {
    std::unique_ptr<std::shared_ptr<TThreadState>> owned(static_cast<std::shared_ptr<TThreadState>*>(Parameter));
    return *owned;
  }();
  TThread* self = state->thread;
  self->SuspendPoint();
  if (!self->Terminated()) {
    try {
      self->Execute();
    } catch (...) {
      self->fatalException_ = std::current_exception();
    }
  }
  bool ending = false;
  bool freeThread = false;
  win::DWORD exitCode = 0;
  {
    std::lock_guard guard(Sync().lock);
    if (!state->thread) return 0;  // deleted by its own Execute
    exitCode = static_cast<win::DWORD>(self->ReturnValue);
    ending = state->ending;
    freeThread = self->FreeOnTerminate;
  }
  if (ending) return exitCode;  // its destructor waits: the object is going
  self->DoTerminate();
  if (freeThread) delete self;
  return exitCode;
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::Synchronize(const TThreadMethod& Method) {
  if (OnMainThread()) {
    Method();
    return;
  }
  SuspendPoint();
  auto call = std::make_shared<SyncCall>();
  call->method = Method;
  Synchronizer& sync = Sync();
  {
    std::lock_guard guard(sync.lock);
    if (state_->ending) return;
    state_->call = call;
    sync.queue.push_back(call);
    win::SetEvent(sync.pending);
  }
  Wake();
  std::exception_ptr error;
  {
    std::unique_lock lock(sync.lock);
    sync.changed.wait(lock, [&] { return call->done; });
    state_->call = nullptr;
    if (!call->released) error = std::move(call->error);
  }
  if (error) std::rethrow_exception(error);
}

win::DWORD TThread::WaitForHandle(win::HANDLE Handle, win::DWORD Milliseconds) {
  const win::HANDLE handles[] = {Handle, state_->poke};
  const win::DWORD result = win::WaitForMultipleObjects(2, handles, win::FALSE, Milliseconds);
  if (result != win::WAIT_OBJECT_0 + 1) return result;
  SuspendPoint();
  return WaitInterrupted;
}

void TThread::SuspendPoint() {
  Synchronizer& sync = Sync();
  std::unique_lock lock(sync.lock);
  sync.changed.wait(lock, [&] { return state_->suspendCount == 0; });
}

void TThread::Resume() {
  Synchronizer& sync = Sync();
  std::lock_guard guard(sync.lock);
  if (state_->started && state_->suspendCount == 0) return;
  if (state_->suspendCount > 0) --state_->suspendCount;
  if (state_->suspendCount > 0) return;
  std::erase(sync.starts, state_);
  StartLocked(*state_);
  sync.changed.notify_all();
}

void TThread::Suspend() {
  {
    std::lock_guard guard(Sync().lock);
    ++state_->suspendCount;
  }
  win::SetEvent(state_->poke);
  if (win::GetCurrentThreadId() == threadId_) SuspendPoint();
}

void TThread::Terminate() {
  state_->terminated = true;
  win::SetEvent(state_->poke);
}

win::DWORD TThread::WaitFor() {
  if (win::GetCurrentThreadId() == threadId_) throw EThread(SThreadWaitForItself);
  {
    Synchronizer& sync = Sync();
    std::lock_guard guard(sync.lock);
    if (state_->suspendCount == 0) {
      std::erase(sync.starts, state_);
      StartLocked(*state_);
    }
  }
  if (OnMainThread()) {
    const win::HANDLE handles[] = {handle_, Sync().pending};
    while (win::WaitForMultipleObjects(2, handles, win::FALSE, win::INFINITE) == win::WAIT_OBJECT_0 + 1)
      CheckSynchronize();
  } else {
    win::WaitForSingleObject(handle_, win::INFINITE);
  }
  win::DWORD exitCode = 0;
  win::GetExitCodeThread(handle_, &exitCode);
  return exitCode;
}

bool TThread::Suspended() const {
  std::lock_guard guard(Sync().lock);
  return state_->suspendCount > 0;
}

bool TThread::Terminated() const { return state_->terminated; }

TThreadPriority TThread::Priority() const {
  const int value = win::GetThreadPriority(handle_);
  const auto* found = std::find(std::begin(kPriorities), std::end(kPriorities), value);
  return found == std::end(kPriorities) ? tpNormal : static_cast<TThreadPriority>(found - std::begin(kPriorities));
}

void TThread::SetPriority(TThreadPriority Value) { win::SetThreadPriority(handle_, kPriorities[Value]); }

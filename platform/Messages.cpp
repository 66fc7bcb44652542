#include "platform/Messages.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Input.h"
#include "platform/Process.h"
#include "platform/Sync.h"
#include "platform/Wait.h"

namespace win {
namespace detail {

namespace {

// A thread that has not looked at its queue for this long, and is not inside
// a message call now, does not answer: SMTO_ABORTIFHUNG gives up on it at once.
constexpr ULONGLONG kHungAfterMs = 5000;

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

struct SentMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool started = false;
  bool done = false;
  bool failed = false;  // the receiving thread ended before handling it
  LRESULT result = 0;
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT elapse;
  TIMERPROC proc;
  ULONGLONG due;  // tick count; coalesced: one WM_TIMER however far past it
};

struct Queue {
  explicit Queue(DWORD thread) : threadId(thread), lastPump(GetTickCount64()), lastLook(lastPump) {}

  DWORD threadId;
  std::deque<MSG> posted;
  std::deque<MSG> input;  // keyboard and mouse messages, in the order they happened
  std::deque<std::shared_ptr<SentMessage>> sent;  // from other threads, in arrival order
  std::vector<Timer> timers;                      // in the order they were set
  bool quitPending = false;
  int quitCode = 0;
  UINT newStates = 0;   // QS_ kinds of input that arrived since the thread last looked
  ULONGLONG lastPump;   // when the thread last looked at its queue or left a message call
  ULONGLONG lastLook;   // timers that fell due after this are new input
  // Inside a message call that answers sent messages (GetMessage, a message
  // wait), and not running a window procedure: such a thread is never hung.
  bool listening = false;
};

// Sets whether the thread listens for the scope of a call, with KernelMutex
// held at both ends.
class ListeningScope {
 public:
  ListeningScope(Queue& q, bool on) : q_(q), previous_(q.listening) { q.listening = on; }
  ~ListeningScope() {
    q_.listening = previous_;
    q_.lastPump = GetTickCount64();
  }
  ListeningScope(const ListeningScope&) = delete;
  ListeningScope& operator=(const ListeningScope&) = delete;

 private:
  Queue& q_;
  bool previous_;
};

// Every thread's queue, by thread id; guarded by KernelMutex.
std::unordered_map<DWORD, std::shared_ptr<Queue>>& Queues() {
  static auto* queues = new std::unordered_map<DWORD, std::shared_ptr<Queue>>;
  return *queues;
}

std::shared_ptr<Queue> FindQueueLocked(DWORD threadId) {
  auto it = Queues().find(threadId);
  return it == Queues().end() ? nullptr : it->second;
}

void EndThreadQueue(DWORD threadId) {
  RemoveThreadWindows(threadId);
  {
    std::lock_guard lock(KernelMutex());
    if (auto q = FindQueueLocked(threadId)) {
      for (auto& m : q->sent) m->done = m->failed = true;
      Queues().erase(threadId);
    }
  }
  WakeAll();
}

// What the message functions keep per thread. The queue and the thread's
// windows go when the thread ends.
struct ThreadState {
  std::shared_ptr<Queue> queue;
  bool idleReported = false;
  // The messages being handled, innermost last: a message sent from another
  // thread, or null for a call on the thread itself.
  std::vector<SentMessage*> handling;
  DWORD lastTime = 0;
  POINT lastPos{};

  ~ThreadState() {
    if (queue) EndThreadQueue(queue->threadId);
  }
};

ThreadState& This() {
  thread_local ThreadState state;
  return state;
}

Queue& ThisQueue() {
  ThreadState& t = This();
  if (!t.queue) {
    auto q = std::make_shared<Queue>(GetCurrentThreadId());
    std::lock_guard lock(KernelMutex());
    Queues()[q->threadId] = q;
    t.queue = std::move(q);
  }
  return *t.queue;
}

void NoteIdle() {
  ThreadState& t = This();
  if (t.idleReported) return;
  t.idleReported = true;
  ReportInputIdle();
}

class HandlingScope {
 public:
  explicit HandlingScope(SentMessage* m) { This().handling.push_back(m); }
  ~HandlingScope() { This().handling.pop_back(); }
  HandlingScope(const HandlingScope&) = delete;
  HandlingScope& operator=(const HandlingScope&) = delete;
};

// Handles the first message sent to this thread, without the lock; the
// sender learns the result (0 if the procedure throws) as soon as it ends.
void HandleNextSentLocked(Queue& q, std::unique_lock<std::mutex>& lock) {
  std::shared_ptr<SentMessage> m = std::move(q.sent.front());
  q.sent.pop_front();
  m->started = true;
  ListeningScope busy(q, false);
  LRESULT result = 0;
  struct Finish {
    std::unique_lock<std::mutex>& lock;
    SentMessage& m;
    LRESULT& result;
    ~Finish() {
      lock.lock();
      if (!m.done) {
        m.result = result;
        m.done = true;
      }
      WakeAll();
    }
  } finish{lock, *m, result};
  lock.unlock();
  HandlingScope scope(m.get());
  result = CallWindowProcedure(m->hwnd, m->message, m->wParam, m->lParam);
}

bool IsHungLocked(const Queue& q) { return !q.listening && GetTickCount64() - q.lastPump >= kHungAfterMs; }

ULONGLONG NextTimerDueLocked(const Queue& q) {
  const ULONGLONG now = GetTickCount64();
  ULONGLONG next = kNoDeadline;
  for (const Timer& t : q.timers)
    if (t.due > now) next = std::min(next, t.due);
  return next;
}

// Waits until `ready` or the deadline, waking when each timer falls due so
// that conditions which come with time are seen.
bool WaitOnQueueLocked(std::unique_lock<std::mutex>& lock, Queue& q, const std::function<bool()>& ready,
                       ULONGLONG deadline, bool answersSent, DWORD pollMs = INFINITE) {
  ListeningScope listening(q, answersSent);
  for (;;) {
    if (WaitUntil(lock, ready, std::min(deadline, NextTimerDueLocked(q)), pollMs)) return true;
    if (deadline != kNoDeadline && GetTickCount64() >= deadline) return false;
  }
}

// Takes (or with `remove` false, copies) the next message the filter
// accepts, in the platform's order: posted messages, the quit request,
// paint, then the earliest due timer.
bool TakeMessageLocked(Queue& q, const MessageFilter& filter, bool remove, MSG& out) {
  for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
    if (!filter.Accepts(it->hwnd, it->message)) continue;
    out = *it;
    if (remove) q.posted.erase(it);
    return true;
  }
  for (auto it = q.input.begin(); it != q.input.end(); ++it) {
    if (!filter.Accepts(it->hwnd, it->message)) continue;
    out = *it;
    if (remove) q.input.erase(it);
    return true;
  }
  const ULONGLONG now = GetTickCount64();
  if (q.quitPending) {
    out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<intptr_t>(q.quitCode)), 0, static_cast<DWORD>(now), {}};
    if (remove) q.quitPending = false;
    return true;
  }
  if (NextPaintMessageLocked(q.threadId, filter, out)) return true;
  Timer* due = nullptr;
  for (Timer& t : q.timers)
    if (t.due <= now && filter.Accepts(t.hwnd, WM_TIMER) && (!due || t.due < due->due)) due = &t;
  if (!due) return false;
  out = MSG{due->hwnd, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc), static_cast<DWORD>(now), {}};
  if (remove) due->due = now + due->elapse;
  return true;
}

UINT InputKindOf(UINT message) {
  if (message >= WM_KEYFIRST && message <= WM_KEYLAST) return QS_KEY;
  return message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE ? QS_MOUSEMOVE : QS_MOUSEBUTTON;
}

bool HasMessageLocked(Queue& q, const MessageFilter& filter) {
  MSG scratch;
  return TakeMessageLocked(q, filter, false, scratch);
}

UINT CurrentStatesLocked(Queue& q) {
  UINT states = 0;
  if (!q.posted.empty() || q.quitPending) states |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  if (!q.sent.empty()) states |= QS_SENDMESSAGE;
  for (const MSG& m : q.input) states |= InputKindOf(m.message);
  MSG scratch;
  if (NextPaintMessageLocked(q.threadId, MessageFilter{}, scratch)) states |= QS_PAINT;
  const ULONGLONG now = GetTickCount64();
  if (std::any_of(q.timers.begin(), q.timers.end(), [now](const Timer& t) { return t.due <= now; }))
    states |= QS_TIMER;
  return states;
}

UINT NewStatesLocked(const Queue& q) {
  const ULONGLONG now = GetTickCount64();
  const bool timerFellDue = std::any_of(q.timers.begin(), q.timers.end(),
                                        [&](const Timer& t) { return t.due > q.lastLook && t.due <= now; });
  return q.newStates | (timerFellDue ? QS_TIMER : 0);
}

void MarkLookedLocked(Queue& q) {
  q.newStates = 0;
  q.lastLook = q.lastPump = GetTickCount64();
}

// The filter of a GetMessage or PeekMessage call; false when it names a
// window that is stale or not the calling thread's.
bool MakeFilter(HWND hwnd, UINT first, UINT last, MessageFilter& filter) {
  filter.first = first;
  filter.last = last;
  if (hwnd == kThreadMessagesOnly) {
    filter.threadOnly = true;
    return true;
  }
  filter.window = hwnd;
  if (!hwnd) return true;
  std::lock_guard lock(KernelMutex());
  Window* w = LiveWindowLocked(hwnd);
  return w && w->threadId == GetCurrentThreadId();
}

void RememberMessage(const MSG& msg) {
  ThreadState& t = This();
  t.lastTime = msg.time;
  t.lastPos = msg.pt;
}

// A thread's queue holds at most this many posted messages; posting more
// fails until it is read, so a flood cannot grow it without bound.
constexpr size_t kPostedMessageQuota = 10000;

bool QueueFullLocked(const Window& w) {
  auto q = w.threadId ? FindQueueLocked(w.threadId) : nullptr;
  return q && q->posted.size() >= kPostedMessageQuota;
}

void PostLocked(const Window& w, UINT message, WPARAM wParam, LPARAM lParam) {
  auto q = w.threadId ? FindQueueLocked(w.threadId) : nullptr;
  if (!q) return;  // the desktop takes no messages
  q->posted.push_back(MSG{w.handle, message, wParam, lParam, GetTickCount(), CursorPosLocked()});
  q->newStates |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
}

std::vector<HWND> TopLevelWindows() {
  std::lock_guard lock(KernelMutex());
  return TopLevelWindowsLocked();
}

// The thread that serves a window, or false (with the error set) for a stale one.
bool OwnerThread(HWND hwnd, DWORD& thread) {
  std::lock_guard lock(KernelMutex());
  Window* w = LiveWindowLocked(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  thread = w->threadId;
  return true;
}

bool IsServedHere(DWORD thread) { return thread == 0 || thread == GetCurrentThreadId(); }

LRESULT CallHere(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  HandlingScope scope(nullptr);
  return CallWindowProcedure(hwnd, message, wParam, lParam);
}

// Sends to one window: a direct call on the window's own thread; otherwise
// the window's thread handles it in its next message wait while this one
// waits, answering what is sent to it meanwhile (unless SMTO_BLOCK). False,
// with the error set, when the window is stale, its thread ended, or the
// deadline passed first.
bool Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, ULONGLONG deadline,
             LRESULT& result) {
  DWORD owner = 0;
  if (!OwnerThread(hwnd, owner)) return false;
  if (IsServedHere(owner)) {
    result = CallHere(hwnd, message, wParam, lParam);
    return true;
  }
  Queue& self = ThisQueue();
  auto m = std::make_shared<SentMessage>(SentMessage{hwnd, message, wParam, lParam});
  std::unique_lock lock(KernelMutex());
  std::shared_ptr<Queue> target = FindQueueLocked(owner);
  if (!target) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if ((flags & SMTO_ABORTIFHUNG) && IsHungLocked(*target)) {
    SetLastError(ERROR_TIMEOUT);
    return false;
  }
  target->sent.push_back(m);
  target->newStates |= QS_SENDMESSAGE;
  WakeAll();
  const bool answer = !(flags & SMTO_BLOCK);
  while (!m->done) {
    if (answer && !self.sent.empty()) {
      HandleNextSentLocked(self, lock);
      continue;
    }
    if (!WaitOnQueueLocked(
            lock, self, [&] { return m->done || (answer && !self.sent.empty()); }, deadline, answer)) {
      // A message not yet begun is withdrawn, so that no one handles it
      // after the sender has gone on (its parameters may point at the sender's data).
      if (!m->started) std::erase(target->sent, m);
      SetLastError(ERROR_TIMEOUT);
      return false;
    }
  }
  if (m->failed) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  result = m->result;
  return true;
}

TIMERPROC LiveTimerProc(HWND hwnd, UINT_PTR id, LPARAM claimed) {
  std::lock_guard lock(KernelMutex());
  for (const Timer& t : ThisQueue().timers)
    if (t.hwnd == hwnd && t.id == id && reinterpret_cast<LPARAM>(t.proc) == claimed) return t.proc;
  return nullptr;
}

Timer* FindTimerLocked(Queue& q, HWND hwnd, UINT_PTR id) {
  auto it =
      std::find_if(q.timers.begin(), q.timers.end(), [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  return it == q.timers.end() ? nullptr : &*it;
}

}  // namespace

bool MessageFilter::Accepts(HWND hwnd, UINT message) const {
  if ((first || last) && message != WM_QUIT && (message < first || message > last)) return false;
  if (threadOnly) return !hwnd;
  return !window || IsSelfOrDescendantLocked(window, hwnd);
}

void EnsureMessageQueue() { ThisQueue(); }

void NoteQueueChangeLocked(DWORD threadId, UINT queueStates) {
  if (auto q = FindQueueLocked(threadId)) q->newStates |= queueStates;
}

bool PostInputLocked(const Window& w, UINT message, WPARAM wParam, LPARAM lParam) {
  auto q = w.threadId ? FindQueueLocked(w.threadId) : nullptr;
  if (!q) return false;
  q->input.push_back(MSG{w.handle, message, wParam, lParam, GetTickCount(), CursorPosLocked()});
  q->newStates |= InputKindOf(message);
  return true;
}

void ForgetWindowMessagesLocked(HWND hwnd, DWORD threadId) {
  auto q = FindQueueLocked(threadId);
  if (!q) return;
  std::erase_if(q->posted, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
  std::erase_if(q->input, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
  std::erase_if(q->timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
}

}  // namespace detail

using detail::Window;

// ---- posting ----

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!hwnd) return PostThreadMessageA(GetCurrentThreadId(), message, wParam, lParam);
  {
    std::lock_guard lock(detail::KernelMutex());
    if (hwnd == HWND_BROADCAST) {
      for (HWND top : detail::TopLevelWindowsLocked()) {
        const Window& w = *detail::LiveWindowLocked(top);
        if (!detail::QueueFullLocked(w)) detail::PostLocked(w, message, wParam, lParam);
      }
    } else {
      Window* w = detail::LiveWindowLocked(hwnd);
      if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
      }
      if (detail::QueueFullLocked(*w)) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
      }
      detail::PostLocked(*w, message, wParam, lParam);
    }
  }
  detail::WakeAll();
  return TRUE;
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  if (threadId == GetCurrentThreadId()) detail::EnsureMessageQueue();
  {
    std::lock_guard lock(detail::KernelMutex());
    auto q = detail::FindQueueLocked(threadId);
    if (!q) {
      SetLastError(ERROR_INVALID_THREAD_ID);
      return FALSE;
    }
    if (q->posted.size() >= detail::kPostedMessageQuota) {
      SetLastError(ERROR_NOT_ENOUGH_QUOTA);
      return FALSE;
    }
    q->posted.push_back(MSG{nullptr, message, wParam, lParam, GetTickCount(), detail::CursorPosLocked()});
    q->newStates |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  }
  detail::WakeAll();
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  detail::Queue& q = detail::ThisQueue();
  {
    std::lock_guard lock(detail::KernelMutex());
    q.quitPending = true;
    q.quitCode = exitCode;
    q.newStates |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  }
  detail::WakeAll();
}

// ---- sending ----

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (hwnd == HWND_BROADCAST) {
    for (HWND top : detail::TopLevelWindows())
      detail::Deliver(top, message, wParam, lParam, SMTO_NORMAL, detail::kNoDeadline, result);
    return 0;
  }
  detail::Deliver(hwnd, message, wParam, lParam, SMTO_NORMAL, detail::kNoDeadline, result);
  return result;
}

LRESULT SendMessageTimeoutA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeoutMs,
                            DWORD_PTR* result) {
  LRESULT answer = 0;
  if (hwnd == HWND_BROADCAST) {
    // Each window has the whole time limit.
    for (HWND top : detail::TopLevelWindows())
      detail::Deliver(top, message, wParam, lParam, flags, detail::DeadlineAfter(timeoutMs), answer);
    if (result) *result = 0;
    return TRUE;
  }
  if (!detail::Deliver(hwnd, message, wParam, lParam, flags, detail::DeadlineAfter(timeoutMs), answer)) return 0;
  if (result) *result = static_cast<DWORD_PTR>(answer);
  return TRUE;
}

BOOL SendNotifyMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    for (HWND top : detail::TopLevelWindows()) SendNotifyMessageA(top, message, wParam, lParam);
    return TRUE;
  }
  DWORD owner = 0;
  if (!detail::OwnerThread(hwnd, owner)) return FALSE;
  if (detail::IsServedHere(owner)) {
    detail::CallHere(hwnd, message, wParam, lParam);
    return TRUE;
  }
  {
    std::lock_guard lock(detail::KernelMutex());
    if (auto q = detail::FindQueueLocked(owner)) {
      q->sent.push_back(std::make_shared<detail::SentMessage>(detail::SentMessage{hwnd, message, wParam, lParam}));
      q->newStates |= QS_SENDMESSAGE;
    }
  }
  detail::WakeAll();
  return TRUE;
}

BOOL InSendMessage() {
  const auto& handling = detail::This().handling;
  return !handling.empty() && handling.back() != nullptr;
}

BOOL ReplyMessage(LRESULT result) {
  const auto& handling = detail::This().handling;
  detail::SentMessage* m = handling.empty() ? nullptr : handling.back();
  if (!m) return FALSE;
  {
    std::lock_guard lock(detail::KernelMutex());
    if (m->done) return FALSE;
    m->result = result;
    m->done = true;
  }
  detail::WakeAll();
  return TRUE;
}

// ---- the message loop ----

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  detail::MessageFilter filter;
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (!detail::MakeFilter(hwnd, filterMin, filterMax, filter)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  detail::Queue& q = detail::ThisQueue();
  std::unique_lock lock(detail::KernelMutex());
  detail::ListeningScope listening(q, true);
  auto filterGone = [&] { return filter.window && !detail::LiveWindowLocked(filter.window); };
  for (;;) {
    if (filterGone()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return -1;
    }
    if (!q.sent.empty()) {
      detail::HandleNextSentLocked(q, lock);
      continue;
    }
    if (detail::TakeMessageLocked(q, filter, true, *msg)) break;
    if (!detail::This().idleReported) {
      lock.unlock();
      detail::NoteIdle();
      lock.lock();
      continue;
    }
    detail::WaitOnQueueLocked(
        lock, q, [&] { return !q.sent.empty() || detail::HasMessageLocked(q, filter) || filterGone(); },
        detail::kNoDeadline, true);
  }
  detail::MarkLookedLocked(q);
  lock.unlock();
  detail::RememberMessage(*msg);
  detail::NoteInputRead(*msg);
  return msg->message != WM_QUIT;
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  detail::MessageFilter filter;
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!detail::MakeFilter(hwnd, filterMin, filterMax, filter)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  detail::Queue& q = detail::ThisQueue();
  bool found = false;
  {
    std::unique_lock lock(detail::KernelMutex());
    while (!q.sent.empty()) detail::HandleNextSentLocked(q, lock);
    found = detail::TakeMessageLocked(q, filter, removeFlags & PM_REMOVE, *msg);
    detail::MarkLookedLocked(q);
  }
  if (!found) {
    detail::NoteIdle();
    return FALSE;
  }
  detail::RememberMessage(*msg);
  if (removeFlags & PM_REMOVE) detail::NoteInputRead(*msg);
  return TRUE;
}

BOOL WaitMessage() {
  detail::Queue& q = detail::ThisQueue();
  detail::NoteIdle();
  std::unique_lock lock(detail::KernelMutex());
  detail::WaitOnQueueLocked(lock, q, [&] { return detail::NewStatesLocked(q) != 0; }, detail::kNoDeadline, true);
  return TRUE;
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD ms, DWORD wakeMask, DWORD flags) {
  if (count >= MAXIMUM_WAIT_OBJECTS || (count && !handles)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<detail::KernelObject>> objects;
  DWORD poll = INFINITE;
  if (!detail::CollectWaitObjects(count, handles, objects, poll)) return WAIT_FAILED;
  detail::Queue& q = detail::ThisQueue();
  detail::NoteIdle();
  const DWORD self = GetCurrentThreadId();
  DWORD result = WAIT_TIMEOUT;
  std::unique_lock lock(detail::KernelMutex());
  auto input = [&] {
    UINT states = (flags & MWMO_INPUTAVAILABLE) ? detail::CurrentStatesLocked(q) : detail::NewStatesLocked(q);
    return (states & wakeMask) != 0;
  };
  auto ready = [&] {
    if (flags & MWMO_WAITALL) {
      if (!input() || !std::all_of(objects.begin(), objects.end(), [&](auto& o) { return o->IsSignaled(self); }))
        return false;
      bool abandoned = false;
      for (auto& o : objects) abandoned |= o->Acquire(self);
      result = abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
      return true;
    }
    for (DWORD i = 0; i < count; ++i) {
      if (objects[i]->IsSignaled(self)) {
        result = (objects[i]->Acquire(self) ? WAIT_ABANDONED : WAIT_OBJECT_0) + i;
        return true;
      }
    }
    if (!input()) return false;
    result = WAIT_OBJECT_0 + count;
    return true;
  };
  detail::WaitOnQueueLocked(lock, q, ready, detail::DeadlineAfter(ms), true, poll);
  lock.unlock();
  detail::WakeAll();  // an acquired object may have changed what others wait for
  return result;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms, DWORD wakeMask) {
  return MsgWaitForMultipleObjectsEx(count, handles, ms, wakeMask, waitAll ? MWMO_WAITALL : 0);
}

BOOL TranslateMessage(const MSG* msg) { return msg && detail::PostCharacterOfKey(*msg) ? TRUE : FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    // Only the procedure of a live timer is called, never an address that
    // some posted message claims.
    if (TIMERPROC proc = detail::LiveTimerProc(msg->hwnd, msg->wParam, msg->lParam)) {
      detail::HandlingScope scope(nullptr);
      proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
      return 0;
    }
  }
  if (!msg->hwnd) return 0;
  DWORD owner = 0;
  if (!detail::OwnerThread(msg->hwnd, owner)) return 0;
  if (!detail::IsServedHere(owner)) {
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return 0;
  }
  return detail::CallHere(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LONG GetMessageTime() { return static_cast<LONG>(detail::This().lastTime); }

DWORD GetMessagePos() {
  const POINT& pt = detail::This().lastPos;
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
}

DWORD GetQueueStatus(UINT flags) {
  detail::Queue& q = detail::ThisQueue();
  std::lock_guard lock(detail::KernelMutex());
  const UINT current = detail::CurrentStatesLocked(q) & flags;
  const UINT fresh = detail::NewStatesLocked(q) & flags;
  q.newStates &= ~flags;
  if (flags & QS_TIMER) q.lastLook = GetTickCount64();
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(fresh), static_cast<WORD>(current)));
}

UINT RegisterWindowMessageA(LPCSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard lock(detail::KernelMutex());
  ATOM atom = detail::AddUserAtomLocked(name);
  if (!atom) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return atom;
}

// ---- timers ----

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  static UINT_PTR nextThreadTimerId = 1;  // guarded by KernelMutex
  detail::Queue& q = detail::ThisQueue();
  const UINT elapse = std::clamp(elapseMs, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  std::lock_guard lock(detail::KernelMutex());
  if (hwnd) {
    Window* w = detail::LiveWindowLocked(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (w->threadId != q.threadId) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
  } else if (!detail::FindTimerLocked(q, nullptr, id)) {
    id = nextThreadTimerId++;  // a thread timer gets an id of its own unless it replaces one
  }
  const ULONGLONG due = GetTickCount64() + elapse;
  if (detail::Timer* t = detail::FindTimerLocked(q, hwnd, id)) {
    t->elapse = elapse;
    t->proc = proc;
    t->due = due;
  } else {
    q.timers.push_back(detail::Timer{hwnd, id, elapse, proc, due});
  }
  return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  detail::Queue& q = detail::ThisQueue();
  std::lock_guard lock(detail::KernelMutex());
  if (hwnd && !detail::LiveWindowLocked(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  detail::Timer* t = detail::FindTimerLocked(q, hwnd, id);
  if (!t) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  q.timers.erase(q.timers.begin() + (t - q.timers.data()));
  return TRUE;
}

namespace test {

size_t ThreadTimerCount() {
  detail::Queue& q = detail::ThisQueue();
  std::lock_guard lock(detail::KernelMutex());
  return q.timers.size();
}

}  // namespace test
}  // namespace win

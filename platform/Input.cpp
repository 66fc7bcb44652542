#include "platform/Input.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/Regions.h"
#include "platform/ScrollBars.h"
#include "platform/Sync.h"
#include "platform/SysColors.h"
#include "platform/Wait.h"

namespace win {
namespace detail {

namespace {

using test::MouseButton;

constexpr UINT kDefaultDoubleClickTime = 500;

// The platform's own cursors, one object per IDC_ id.
class Cursor final : public HandleObject {
 public:
  HandleKind Kind() const override { return HandleKind::Icon; }
};

// The press that a second one may make a double click of.
struct Press {
  HWND hwnd{};
  MouseButton button{};
  bool client = true;
  ULONGLONG time = 0;
  POINT point{};
};

// The mouse, capture, focus and cursors; guarded by KernelMutex.
struct InputState {
  POINT cursorPos{};
  HWND capture{};  // one for the whole desktop; GetCapture shows it to its own thread
  std::unordered_map<DWORD, HWND> focus;  // by thread
  DWORD keyboardThread = 0;               // the thread that last took the focus
  std::map<uintptr_t, HCURSOR> cursors;   // by IDC_ id
  HCURSOR shown{};
  UINT doubleClickTime = kDefaultDoubleClickTime;
  std::optional<Press> lastPress;
};

InputState& State() {
  static auto* state = new InputState;  // never destroyed: threads may end during exit
  return *state;
}

const bool kForgetsDestroyedWindows = [] {
  AddWindowDestroyedListener([](HWND hwnd) {
    std::lock_guard lock(KernelMutex());
    InputState& s = State();
    if (s.capture == hwnd) s.capture = nullptr;
    std::erase_if(s.focus, [hwnd](auto& entry) { return entry.second == hwnd; });
    if (s.lastPress && s.lastPress->hwnd == hwnd) s.lastPress.reset();
  });
  return true;
}();

bool InRect(const RECT& r, POINT pt) { return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom; }

LPARAM PackPoint(LONG x, LONG y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

bool IsShapedAt(const Window& w, POINT pt) {
  const Region* shape = WindowShapeLocked(w.handle);
  return !shape || shape->Contains(pt.x - w.windowRect.left, pt.y - w.windowRect.top);
}

bool InWindowLocked(const Window& w, POINT pt) { return InRect(w.windowRect, pt) && IsShapedAt(w, pt); }

// A window under the point that a mouse message may go to; a disabled
// top-level window takes the point but no message.
struct Candidate {
  HWND hwnd;
  bool disabled;
};

// The children under the point in the order HTTRANSPARENT passes it on:
// each child's own children before it, a child before the siblings below it.
void CollectChildrenLocked(const Window& parent, POINT pt, std::vector<Candidate>& out) {
  if (!InRect(parent.clientRect, pt)) return;
  for (auto& child : parent.children) {
    if (!(child->style & WS_VISIBLE) || (child->style & WS_DISABLED) || !InWindowLocked(*child, pt)) continue;
    CollectChildrenLocked(*child, pt, out);
    out.push_back({child->handle, false});
  }
}

std::vector<Candidate> CandidatesLocked(POINT pt) {
  std::vector<Candidate> out;
  for (auto& top : DesktopLocked()->children) {
    if (!(top->style & WS_VISIBLE) || !InWindowLocked(*top, pt)) continue;
    if (top->style & WS_DISABLED) {
      out.push_back({top->handle, true});
      break;  // it swallows the point
    }
    CollectChildrenLocked(*top, pt, out);
    out.push_back({top->handle, false});
  }
  return out;
}

struct Hit {
  HWND hwnd{};
  LRESULT code = HTNOWHERE;
  bool swallowed = false;
};

// Asks the windows under the point, topmost first, until one does not
// answer HTTRANSPARENT.
Hit HitTest(POINT pt) {
  std::vector<Candidate> candidates;
  {
    std::lock_guard lock(KernelMutex());
    candidates = CandidatesLocked(pt);
  }
  for (const Candidate& c : candidates) {
    if (c.disabled) return Hit{c.hwnd, HTERROR, true};
    const LRESULT code = SendMessageA(c.hwnd, WM_NCHITTEST, 0, PackPoint(pt.x, pt.y));
    if (code != HTTRANSPARENT && IsWindow(c.hwnd)) return Hit{c.hwnd, code, false};
  }
  return Hit{};
}

// ---- mouse messages ----

enum class MouseEvent { Move, Down, Up };

int VirtualKeyOf(MouseButton button) {
  switch (button) {
    case MouseButton::Left: return VK_LBUTTON;
    case MouseButton::Right: return VK_RBUTTON;
    case MouseButton::Middle: return VK_MBUTTON;
  }
  return VK_LBUTTON;
}

// Each button's messages are three in a row: down, up, double click.
UINT FirstClientMessage(MouseButton button) {
  switch (button) {
    case MouseButton::Left: return WM_LBUTTONDOWN;
    case MouseButton::Right: return WM_RBUTTONDOWN;
    case MouseButton::Middle: return WM_MBUTTONDOWN;
  }
  return WM_LBUTTONDOWN;
}

UINT FirstNonClientMessage(MouseButton button) {
  return FirstClientMessage(button) - WM_LBUTTONDOWN + WM_NCLBUTTONDOWN;
}

UINT ClientMessageOf(MouseEvent event, MouseButton button) {
  return event == MouseEvent::Move ? WM_MOUSEMOVE
                                   : FirstClientMessage(button) + (event == MouseEvent::Up ? 1 : 0);
}

WPARAM MouseKeysLocked() {
  WPARAM keys = 0;
  if (AsyncKeyDownLocked(VK_LBUTTON)) keys |= MK_LBUTTON;
  if (AsyncKeyDownLocked(VK_RBUTTON)) keys |= MK_RBUTTON;
  if (AsyncKeyDownLocked(VK_MBUTTON)) keys |= MK_MBUTTON;
  if (AsyncKeyDownLocked(VK_SHIFT)) keys |= MK_SHIFT;
  if (AsyncKeyDownLocked(VK_CONTROL)) keys |= MK_CONTROL;
  return keys;
}

// Whether a press completes a double click; a completed one is forgotten,
// so that a third press starts over.
bool IsSecondPressLocked(const Press& press, SIZE slack) {
  InputState& s = State();
  const std::optional<Press>& last = s.lastPress;
  const bool second = last && last->hwnd == press.hwnd && last->button == press.button &&
                      last->client == press.client && press.time - last->time <= s.doubleClickTime &&
                      std::abs(press.point.x - last->point.x) <= slack.cx / 2 &&
                      std::abs(press.point.y - last->point.y) <= slack.cy / 2;
  if (second)
    s.lastPress.reset();
  else
    s.lastPress = press;
  return second;
}

UINT ButtonMessageLocked(const Window& w, MouseEvent event, MouseButton button, bool client, POINT pt) {
  const UINT first = client ? FirstClientMessage(button) : FirstNonClientMessage(button);
  if (event == MouseEvent::Up) return first + 1;
  const SIZE slack{GetSystemMetrics(SM_CXDOUBLECLK), GetSystemMetrics(SM_CYDOUBLECLK)};
  const bool second = IsSecondPressLocked(Press{w.handle, button, client, GetTickCount64(), pt}, slack);
  // The non-client area always has double clicks; the client area only by its class.
  const bool doubleClick = second && (!client || (w.windowClass->style & CS_DBLCLKS));
  return doubleClick ? first + 2 : first;
}

void PostMouseMessage(HWND target, LRESULT code, MouseEvent event, MouseButton button, POINT pt) {
  {
    std::lock_guard lock(KernelMutex());
    Window* w = LiveWindowLocked(target);
    if (!w) return;
    const bool client = code == HTCLIENT;
    UINT message = client ? WM_MOUSEMOVE : WM_NCMOUSEMOVE;
    if (event != MouseEvent::Move) message = ButtonMessageLocked(*w, event, button, client, pt);
    const WPARAM wParam = client ? MouseKeysLocked() : static_cast<WPARAM>(code);
    const LPARAM lParam =
        client ? PackPoint(pt.x - w->clientRect.left, pt.y - w->clientRect.top) : PackPoint(pt.x, pt.y);
    PostInputLocked(*w, message, wParam, lParam);
  }
  WakeAll();
}

// A press on a window of an inactive top-level window makes that window the
// foreground one, unless the window answers WM_MOUSEACTIVATE otherwise;
// false when the answer drops the press.
bool ActivateOnPress(const Hit& hit, UINT mouseMessage) {
  HWND root{};
  {
    std::lock_guard lock(KernelMutex());
    const Window* top = LiveWindowLocked(hit.hwnd);
    while (top && top->parent && top->parent != DesktopLocked()) top = top->parent;
    if (!top || top->parent != DesktopLocked() || ActiveWindowLocked(top->threadId) == top->handle ||
        (top->exStyle & WS_EX_NOACTIVATE))
      return true;
    root = top->handle;
  }
  const LRESULT answer = SendMessageA(hit.hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root),
                                      MAKELPARAM(static_cast<WORD>(hit.code), static_cast<WORD>(mouseMessage)));
  if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) SetForegroundWindow(root);
  return answer != MA_ACTIVATEANDEAT && answer != MA_NOACTIVATEANDEAT;
}

// What the window manager makes of one event of the mouse at its current
// place: the capture window's client message, or the hit window's
// WM_SETCURSOR and then its client or non-client message.
void RouteMouse(MouseEvent event, MouseButton button) {
  POINT pt;
  HWND capture{};
  {
    std::lock_guard lock(KernelMutex());
    pt = State().cursorPos;
    if (event != MouseEvent::Move) SetAsyncKeyLocked(VirtualKeyOf(button), event == MouseEvent::Down);
    if (LiveWindowLocked(State().capture)) capture = State().capture;
  }
  if (capture) {
    PostMouseMessage(capture, HTCLIENT, event, button, pt);
    return;
  }
  const Hit hit = HitTest(pt);
  if (!hit.hwnd) return;
  const UINT mouseMessage = ClientMessageOf(event, button);
  SendMessageA(hit.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hit.hwnd),
               MAKELPARAM(static_cast<WORD>(hit.code), static_cast<WORD>(mouseMessage)));
  if (hit.swallowed) return;
  if (event == MouseEvent::Down && !ActivateOnPress(hit, mouseMessage)) return;
  PostMouseMessage(hit.hwnd, hit.code, event, button, pt);
}

POINT ClampToScreen(POINT pt) {
  const RECT& screen = DesktopLocked()->windowRect;
  pt.x = std::clamp<LONG>(pt.x, screen.left, std::max(screen.left, screen.right - 1));
  pt.y = std::clamp<LONG>(pt.y, screen.top, std::max(screen.top, screen.bottom - 1));
  return pt;
}

void PlaceCursor(POINT pt) {
  std::lock_guard lock(KernelMutex());
  State().cursorPos = ClampToScreen(pt);
}

// ---- focus ----

HWND FocusLocked(DWORD thread) {
  auto& focus = State().focus;
  auto it = focus.find(thread);
  return it == focus.end() ? nullptr : it->second;
}

// Moves a thread's focus, announcing it to the window losing it (with the
// new one) and then to the window gaining it (with the old one), unless the
// loser's handler moved the focus elsewhere meanwhile. Answers the old focus.
HWND ChangeFocus(DWORD thread, HWND hwnd) {
  HWND old{};
  {
    std::lock_guard lock(KernelMutex());
    InputState& s = State();
    old = FocusLocked(thread);
    if (old == hwnd) return old;
    if (hwnd) {
      s.focus[thread] = hwnd;
      s.keyboardThread = thread;
    } else {
      s.focus.erase(thread);
    }
  }
  if (old) SendNotifyMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  bool stillFocused = false;
  {
    std::lock_guard lock(KernelMutex());
    stillFocused = hwnd && FocusLocked(thread) == hwnd;
  }
  if (stillFocused) SendNotifyMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

// The threads whose focus lies in the window or below it.
std::vector<DWORD> ThreadsFocusedWithinLocked(HWND hwnd) {
  std::vector<DWORD> threads;
  for (auto& [thread, focus] : State().focus)
    if (IsSelfOrDescendantLocked(hwnd, focus)) threads.push_back(thread);
  return threads;
}

bool IsChildWindow(const Window& w) { return w.parent && w.parent->parent; }

// ---- cursors ----

bool IsKnownCursorId(uintptr_t id) {
  switch (id) {
    case 32512: case 32513: case 32514: case 32515: case 32516:
    case 32642: case 32643: case 32644: case 32645: case 32646:
    case 32648: case 32649: case 32650: case 32651:
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- detail interface ----

LRESULT DefaultHitTest(HWND hwnd, LPARAM lParam) {
  const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  std::lock_guard lock(KernelMutex());
  const Window* w = LiveWindowLocked(hwnd);
  if (!w || !InWindowLocked(*w, pt)) return HTNOWHERE;
  if (InRect(w->clientRect, pt)) return HTCLIENT;
  const RECT& r = w->windowRect;
  if (w->style & WS_THICKFRAME) {
    const bool left = pt.x < r.left + kSizingFrameWidth, right = pt.x >= r.right - kSizingFrameWidth;
    if (pt.y < r.top + kSizingFrameWidth) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (pt.y >= r.bottom - kSizingFrameWidth) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    // The caption lies on the client area's edges, as wide as the client area and those edges.
    const RECT insets = NonClientInsets(w->style, w->exStyle);
    const RECT noEdges = NonClientInsets(w->style, 0);
    const int edge = insets.left - noEdges.left;
    const RECT caption{w->clientRect.left - edge, w->clientRect.top - edge - kCaptionHeight,
                       w->clientRect.right + edge, w->clientRect.top - edge};
    if (InRect(caption, pt)) {
      if (w->style & WS_SYSMENU) {
        if (pt.x < caption.left + kCaptionHeight) return HTSYSMENU;
        if (pt.x >= caption.right - kCaptionHeight) return HTCLOSE;
      }
      return HTCAPTION;
    }
  }
  if (const LRESULT bar = ScrollBarHitLocked(hwnd, pt); bar != HTNOWHERE) return bar;
  return HTBORDER;
}

LRESULT DefaultSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  HWND parent{};
  HCURSOR classCursor{};
  {
    std::lock_guard lock(KernelMutex());
    const Window* w = LiveWindowLocked(hwnd);
    if (!w) return FALSE;
    if ((w->style & WS_CHILD) && IsChildWindow(*w)) parent = w->parent->handle;
    classCursor = w->windowClass->cursor;
  }
  if (parent && SendMessageA(parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
  if (static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))) == HTCLIENT) {
    if (!classCursor) return FALSE;
    SetCursor(classCursor);
    return TRUE;
  }
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  return TRUE;
}

LRESULT DefaultMouseActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  HWND parent{};
  {
    std::lock_guard lock(KernelMutex());
    const Window* w = LiveWindowLocked(hwnd);
    if (w && (w->style & WS_CHILD) && IsChildWindow(*w)) parent = w->parent->handle;
  }
  if (parent)
    if (LRESULT answer = SendMessageA(parent, WM_MOUSEACTIVATE, wParam, lParam)) return answer;
  return MA_ACTIVATE;
}

void DefaultRightButtonUp(HWND hwnd, LPARAM lParam) {
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (!ClientToScreen(hwnd, &point)) return;
  SendMessageA(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
}

void DefaultContextMenu(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  HWND parent{};
  {
    std::lock_guard lock(KernelMutex());
    const Window* w = LiveWindowLocked(hwnd);
    if (w && (w->style & WS_CHILD) && IsChildWindow(*w)) parent = w->parent->handle;
  }
  if (parent) SendMessageA(parent, WM_CONTEXTMENU, wParam, lParam);
}

void FocusOnActivation(HWND hwnd, WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) return;
  {
    std::lock_guard lock(KernelMutex());
    const Window* w = LiveWindowLocked(hwnd);
    if (!w || w->threadId != GetCurrentThreadId()) return;
    HWND focus = FocusLocked(w->threadId);
    if (focus && IsSelfOrDescendantLocked(hwnd, focus)) return;
  }
  SetFocus(hwnd);
}

void NoteWindowHidden(HWND hwnd) {
  std::vector<DWORD> threads;
  HWND successor{};
  {
    std::lock_guard lock(KernelMutex());
    const Window* w = LiveWindowLocked(hwnd);
    if (!w) return;
    threads = ThreadsFocusedWithinLocked(hwnd);
    // A hidden child hands the focus to its parent; a hidden top-level window to no one.
    if (IsChildWindow(*w)) successor = w->parent->handle;
  }
  for (DWORD thread : threads) ChangeFocus(thread, successor);
}

void NoteWindowDisabled(HWND hwnd) {
  std::vector<DWORD> threads;
  HWND lostCapture{};
  {
    std::lock_guard lock(KernelMutex());
    threads = ThreadsFocusedWithinLocked(hwnd);
    InputState& s = State();
    if (s.capture && IsSelfOrDescendantLocked(hwnd, s.capture)) {
      lostCapture = s.capture;
      s.capture = nullptr;
    }
  }
  for (DWORD thread : threads) ChangeFocus(thread, nullptr);
  if (lostCapture) SendNotifyMessageA(lostCapture, WM_CAPTURECHANGED, 0, 0);
}

POINT CursorPosLocked() { return State().cursorPos; }

Window* KeyboardTargetLocked() {
  InputState& s = State();
  DWORD thread = s.keyboardThread;
  if (!thread) {
    // Before any window took the focus: the calling thread if it has an
    // active window, else the thread of the topmost visible window.
    thread = GetCurrentThreadId();
    if (!ActiveWindowLocked(thread)) {
      for (auto& top : DesktopLocked()->children) {
        if (top->style & WS_VISIBLE) {
          thread = top->threadId;
          break;
        }
      }
    }
  }
  if (Window* w = LiveWindowLocked(FocusLocked(thread))) return w;
  return LiveWindowLocked(ActiveWindowLocked(thread));
}

}  // namespace detail

using detail::Window;

// ---- capture ----

HWND SetCapture(HWND hwnd) {
  HWND previous{};
  bool previousIsOurs = false;
  {
    std::lock_guard lock(detail::KernelMutex());
    if (!detail::LiveWindowLocked(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    detail::InputState& s = detail::State();
    if (const Window* p = detail::LiveWindowLocked(s.capture)) {
      previous = p->handle;
      previousIsOurs = p->threadId == GetCurrentThreadId();
    }
    s.capture = hwnd;
  }
  if (previous && previous != hwnd)
    SendNotifyMessageA(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return previousIsOurs ? previous : nullptr;
}

BOOL ReleaseCapture() {
  HWND previous{};
  {
    std::lock_guard lock(detail::KernelMutex());
    detail::InputState& s = detail::State();
    const Window* w = detail::LiveWindowLocked(s.capture);
    if (w && w->threadId == GetCurrentThreadId()) {
      previous = s.capture;
      s.capture = nullptr;
    }
  }
  if (previous) SendNotifyMessageA(previous, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  std::lock_guard lock(detail::KernelMutex());
  const Window* w = detail::LiveWindowLocked(detail::State().capture);
  return w && w->threadId == GetCurrentThreadId() ? w->handle : nullptr;
}

// ---- focus ----

HWND SetFocus(HWND hwnd) {
  const DWORD self = GetCurrentThreadId();
  if (!hwnd) return detail::ChangeFocus(self, nullptr);
  HWND root{};
  bool activate = false;
  {
    std::lock_guard lock(detail::KernelMutex());
    Window* w = detail::LiveWindowLocked(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    if (w->threadId != self) {
      SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
      return nullptr;
    }
    // A window inside a disabled one cannot take the keyboard.
    Window* top = w;
    for (Window* p = w; p->parent; p = p->parent) {
      if (p->style & WS_DISABLED) return nullptr;
      top = p;
    }
    root = top->handle;
    activate = top->parent == detail::DesktopLocked() && detail::ActiveWindowLocked(self) != root;
  }
  if (activate) SetActiveWindow(root);
  return detail::ChangeFocus(self, hwnd);
}

HWND GetFocus() {
  std::lock_guard lock(detail::KernelMutex());
  const Window* w = detail::LiveWindowLocked(detail::FocusLocked(GetCurrentThreadId()));
  return w ? w->handle : nullptr;
}

// ---- double clicks and the cursor's place ----

UINT GetDoubleClickTime() {
  std::lock_guard lock(detail::KernelMutex());
  return detail::State().doubleClickTime;
}

BOOL SetDoubleClickTime(UINT ms) {
  std::lock_guard lock(detail::KernelMutex());
  detail::State().doubleClickTime = ms ? ms : detail::kDefaultDoubleClickTime;
  return TRUE;
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(detail::KernelMutex());
  *point = detail::State().cursorPos;
  return TRUE;
}

// Moving the cursor is a mouse move for the window it comes to.
BOOL SetCursorPos(int x, int y) {
  test::MoveMouse(POINT{x, y});
  return TRUE;
}

HWND WindowFromPoint(POINT point) { return detail::HitTest(point).hwnd; }

HWND ChildWindowFromPoint(HWND parent, POINT point) {
  std::lock_guard lock(detail::KernelMutex());
  const Window* p = detail::LiveWindowLocked(parent);
  if (!p) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  const POINT screen{point.x + p->clientRect.left, point.y + p->clientRect.top};
  if (!detail::InWindowLocked(*p, screen)) return nullptr;
  for (auto& child : p->children)
    if (detail::InWindowLocked(*child, screen)) return child->handle;
  return p->handle;
}

// ---- cursors ----

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  const uintptr_t id = reinterpret_cast<uintptr_t>(name);
  // Only the platform's own cursors exist: no module carries cursor resources.
  if (instance || !detail::IsKnownCursorId(id)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard lock(detail::KernelMutex());
  HCURSOR& cursor = detail::State().cursors[id];
  if (!cursor) cursor = HandleFromId<HCURSOR>(detail::HandleTable::Insert(std::make_shared<detail::Cursor>()));
  return cursor;
}

HCURSOR SetCursor(HCURSOR cursor) {
  if (cursor) {
    auto object = detail::HandleTable::Find(HandleId(cursor));
    if (!object || object->Kind() != detail::HandleKind::Icon) {
      SetLastError(ERROR_INVALID_CURSOR_HANDLE);
      return nullptr;
    }
  }
  std::lock_guard lock(detail::KernelMutex());
  HCURSOR previous = detail::State().shown;
  detail::State().shown = cursor;
  return previous;
}

HCURSOR GetCursor() {
  std::lock_guard lock(detail::KernelMutex());
  return detail::State().shown;
}

// ---- injection ----

namespace test {

void MoveMouse(POINT screen) {
  detail::PlaceCursor(screen);
  detail::RouteMouse(detail::MouseEvent::Move, MouseButton::Left);
}

void PressMouse(MouseButton button) { detail::RouteMouse(detail::MouseEvent::Down, button); }

void ReleaseMouse(MouseButton button) { detail::RouteMouse(detail::MouseEvent::Up, button); }

void Click(POINT screen, MouseButton button) {
  MoveMouse(screen);
  PressMouse(button);
  ReleaseMouse(button);
}

void TurnWheel(int notches) {
  {
    std::lock_guard lock(detail::KernelMutex());
    detail::Window* target = detail::KeyboardTargetLocked();
    if (!target) return;
    const POINT at = detail::State().cursorPos;
    const WPARAM wParam = MAKEWPARAM(static_cast<WORD>(detail::MouseKeysLocked()),
                                     static_cast<WORD>(static_cast<SHORT>(notches * WHEEL_DELTA)));
    detail::PostInputLocked(*target, WM_MOUSEWHEEL, wParam, detail::PackPoint(at.x, at.y));
  }
  detail::WakeAll();
}

}  // namespace test
}  // namespace win

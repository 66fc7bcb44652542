#include "platform/Window.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/Errors.h"
#include "platform/Input.h"
#include "platform/LiveDesktop.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Screen.h"
#include "platform/ScrollBars.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Wait.h"

namespace win {
namespace detail {

namespace {

constexpr ATOM kFirstUserAtom = 0xC000;
constexpr size_t kUserAtomCount = 0x10000 - kFirstUserAtom;
constexpr int kMaxExtraBytes = 4096;

using Life = Window::Life;

struct Manager {
  std::shared_ptr<Window> desktop;
  std::shared_ptr<Window> messageRoot;
  std::map<std::string, std::shared_ptr<WindowClass>> classes;  // by folded name
  std::map<std::string, ATOM> atoms;                             // by folded name
  std::vector<std::string> atomNames;                            // folded, from kFirstUserAtom on
  HWND foreground{};
  std::unordered_map<DWORD, HWND> activeWindows;  // by thread
  std::vector<WindowDestroyedListener> destroyedListeners;
};

std::shared_ptr<Window> MakeRoot(const char* className, DWORD style, RECT bounds) {
  auto windowClass = std::make_shared<WindowClass>();
  windowClass->name = className;
  windowClass->proc = DefWindowProcA;
  auto root = std::make_shared<Window>();
  root->windowClass = windowClass;
  root->proc = DefWindowProcA;
  root->style = style;
  root->windowRect = root->clientRect = bounds;
  root->handle = HandleFromId<HWND>(HandleTable::Insert(root));
  return root;
}

// The window manager's state, guarded by KernelMutex.
Manager& State() {
  static Manager* manager = [] {
    auto* m = new Manager;  // never destroyed: threads may end during exit
    m->desktop = MakeRoot("#32769", WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                          RECT{0, 0, detail::ScreenSize().cx, detail::ScreenSize().cy});
    m->messageRoot = MakeRoot("Message", WS_POPUP, RECT{});
    return m;
  }();
  return *manager;
}

bool IsIntAtom(LPCSTR name) { return reinterpret_cast<uintptr_t>(name) <= 0xFFFF; }

// Names of classes, messages and windows compare without regard to the case
// of their ASCII letters; the second byte of a double-byte character is kept.
std::string FoldCase(std::string_view name) {
  std::string folded(name);
  for (size_t i = 0; i < folded.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(folded[i]);
    if (IsDBCSLeadByte(c) && i + 1 < folded.size())
      ++i;
    else if (c >= 'a' && c <= 'z')
      folded[i] = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

// The longest prefix of `text` of at most `limit` bytes that ends between characters.
size_t CharBoundaryAtOrBefore(std::string_view text, size_t limit) {
  size_t i = 0;
  while (i < limit) {
    size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return i;
}

// Copies as much of `text` as fits with its terminator, never half of a
// double-byte character; answers the bytes copied.
int CopyTruncated(std::string_view text, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  if (n < text.size()) n = CharBoundaryAtOrBefore(text, n);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

bool IsRoot(const Window* w) { return !w->parent; }
// A child window's parent is a window; a top-level or message-only window's is a root.
bool HasParentWindow(const Window& w) { return w.parent && !IsRoot(w.parent); }
bool IsTopLevel(const Window* w) { return w->parent == State().desktop.get(); }
POINT ClientOrigin(const Window* w) { return {w->clientRect.left, w->clientRect.top}; }
// A window's own coordinates (creation, SetWindowPos, WM_MOVE) are relative
// to its parent's client area, which is the screen for top-level windows.
POINT ParentOrigin(const Window* w) { return w->parent ? ClientOrigin(w->parent) : POINT{0, 0}; }

RECT ClientFromWindow(const RECT& r, DWORD style, DWORD exStyle) {
  RECT insets = NonClientInsets(style, exStyle);
  RECT client{r.left + insets.left, r.top + insets.top, r.right - insets.right, r.bottom - insets.bottom};
  client.right = std::max(client.right, client.left);
  client.bottom = std::max(client.bottom, client.top);
  return client;
}

void OffsetRect(RECT& r, int dx, int dy) {
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
}

void OffsetDescendants(Window* w, int dx, int dy) {
  for (auto& child : w->children) {
    OffsetRect(child->windowRect, dx, dy);
    OffsetRect(child->clientRect, dx, dy);
    OffsetDescendants(child.get(), dx, dy);
  }
}

template <class F>
void ForEachInTree(Window* w, const F& f) {
  f(w);
  for (auto& child : w->children) ForEachInTree(child.get(), f);
}

Window* RootLocked(Window* w) {
  while (w->parent && !IsRoot(w->parent)) w = w->parent;
  return w;
}

// Runs `f` on a live window's record under KernelMutex; false, with
// ERROR_INVALID_WINDOW_HANDLE, for a stale handle.
template <class F>
bool WithWindow(HWND hwnd, const F& f) {
  std::lock_guard lock(KernelMutex());
  Window* w = LiveWindowLocked(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  f(*w);
  return true;
}

// A caller's place for a result; null is refused with ERROR_INVALID_PARAMETER.
bool CheckOut(const void* out) {
  if (!out) SetLastError(ERROR_INVALID_PARAMETER);
  return out != nullptr;
}

// ---- z-order ----

using Siblings = std::vector<std::shared_ptr<Window>>;

bool IsTopmost(const Window* w) { return w->exStyle & WS_EX_TOPMOST; }

size_t FirstNonTopmost(const Siblings& siblings) {
  return std::find_if(siblings.begin(), siblings.end(), [](auto& s) { return !IsTopmost(s.get()); }) -
         siblings.begin();
}

size_t IndexOf(const Siblings& siblings, const Window* w) {
  return std::find_if(siblings.begin(), siblings.end(), [w](auto& s) { return s.get() == w; }) - siblings.begin();
}

std::shared_ptr<Window> Unlink(Window* w) {
  Siblings& siblings = w->parent->children;
  auto it = siblings.begin() + IndexOf(siblings, w);
  std::shared_ptr<Window> self = *it;
  siblings.erase(it);
  return self;
}

void LinkAt(Window* parent, std::shared_ptr<Window> w, size_t index) {
  w->parent = parent;
  Siblings& siblings = parent->children;
  siblings.insert(siblings.begin() + std::min(index, siblings.size()), std::move(w));
}

// Top-level windows keep the topmost ones first, and a window owned by
// another stays above its owner when both are in the same band.
size_t ClampTopLevelIndex(const Window* w, const Siblings& siblings, size_t index) {
  size_t band = FirstNonTopmost(siblings);
  index = IsTopmost(w) ? std::min(index, band) : std::max(index, band);
  if (w->owner) {
    size_t owner = std::find_if(siblings.begin(), siblings.end(), [w](auto& s) { return s->handle == w->owner; }) -
                   siblings.begin();
    if (owner < siblings.size() && IsTopmost(siblings[owner].get()) == IsTopmost(w)) index = std::min(index, owner);
  }
  return index;
}

// Moves the windows owned by `owner` that lie below it to just above it,
// keeping their order, and their own owned windows with them.
void RaiseOwnedAbove(Window* owner) {
  Siblings& siblings = owner->parent->children;
  size_t ownerIndex = IndexOf(siblings, owner);
  Siblings moved;
  for (size_t i = ownerIndex + 1; i < siblings.size();) {
    if (siblings[i]->owner == owner->handle && IsTopmost(siblings[i].get()) == IsTopmost(owner)) {
      moved.push_back(siblings[i]);
      siblings.erase(siblings.begin() + i);
    } else {
      ++i;
    }
  }
  siblings.insert(siblings.begin() + ownerIndex, moved.begin(), moved.end());
  for (auto& w : moved) RaiseOwnedAbove(w.get());
}

void PlaceLocked(Window* w, HWND insertAfter, bool withOwned) {
  const bool topLevel = IsTopLevel(w);
  Siblings& siblings = w->parent->children;
  const size_t old = IndexOf(siblings, w);
  std::shared_ptr<Window> self = Unlink(w);
  size_t index = old;
  if (insertAfter == HWND_TOPMOST) {
    if (topLevel) w->exStyle |= WS_EX_TOPMOST;
    index = 0;
  } else if (insertAfter == HWND_NOTOPMOST) {
    if (IsTopmost(w)) {
      w->exStyle &= ~WS_EX_TOPMOST;
      index = 0;
    }
  } else if (insertAfter == HWND_TOP) {
    index = 0;
  } else if (insertAfter == HWND_BOTTOM) {
    if (topLevel) w->exStyle &= ~WS_EX_TOPMOST;
    index = siblings.size();
  } else {
    auto it = std::find_if(siblings.begin(), siblings.end(), [&](auto& s) { return s->handle == insertAfter; });
    if (it != siblings.end()) index = it - siblings.begin() + 1;
  }
  if (topLevel) index = ClampTopLevelIndex(w, siblings, index);
  LinkAt(w->parent, std::move(self), index);
  if (topLevel && withOwned) RaiseOwnedAbove(w);
}

// ---- destruction ----

void ForgetReferencesLocked(HWND hwnd) {
  Manager& s = State();
  if (s.foreground == hwnd) s.foreground = nullptr;
  std::erase_if(s.activeWindows, [hwnd](auto& entry) { return entry.second == hwnd; });
  for (auto& w : s.desktop->children)
    if (w->owner == hwnd) w->owner = nullptr;
}

// Takes a window and everything below it out of the tree and the handle
// table, deepest first; their handles are stale from here on.
void RemoveTreeLocked(Window* w, std::vector<HWND>& removed) {
  Siblings children = w->children;
  for (auto& child : children) RemoveTreeLocked(child.get(), removed);
  std::shared_ptr<Window> self = Unlink(w);
  w->parent = nullptr;
  w->life = Life::Destroyed;
  --w->windowClass->windows;
  HandleTable::Remove(HandleId(w->handle));
  ForgetWindowMessagesLocked(w->handle, w->threadId);
  ForgetReferencesLocked(w->handle);
  removed.push_back(w->handle);
}

void NotifyDestroyed(const std::vector<HWND>& handles) {
  std::vector<WindowDestroyedListener> listeners;
  {
    std::lock_guard lock(KernelMutex());
    listeners = State().destroyedListeners;
  }
  for (HWND hwnd : handles)
    for (auto& listener : listeners) listener(hwnd);
}

std::vector<HWND> ChildrenOf(HWND hwnd) {
  std::vector<HWND> handles;
  WithWindow(hwnd, [&](Window& w) {
    for (auto& child : w.children) handles.push_back(child->handle);
  });
  return handles;
}

// WM_DESTROY goes to a window before its children, while they all still exist.
void SendDestroy(HWND hwnd) {
  SendMessageA(hwnd, WM_DESTROY, 0, 0);
  for (HWND child : ChildrenOf(hwnd)) SendDestroy(child);
}

// WM_NCDESTROY goes to the children first; each handle goes stale after its own.
void ReleaseTree(HWND hwnd) {
  for (HWND child : ChildrenOf(hwnd)) ReleaseTree(child);
  SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
  std::vector<HWND> removed;
  {
    std::lock_guard lock(KernelMutex());
    if (Window* w = LiveWindowLocked(hwnd)) RemoveTreeLocked(w, removed);
  }
  NotifyDestroyed(removed);
}

// ---- classes ----

std::string ClassKeyLocked(LPCSTR name) {
  if (!IsIntAtom(name)) return FoldCase(name);
  const Manager& s = State();
  size_t index = reinterpret_cast<uintptr_t>(name) - kFirstUserAtom;
  return reinterpret_cast<uintptr_t>(name) >= kFirstUserAtom && index < s.atomNames.size() ? s.atomNames[index]
                                                                                            : std::string();
}

std::shared_ptr<WindowClass> FindClassLocked(LPCSTR name) {
  std::string key = ClassKeyLocked(name);
  if (key.empty()) return nullptr;
  auto& classes = State().classes;
  auto it = classes.find(key);
  return it == classes.end() ? nullptr : it->second;
}

// ---- text, longs, messages of the default procedure ----

bool StoreText(HWND hwnd, LPCSTR text) {
  return WithWindow(hwnd, [&](Window& w) { w.text = text ? text : ""; });
}

std::string TextOf(HWND hwnd) {
  std::string text;
  WithWindow(hwnd, [&](Window& w) { text = w.text; });
  return text;
}

struct ClientPlace {
  POINT origin;  // relative to the parent's client area
  SIZE size;
};

bool ClientPlaceOf(HWND hwnd, ClientPlace& place) {
  return WithWindow(hwnd, [&](Window& w) {
    POINT parent = ParentOrigin(&w);
    place.origin = {w.clientRect.left - parent.x, w.clientRect.top - parent.y};
    place.size = {w.clientRect.right - w.clientRect.left, w.clientRect.bottom - w.clientRect.top};
  });
}

LPARAM PackPoint(LONG x, LONG y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

void SendSize(HWND hwnd, const ClientPlace& place) {
  SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, PackPoint(place.size.cx, place.size.cy));
}

// A minimised window keeps its bounds: its state and the kind of its
// WM_SIZE tell it apart. A command that neither minimises nor restores
// leaves the state as it is.
void SetMinimized(HWND hwnd, bool minimize, bool restore) {
  bool changed = false;
  WithWindow(hwnd, [&](Window& w) {
    const bool minimized = w.style & WS_MINIMIZE;
    if (!IsTopLevel(&w) || minimize == minimized || (!minimize && !restore)) return;
    w.style ^= WS_MINIMIZE;
    changed = true;
  });
  if (!changed) return;
  ClientPlace place;
  if (minimize)
    SendMessageA(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
  else if (ClientPlaceOf(hwnd, place))
    SendSize(hwnd, place);
}

void SendMove(HWND hwnd, const ClientPlace& place) {
  SendMessageA(hwnd, WM_MOVE, 0, PackPoint(place.origin.x, place.origin.y));
}

void ReportWindowPosChanged(HWND hwnd, const WINDOWPOS& pos) {
  ClientPlace place;
  if (!ClientPlaceOf(hwnd, place)) return;
  if (!(pos.flags & SWP_NOCLIENTMOVE)) SendMove(hwnd, place);
  if (!(pos.flags & SWP_NOCLIENTSIZE)) SendSize(hwnd, place);
}

bool ReadLongLocked(const Window& w, int index, size_t width, LONG_PTR& value) {
  switch (index) {
    case GWL_STYLE: value = static_cast<LONG>(w.style); return true;
    case GWL_EXSTYLE: value = static_cast<LONG>(w.exStyle); return true;
    case GWLP_WNDPROC: value = reinterpret_cast<LONG_PTR>(w.proc); return true;
    case GWLP_HINSTANCE: value = reinterpret_cast<LONG_PTR>(w.instance); return true;
    case GWLP_HWNDPARENT:
      value = reinterpret_cast<LONG_PTR>(HasParentWindow(w) ? w.parent->handle : w.owner);
      return true;
    case GWLP_ID: value = w.id; return true;
    case GWLP_USERDATA: value = w.userData; return true;
    default:
      if (index < 0 || static_cast<size_t>(index) + width > w.extraBytes.size()) return false;
      if (width == sizeof(LONG)) {
        LONG v;
        std::memcpy(&v, &w.extraBytes[index], sizeof v);
        value = v;
      } else {
        std::memcpy(&value, &w.extraBytes[index], sizeof value);
      }
      return true;
  }
}

bool SetOwnerLocked(Window& w, HWND ownerHandle) {
  if (!ownerHandle) {
    w.owner = nullptr;
    return true;
  }
  Window* owner = LiveWindowLocked(ownerHandle);
  if (!owner || IsRoot(owner)) return false;
  owner = RootLocked(owner);
  for (Window* o = owner; o; o = LiveWindowLocked(o->owner))
    if (o == &w) return false;  // an owner cycle
  w.owner = owner->handle;
  return true;
}

bool WriteLongLocked(Window& w, int index, size_t width, LONG_PTR value) {
  switch (index) {
    case GWLP_WNDPROC: w.proc = reinterpret_cast<WNDPROC>(value); return true;
    case GWLP_HINSTANCE: w.instance = reinterpret_cast<HINSTANCE>(value); return true;
    case GWLP_HWNDPARENT:
      // Only a top-level window's owner changes this way; a child moves with SetParent.
      return HasParentWindow(w) || SetOwnerLocked(w, reinterpret_cast<HWND>(value));
    case GWLP_ID: w.id = value; return true;
    case GWLP_USERDATA: w.userData = value; return true;
    default:
      if (index < 0 || static_cast<size_t>(index) + width > w.extraBytes.size()) return false;
      if (width == sizeof(LONG)) {
        LONG v = static_cast<LONG>(value);
        std::memcpy(&w.extraBytes[index], &v, sizeof v);
      } else {
        std::memcpy(&w.extraBytes[index], &value, sizeof value);
      }
      return true;
  }
}

// GWL_STYLE and GWL_EXSTYLE, announced to the window before and after. The
// topmost state changes only through SetWindowPos.
LONG_PTR ChangeStyle(HWND hwnd, int index, DWORD value) {
  STYLESTRUCT change{};
  if (!WithWindow(hwnd, [&](Window& w) { change.styleOld = index == GWL_STYLE ? w.style : w.exStyle; })) return 0;
  change.styleNew = value;
  const WPARAM which = static_cast<WPARAM>(static_cast<intptr_t>(index));
  SendMessageA(hwnd, WM_STYLECHANGING, which, reinterpret_cast<LPARAM>(&change));
  if (!WithWindow(hwnd, [&](Window& w) {
        if (index == GWL_STYLE)
          w.style = change.styleNew;
        else
          w.exStyle = (change.styleNew & ~WS_EX_TOPMOST) | (w.exStyle & WS_EX_TOPMOST);
      }))
    return 0;
  SendMessageA(hwnd, WM_STYLECHANGED, which, reinterpret_cast<LPARAM>(&change));
  return static_cast<LONG>(change.styleOld);
}

// ---- activation ----

// Makes `hwnd` (a top-level window) the active window of its thread,
// announcing the change to the window losing and the window gaining it.
void Activate(HWND hwnd, bool raise) {
  HWND previous{};
  if (!WithWindow(hwnd, [&](Window& w) {
        HWND& active = State().activeWindows[w.threadId];
        previous = active;
        active = hwnd;
        if (raise) PlaceLocked(&w, HWND_TOP, true);
      }))
    return;
  if (previous == hwnd) return;
  if (previous) SendNotifyMessageA(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(hwnd));
  SendNotifyMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(previous));
}

// ---- bounds ----

RECT InitialBounds(DWORD style, bool child, int x, int y, int width, int height) {
  const bool overlapped = !child && !(style & WS_POPUP);
  const RECT& screen = State().desktop->windowRect;
  if (x == CW_USEDEFAULT) {
    x = overlapped ? screen.right / 8 : 0;
    y = overlapped ? screen.bottom / 8 : 0;
  }
  if (width == CW_USEDEFAULT) {
    width = overlapped ? screen.right * 3 / 4 : 0;
    height = overlapped ? screen.bottom * 3 / 4 : 0;
  }
  return RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
}

// Applies a window position under the lock and completes `pos` with what
// happened, as WM_WINDOWPOSCHANGED reports it.
void ApplyWindowPosLocked(Window* w, WINDOWPOS& pos) {
  const RECT oldClient = w->clientRect;
  const POINT origin = ParentOrigin(w);
  RECT r = w->windowRect;
  if (!(pos.flags & SWP_NOMOVE)) OffsetRect(r, origin.x + pos.x - r.left, origin.y + pos.y - r.top);
  if (!(pos.flags & SWP_NOSIZE)) {
    r.right = r.left + std::max(pos.cx, 0);
    r.bottom = r.top + std::max(pos.cy, 0);
  }
  if (pos.flags & SWP_SHOWWINDOW)
    w->style |= WS_VISIBLE;
  else if (pos.flags & SWP_HIDEWINDOW)
    w->style &= ~WS_VISIBLE;
  w->windowRect = r;
  w->clientRect = ClientFromWindow(r, w->style, w->exStyle);
  OffsetDescendants(w, w->clientRect.left - oldClient.left, w->clientRect.top - oldClient.top);
  if (!(pos.flags & SWP_NOZORDER)) PlaceLocked(w, pos.hwndInsertAfter, !(pos.flags & SWP_NOOWNERZORDER));
  pos.x = r.left - origin.x;
  pos.y = r.top - origin.y;
  pos.cx = r.right - r.left;
  pos.cy = r.bottom - r.top;
  if (w->clientRect.left == oldClient.left && w->clientRect.top == oldClient.top) pos.flags |= SWP_NOCLIENTMOVE;
  if (w->clientRect.right - w->clientRect.left == oldClient.right - oldClient.left &&
      w->clientRect.bottom - w->clientRect.top == oldClient.bottom - oldClient.top)
    pos.flags |= SWP_NOCLIENTSIZE;
}

bool OriginOf(HWND hwnd, POINT& origin) {
  if (!hwnd) {
    origin = {0, 0};
    return true;
  }
  return WithWindow(hwnd, [&](Window& w) { origin = ClientOrigin(&w); });
}

bool MatchesLocked(const Window& w, const std::string* classKey, const std::string* title) {
  return (!classKey || FoldCase(w.windowClass->name) == *classKey) && (!title || FoldCase(w.text) == *title);
}

bool Enumerate(const std::vector<HWND>& handles, WNDENUMPROC proc, LPARAM lParam) {
  for (HWND hwnd : handles)
    if (IsWindow(hwnd) && !proc(hwnd, lParam)) return false;
  return true;
}

void CollectDescendantsLocked(const Window* w, std::vector<HWND>& out) {
  for (auto& child : w->children) {
    out.push_back(child->handle);
    CollectDescendantsLocked(child.get(), out);
  }
}

}  // namespace

// ---- detail interface ----

Window* LiveWindowLocked(HWND hwnd) {
  if (!hwnd) return nullptr;
  State();  // the roots exist before any window is looked up
  auto object = HandleTable::Find(HandleId(hwnd));
  if (!object || object->Kind() != HandleKind::Window) return nullptr;
  // The tree (or the manager, for the roots) keeps the record alive while the lock is held.
  auto* w = static_cast<Window*>(object.get());
  return w->life == Life::Destroyed ? nullptr : w;
}

Window* DesktopLocked() { return State().desktop.get(); }

HWND ActiveWindowLocked(DWORD threadId) {
  auto& active = State().activeWindows;
  auto it = active.find(threadId);
  return it == active.end() ? nullptr : it->second;
}

std::vector<HWND> TopLevelWindowsLocked() {
  std::vector<HWND> handles;
  for (auto& w : State().desktop->children) handles.push_back(w->handle);
  return handles;
}

bool IsSelfOrDescendantLocked(HWND ancestor, HWND hwnd) {
  for (Window* w = LiveWindowLocked(hwnd); w; w = w->parent)
    if (w->handle == ancestor) return true;
  return false;
}

LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  if (!WithWindow(hwnd, [&](Window& w) { proc = w.proc; })) return 0;
  return proc ? proc(hwnd, message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

void AddWindowDestroyedListener(WindowDestroyedListener listener) {
  std::lock_guard lock(KernelMutex());
  State().destroyedListeners.push_back(std::move(listener));
}

void RemoveThreadWindows(DWORD threadId) {
  std::vector<HWND> removed;
  // Children that lived in another thread's window leave a hole in its
  // picture: the parent's client coordinates of each, to be repainted.
  std::vector<std::pair<HWND, RECT>> uncovered;
  {
    std::lock_guard lock(KernelMutex());
    Manager& s = State();
    std::vector<Window*> subtrees;
    auto collect = [&](auto& self, Window* w) -> void {
      for (auto& child : w->children) {
        if (child->threadId == threadId)
          subtrees.push_back(child.get());
        else
          self(self, child.get());
      }
    };
    collect(collect, s.desktop.get());
    collect(collect, s.messageRoot.get());
    for (Window* w : subtrees) {
      if (HasParentWindow(*w) && IsShownLocked(w)) {
        const POINT origin{w->parent->clientRect.left, w->parent->clientRect.top};
        const RECT& r = w->windowRect;
        uncovered.push_back({w->parent->handle,
                             RECT{r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y}});
      }
      RemoveTreeLocked(w, removed);
    }
  }
  NotifyDestroyed(removed);
  for (const auto& [parent, rect] : uncovered)
    RedrawWindow(parent, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

RECT NonClientInsets(DWORD style, DWORD exStyle) {
  int frame = 0;
  if (style & WS_THICKFRAME)
    frame = kSizingFrameWidth;
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    frame = kDialogFrameWidth;
  else if (style & WS_BORDER)
    frame = kBorderWidth;
  if (exStyle & WS_EX_CLIENTEDGE) frame += kClientEdgeWidth;
  if (exStyle & WS_EX_STATICEDGE) frame += kStaticEdgeWidth;
  const int caption = (style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
  const int verticalBar = (style & WS_VSCROLL) ? kScrollBarSize : 0;
  const int horizontalBar = (style & WS_HSCROLL) ? kScrollBarSize : 0;
  return RECT{frame, frame + caption, frame + verticalBar, frame + horizontalBar};
}

ATOM AddUserAtomLocked(std::string_view name) {
  Manager& s = State();
  std::string key = FoldCase(name);
  auto it = s.atoms.find(key);
  if (it != s.atoms.end()) return it->second;
  if (s.atomNames.size() >= kUserAtomCount) return 0;
  ATOM atom = static_cast<ATOM>(kFirstUserAtom + s.atomNames.size());
  s.atomNames.push_back(key);
  s.atoms.emplace(std::move(key), atom);
  return atom;
}

}  // namespace detail

using detail::Window;
using Life = detail::Window::Life;

// ---- classes ----

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || !wc->lpfnWndProc || detail::IsIntAtom(wc->lpszClassName) ||
      !*wc->lpszClassName || wc->cbClsExtra < 0 || wc->cbWndExtra < 0 || wc->cbClsExtra > detail::kMaxExtraBytes ||
      wc->cbWndExtra > detail::kMaxExtraBytes) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard lock(detail::KernelMutex());
  auto& classes = detail::State().classes;
  std::string key = detail::FoldCase(wc->lpszClassName);
  if (classes.count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  ATOM atom = detail::AddUserAtomLocked(wc->lpszClassName);
  if (!atom) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  auto c = std::make_shared<detail::WindowClass>();
  c->name = wc->lpszClassName;
  c->atom = atom;
  c->style = wc->style;
  c->proc = wc->lpfnWndProc;
  c->classExtraBytes = wc->cbClsExtra;
  c->windowExtraBytes = wc->cbWndExtra;
  c->instance = wc->hInstance;
  c->icon = wc->hIcon;
  c->smallIcon = wc->hIconSm;
  c->cursor = wc->hCursor;
  c->background = wc->hbrBackground;
  if (wc->lpszMenuName && !detail::IsIntAtom(wc->lpszMenuName)) c->menuName = wc->lpszMenuName;
  classes.emplace(std::move(key), std::move(c));
  return atom;
}

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXA ex{sizeof(WNDCLASSEXA), wc->style,         wc->lpfnWndProc,  wc->cbClsExtra,
                 wc->cbWndExtra,      wc->hInstance,     wc->hIcon,        wc->hCursor,
                 wc->hbrBackground,   wc->lpszMenuName,  wc->lpszClassName, nullptr};
  return RegisterClassExA(&ex);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
  std::lock_guard lock(detail::KernelMutex());
  auto c = detail::FindClassLocked(className);
  if (!c || c->instance != instance) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (c->windows > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  detail::State().classes.erase(detail::FoldCase(c->name));
  return TRUE;
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR className, WNDCLASSEXA* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(detail::KernelMutex());
  auto c = detail::FindClassLocked(className);
  if (!c) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  wc->style = c->style;
  wc->lpfnWndProc = c->proc;
  wc->cbClsExtra = c->classExtraBytes;
  wc->cbWndExtra = c->windowExtraBytes;
  wc->hInstance = c->instance;
  wc->hIcon = c->icon;
  wc->hIconSm = c->smallIcon;
  wc->hCursor = c->cursor;
  wc->hbrBackground = c->background;
  wc->lpszMenuName = c->menuName.empty() ? nullptr : c->menuName.c_str();
  wc->lpszClassName = className;
  return c->atom;
}

BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WNDCLASSEXA ex{};
  ex.cbSize = sizeof ex;
  if (!GetClassInfoExA(instance, className, &ex)) return FALSE;
  *wc = WNDCLASSA{ex.style,   ex.lpfnWndProc,   ex.cbClsExtra,    ex.cbWndExtra,   ex.hInstance,
                  ex.hIcon,   ex.hCursor,       ex.hbrBackground, ex.lpszMenuName, ex.lpszClassName};
  return TRUE;
}

int GetClassNameA(HWND hwnd, LPSTR buffer, int size) {
  std::string name;
  if (!detail::WithWindow(hwnd, [&](Window& w) { name = w.windowClass->name; })) return 0;
  return detail::CopyTruncated(name, buffer, size);
}

// ---- procedures ----

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      if (cs && cs->lpszName && !detail::IsIntAtom(cs->lpszName)) detail::StoreText(hwnd, cs->lpszName);
      return TRUE;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SETTEXT: {
      const bool stored = detail::StoreText(hwnd, reinterpret_cast<LPCSTR>(lParam));
      if (stored) RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_NOCHILDREN);  // the caption shows the text
      return stored;
    }
    case WM_NCPAINT:
      detail::PaintNonClient(hwnd);
      detail::PaintEdgesAndScrollBars(hwnd);
      return 0;
    case WM_GETTEXT:
      return detail::CopyTruncated(detail::TextOf(hwnd), reinterpret_cast<LPSTR>(lParam),
                                   static_cast<int>(std::min<WPARAM>(wParam, INT_MAX)));
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(detail::TextOf(hwnd).size());
    case WM_PAINT:
      detail::ValidateByPainting(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return detail::EraseWithClassBackground(hwnd, reinterpret_cast<HDC>(wParam));
    case WM_WINDOWPOSCHANGED:
      detail::ReportWindowPosChanged(hwnd, *reinterpret_cast<const WINDOWPOS*>(lParam));
      return 0;
    case WM_NCHITTEST:
      return detail::DefaultHitTest(hwnd, lParam);
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (wParam == static_cast<WPARAM>(HTHSCROLL) || wParam == static_cast<WPARAM>(HTVSCROLL))
        detail::TrackScrollBar(hwnd, wParam == static_cast<WPARAM>(HTHSCROLL) ? SB_HORZ : SB_VERT,
                               POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_SETCURSOR:
      return detail::DefaultSetCursor(hwnd, wParam, lParam);
    case WM_MOUSEACTIVATE:
      return detail::DefaultMouseActivate(hwnd, wParam, lParam);
    case WM_RBUTTONUP:
      detail::DefaultRightButtonUp(hwnd, lParam);
      return 0;
    case WM_CONTEXTMENU:
      detail::DefaultContextMenu(hwnd, wParam, lParam);
      return 0;
    case WM_ACTIVATE:
      detail::FocusOnActivation(hwnd, wParam);
      RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_NOCHILDREN);  // the caption's colours follow activation
      return 0;
    default:
      return 0;
  }
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

// ---- creation and destruction ----

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  detail::EnsureMessageQueue();
  CREATESTRUCTA cs{param, instance, menu, parent, 0, 0, 0, 0, static_cast<LONG>(style), windowName, className, exStyle};
  HWND hwnd{};
  {
    std::lock_guard lock(detail::KernelMutex());
    detail::Manager& s = detail::State();
    auto windowClass = detail::FindClassLocked(className);
    if (!windowClass) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    Window* parentRecord = s.desktop.get();
    HWND owner{};
    bool child = false;
    if (parent == HWND_MESSAGE) {
      parentRecord = s.messageRoot.get();
    } else if (parent) {
      Window* p = detail::LiveWindowLocked(parent);
      if (!p || p->life == Life::Destroying) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
      }
      child = style & WS_CHILD;
      if (child)
        parentRecord = p;
      else if (!detail::IsRoot(p))
        owner = detail::RootLocked(p)->handle;
    } else if ((style & (WS_CHILD | WS_POPUP)) == WS_CHILD) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    // Overlapped windows always have a caption; windows that are not
    // children always clip their siblings.
    if (!(style & (WS_CHILD | WS_POPUP))) style |= WS_CAPTION;
    if (!child) style |= WS_CLIPSIBLINGS;

    RECT bounds = detail::InitialBounds(style, child, x, y, width, height);
    cs.x = bounds.left;
    cs.y = bounds.top;
    cs.cx = bounds.right - bounds.left;
    cs.cy = bounds.bottom - bounds.top;
    const POINT origin = detail::ClientOrigin(parentRecord);
    detail::OffsetRect(bounds, origin.x, origin.y);

    auto w = std::make_shared<Window>();
    w->windowClass = windowClass;
    w->proc = windowClass->proc;
    w->threadId = GetCurrentThreadId();
    w->owner = owner;
    w->style = style & ~WS_VISIBLE;  // shown once created
    w->exStyle = exStyle;
    w->windowRect = bounds;
    w->clientRect = detail::ClientFromWindow(bounds, w->style, exStyle);
    w->id = reinterpret_cast<LONG_PTR>(menu);
    w->instance = instance;
    w->extraBytes.assign(windowClass->windowExtraBytes, 0);
    w->handle = hwnd = HandleFromId<HWND>(detail::HandleTable::Insert(w));
    ++windowClass->windows;
    // A new child goes below its siblings, a new top-level window to the top of its band.
    Window* rawParent = parentRecord;
    size_t index = child ? parentRecord->children.size() : 0;
    if (rawParent == s.desktop.get()) index = detail::ClampTopLevelIndex(w.get(), rawParent->children, index);
    detail::LinkAt(rawParent, std::move(w), index);
  }
  if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    detail::ReleaseTree(hwnd);
    return nullptr;
  }
  if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  detail::ClientPlace place;
  if (!detail::ClientPlaceOf(hwnd, place)) return nullptr;  // destroyed by its own handlers
  detail::SendSize(hwnd, place);
  detail::SendMove(hwnd, place);
  if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  std::vector<HWND> owned;
  bool visible = false;
  {
    std::lock_guard lock(detail::KernelMutex());
    Window* w = detail::LiveWindowLocked(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (detail::IsRoot(w) || w->threadId != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (w->life == Life::Destroying) return TRUE;  // already under way, further up the stack
    detail::ForEachInTree(w, [](Window* x) { x->life = Life::Destroying; });
    // Owned windows of this thread go first; others only lose their owner.
    for (auto& top : detail::State().desktop->children) {
      if (top->owner != hwnd) continue;
      if (top->threadId == w->threadId && top->life == Life::Alive)
        owned.push_back(top->handle);
      else
        top->owner = nullptr;
    }
    visible = w->style & WS_VISIBLE;
  }
  for (HWND o : owned) DestroyWindow(o);
  if (visible)
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  detail::SendDestroy(hwnd);
  detail::ReleaseTree(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  std::lock_guard lock(detail::KernelMutex());
  return detail::LiveWindowLocked(hwnd) != nullptr;
}

// ---- the tree ----

HWND GetDesktopWindow() {
  std::lock_guard lock(detail::KernelMutex());
  return detail::State().desktop->handle;
}

HWND GetParent(HWND hwnd) {
  HWND parent{};
  detail::WithWindow(hwnd, [&](Window& w) {
    if (detail::HasParentWindow(w))
      parent = w.parent->handle;
    else if (w.style & WS_POPUP)
      parent = w.owner;
  });
  return parent;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  HWND previous{};
  std::lock_guard lock(detail::KernelMutex());
  detail::Manager& s = detail::State();
  Window* w = detail::LiveWindowLocked(hwnd);
  Window* np = newParent == HWND_MESSAGE ? s.messageRoot.get()
               : newParent              ? detail::LiveWindowLocked(newParent)
                                        : s.desktop.get();
  if (!w || !np || detail::IsRoot(w)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (detail::IsSelfOrDescendantLocked(hwnd, np->handle)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  previous = w->parent->handle;
  // The window keeps its place relative to its parent's client area.
  const POINT oldOrigin = detail::ParentOrigin(w);
  std::shared_ptr<Window> self = detail::Unlink(w);
  detail::LinkAt(np, std::move(self), 0);
  if (np == s.desktop.get())
    detail::PlaceLocked(w, HWND_TOP, true);
  else
    w->owner = nullptr;
  const POINT newOrigin = detail::ParentOrigin(w);
  const int dx = newOrigin.x - oldOrigin.x, dy = newOrigin.y - oldOrigin.y;
  detail::OffsetRect(w->windowRect, dx, dy);
  detail::OffsetRect(w->clientRect, dx, dy);
  detail::OffsetDescendants(w, dx, dy);
  return previous;
}

HWND GetAncestor(HWND hwnd, UINT relation) {
  HWND result{};
  detail::WithWindow(hwnd, [&](Window& w) {
    switch (relation) {
      case GA_PARENT:
        if (w.parent) result = w.parent->handle;
        break;
      case GA_ROOT:
        result = detail::RootLocked(&w)->handle;
        break;
      case GA_ROOTOWNER: {
        Window* root = detail::RootLocked(&w);
        while (Window* owner = detail::LiveWindowLocked(root->owner)) root = detail::RootLocked(owner);
        result = root->handle;
        break;
      }
      default:
        SetLastError(ERROR_INVALID_PARAMETER);
    }
  });
  return result;
}

HWND GetWindow(HWND hwnd, UINT relation) {
  HWND result{};
  detail::WithWindow(hwnd, [&](Window& w) {
    if (relation == GW_OWNER) {
      result = w.owner;
      return;
    }
    if (relation == GW_CHILD) {
      if (!w.children.empty()) result = w.children.front()->handle;
      return;
    }
    if (!w.parent) return;
    const detail::Siblings& siblings = w.parent->children;
    const size_t index = detail::IndexOf(siblings, &w);
    switch (relation) {
      case GW_HWNDFIRST: result = siblings.front()->handle; break;
      case GW_HWNDLAST: result = siblings.back()->handle; break;
      case GW_HWNDNEXT:
        if (index + 1 < siblings.size()) result = siblings[index + 1]->handle;
        break;
      case GW_HWNDPREV:
        if (index > 0) result = siblings[index - 1]->handle;
        break;
      default: SetLastError(ERROR_INVALID_PARAMETER);
    }
  });
  return result;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  std::lock_guard lock(detail::KernelMutex());
  Window* w = detail::LiveWindowLocked(hwnd);
  if (!w) return FALSE;
  for (Window* p = w->parent; p && !detail::IsRoot(p); p = p->parent)
    if (p->handle == parent) return TRUE;
  return FALSE;
}

HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName) {
  std::lock_guard lock(detail::KernelMutex());
  detail::Manager& s = detail::State();
  Window* p = parent == HWND_MESSAGE ? s.messageRoot.get()
              : parent                ? detail::LiveWindowLocked(parent)
                                      : s.desktop.get();
  if (!p) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  std::string classKey, title;
  if (className) {
    classKey = detail::ClassKeyLocked(className);
    if (classKey.empty()) return nullptr;  // an atom that names nothing
  }
  if (windowName) title = detail::FoldCase(windowName);
  const detail::Siblings& children = p->children;
  size_t start = 0;
  if (childAfter) {
    start = std::find_if(children.begin(), children.end(), [&](auto& c) { return c->handle == childAfter; }) -
            children.begin() + 1;
  }
  for (size_t i = start; i < children.size(); ++i)
    if (detail::MatchesLocked(*children[i], className ? &classKey : nullptr, windowName ? &title : nullptr))
      return children[i]->handle;
  return nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) { return FindWindowExA(nullptr, nullptr, className, windowName); }

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  std::vector<HWND> handles;
  {
    std::lock_guard lock(detail::KernelMutex());
    handles = detail::TopLevelWindowsLocked();
  }
  return detail::Enumerate(handles, proc, lParam);
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  if (!parent) return EnumWindows(proc, lParam);
  std::vector<HWND> handles;
  if (!detail::WithWindow(parent, [&](Window& w) { detail::CollectDescendantsLocked(&w, handles); })) return FALSE;
  return detail::Enumerate(handles, proc, lParam);
}

namespace test {

std::vector<std::string> WindowClassNames() {
  std::lock_guard lock(detail::KernelMutex());
  std::vector<std::string> names;
  for (const auto& [folded, windowClass] : detail::State().classes) names.push_back(windowClass->name);
  return names;
}

}  // namespace test

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam) {
  std::vector<HWND> handles;
  {
    std::lock_guard lock(detail::KernelMutex());
    for (auto& w : detail::State().desktop->children)
      if (w->threadId == threadId) handles.push_back(w->handle);
  }
  return detail::Enumerate(handles, proc, lParam);
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  DWORD thread = 0;
  if (!detail::WithWindow(hwnd, [&](Window& w) { thread = w.threadId; })) return 0;
  if (processId) *processId = GetCurrentProcessId();
  return thread;
}

// ---- text and longs ----

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  return static_cast<int>(SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hwnd) { return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0)); }

namespace {

LONG_PTR GetLong(HWND hwnd, int index, size_t width) {
  LONG_PTR value = 0;
  bool known = true;
  if (detail::WithWindow(hwnd, [&](Window& w) { known = detail::ReadLongLocked(w, index, width, value); }) && !known)
    SetLastError(ERROR_INVALID_INDEX);
  return value;
}

LONG_PTR SetLong(HWND hwnd, int index, size_t width, LONG_PTR value) {
  if (index == GWL_STYLE || index == GWL_EXSTYLE) return detail::ChangeStyle(hwnd, index, static_cast<DWORD>(value));
  LONG_PTR previous = 0;
  bool done = true;
  if (!detail::WithWindow(hwnd, [&](Window& w) {
        done = detail::ReadLongLocked(w, index, width, previous) && detail::WriteLongLocked(w, index, width, value);
      }))
    return 0;
  if (!done) {
    SetLastError(index == GWLP_HWNDPARENT ? ERROR_INVALID_PARAMETER : ERROR_INVALID_INDEX);
    return 0;
  }
  return previous;
}

}  // namespace

// A window procedure does not fit the 32-bit forms on this host.
LONG GetWindowLongA(HWND hwnd, int index) {
  if (index == GWLP_WNDPROC) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return static_cast<LONG>(GetLong(hwnd, index, sizeof(LONG)));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  if (index == GWLP_WNDPROC) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return static_cast<LONG>(SetLong(hwnd, index, sizeof(LONG), value));
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) { return GetLong(hwnd, index, sizeof(LONG_PTR)); }

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  return SetLong(hwnd, index, sizeof(LONG_PTR), value);
}

// ---- visibility, bounds and z-order ----

BOOL ShowWindow(HWND hwnd, int command) {
  bool wasVisible = false;
  if (!detail::WithWindow(hwnd, [&](Window& w) { wasVisible = w.style & WS_VISIBLE; })) return FALSE;
  const bool show = command != SW_HIDE;
  if (show && GetAncestor(hwnd, GA_PARENT) == GetDesktopWindow()) live::StartIfAskedByEnvironment();
  if (show != wasVisible) {
    SendMessageA(hwnd, WM_SHOWWINDOW, show, 0);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const bool minimize = command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
  const bool restore = command == SW_RESTORE || command == SW_SHOWNORMAL || command == SW_SHOWDEFAULT;
  if (show) detail::SetMinimized(hwnd, minimize, restore);
  return wasVisible;
}

BOOL IsIconic(HWND hwnd) {
  bool minimized = false;
  detail::WithWindow(hwnd, [&](Window& w) { minimized = w.style & WS_MINIMIZE; });
  return minimized;
}

BOOL IsWindowVisible(HWND hwnd) {
  std::lock_guard lock(detail::KernelMutex());
  Window* w = detail::LiveWindowLocked(hwnd);
  if (!w) return FALSE;
  for (; w && !detail::IsRoot(w); w = w->parent)
    if (!(w->style & WS_VISIBLE)) return FALSE;
  return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  if (!detail::CheckOut(rect)) return FALSE;
  return detail::WithWindow(hwnd, [&](Window& w) { *rect = w.windowRect; });
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  if (!detail::CheckOut(rect)) return FALSE;
  return detail::WithWindow(hwnd, [&](Window& w) {
    *rect = RECT{0, 0, w.clientRect.right - w.clientRect.left, w.clientRect.bottom - w.clientRect.top};
  });
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  bool movable = false;
  if (!detail::WithWindow(hwnd, [&](Window& w) { movable = !detail::IsRoot(&w); })) return FALSE;
  if (!movable) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  WINDOWPOS pos{hwnd, insertAfter, x, y, cx, cy, flags};
  if (!(flags & SWP_NOSENDCHANGING)) SendMessageA(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  bool activate = false;
  RECT oldRect{};
  bool wasShown = false;
  if (!detail::WithWindow(hwnd, [&](Window& w) {
        oldRect = w.windowRect;
        wasShown = detail::IsShownLocked(&w);
        detail::ApplyWindowPosLocked(&w, pos);
        activate = !(pos.flags & SWP_NOACTIVATE) && detail::IsTopLevel(&w) && (w.style & WS_VISIBLE);
      }))
    return FALSE;
  if (!(flags & SWP_NOREDRAW)) detail::NoteWindowPlaced(hwnd, oldRect, wasShown);
  SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (flags & SWP_HIDEWINDOW) detail::NoteWindowHidden(hwnd);
  if (activate) detail::Activate(hwnd, false);
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  if (!detail::CheckOut(point)) return FALSE;
  return detail::WithWindow(hwnd, [&](Window& w) {
    point->x += w.clientRect.left;
    point->y += w.clientRect.top;
  });
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  if (!detail::CheckOut(point)) return FALSE;
  return detail::WithWindow(hwnd, [&](Window& w) {
    point->x -= w.clientRect.left;
    point->y -= w.clientRect.top;
  });
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  if (count && !detail::CheckOut(points)) return 0;
  POINT a, b;
  if (!detail::OriginOf(from, a) || !detail::OriginOf(to, b)) return 0;
  const int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

// ---- activation and enabling ----

BOOL SetForegroundWindow(HWND hwnd) {
  HWND root{};
  if (!detail::WithWindow(hwnd, [&](Window& w) {
        if (detail::IsRoot(&w)) return;  // the desktop is never a foreground window
        root = detail::RootLocked(&w)->handle;
        detail::State().foreground = root;
      }))
    return FALSE;
  if (!root) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  detail::Activate(root, true);
  return TRUE;
}

HWND GetForegroundWindow() {
  std::lock_guard lock(detail::KernelMutex());
  return detail::State().foreground;
}

HWND SetActiveWindow(HWND hwnd) {
  const DWORD self = GetCurrentThreadId();
  HWND previous{};
  if (!hwnd) {
    {
      std::lock_guard lock(detail::KernelMutex());
      auto& active = detail::State().activeWindows;
      if (auto it = active.find(self); it != active.end()) {
        previous = it->second;
        active.erase(it);
      }
    }
    if (previous) SendMessageA(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    return previous;
  }
  HWND root{};
  bool ours = false;
  if (!detail::WithWindow(hwnd, [&](Window& w) {
        root = detail::RootLocked(&w)->handle;
        ours = w.threadId == self;
        previous = detail::State().activeWindows[self];
      }))
    return nullptr;
  if (!ours) {
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return nullptr;
  }
  detail::Activate(root, true);
  return previous;
}

HWND GetActiveWindow() {
  std::lock_guard lock(detail::KernelMutex());
  auto& active = detail::State().activeWindows;
  auto it = active.find(GetCurrentThreadId());
  return it == active.end() ? nullptr : it->second;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  bool wasDisabled = false;
  if (!detail::WithWindow(hwnd, [&](Window& w) {
        wasDisabled = w.style & WS_DISABLED;
        if (enable)
          w.style &= ~WS_DISABLED;
        else
          w.style |= WS_DISABLED;
      }))
    return FALSE;
  if (wasDisabled == !enable) return wasDisabled;
  if (!enable) detail::NoteWindowDisabled(hwnd);
  SendMessageA(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
  bool enabled = false;
  detail::WithWindow(hwnd, [&](Window& w) { enabled = !(w.style & WS_DISABLED); });
  return enabled;
}

namespace test {

void SetScreenSize(int width, int height) {
  std::lock_guard lock(detail::KernelMutex());
  Window& desktop = *detail::State().desktop;
  desktop.windowRect = desktop.clientRect = RECT{0, 0, width, height};
  detail::RecordScreenSize(SIZE{width, height});
}

}  // namespace test
}  // namespace win

#include "platform/ScrollBars.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "platform/Clock.h"
#include "platform/Drawing.h"
#include "platform/Errors.h"
#include "platform/FrameControl.h"
#include "platform/Handles.h"
#include "platform/Input.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/SysColors.h"
#include "platform/Wait.h"
#include "platform/Window.h"

namespace win {
namespace detail {
namespace {

enum class Part { None, LineUp, PageUp, Thumb, PageDown, LineDown };

struct BarState {
  int min = 0;
  int max = 100;
  int pos = 0;
  UINT page = 0;
  Part pressed = Part::None;  // the part held down while the mouse follows it
  int trackPos = 0;           // where the dragged thumb stands
};

struct WindowBars {
  BarState bars[2];  // SB_HORZ, SB_VERT
};

// Guarded by KernelMutex, by handle id.
std::unordered_map<uint32_t, WindowBars>& Store() {
  static auto* store = new std::unordered_map<uint32_t, WindowBars>;  // never destroyed: threads may end during exit
  return *store;
}

const bool kForgetsDestroyedWindows = [] {
  AddWindowDestroyedListener([](HWND hwnd) {
    std::lock_guard lock(KernelMutex());
    Store().erase(HandleId(hwnd));
  });
  return true;
}();

bool HasBarLocked(const Window& w, int bar) {
  if (bar == SB_HORZ) return w.style & WS_HSCROLL;
  if (bar == SB_VERT) return w.style & WS_VSCROLL;
  return false;
}

BarState& StateLocked(HWND hwnd, int bar) { return Store()[HandleId(hwnd)].bars[bar]; }

bool InRect(const RECT& r, POINT pt) { return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom; }
bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// The client area in window coordinates.
RECT ClientInWindow(const Window& w) {
  const int dx = w.windowRect.left, dy = w.windowRect.top;
  return RECT{w.clientRect.left - dx, w.clientRect.top - dy, w.clientRect.right - dx, w.clientRect.bottom - dy};
}

// Along the bar: x for the horizontal one, y for the vertical one.
int Along(int bar, POINT pt) { return bar == SB_HORZ ? pt.x : pt.y; }
int Start(int bar, const RECT& r) { return bar == SB_HORZ ? r.left : r.top; }
int End(int bar, const RECT& r) { return bar == SB_HORZ ? r.right : r.bottom; }

// A piece of the bar from `from` to `to` along it, across its whole width.
RECT Piece(int bar, const RECT& whole, int from, int to) {
  return bar == SB_HORZ ? RECT{from, whole.top, to, whole.bottom} : RECT{whole.left, from, whole.right, to};
}

int TrackLength(int bar, const ScrollBarLayout& layout) {
  return Start(bar, layout.lineDown) - End(bar, layout.lineUp);
}

// The thumb is never shorter than this, however small the page.
constexpr int kMinThumbLength = 8;

// The last position: the page, when there is one, ends at max.
int LastPos(const BarState& s) {
  return s.page > 1 ? static_cast<int>(static_cast<int64_t>(s.max) - (s.page - 1)) : s.max;
}
bool CanScroll(const BarState& s) { return LastPos(s) > s.min; }

int ThumbLength(int trackLength, const BarState& s) {
  if (s.page == 0) return kScrollBarSize;
  const int64_t range = static_cast<int64_t>(s.max) - s.min + 1;
  return std::clamp(static_cast<int>(trackLength * static_cast<int64_t>(s.page) / range), kMinThumbLength,
                    trackLength);
}

int ThumbOffset(int trackLength, const BarState& s, int pos) {
  const int64_t span = static_cast<int64_t>(LastPos(s)) - s.min;
  return static_cast<int>((static_cast<int64_t>(pos) - s.min) * (trackLength - ThumbLength(trackLength, s)) / span);
}

bool LayoutLocked(const Window& w, int bar, ScrollBarLayout& layout) {
  if (!HasBarLocked(w, bar)) return false;
  const RECT client = ClientInWindow(w);
  layout.bar = bar == SB_HORZ ? RECT{client.left, client.bottom, client.right, client.bottom + kScrollBarSize}
                              : RECT{client.right, client.top, client.right + kScrollBarSize, client.bottom};
  const int first = Start(bar, layout.bar), last = End(bar, layout.bar);
  const int arrow = std::min(kScrollBarSize, (last - first) / 2);
  layout.lineUp = Piece(bar, layout.bar, first, first + arrow);
  layout.lineDown = Piece(bar, layout.bar, last - arrow, last);
  layout.thumb = RECT{};
  const BarState& s = StateLocked(w.handle, bar);
  const int track = TrackLength(bar, layout);
  if (CanScroll(s) && track >= kScrollBarSize) {
    const int pos = s.pressed == Part::Thumb ? s.trackPos : s.pos;
    const int from = first + arrow + ThumbOffset(track, s, pos);
    layout.thumb = Piece(bar, layout.bar, from, from + ThumbLength(track, s));
  }
  return true;
}

Part PartAt(int bar, const ScrollBarLayout& layout, POINT pt) {
  if (!InRect(layout.bar, pt)) return Part::None;
  if (InRect(layout.lineUp, pt)) return Part::LineUp;
  if (InRect(layout.lineDown, pt)) return Part::LineDown;
  if (IsEmpty(layout.thumb)) return Part::None;
  if (InRect(layout.thumb, pt)) return Part::Thumb;
  return Along(bar, pt) < Start(bar, layout.thumb) ? Part::PageUp : Part::PageDown;
}

int CodeOf(Part part) {
  switch (part) {
    case Part::LineUp: return SB_LINEUP;
    case Part::PageUp: return SB_PAGEUP;
    case Part::PageDown: return SB_PAGEDOWN;
    case Part::LineDown: return SB_LINEDOWN;
    default: return SB_THUMBPOSITION;
  }
}

// ---- drawing ----

void Fill(HDC dc, const RECT& r, int colorIndex) { FillRect(dc, &r, GetSysColorBrush(colorIndex)); }

// A small solid triangle in the middle of the arrow button, pointing the
// way the button scrolls.
void DrawArrowGlyph(HDC dc, const RECT& button, int bar, bool towardStart, bool enabled, bool pushed) {
  const int shift = pushed ? 1 : 0;
  const int cx = (button.left + button.right) / 2 + shift, cy = (button.top + button.bottom) / 2 + shift;
  const int colorIndex = enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT;
  constexpr int kRows = 4;
  for (int i = 0; i < kRows; ++i) {
    // Row i is 2i+1 pixels wide; the apex points toward the start or the end.
    const int step = towardStart ? i - kRows / 2 : kRows / 2 - 1 - i;
    const RECT row = bar == SB_VERT ? RECT{cx - i, cy + step, cx + i + 1, cy + step + 1}
                                    : RECT{cx + step, cy - i, cx + step + 1, cy + i + 1};
    Fill(dc, row, colorIndex);
  }
}

void DrawArrowButton(HDC dc, RECT r, int bar, bool towardStart, bool enabled, bool pushed) {
  if (IsEmpty(r)) return;
  if (pushed) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
    RECT inside{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    Fill(dc, inside, COLOR_BTNFACE);
  } else {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
  DrawArrowGlyph(dc, r, bar, towardStart, enabled, pushed);
}

void DrawBar(HDC dc, int bar, const ScrollBarLayout& layout, const BarState& s) {
  const bool enabled = CanScroll(s);
  const RECT track = Piece(bar, layout.bar, End(bar, layout.lineUp), Start(bar, layout.lineDown));
  if (!IsEmpty(track)) Fill(dc, track, COLOR_SCROLLBAR);
  DrawArrowButton(dc, layout.lineUp, bar, true, enabled, s.pressed == Part::LineUp);
  DrawArrowButton(dc, layout.lineDown, bar, false, enabled, s.pressed == Part::LineDown);
  if (!IsEmpty(layout.thumb)) {
    RECT thumb = layout.thumb;
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
}

// What the frame drawing needs, read under the lock.
struct FrameSnapshot {
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT client{};  // window coordinates
  ScrollBarLayout layouts[2];
  bool hasBar[2] = {false, false};
  BarState states[2];
};

bool TakeSnapshot(HWND hwnd, FrameSnapshot& snap) {
  std::lock_guard lock(KernelMutex());
  const Window* w = LiveWindowLocked(hwnd);
  if (!w) return false;
  snap.style = w->style;
  snap.exStyle = w->exStyle;
  snap.client = ClientInWindow(*w);
  for (int bar : {SB_HORZ, SB_VERT}) {
    snap.hasBar[bar] = LayoutLocked(*w, bar, snap.layouts[bar]);
    if (snap.hasBar[bar]) snap.states[bar] = StateLocked(hwnd, bar);
  }
  return true;
}

// A thin border is drawn; the wider frames and the caption of top-level
// windows are the desktop's to draw and are left alone.
bool HasThinBorder(DWORD style, DWORD exStyle) {
  return (style & WS_BORDER) && !(style & (WS_DLGFRAME | WS_THICKFRAME)) && !(exStyle & WS_EX_DLGMODALFRAME);
}

void Inflate(RECT& r, int by) {
  r.left -= by;
  r.top -= by;
  r.right += by;
  r.bottom += by;
}

void DrawScrollBars(HDC dc, const FrameSnapshot& snap) {
  for (int bar : {SB_HORZ, SB_VERT})
    if (snap.hasBar[bar]) DrawBar(dc, bar, snap.layouts[bar], snap.states[bar]);
  if (snap.hasBar[SB_HORZ] && snap.hasBar[SB_VERT]) {
    const RECT corner{snap.client.right, snap.client.bottom, snap.client.right + kScrollBarSize,
                      snap.client.bottom + kScrollBarSize};
    Fill(dc, corner, COLOR_BTNFACE);
  }
}

// The edges surround the client area with its bars; the border lies outside them.
void DrawEdges(HDC dc, const FrameSnapshot& snap) {
  RECT r = snap.client;
  if (snap.hasBar[SB_VERT]) r.right += kScrollBarSize;
  if (snap.hasBar[SB_HORZ]) r.bottom += kScrollBarSize;
  if (snap.exStyle & WS_EX_STATICEDGE) {
    Inflate(r, kStaticEdgeWidth);
    RECT edge = r;
    DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
  }
  if (snap.exStyle & WS_EX_CLIENTEDGE) {
    Inflate(r, kClientEdgeWidth);
    RECT edge = r;
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
  }
  if (HasThinBorder(snap.style, snap.exStyle)) {
    Inflate(r, kBorderWidth);
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
  }
}

void RedrawBars(HWND hwnd) {
  FrameSnapshot snap;
  if (!TakeSnapshot(hwnd, snap)) return;
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  DrawScrollBars(dc, snap);
  ReleaseDC(hwnd, dc);
}

// ---- following the mouse ----

POINT ScreenToWindow(HWND hwnd, POINT pt) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return POINT{pt.x - r.left, pt.y - r.top};
}

bool IsMouseMessage(UINT message) {
  return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK);
}

void SetPressed(HWND hwnd, int bar, Part part, int trackPos) {
  {
    std::lock_guard lock(KernelMutex());
    if (!LiveWindowLocked(hwnd)) return;
    BarState& s = StateLocked(hwnd, bar);
    s.pressed = part;
    s.trackPos = trackPos;
  }
  RedrawBars(hwnd);
}

// The position that puts the thumb's leading edge at `thumbStart` (window
// coordinates along the bar), held inside the range.
int PosAtThumb(HWND hwnd, int bar, int thumbStart) {
  std::lock_guard lock(KernelMutex());
  const Window* w = LiveWindowLocked(hwnd);
  ScrollBarLayout layout;
  if (!w || !LayoutLocked(*w, bar, layout)) return 0;
  const BarState& s = StateLocked(hwnd, bar);
  const int track = TrackLength(bar, layout);
  const int room = track - ThumbLength(track, s);
  if (room <= 0) return s.pos;
  const int offset = std::clamp(thumbStart - End(bar, layout.lineUp), 0, room);
  const int64_t span = static_cast<int64_t>(LastPos(s)) - s.min;
  return s.min + static_cast<int>((offset * span + room / 2) / room);
}

}  // namespace

bool LayoutScrollBar(HWND hwnd, int bar, ScrollBarLayout& layout) {
  std::lock_guard lock(KernelMutex());
  const Window* w = LiveWindowLocked(hwnd);
  return w && LayoutLocked(*w, bar, layout);
}

LRESULT ScrollBarHitLocked(HWND hwnd, POINT screenPoint) {
  const Window* w = LiveWindowLocked(hwnd);
  if (!w) return HTNOWHERE;
  const POINT pt{screenPoint.x - w->windowRect.left, screenPoint.y - w->windowRect.top};
  for (int bar : {SB_HORZ, SB_VERT}) {
    ScrollBarLayout layout;
    if (LayoutLocked(*w, bar, layout) && InRect(layout.bar, pt)) return bar == SB_HORZ ? HTHSCROLL : HTVSCROLL;
  }
  return HTNOWHERE;
}

void PaintEdgesAndScrollBars(HWND hwnd) {
  FrameSnapshot snap;
  if (!TakeSnapshot(hwnd, snap)) return;
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  DrawEdges(dc, snap);
  DrawScrollBars(dc, snap);
  ReleaseDC(hwnd, dc);
}

// A press on an arrow or the track scrolls again while the button is held
// and the pointer stays on that part: first after the delay, then at the pace.
constexpr DWORD kRepeatDelayMs = 400;
constexpr DWORD kRepeatIntervalMs = 50;

void TrackScrollBar(HWND hwnd, int bar, POINT screenPoint) {
  ScrollBarLayout layout;
  if (!LayoutScrollBar(hwnd, bar, layout)) return;
  const POINT pressed = ScreenToWindow(hwnd, screenPoint);
  const Part part = PartAt(bar, layout, pressed);
  if (part == Part::None) return;
  const UINT message = bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
  // The distance from the thumb's leading edge to where it was grabbed.
  const int grab = Along(bar, pressed) - Start(bar, layout.thumb);
  int trackPos = GetScrollPos(hwnd, bar);
  SetCapture(hwnd);
  SetPressed(hwnd, bar, part, trackPos);
  if (part != Part::Thumb) SendMessageA(hwnd, message, CodeOf(part), 0);
  // The thumb follows the mouse along the bar, from where it was grabbed.
  auto follow = [&](POINT screen) {
    if (part != Part::Thumb) return;
    const int pos = PosAtThumb(hwnd, bar, Along(bar, ScreenToWindow(hwnd, screen)) - grab);
    if (pos == trackPos) return;
    trackPos = pos;
    SetPressed(hwnd, bar, part, trackPos);
    SendMessageA(hwnd, message, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(trackPos)), 0);
  };
  // Only while the pointer is on the pressed part, so that paging stops
  // where the thumb reaches the pointer.
  ULONGLONG nextRepeat = GetTickCount64() + kRepeatDelayMs;
  auto repeat = [&] {
    if (part == Part::Thumb || GetTickCount64() < nextRepeat) return;
    nextRepeat = GetTickCount64() + kRepeatIntervalMs;
    POINT cursor{};
    GetCursorPos(&cursor);
    ScrollBarLayout now;
    if (LayoutScrollBar(hwnd, bar, now) && PartAt(bar, now, ScreenToWindow(hwnd, cursor)) == part)
      SendMessageA(hwnd, message, CodeOf(part), 0);
  };
  MSG msg{};
  bool quit = false;
  while (GetCapture() == hwnd) {
    repeat();
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // A release that came before the bar held the mouse went elsewhere
      // (or nowhere): the button being up ends the press all the same.
      if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000)) {
        POINT cursor{};
        GetCursorPos(&cursor);
        follow(cursor);
        break;
      }
      if (part == Part::Thumb) {
        WaitMessage();
      } else {
        const ULONGLONG now = GetTickCount64();
        const DWORD untilRepeat = nextRepeat > now ? static_cast<DWORD>(nextRepeat - now) : 0;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, untilRepeat, QS_ALLINPUT);
      }
      continue;
    }
    if (msg.message == WM_QUIT) {
      quit = true;
      break;
    }
    // The bar holds the mouse: what the mouse did, wherever it was routed
    // when it happened, is the bar's, at the point the message carries.
    if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP) {
      follow(msg.pt);
      break;
    }
    if (IsMouseMessage(msg.message)) {
      if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) follow(msg.pt);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (part == Part::Thumb) SendMessageA(hwnd, message, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(trackPos)), 0);
  SendMessageA(hwnd, message, SB_ENDSCROLL, 0);
  if (GetCapture() == hwnd) ReleaseCapture();
  SetPressed(hwnd, bar, Part::None, 0);
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
}

}  // namespace detail

namespace {

// Runs `change` on the bar's state when the window has that bar; false
// (with ERROR_INVALID_PARAMETER) otherwise.
template <class Change>
bool WithBar(HWND hwnd, int bar, Change change) {
  std::lock_guard lock(detail::KernelMutex());
  const detail::Window* w = detail::LiveWindowLocked(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (!detail::HasBarLocked(*w, bar)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  change(detail::StateLocked(hwnd, bar));
  return true;
}

}  // namespace

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  int previous = 0;
  if (!WithBar(hwnd, bar, [&](detail::BarState& s) {
        previous = s.pos;
        s.pos = std::clamp(pos, s.min, std::max(s.min, detail::LastPos(s)));
      }))
    return 0;
  if (redraw) detail::RedrawBars(hwnd);
  return previous;
}

int GetScrollPos(HWND hwnd, int bar) {
  int pos = 0;
  WithBar(hwnd, bar, [&](detail::BarState& s) { pos = s.pos; });
  return pos;
}

BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw) {
  if (max < min) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!WithBar(hwnd, bar, [&](detail::BarState& s) {
        s.min = min;
        s.max = max;
        s.pos = std::clamp(s.pos, min, std::max(min, detail::LastPos(s)));
      }))
    return FALSE;
  if (redraw) detail::RedrawBars(hwnd);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max) {
  return WithBar(hwnd, bar, [&](detail::BarState& s) {
    if (min) *min = s.min;
    if (max) *max = s.max;
  });
}

namespace {

bool IsBar(int bar) { return bar == SB_HORZ || bar == SB_VERT; }

bool CheckInfo(int bar, const SCROLLINFO* info) {
  if (info && info->cbSize == sizeof(SCROLLINFO) && IsBar(bar)) return true;
  SetLastError(ERROR_INVALID_PARAMETER);
  return false;
}

}  // namespace

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw) {
  if (!CheckInfo(bar, info)) return 0;
  const bool setsRange = info->fMask & SIF_RANGE;
  if (setsRange && info->nMax < info->nMin) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int pos = 0;
  bool canScroll = false, shown = false, changed = false;
  {
    std::lock_guard lock(detail::KernelMutex());
    const detail::Window* w = detail::LiveWindowLocked(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    detail::BarState& s = detail::StateLocked(hwnd, bar);
    const detail::BarState before = s;
    if (setsRange) {
      s.min = info->nMin;
      s.max = info->nMax;
    }
    if (info->fMask & SIF_PAGE) s.page = info->nPage;
    s.page = static_cast<UINT>(std::min<int64_t>(s.page, static_cast<int64_t>(s.max) - s.min + 1));
    if (info->fMask & SIF_POS) s.pos = info->nPos;
    s.pos = std::clamp(s.pos, s.min, std::max(s.min, detail::LastPos(s)));
    pos = s.pos;
    changed = s.min != before.min || s.max != before.max || s.page != before.page || s.pos != before.pos;
    canScroll = detail::CanScroll(s);
    shown = detail::HasBarLocked(*w, bar);
  }
  if (info->fMask & (SIF_RANGE | SIF_PAGE)) {
    const bool show = canScroll || (info->fMask & SIF_DISABLENOSCROLL);
    // Showing or hiding redraws the whole window, the bar with it.
    if (show != shown) {
      ShowScrollBar(hwnd, bar, show);
      return pos;
    }
  }
  if (redraw && shown && changed) detail::RedrawBars(hwnd);
  return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  if (!CheckInfo(bar, info)) return FALSE;
  std::lock_guard lock(detail::KernelMutex());
  if (!detail::LiveWindowLocked(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const detail::BarState& s = detail::StateLocked(hwnd, bar);
  if (info->fMask & SIF_RANGE) {
    info->nMin = s.min;
    info->nMax = s.max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = s.page;
  if (info->fMask & SIF_POS) info->nPos = s.pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s.pressed == detail::Part::Thumb ? s.trackPos : s.pos;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (!IsBar(bar)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const DWORD flag = bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL;
  const auto style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  const DWORD wanted = show ? style | flag : style & ~flag;
  if (wanted == style) return TRUE;
  SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(wanted));
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  return TRUE;
}

}  // namespace win

#include "platform/Painting.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/Clock.h"
#include "platform/DeviceContext.h"
#include "platform/Drawing.h"
#include "platform/Errors.h"
#include "platform/FaultInjection.h"
#include "platform/Gdi.h"
#include "platform/Messages.h"
#include "platform/Screen.h"
#include "platform/Wait.h"
#include "platform/Window.h"

namespace win {
namespace detail {

namespace {

struct PaintState {
  Region update;  // client coordinates
  bool erase = false;
  bool internalPaint = false;
  bool frame = false;  // the frame is due: WM_NCPAINT from BeginPaint
  bool NeedsPaint() const { return internalPaint || frame || !update.IsEmpty(); }
};

// What painting keeps about windows, by handle id; guarded by KernelMutex.
struct PaintStore {
  std::unordered_map<uint32_t, PaintState> paint;
  std::unordered_map<uint32_t, Region> shapes;  // window coordinates
  std::unordered_map<uint32_t, std::shared_ptr<Surface>> surfaces;
  std::unordered_map<uint32_t, Region> painted;  // window coordinates of top-level windows
  std::shared_ptr<Surface> screen;
};

std::atomic<bool> tracksPaintedAreas{false};

PaintStore& Store() {
  static auto* store = new PaintStore;  // never destroyed: threads may end during exit
  return *store;
}

const bool kForgetsDestroyedWindows = [] {
  AddWindowDestroyedListener([](HWND hwnd) {
    std::lock_guard lock(KernelMutex());
    PaintStore& s = Store();
    s.paint.erase(HandleId(hwnd));
    s.shapes.erase(HandleId(hwnd));
    s.surfaces.erase(HandleId(hwnd));
    s.painted.erase(HandleId(hwnd));
  });
  return true;
}();

int WidthOf(const RECT& r) { return r.right - r.left; }
int HeightOf(const RECT& r) { return r.bottom - r.top; }

bool ShowsLocked(const Window* w) {
  for (; w && w->parent; w = w->parent)
    if (!(w->style & WS_VISIBLE)) return false;
  return w == DesktopLocked();
}

Window* TopLevelOf(Window* w) {
  while (w->parent && w->parent != DesktopLocked()) w = w->parent;
  return w;
}

// The window's shape in screen coordinates: its window region, or its rect.
Region ShapeOnScreenLocked(const Window* w) {
  auto it = Store().shapes.find(HandleId(w->handle));
  if (it == Store().shapes.end()) return Region(w->windowRect);
  Region shape = it->second;
  shape.Offset(w->windowRect.left, w->windowRect.top);
  shape.Intersect(Region(w->windowRect));
  return shape;
}

// What a window may draw on, in screen coordinates: its area cut by its
// shape and its ancestors' client areas and shapes, less the siblings above
// wherever WS_CLIPSIBLINGS is set, less its children with WS_CLIPCHILDREN.
// Top-level windows never clip one another: each has its own surface.
Region VisibleOnScreenLocked(const Window* w, bool clientOnly) {
  if (!ShowsLocked(w)) return Region();
  Region visible(clientOnly ? w->clientRect : w->windowRect);
  visible.Intersect(ShapeOnScreenLocked(w));
  for (const Window* c = w; c->parent && c->parent != DesktopLocked(); c = c->parent) {
    const Window* p = c->parent;
    if (c->style & WS_CLIPSIBLINGS) {
      for (auto& sibling : p->children) {
        if (sibling.get() == c) break;
        if (sibling->style & WS_VISIBLE) visible.Subtract(ShapeOnScreenLocked(sibling.get()));
      }
    }
    visible.Intersect(Region(p->clientRect));
    visible.Intersect(ShapeOnScreenLocked(p));
  }
  if (w->style & WS_CLIPCHILDREN)
    for (auto& child : w->children)
      if (child->style & WS_VISIBLE) visible.Subtract(ShapeOnScreenLocked(child.get()));
  return visible;
}

// A surface of the given size holding what `old` had where they overlap.
std::shared_ptr<Surface> Resized(const std::shared_ptr<Surface>& old, int width, int height) {
  if (old && old->Width() == width && old->Height() == height) return old;
  auto fresh = Surface::Create(width, height, 32, true, {});
  if (!fresh || !old) return fresh;
  const int rows = std::min(height, old->Height());
  const size_t bytes = static_cast<size_t>(std::min(width, old->Width())) * 4;
  for (int y = 0; y < rows; ++y) std::copy_n(old->Row(y), bytes, fresh->Row(y));
  return fresh;
}

std::shared_ptr<Surface> ScreenSurfaceLocked() {
  const SIZE size = ScreenSize();
  Store().screen = Resized(Store().screen, size.cx, size.cy);
  return Store().screen;
}

// The view of a window DC: asked afresh on every drawing call, so that the
// DC follows the window as it moves, resizes or is covered.
class WindowView final : public DcViewSource {
 public:
  WindowView(HWND hwnd, bool wholeWindow, std::optional<Region> intersect, std::optional<Region> exclude)
      : hwnd_(hwnd), wholeWindow_(wholeWindow), intersect_(std::move(intersect)), exclude_(std::move(exclude)) {}

  // The DC is gone, so its drawing is done: what it could reach is recorded
  // as painted for whoever shows the surface elsewhere.
  ~WindowView() override {
    if (!tracksPaintedAreas) return;
    {
      std::lock_guard lock(KernelMutex());
      DcView view = ViewLocked();
      Window* w = LiveWindowLocked(hwnd_);
      if (!view.surface || !view.visible || !w || w == DesktopLocked()) return;
      Region area = *view.visible;
      area.Offset(view.origin.x, view.origin.y);
      if (area.IsEmpty()) return;
      Store().painted[HandleId(TopLevelOf(w)->handle)].Unite(area);
    }
    WakeAll();
  }

  DcView CurrentView() override {
    std::lock_guard lock(KernelMutex());
    return ViewLocked();
  }

 private:
  DcView ViewLocked() {
    DcView view;
    Window* w = LiveWindowLocked(hwnd_);
    if (!w) return view;
    Region visible;
    if (w == DesktopLocked()) {
      view.surface = ScreenSurfaceLocked();
      visible = Region(w->windowRect);
    } else {
      Window* top = TopLevelOf(w);
      view.surface = TopLevelSurfaceLocked(top->handle);
      if (!view.surface) return view;
      const RECT& base = wholeWindow_ ? w->windowRect : w->clientRect;
      view.origin = POINT{base.left - top->windowRect.left, base.top - top->windowRect.top};
      visible = VisibleOnScreenLocked(w, !wholeWindow_);
      visible.Offset(-base.left, -base.top);
    }
    if (intersect_) visible.Intersect(*intersect_);
    if (exclude_) visible.Subtract(*exclude_);
    view.visible = visible;
    return view;
  }

  HWND hwnd_;
  bool wholeWindow_;
  std::optional<Region> intersect_;  // device coordinates
  std::optional<Region> exclude_;
};

HDC ViewDC(HWND hwnd, bool wholeWindow, std::optional<Region> intersect = {}, std::optional<Region> exclude = {}) {
  return CreateViewDC(std::make_shared<WindowView>(hwnd, wholeWindow, std::move(intersect), std::move(exclude)));
}

// Whether a redraw of `w` goes on to its children: always with
// RDW_ALLCHILDREN, never with RDW_NOCHILDREN, and otherwise when the window
// paints under its children (no WS_CLIPCHILDREN).
bool ReachesChildren(const Window* w, UINT flags) {
  if (flags & RDW_ALLCHILDREN) return true;
  if (flags & RDW_NOCHILDREN) return false;
  return !(w->style & WS_CLIPCHILDREN);
}

// Whether a redraw of `screenArea` reaches the window's frame: a window
// without one has no non-client painting to do.
bool ReachesFrame(const Window* w, const Region& screenArea, UINT flags) {
  const RECT insets = NonClientInsets(w->style, w->exStyle);
  if (insets.left == 0 && insets.top == 0 && insets.right == 0 && insets.bottom == 0) return false;
  if (flags & RDW_FRAME) return true;
  Region frame(w->windowRect);
  frame.Subtract(Region(w->clientRect));
  frame.Intersect(screenArea);
  return !frame.IsEmpty();
}

void ApplyRedrawLocked(Window* w, const Region& screenArea, UINT flags) {
  PaintState& s = Store().paint[HandleId(w->handle)];
  const bool hadPaint = s.NeedsPaint();
  Region part = screenArea;
  part.Intersect(Region(w->clientRect));
  part.Offset(-w->clientRect.left, -w->clientRect.top);
  if ((flags & RDW_INVALIDATE) && !part.IsEmpty()) {
    s.update.Unite(part);
    if (flags & RDW_ERASE) s.erase = true;
  }
  // RDW_FRAME alone asks for the frame only (a new caption, activation).
  if ((flags & (RDW_INVALIDATE | RDW_FRAME)) && ReachesFrame(w, screenArea, flags)) s.frame = true;
  if (flags & RDW_VALIDATE) s.update.Subtract(part);
  if ((flags & RDW_NOERASE) || s.update.IsEmpty()) s.erase = false;
  if (flags & RDW_INTERNALPAINT) s.internalPaint = true;
  if (flags & RDW_NOINTERNALPAINT) s.internalPaint = false;
  if (!hadPaint && s.NeedsPaint()) NoteQueueChangeLocked(w->threadId, QS_PAINT);
}

// Marks or clears what needs painting in `screenArea` for `w` and, as the
// flags and styles say, its descendants. Hidden windows keep nothing.
void RedrawLocked(Window* w, const Region& screenArea, UINT flags) {
  if (w->parent && !(w->style & WS_VISIBLE)) return;
  const bool desktop = w == DesktopLocked();
  if (!desktop) ApplyRedrawLocked(w, screenArea, flags);
  if (!desktop && !ReachesChildren(w, flags)) return;
  Region inside = screenArea;
  inside.Intersect(Region(w->clientRect));
  if (inside.IsEmpty()) return;
  const UINT childFlags = (flags & RDW_ALLCHILDREN) ? flags : flags & ~(RDW_INTERNALPAINT | RDW_NOINTERNALPAINT);
  for (auto& child : w->children) RedrawLocked(child.get(), inside, desktop ? flags | RDW_ALLCHILDREN : childFlags);
}

// The windows a redraw of `hwnd` reaches, parents before children.
void CollectReachedLocked(Window* w, UINT flags, std::vector<HWND>& out) {
  if (w->parent && !(w->style & WS_VISIBLE)) return;
  const bool desktop = w == DesktopLocked();
  if (!desktop) out.push_back(w->handle);
  if (desktop || ReachesChildren(w, flags))
    for (auto& child : w->children) CollectReachedLocked(child.get(), flags, out);
}

// Sends WM_ERASEBKGND now to a window whose background is due, through a DC
// limited to its update region; the region stays for WM_PAINT.
void EraseNow(HWND hwnd) {
  Region area;
  {
    std::lock_guard lock(KernelMutex());
    auto it = Store().paint.find(HandleId(hwnd));
    if (it == Store().paint.end() || !it->second.erase) return;
    it->second.erase = false;
    area = it->second.update;
  }
  HDC dc = ViewDC(hwnd, false, area);
  SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  DeleteDC(dc);
}

bool NeedsPaintNow(HWND hwnd, bool updateRegionOnly) {
  std::lock_guard lock(KernelMutex());
  auto it = Store().paint.find(HandleId(hwnd));
  if (it == Store().paint.end()) return false;
  return updateRegionOnly ? it->second.frame || !it->second.update.IsEmpty() : it->second.NeedsPaint();
}

// RDW_ERASENOW and RDW_UPDATENOW: the reached windows are erased and, for
// UPDATENOW, painted at once, parents first.
void PaintNow(HWND hwnd, UINT flags, bool updateRegionOnly) {
  std::vector<HWND> reached;
  {
    std::lock_guard lock(KernelMutex());
    Window* w = LiveWindowLocked(hwnd);
    if (!w) return;
    CollectReachedLocked(w, flags, reached);
  }
  for (HWND h : reached) {
    EraseNow(h);
    if ((flags & RDW_UPDATENOW) && NeedsPaintNow(h, updateRegionOnly)) SendMessageA(h, WM_PAINT, 0, 0);
  }
}

std::optional<Region> RegionOf(HRGN hrgn) {
  auto object = FindRegion(hrgn);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return std::nullopt;
  }
  return object->region;
}

HWND OrDesktop(HWND hwnd) { return hwnd ? hwnd : GetDesktopWindow(); }

bool FirstPaintLocked(Window* w, DWORD threadId, const MessageFilter& filter, MSG& msg) {
  if (!(w->style & WS_VISIBLE)) return false;
  if (w->threadId == threadId && filter.Accepts(w->handle, WM_PAINT)) {
    auto it = Store().paint.find(HandleId(w->handle));
    if (it != Store().paint.end() && it->second.NeedsPaint()) {
      msg = MSG{w->handle, WM_PAINT, 0, 0, GetTickCount(), {}};
      return true;
    }
  }
  for (auto& child : w->children)
    if (FirstPaintLocked(child.get(), threadId, filter, msg)) return true;
  return false;
}

}  // namespace

bool NextPaintMessageLocked(DWORD threadId, const MessageFilter& filter, MSG& msg) {
  for (auto& top : DesktopLocked()->children)
    if (FirstPaintLocked(top.get(), threadId, filter, msg)) return true;
  return false;
}

const Region* WindowShapeLocked(HWND hwnd) {
  auto it = Store().shapes.find(HandleId(hwnd));
  return it == Store().shapes.end() ? nullptr : &it->second;
}

std::shared_ptr<Surface> TopLevelSurfaceLocked(HWND hwnd) {
  Window* w = LiveWindowLocked(hwnd);
  if (!w || w->parent != DesktopLocked()) return nullptr;
  auto& surface = Store().surfaces[HandleId(hwnd)];
  surface = Resized(surface, WidthOf(w->windowRect), HeightOf(w->windowRect));
  return surface;
}

bool IsShownLocked(const Window* w) { return ShowsLocked(w); }

void TrackPaintedAreas(bool on) {
  std::lock_guard lock(KernelMutex());
  tracksPaintedAreas = on;
  Store().painted.clear();
}

Region TakePaintedAreaLocked(HWND topLevel) {
  auto it = Store().painted.find(HandleId(topLevel));
  if (it == Store().painted.end()) return Region();
  Region area = std::move(it->second);
  Store().painted.erase(it);
  return area;
}

LRESULT EraseWithClassBackground(HWND hwnd, HDC dc) {
  HBRUSH brush{};
  RECT client{};
  {
    std::lock_guard lock(KernelMutex());
    Window* w = LiveWindowLocked(hwnd);
    if (!w) return 0;
    brush = w->windowClass->background;
    client = RECT{0, 0, WidthOf(w->clientRect), HeightOf(w->clientRect)};
  }
  if (!brush) return 0;
  return FillRect(dc, &client, brush) ? 1 : 0;
}

void ValidateByPainting(HWND hwnd) {
  PAINTSTRUCT paint;
  if (BeginPaint(hwnd, &paint)) EndPaint(hwnd, &paint);
}

void NoteWindowPlaced(HWND hwnd, const RECT& oldWindowRect, bool wasShown) {
  {
    std::lock_guard lock(KernelMutex());
    Window* w = LiveWindowLocked(hwnd);
    if (!w || !w->parent) return;
    const bool shown = ShowsLocked(w);
    const bool topLevel = w->parent == DesktopLocked();
    const bool resized = WidthOf(w->windowRect) != WidthOf(oldWindowRect) ||
                         HeightOf(w->windowRect) != HeightOf(oldWindowRect);
    const bool moved = w->windowRect.left != oldWindowRect.left || w->windowRect.top != oldWindowRect.top;
    // A top-level window carries its picture on its own surface; a child
    // leaves behind a part of its parent's picture that must be redrawn.
    if (!topLevel && wasShown && (!shown || moved || resized)) {
      Region uncovered(oldWindowRect);
      if (shown) uncovered.Subtract(Region(w->windowRect));
      RedrawLocked(w->parent, uncovered, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    if (shown && (!wasShown || resized || (!topLevel && moved)))
      RedrawLocked(w, Region(w->windowRect), RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
  detail::WakeAll();
}

}  // namespace detail

using detail::Region;
using detail::Window;

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  hwnd = detail::OrDesktop(hwnd);
  std::optional<Region> area;
  if (region) {
    area = detail::RegionOf(region);
    if (!area) return FALSE;
  } else if (rect) {
    area = Region(detail::NormalizedRect(rect->left, rect->top, rect->right, rect->bottom));
  }
  {
    std::lock_guard lock(detail::KernelMutex());
    Window* w = detail::LiveWindowLocked(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (area)
      area->Offset(w->clientRect.left, w->clientRect.top);
    else
      area = Region((flags & RDW_FRAME) ? w->windowRect : w->clientRect);
    detail::RedrawLocked(w, *area, flags);
  }
  detail::WakeAll();
  if (flags & (RDW_ERASENOW | RDW_UPDATENOW)) detail::PaintNow(hwnd, flags, false);
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  return RedrawWindow(hwnd, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL ValidateRgn(HWND hwnd, HRGN region) {
  return RedrawWindow(hwnd, nullptr, region, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL UpdateWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  detail::PaintNow(hwnd, RDW_UPDATENOW | RDW_ALLCHILDREN, true);
  return TRUE;
}

namespace {

// The update region of a window, after erasing it first when asked and due.
std::optional<Region> UpdateRegionOf(HWND hwnd, BOOL erase) {
  if (erase) detail::EraseNow(hwnd);
  std::lock_guard lock(detail::KernelMutex());
  if (!detail::LiveWindowLocked(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return std::nullopt;
  }
  auto it = detail::Store().paint.find(HandleId(hwnd));
  return it == detail::Store().paint.end() ? Region() : it->second.update;
}

}  // namespace

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
  std::optional<Region> update = UpdateRegionOf(hwnd, erase);
  if (!update) return FALSE;
  if (rect) *rect = update->Box();
  return !update->IsEmpty();
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase) {
  auto target = detail::FindRegion(region);
  if (!target) {
    SetLastError(ERROR_INVALID_HANDLE);
    return ERROR;
  }
  std::optional<Region> update = UpdateRegionOf(hwnd, erase);
  if (!update) return ERROR;
  target->region = *update;
  return update->Complexity();
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
  if (!paint) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Region area;
  bool erase = false;
  bool frame = false;
  {
    std::lock_guard lock(detail::KernelMutex());
    if (!detail::LiveWindowLocked(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    detail::PaintState& state = detail::Store().paint[HandleId(hwnd)];
    area = state.update;
    erase = state.erase;
    frame = state.frame;
    state = detail::PaintState{};
  }
  if (frame) SendMessageA(hwnd, WM_NCPAINT, 1, 0);
  HDC dc = detail::ViewDC(hwnd, false, area);
  *paint = PAINTSTRUCT{};
  paint->hdc = dc;
  paint->rcPaint = area.Box();
  paint->fErase = erase && !SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
  if (!paint) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DeleteDC(paint->hdc);
  return TRUE;
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  hwnd = detail::OrDesktop(hwnd);
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  std::optional<Region> intersect;
  std::optional<Region> exclude;
  if (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN)) {
    std::optional<Region> limit = detail::RegionOf(clip);
    if (!limit) return nullptr;
    (flags & DCX_INTERSECTRGN ? intersect : exclude) = std::move(limit);
  }
  return detail::ViewDC(hwnd, flags & DCX_WINDOW, std::move(intersect), std::move(exclude));
}

HDC GetDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, 0); }

HDC GetWindowDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_WINDOW); }

int ReleaseDC(HWND, HDC dc) { return DeleteDC(dc) ? 1 : 0; }

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  std::optional<Region> shape;
  if (region) {
    shape = detail::RegionOf(region);
    if (!shape) return 0;
  }
  if (detail::ShouldFail("SetWindowRgn")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  {
    std::lock_guard lock(detail::KernelMutex());
    Window* w = detail::LiveWindowLocked(hwnd);
    if (!w || !w->parent) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    const Region before = detail::ShapeOnScreenLocked(w);
    if (shape)
      detail::Store().shapes[HandleId(hwnd)] = *shape;
    else
      detail::Store().shapes.erase(HandleId(hwnd));
    if (redraw) {
      // What the old and new shapes cover is drawn again, the window and
      // whatever lies under it within its surface.
      Region changed = before;
      changed.Unite(detail::ShapeOnScreenLocked(w));
      Window* target = w->parent == detail::DesktopLocked() ? w : w->parent;
      detail::RedrawLocked(target, changed, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
  }
  detail::WakeAll();
  if (region) DeleteObject(region);
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN region) {
  auto target = detail::FindRegion(region);
  if (!target) {
    SetLastError(ERROR_INVALID_HANDLE);
    return ERROR;
  }
  std::lock_guard lock(detail::KernelMutex());
  if (!detail::LiveWindowLocked(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return ERROR;
  }
  const Region* shape = detail::WindowShapeLocked(hwnd);
  if (!shape) return ERROR;
  target->region = *shape;
  return shape->Complexity();
}

}  // namespace win

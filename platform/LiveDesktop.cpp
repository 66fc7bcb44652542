#include "platform/LiveDesktop.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/Input.h"
#include "platform/LiveKeys.h"
#include "platform/LivePresenter.h"
#include "platform/Menus.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/Paths.h"
#include "platform/PopupMenuWindow.h"
#include "platform/Presenter.h"
#include "platform/Screen.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Wait.h"
#include "platform/Window.h"

namespace win::live {

namespace {

using detail::Region;

int WidthOf(const RECT& r) { return r.right - r.left; }
int HeightOf(const RECT& r) { return r.bottom - r.top; }
bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// What the platform shows of one top-level window, read under KernelMutex.
struct Shown {
  HWND hwnd{};
  RECT area{};    // the part the X window shows, in platform screen coordinates
  POINT offset{};  // that part's origin in window coordinates
  SIZE frameExtra{};  // the window's size less the part's
  bool decorated = false;
  bool topmost = false;
  bool toolWindow = false;
  bool popupMenu = false;
  std::string title;                       // code page 932
  std::optional<std::vector<RECT>> shape;  // part coordinates
  std::vector<RECT> painted;               // part coordinates
  RECT pixelBox{};                         // part coordinates of `pixels`
  std::vector<uint32_t> pixels;            // 0x00RRGGBB, row by row
};

// The X window that shows a platform window, as last placed.
struct Mirror {
  SDL_Window* window = nullptr;
  ::Window xwindow = 0;
  RECT area{};
  POINT offset{};  // the area's origin in window coordinates
  bool topmost = false;
  std::string title;
  std::optional<std::vector<RECT>> shape;
  // Display positions asked for that the X server has not yet reported
  // back: a report of one of them is our own move, any other the desktop's.
  std::deque<POINT> requestedMoves;
  std::deque<SIZE> requestedSizes;  // likewise for sizes
  SIZE frameExtra{};                // the window's size less the area's
  std::vector<std::string> droppedFiles;  // host paths of a drop in progress
  // Mapping a window may give it the X focus (SDL does so where no window
  // manager runs); the platform decided on activation when it showed the
  // window, so that first focus is not the person's.
  bool focusFromShowing = true;
};

enum class Request : Sint32 { Wake, Bell, Quit };

class Display {
 public:
  explicit Display(int scale)
      : scale_(scale),
        flushed_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
        ended_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Display() {
    CloseHandle(flushed_);
    CloseHandle(ended_);
  }

  // Runs on the display thread until asked to quit; `ready` gets the
  // display's size, or an error.
  void Run(std::promise<std::optional<SIZE>>& ready, std::string& error);

  void Post(Request request);
  void RequestSync() {
    if (!syncRequested_.exchange(true)) Post(Request::Wake);
  }
  void Flush();
  // Asks the thread to end and waits until it has.
  void Quit();
  unsigned long XWindowOf(HWND hwnd);

 private:
  std::vector<Shown> ReadPlatform();
  void Sync();
  void Place(const Shown& shown);
  void Create(const Shown& shown);
  void Upload(const Shown& shown, Mirror& mirror);
  void Restack(const std::vector<Shown>& shown);
  void FollowActivation(HWND foreground);
  void ApplyShape(const Mirror& mirror);
  void Destroy(HWND hwnd);

  void Handle(const SDL_Event& event);
  void HandleWindowEvent(const SDL_WindowEvent& event);
  void HandleButton(const SDL_MouseButtonEvent& event);
  void ShowPlatformCursor();
  void HandleMovedByDesktop(HWND hwnd, Mirror& mirror, POINT position);
  void HandleResizedByDesktop(HWND hwnd, Mirror& mirror, SIZE size);
  void DeliverDrop(Mirror& mirror);
  HWND WindowOfEvent(Uint32 windowId) const;
  POINT PointerOnPlatform() const;
  ::Display* XDisplay(SDL_Window* window) const;

  const int scale_;
  Uint32 eventType_ = 0;
  std::atomic<bool> syncRequested_{false};
  // A hidden window of our own: SDL sleeps on the X connection only while
  // some window exists (it polls without one), and the bell needs a window.
  SDL_Window* anchor_ = nullptr;
  SDL_Cursor* cursors_[SDL_NUM_SYSTEM_CURSORS] = {};
  SDL_SystemCursor cursorShape_ = SDL_SYSTEM_CURSOR_ARROW;
  // The display thread's own state.
  std::map<uint32_t, Mirror> mirrors_;  // by handle id
  std::vector<HWND> stacking_;          // as last applied, the topmost first
  HWND foreground_ = nullptr;           // the platform's, as last given the X focus
  // The X windows by handle id, for other threads.
  mutable std::mutex xwindowsLock_;
  std::map<uint32_t, unsigned long> xwindows_;
  // Flush: how many were asked for, and how many the display has caught up with.
  std::atomic<uint64_t> flushesAsked_{0};
  std::atomic<uint64_t> flushesDone_{0};
  HANDLE flushed_;
  HANDLE ended_;  // set when the thread has closed everything
  std::atomic<bool> quit_{false};
};

// ---- the platform's side ------------------------------------------------------

std::vector<Shown> Display::ReadPlatform() {
  std::vector<Shown> result;
  std::lock_guard lock(detail::KernelMutex());
  for (HWND hwnd : detail::TopLevelWindowsLocked()) {
    detail::Window* w = detail::LiveWindowLocked(hwnd);
    if (!w || !detail::IsShownLocked(w)) continue;
    Shown s;
    s.hwnd = hwnd;
    s.decorated = (w->style & WS_CAPTION) == WS_CAPTION;
    s.area = s.decorated ? w->clientRect : w->windowRect;
    if (WidthOf(s.area) <= 0 || HeightOf(s.area) <= 0) continue;
    s.offset = POINT{s.area.left - w->windowRect.left, s.area.top - w->windowRect.top};
    s.frameExtra = SIZE{WidthOf(w->windowRect) - WidthOf(s.area), HeightOf(w->windowRect) - HeightOf(s.area)};
    s.topmost = w->exStyle & WS_EX_TOPMOST;
    s.toolWindow = w->exStyle & WS_EX_TOOLWINDOW;
    s.popupMenu = w->windowClass->name == "#32768";
    s.title = w->text;
    const Region whole(RECT{0, 0, WidthOf(s.area), HeightOf(s.area)});
    if (const Region* shape = detail::WindowShapeLocked(hwnd)) {
      Region part = *shape;
      part.Offset(-s.offset.x, -s.offset.y);
      part.Intersect(whole);
      s.shape = part.Rects();
    }
    Region painted = detail::TakePaintedAreaLocked(hwnd);
    painted.Offset(-s.offset.x, -s.offset.y);
    auto mirror = mirrors_.find(HandleId(hwnd));
    const bool fresh = mirror == mirrors_.end() || WidthOf(mirror->second.area) != WidthOf(s.area) ||
                       HeightOf(mirror->second.area) != HeightOf(s.area);
    if (fresh) painted = whole;
    painted.Intersect(whole);
    auto surface = detail::TopLevelSurfaceLocked(hwnd);
    if (!painted.IsEmpty() && surface) {
      s.painted = painted.Rects();
      s.pixelBox = painted.Box();
      const int width = WidthOf(s.pixelBox);
      s.pixels.resize(static_cast<size_t>(width) * HeightOf(s.pixelBox));
      for (int y = s.pixelBox.top; y < s.pixelBox.bottom; ++y) {
        const int sy = y + s.offset.y;
        if (sy < 0 || sy >= surface->Height()) continue;
        const BYTE* row = surface->Row(sy);
        uint32_t* out = s.pixels.data() + static_cast<size_t>(y - s.pixelBox.top) * width;
        for (int x = s.pixelBox.left; x < s.pixelBox.right; ++x) {
          const int sx = x + s.offset.x;
          if (sx < 0 || sx >= surface->Width()) continue;
          const BYTE* p = row + sx * 4;
          out[x - s.pixelBox.left] = p[0] | (p[1] << 8) | (p[2] << 16);
        }
      }
    }
    result.push_back(std::move(s));
  }
  return result;
}

// ---- the X side -----------------------------------------------------------------

::Display* Display::XDisplay(SDL_Window* window) const {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
  return info.info.x11.display;
}

void Display::Sync() {
  const uint64_t asked = flushesAsked_.load();
  syncRequested_ = false;
  const HWND foreground = GetForegroundWindow();
  const std::vector<Shown> shown = ReadPlatform();
  std::vector<HWND> gone;
  for (auto& [id, mirror] : mirrors_) {
    const bool stays = std::any_of(shown.begin(), shown.end(), [&](const Shown& s) { return HandleId(s.hwnd) == id; });
    if (!stays) gone.push_back(HandleFromId<HWND>(id));
  }
  for (HWND hwnd : gone) Destroy(hwnd);
  for (const Shown& s : shown) Place(s);
  Restack(shown);
  FollowActivation(foreground);
  if (::Display* display = XDisplay(anchor_)) {
    // What the changes uncovered is drawn again before the display counts
    // as caught up.
    XSync(display, False);
    SDL_Event event;
    while (SDL_PollEvent(&event)) Handle(event);
    XSync(display, False);
  }
  // Setting the event wakes every platform wait, this thread's included:
  // only a Flush waiting for this sync is worth it.
  if (asked > flushesDone_) {
    flushesDone_ = asked;
    SetEvent(flushed_);
  }
}

// A window the platform activates takes the X focus, so that the keys a
// person types go where the program expects them; a click on an X window
// comes back the other way as its activation.
void Display::FollowActivation(HWND foreground) {
  if (foreground == foreground_) return;
  auto it = mirrors_.find(HandleId(foreground));
  if (it == mirrors_.end()) return;  // not shown yet: taken up once it is
  foreground_ = foreground;
  SDL_SetWindowInputFocus(it->second.window);
}

void Display::Create(const Shown& s) {
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (!s.decorated) flags |= SDL_WINDOW_BORDERLESS;
  if (s.topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  // A menu is left alone by the window manager (override-redirect).
  if (s.popupMenu)
    flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR;
  else if (s.toolWindow)
    flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_UTILITY;
  Mirror mirror;
  mirror.title = s.title;
  mirror.area = s.area;
  mirror.offset = s.offset;
  mirror.frameExtra = s.frameExtra;
  mirror.topmost = s.topmost;
  mirror.shape = s.shape;
  mirror.window = SDL_CreateWindow(AnsiToUtf8(s.title).c_str(), s.area.left * scale_, s.area.top * scale_,
                                   WidthOf(s.area) * scale_, HeightOf(s.area) * scale_, flags);
  if (!mirror.window) {
    std::fprintf(stderr, "live: no X window for a platform window: %s\n", SDL_GetError());
    return;
  }
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(mirror.window, &info)) mirror.xwindow = info.info.x11.window;
  ApplyShape(mirror);
  {
    std::lock_guard lock(xwindowsLock_);
    xwindows_[HandleId(s.hwnd)] = mirror.xwindow;
  }
  Mirror& placed = mirrors_[HandleId(s.hwnd)] = std::move(mirror);
  // Pixels drawn into an unmapped window are lost: map first.
  SDL_ShowWindow(placed.window);
  Upload(s, placed);
}

void Display::Place(const Shown& s) {
  auto it = mirrors_.find(HandleId(s.hwnd));
  if (it == mirrors_.end()) {
    Create(s);
    return;
  }
  Mirror& m = it->second;
  if (m.area.left != s.area.left || m.area.top != s.area.top) {
    const POINT position{s.area.left * scale_, s.area.top * scale_};
    m.requestedMoves.push_back(position);
    SDL_SetWindowPosition(m.window, position.x, position.y);
  }
  if (WidthOf(m.area) != WidthOf(s.area) || HeightOf(m.area) != HeightOf(s.area)) {
    const SIZE size{WidthOf(s.area) * scale_, HeightOf(s.area) * scale_};
    m.requestedSizes.push_back(size);
    SDL_SetWindowSize(m.window, size.cx, size.cy);
  }
  m.area = s.area;
  m.offset = s.offset;
  m.frameExtra = s.frameExtra;
  if (m.title != s.title) {
    m.title = s.title;
    SDL_SetWindowTitle(m.window, AnsiToUtf8(s.title).c_str());
  }
  if (m.topmost != s.topmost) {
    m.topmost = s.topmost;
    SDL_SetWindowAlwaysOnTop(m.window, s.topmost ? SDL_TRUE : SDL_FALSE);
  }
  if (m.shape.has_value() != s.shape.has_value() ||
      (s.shape && !std::equal(s.shape->begin(), s.shape->end(), m.shape->begin(), m.shape->end(), SameRect))) {
    m.shape = s.shape;
    ApplyShape(m);
  }
  Upload(s, m);
}

void Display::ApplyShape(const Mirror& m) {
  ::Display* display = XDisplay(m.window);
  if (!display || !m.xwindow) return;
  if (!m.shape) {
    XShapeCombineMask(display, m.xwindow, ShapeBounding, 0, 0, None, ShapeSet);
    return;
  }
  std::vector<XRectangle> rects;
  rects.reserve(m.shape->size());
  for (const RECT& r : *m.shape)
    rects.push_back(XRectangle{static_cast<short>(r.left * scale_), static_cast<short>(r.top * scale_),
                               static_cast<unsigned short>(WidthOf(r) * scale_),
                               static_cast<unsigned short>(HeightOf(r) * scale_)});
  XShapeCombineRectangles(display, m.xwindow, ShapeBounding, 0, 0, rects.data(), static_cast<int>(rects.size()),
                          ShapeSet, YXBanded);
}

void Display::Upload(const Shown& s, Mirror& m) {
  if (s.painted.empty()) return;
  SDL_Surface* surface = SDL_GetWindowSurface(m.window);
  if (!surface) return;
  const bool direct = surface->format->BytesPerPixel == 4 && surface->format->Rmask == 0xFF0000 &&
                      surface->format->Gmask == 0xFF00 && surface->format->Bmask == 0xFF;
  if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
  const int boxWidth = WidthOf(s.pixelBox);
  std::vector<SDL_Rect> updated;
  for (const RECT& r : s.painted) {
    for (int y = r.top; y < r.bottom; ++y) {
      const uint32_t* in = s.pixels.data() + static_cast<size_t>(y - s.pixelBox.top) * boxWidth - s.pixelBox.left;
      for (int dy = 0; dy < scale_; ++dy) {
        const int row = y * scale_ + dy;
        if (row >= surface->h) break;
        auto* out = reinterpret_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(row) * surface->pitch;
        for (int x = r.left; x < r.right; ++x) {
          const uint32_t value = in[x];
          const uint32_t pixel =
              direct ? value : SDL_MapRGB(surface->format, (value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
          for (int dx = 0; dx < scale_; ++dx) {
            const int column = x * scale_ + dx;
            if (column >= surface->w) break;
            std::memcpy(out + static_cast<size_t>(column) * surface->format->BytesPerPixel, &pixel,
                        surface->format->BytesPerPixel);
          }
        }
      }
    }
    updated.push_back(SDL_Rect{r.left * scale_, r.top * scale_, WidthOf(r) * scale_, HeightOf(r) * scale_});
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  SDL_UpdateWindowSurfaceRects(m.window, updated.data(), static_cast<int>(updated.size()));
}

// The X windows are raised from the bottom of the platform's order to its
// top, so that they end up stacked as the platform stacks them.
void Display::Restack(const std::vector<Shown>& shown) {
  std::vector<HWND> order;
  for (const Shown& s : shown)
    if (mirrors_.count(HandleId(s.hwnd))) order.push_back(s.hwnd);
  if (order == stacking_) return;
  stacking_ = order;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const Mirror& m = mirrors_[HandleId(*it)];
    if (::Display* display = XDisplay(m.window)) XRaiseWindow(display, m.xwindow);
  }
}

void Display::Destroy(HWND hwnd) {
  auto it = mirrors_.find(HandleId(hwnd));
  if (it == mirrors_.end()) return;
  SDL_DestroyWindow(it->second.window);
  mirrors_.erase(it);
  std::lock_guard lock(xwindowsLock_);
  xwindows_.erase(HandleId(hwnd));
}

unsigned long Display::XWindowOf(HWND hwnd) {
  std::lock_guard lock(xwindowsLock_);
  auto it = xwindows_.find(HandleId(hwnd));
  return it == xwindows_.end() ? 0 : it->second;
}

// ---- a person's input -----------------------------------------------------------

HWND Display::WindowOfEvent(Uint32 windowId) const {
  SDL_Window* window = SDL_GetWindowFromID(windowId);
  for (const auto& [id, mirror] : mirrors_)
    if (window && mirror.window == window) return HandleFromId<HWND>(id);
  return nullptr;
}

// The pointer's place on the display, not the event's: a window that the
// platform moves under the pointer (a drag) makes window-relative places stale.
// (SDL's global mouse state may lag behind the server: ask the server.)
POINT Display::PointerOnPlatform() const {
  ::Display* display = XDisplay(anchor_);
  ::Window root = 0;
  ::Window child = 0;
  int x = 0;
  int y = 0;
  int windowX = 0;
  int windowY = 0;
  unsigned int buttons = 0;
  if (display) XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &windowX, &windowY, &buttons);
  return POINT{x / scale_, y / scale_};
}

void MoveMouseTo(POINT point) {
  POINT now{};
  GetCursorPos(&now);
  if (now.x != point.x || now.y != point.y) win::test::MoveMouse(point);
}

// The display's cursor shows the platform's (set in answer to WM_SETCURSOR).
void Display::ShowPlatformCursor() {
  struct Shape {
    LPCSTR id;
    SDL_SystemCursor cursor;
  };
  static const Shape kShapes[] = {
      {IDC_ARROW, SDL_SYSTEM_CURSOR_ARROW},       {IDC_IBEAM, SDL_SYSTEM_CURSOR_IBEAM},
      {IDC_WAIT, SDL_SYSTEM_CURSOR_WAIT},         {IDC_CROSS, SDL_SYSTEM_CURSOR_CROSSHAIR},
      {IDC_SIZEALL, SDL_SYSTEM_CURSOR_SIZEALL},   {IDC_HAND, SDL_SYSTEM_CURSOR_HAND},
      {IDC_SIZENWSE, SDL_SYSTEM_CURSOR_SIZENWSE}, {IDC_SIZENESW, SDL_SYSTEM_CURSOR_SIZENESW},
      {IDC_SIZEWE, SDL_SYSTEM_CURSOR_SIZEWE},     {IDC_SIZENS, SDL_SYSTEM_CURSOR_SIZENS},
      {IDC_NO, SDL_SYSTEM_CURSOR_NO},             {IDC_APPSTARTING, SDL_SYSTEM_CURSOR_WAITARROW},
  };
  const HCURSOR shown = GetCursor();
  SDL_SystemCursor wanted = SDL_SYSTEM_CURSOR_ARROW;
  for (const Shape& shape : kShapes)
    if (LoadCursorA(nullptr, shape.id) == shown) wanted = shape.cursor;
  if (wanted == cursorShape_) return;
  cursorShape_ = wanted;
  if (!cursors_[wanted]) cursors_[wanted] = SDL_CreateSystemCursor(wanted);
  if (cursors_[wanted]) SDL_SetCursor(cursors_[wanted]);
}

void Display::HandleButton(const SDL_MouseButtonEvent& event) {
  win::test::MouseButton button;
  switch (event.button) {
    case SDL_BUTTON_LEFT:
      button = win::test::MouseButton::Left;
      break;
    case SDL_BUTTON_RIGHT:
      button = win::test::MouseButton::Right;
      break;
    case SDL_BUTTON_MIDDLE:
      button = win::test::MouseButton::Middle;
      break;
    default:
      return;
  }
  MoveMouseTo(PointerOnPlatform());
  if (event.state == SDL_PRESSED)
    win::test::PressMouse(button);
  else
    win::test::ReleaseMouse(button);
}

void Display::HandleMovedByDesktop(HWND hwnd, Mirror& m, POINT position) {
  auto ours = std::find_if(m.requestedMoves.begin(), m.requestedMoves.end(),
                           [&](POINT p) { return p.x == position.x && p.y == position.y; });
  if (ours != m.requestedMoves.end()) {
    m.requestedMoves.erase(m.requestedMoves.begin(), ours + 1);
    return;
  }
  m.requestedMoves.clear();
  const POINT platform{position.x / scale_, position.y / scale_};
  if (platform.x == m.area.left && platform.y == m.area.top) return;
  m.area = RECT{platform.x, platform.y, platform.x + WidthOf(m.area), platform.y + HeightOf(m.area)};
  // The X window of a captioned window shows its client area: the platform
  // window lies that far further up and left.
  SetWindowPos(hwnd, nullptr, platform.x - m.offset.x, platform.y - m.offset.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Display::HandleResizedByDesktop(HWND hwnd, Mirror& m, SIZE size) {
  auto ours = std::find_if(m.requestedSizes.begin(), m.requestedSizes.end(),
                           [&](SIZE s) { return s.cx == size.cx && s.cy == size.cy; });
  if (ours != m.requestedSizes.end()) {
    m.requestedSizes.erase(m.requestedSizes.begin(), ours + 1);
    return;
  }
  m.requestedSizes.clear();
  const SIZE platform{std::max(1, size.cx / scale_), std::max(1, size.cy / scale_)};
  if (platform.cx == WidthOf(m.area) && platform.cy == HeightOf(m.area)) return;
  SetWindowPos(hwnd, nullptr, 0, 0, platform.cx + m.frameExtra.cx, platform.cy + m.frameExtra.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Display::DeliverDrop(Mirror& m) {
  std::vector<std::string> paths;
  for (const std::string& host : m.droppedFiles) {
    std::string windows = detail::ToWindowsPath(host);
    if (!windows.empty()) paths.push_back(std::move(windows));
  }
  m.droppedFiles.clear();
  if (paths.empty()) return;
  std::vector<const char*> names;
  for (const std::string& path : paths) names.push_back(path.c_str());
  // The drop lands where the pointer is when it lies on the window, else
  // in the middle of the window.
  POINT at = PointerOnPlatform();
  const RECT& a = m.area;
  if (at.x < a.left || at.x >= a.right || at.y < a.top || at.y >= a.bottom)
    at = POINT{(a.left + a.right) / 2, (a.top + a.bottom) / 2};
  win::test::DropFiles(at, names.data(), static_cast<int>(names.size()));
}

void Display::HandleWindowEvent(const SDL_WindowEvent& event) {
  const HWND hwnd = WindowOfEvent(event.windowID);
  if (!hwnd) return;
  Mirror& m = mirrors_[HandleId(hwnd)];
  switch (event.event) {
    case SDL_WINDOWEVENT_MOVED:
      HandleMovedByDesktop(hwnd, m, POINT{event.data1, event.data2});
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      HandleResizedByDesktop(hwnd, m, SIZE{event.data1, event.data2});
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      if (m.focusFromShowing) {
        m.focusFromShowing = false;
        break;
      }
      if (GetForegroundWindow() != hwnd && !(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE))
        SetForegroundWindow(hwnd);
      break;
    case SDL_WINDOWEVENT_CLOSE:
      PostMessageA(hwnd, WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      SDL_UpdateWindowSurface(m.window);
      break;
    default:
      break;
  }
}

void Display::Handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_MOUSEMOTION:
      // Only the last of a run of moves matters.
      if (!SDL_HasEvent(SDL_MOUSEMOTION)) {
        MoveMouseTo(PointerOnPlatform());
        ShowPlatformCursor();
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      HandleButton(event.button);
      ShowPlatformCursor();
      break;
    case SDL_MOUSEWHEEL:
      if (event.wheel.y != 0)
        win::test::TurnWheel(event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (const int vk = VirtualKeyOf(event.key.keysym.scancode)) {
        if (event.type == SDL_KEYDOWN)
          win::test::PressKey(vk);
        else
          win::test::ReleaseKey(vk);
      }
      break;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event.window);
      break;
    case SDL_DROPBEGIN:
      if (HWND hwnd = WindowOfEvent(event.drop.windowID)) mirrors_[HandleId(hwnd)].droppedFiles.clear();
      break;
    case SDL_DROPFILE:
      if (HWND hwnd = WindowOfEvent(event.drop.windowID)) mirrors_[HandleId(hwnd)].droppedFiles.push_back(event.drop.file);
      SDL_free(event.drop.file);
      break;
    case SDL_DROPCOMPLETE:
      if (HWND hwnd = WindowOfEvent(event.drop.windowID)) DeliverDrop(mirrors_[HandleId(hwnd)]);
      break;
    default:
      if (event.type != eventType_) break;
      switch (static_cast<Request>(event.user.code)) {
        case Request::Wake:
          break;
        case Request::Bell:
          if (::Display* display = XDisplay(anchor_)) {
            XBell(display, 0);
            XFlush(display);
          }
          break;
        case Request::Quit:
          quit_ = true;
          break;
      }
  }
}

// ---- the thread -----------------------------------------------------------------

void Display::Post(Request request) {
  SDL_Event event{};
  event.type = eventType_;
  event.user.code = static_cast<Sint32>(request);
  SDL_PushEvent(&event);
}

// An X error of a request about a window that has just gone (the desktop
// closed it, or its platform window went away meanwhile) is no reason to
// end the program, which is what Xlib's default handler does.
int ReportXError(::Display* display, XErrorEvent* error) {
  char text[256] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "live: X error: %s (request %d, resource 0x%lx)\n", text, error->request_code,
               error->resourceid);
  return 0;
}

void Display::Run(std::promise<std::optional<SIZE>>& ready, std::string& error) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // Pixels go straight to the X server (shared memory where it can): a GL
  // renderer behind the window surface would re-create each X window.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_DisplayMode mode{};
  if (SDL_Init(SDL_INIT_VIDEO) != 0 || SDL_GetDesktopDisplayMode(0, &mode) != 0) {
    error = std::string("the X display cannot be used: ") + SDL_GetError();
    SDL_Quit();
    ready.set_value(std::nullopt);
    return;
  }
  XSetErrorHandler(ReportXError);
  eventType_ = SDL_RegisterEvents(1);
  // Windows made from now on take files dropped from a file manager.
  SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
  anchor_ = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
  ready.set_value(SIZE{mode.w / scale_, mode.h / scale_});
  while (!quit_) {
    if (syncRequested_) {
      Sync();
      continue;
    }
    SDL_Event event;
    if (!SDL_WaitEvent(&event)) break;
    Handle(event);
    while (!quit_ && SDL_PollEvent(&event)) Handle(event);
  }
  while (!mirrors_.empty()) Destroy(HandleFromId<HWND>(mirrors_.begin()->first));
  for (SDL_Cursor* cursor : cursors_)
    if (cursor) SDL_FreeCursor(cursor);
  if (anchor_) SDL_DestroyWindow(anchor_);
  SDL_Quit();
  SetEvent(ended_);
}

// Waits for `event` while serving the messages sent to the calling thread:
// the display thread may be sending one (input it passes on) and waits for it.
void WaitServingSentMessages(HANDLE event, const std::function<bool()>& done) {
  while (!done()) {
    MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_SENDMESSAGE);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  }
}

void Display::Quit() {
  Post(Request::Quit);
  WaitServingSentMessages(ended_, [this] { return WaitForSingleObject(ended_, 0) == WAIT_OBJECT_0; });
}

void Display::Flush() {
  const uint64_t wanted = ++flushesAsked_;
  syncRequested_ = true;
  Post(Request::Wake);
  WaitServingSentMessages(flushed_, [&] { return flushesDone_ >= wanted; });
}

// ---- the one display of the process --------------------------------------------

struct Running {
  std::unique_ptr<Display> display;
  std::thread thread;
  std::shared_ptr<Presenter> replacedPresenter;
};

std::mutex& StartLock() {
  static auto* m = new std::mutex;
  return *m;
}
Running* running = nullptr;  // guarded by StartLock
std::atomic<Display*> current{nullptr};

void WakeDisplay() {
  if (Display* display = current.load()) display->RequestSync();
}

}  // namespace

bool Start(const Options& options, std::string* error) {
  std::lock_guard lock(StartLock());
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (running) return fail("the live desktop runs already");
  if (options.scale < 1 || options.scale > 8) return fail("the scale must be a whole number from 1 to 8");
  auto state = std::make_unique<Running>();
  state->display = std::make_unique<Display>(options.scale);
  std::promise<std::optional<SIZE>> ready;
  std::future<std::optional<SIZE>> size = ready.get_future();
  std::string why;
  state->thread = std::thread([&, display = state->display.get()] { display->Run(ready, why); });
  const std::optional<SIZE> screen = size.get();
  if (!screen) {
    state->thread.join();
    return fail(why);
  }
  win::test::SetScreenSize(screen->cx, screen->cy);
  state->replacedPresenter = SetPresenter(std::make_shared<LivePresenter>());
  detail::TrackPaintedAreas(true);
  detail::SetPopupMenuRunner(detail::RunPopupMenuWindow);
  current = state->display.get();
  detail::SetWakeListener(WakeDisplay);
  running = state.release();
  running->display->RequestSync();
  return true;
}

void Stop() {
  std::lock_guard lock(StartLock());
  if (!running) return;
  detail::SetWakeListener(nullptr);
  current = nullptr;
  detail::TrackPaintedAreas(false);
  detail::SetPopupMenuRunner(nullptr);
  SetPresenter(running->replacedPresenter);
  running->display->Quit();
  running->thread.join();
  delete running;
  running = nullptr;
}

bool IsRunning() {
  std::lock_guard lock(StartLock());
  return running != nullptr;
}

void StartIfAskedByEnvironment() {
  static std::atomic<bool> tried{false};  // a failure is reported once, not at every window
  const char* live = std::getenv("LOZG_LIVE");
  if (!live || std::string(live) != "1" || IsRunning() || tried.exchange(true)) return;
  Options options;
  if (const char* scale = std::getenv("LOZG_SCALE")) options.scale = std::atoi(scale);
  std::string error;
  if (!Start(options, &error)) std::fprintf(stderr, "live: %s\n", error.c_str());
}

bool Bell() {
  std::lock_guard lock(StartLock());
  if (!running) return false;
  running->display->Post(Request::Bell);
  return true;
}

namespace test {

unsigned long XWindowOf(HWND hwnd) {
  std::lock_guard lock(StartLock());
  return running ? running->display->XWindowOf(hwnd) : 0;
}

void Flush() {
  Display* display = nullptr;
  {
    std::lock_guard lock(StartLock());
    if (!running) return;
    display = running->display.get();
  }
  display->Flush();
}

}  // namespace test
}  // namespace win::live

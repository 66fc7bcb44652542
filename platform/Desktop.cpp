#include "platform/Desktop.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Bitmaps.h"
#include "platform/Errors.h"
#include "platform/Gdi.h"
#include "platform/Painting.h"
#include "platform/Regions.h"
#include "platform/Screen.h"
#include "platform/Snapshot.h"
#include "platform/Sync.h"
#include "platform/SysColors.h"
#include "platform/Wait.h"
#include "platform/Window.h"

namespace win::test {

namespace {

using detail::Region;
using detail::Surface;

// A 32-bit top-down DIB section and the surface behind it.
HBITMAP NewPicture(int width, int height, std::shared_ptr<Surface>& surface) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  surface = detail::HandleTable::Get<detail::BitmapObject>(bitmap)->surface;
  return bitmap;
}

// Copies the pixels of `from` inside `area` (coordinates of `to`) onto `to`;
// `from` has its top-left corner at `origin` of `to`.
void CopyArea(const Surface& from, POINT origin, Surface& to, const Region& area) {
  for (const RECT& r : area.Rects()) {
    const int left = std::max({r.left, origin.x, 0});
    const int right = std::min({r.right, origin.x + from.Width(), to.Width()});
    const int top = std::max({r.top, origin.y, 0});
    const int bottom = std::min({r.bottom, origin.y + from.Height(), to.Height()});
    if (left >= right) continue;
    for (int y = top; y < bottom; ++y)
      std::copy_n(from.Row(y - origin.y) + (left - origin.x) * 4, (right - left) * 4, to.Row(y) + left * 4);
  }
}

void Fill(Surface& surface, COLORREF color) {
  const uint32_t value = surface.FromColor(color);
  for (int y = 0; y < surface.Height(); ++y)
    for (int x = 0; x < surface.Width(); ++x) surface.Set(x, y, value);
}

// With KernelMutex held: lays one top-level window onto the screen picture,
// where its shape lets it show.
void LayWindowLocked(HWND hwnd, Surface& screen) {
  detail::Window* w = detail::LiveWindowLocked(hwnd);
  if (!w || !detail::IsShownLocked(w)) return;
  std::shared_ptr<Surface> surface = detail::TopLevelSurfaceLocked(hwnd);
  if (!surface) return;
  const POINT origin{w->windowRect.left, w->windowRect.top};
  Region area(w->windowRect);
  if (const Region* shape = detail::WindowShapeLocked(hwnd)) {
    Region onScreen = *shape;
    onScreen.Offset(origin.x, origin.y);
    area.Intersect(onScreen);
  }
  CopyArea(*surface, origin, screen, area);
}

bool SavePicture(HBITMAP picture, const std::string& path) {
  if (!picture) return false;
  const bool saved = SaveBitmapPng(picture, path);
  DeleteObject(picture);
  return saved;
}

BOOL UpdateEach(HWND hwnd, LPARAM) {
  UpdateWindow(hwnd);
  return TRUE;
}

}  // namespace

HBITMAP SnapshotDesktop() {
  const SIZE size = detail::ScreenSize();
  const COLORREF background = GetSysColor(COLOR_DESKTOP);
  std::shared_ptr<Surface> screen;
  HBITMAP picture = NewPicture(size.cx, size.cy, screen);
  if (!picture) return nullptr;
  Fill(*screen, background);
  std::lock_guard lock(detail::KernelMutex());
  std::vector<HWND> windows = detail::TopLevelWindowsLocked();  // the topmost first
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) LayWindowLocked(*it, *screen);
  return picture;
}

HBITMAP SnapshotWindow(HWND hwnd) {
  RECT rect{};
  {
    std::lock_guard lock(detail::KernelMutex());
    detail::Window* w = detail::LiveWindowLocked(hwnd);
    if (!w || w == detail::DesktopLocked() || !w->parent) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    rect = w->windowRect;
  }
  const HWND root = GetAncestor(hwnd, GA_ROOT);
  std::shared_ptr<Surface> picture;
  HBITMAP bitmap = NewPicture(rect.right - rect.left, rect.bottom - rect.top, picture);
  if (!bitmap) return nullptr;
  std::lock_guard lock(detail::KernelMutex());
  detail::Window* top = detail::LiveWindowLocked(root);
  std::shared_ptr<Surface> surface = top ? detail::TopLevelSurfaceLocked(root) : nullptr;
  if (surface) {
    const POINT origin{top->windowRect.left - rect.left, top->windowRect.top - rect.top};
    CopyArea(*surface, origin, *picture, Region(RECT{0, 0, picture->Width(), picture->Height()}));
  }
  return bitmap;
}

bool SaveDesktopPng(const std::string& path) { return SavePicture(SnapshotDesktop(), path); }

bool SaveWindowPng(HWND hwnd, const std::string& path) { return SavePicture(SnapshotWindow(hwnd), path); }

void PaintPending() { EnumThreadWindows(GetCurrentThreadId(), UpdateEach, 0); }

}  // namespace win::test

// Painting: each window's update region (client coordinates) and erase
// flag, WM_PAINT and WM_ERASEBKGND, the window and screen DCs, window
// regions, and the surfaces the windows draw on. Every visible top-level
// window owns a 32-bit surface of its window size; its children draw into
// it through view DCs clipped to what each of them may show.
#pragma once

#include <memory>

#include "platform/Regions.h"
#include "platform/Surface.h"
#include "platform/Types.h"
#include "platform/Window.h"

namespace win {

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;  // the background still needs erasing (WM_ERASEBKGND answered 0)
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;

constexpr DWORD DCX_WINDOW = 0x00000001;
constexpr DWORD DCX_CACHE = 0x00000002;
constexpr DWORD DCX_CLIPCHILDREN = 0x00000008;
constexpr DWORD DCX_CLIPSIBLINGS = 0x00000010;
constexpr DWORD DCX_PARENTCLIP = 0x00000020;
constexpr DWORD DCX_EXCLUDERGN = 0x00000040;
constexpr DWORD DCX_INTERSECTRGN = 0x00000080;

// Null or the desktop window stands for the screen: every top-level window
// under the rectangle (screen coordinates) is invalidated there.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL ValidateRgn(HWND hwnd, HRGN region);
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);
BOOL UpdateWindow(HWND hwnd);

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
// GetDC(null) draws on the screen's own surface.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
// DCX_WINDOW and DCX_INTERSECTRGN / DCX_EXCLUDERGN (with a region in the
// DC's device coordinates, copied: the caller keeps it); other flags are
// what the window's styles already give.
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
int ReleaseDC(HWND hwnd, HDC dc);

// Takes the region (window coordinates) on success and deletes it later; on
// failure the caller still owns it. A null region removes the shape.
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
// Copies the window's shape into `region`; ERROR when it has none.
int GetWindowRgn(HWND hwnd, HRGN region);

namespace detail {

// With KernelMutex held: whether the window and all its ancestors are visible.
bool IsShownLocked(const Window* w);
// With KernelMutex held: the window's shape in window coordinates, or null.
const Region* WindowShapeLocked(HWND hwnd);
// With KernelMutex held: the surface of a visible top-level window (made or
// resized on demand), null for any other window.
std::shared_ptr<Surface> TopLevelSurfaceLocked(HWND hwnd);
// The class background painting of DefWindowProc's WM_ERASEBKGND.
LRESULT EraseWithClassBackground(HWND hwnd, HDC dc);
// DefWindowProc's WM_PAINT: validates.
void ValidateByPainting(HWND hwnd);
// What was drawn on a top-level window's surface since the last call, in
// window coordinates, as far as the DCs that drew could reach; recorded
// only while tracking is on (the live display turns it on and takes it).
void TrackPaintedAreas(bool on);
// With KernelMutex held.
Region TakePaintedAreaLocked(HWND topLevel);
// Called by SetWindowPos after a window moved, changed size or visibility:
// what the window uncovered and what it now shows are repainted.
void NoteWindowPlaced(HWND hwnd, const RECT& oldWindowRect, bool wasVisible);

}  // namespace detail
}  // namespace win

// The standard scroll bars of a window (WS_HSCROLL, WS_VSCROLL): their range
// and position, their drawing in the non-client area, and the scroll
// messages that a press on their arrows, track or thumb sends the window.
//
// Each bar lies along the client area, inside the window's border and
// edges: the vertical one on the right, the horizontal one at the bottom,
// with a square between them when both are on. A bar is an arrow button at
// each end and the track between them, on which the thumb stands for the
// position in the range (0 to 100 until a range is set). With a page (the
// part of the range the window shows at once) the thumb is as long as the
// page is in the range, and the position runs to max - page + 1.
#pragma once

#include "platform/Types.h"

namespace win {

constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;

// The bars of a window.
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;

// The codes in the low word of WM_HSCROLL and WM_VSCROLL; with
// SB_THUMBTRACK and SB_THUMBPOSITION the high word carries the position.
constexpr int SB_LINEUP = 0;
constexpr int SB_LINELEFT = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_LINERIGHT = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGELEFT = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_PAGERIGHT = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_LEFT = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_RIGHT = 7;
constexpr int SB_ENDSCROLL = 8;

// The previous position; 0 with ERROR_INVALID_PARAMETER for a window without
// that bar. The position is held inside the range.
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
// ERROR_INVALID_PARAMETER for a window without that bar or a range whose
// max lies below its min. A range with min equal to max shows the bar
// disabled. The scroll messages carry a thumb position in 16 bits.
BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max);

// Which members of SCROLLINFO a call sets or reads.
constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
  UINT cbSize;
  UINT fMask;
  int nMin;
  int nMax;
  UINT nPage;
  int nPos;
  int nTrackPos;  // where the thumb is being dragged; the position otherwise
};
using LPSCROLLINFO = SCROLLINFO*;
using LPCSCROLLINFO = const SCROLLINFO*;

// Sets the range, page and position that fMask names (the page held inside
// the range, the position inside what the page leaves) and returns the
// position. A new range or page shows the bar when there is something to
// scroll and hides it when there is not, unless SIF_DISABLENOSCROLL keeps it
// shown, disabled. Works on a window without the bar: that is how it gets
// one. The bar is drawn again only when something of it changed. 0 with
// ERROR_INVALID_PARAMETER for a bad cbSize or a max below min.
int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw);
// Reads what fMask names, whether the bar shows or not.
BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info);
// Adds the bar to the window or takes it away; the client area gives it
// the room or takes the room back (WM_SIZE) and the window is redrawn.
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);

namespace detail {

// The parts of a bar, in window coordinates.
struct ScrollBarLayout {
  RECT bar{};         // the whole bar
  RECT lineUp{};      // the left or top arrow
  RECT lineDown{};    // the right or bottom arrow
  RECT thumb{};       // empty when the bar is disabled or too short for one
};

// The layout of a window's bar; false when the window has no such bar.
bool LayoutScrollBar(HWND hwnd, int bar, ScrollBarLayout& layout);
// DefWindowProc's WM_NCHITTEST for the bars (screen point): HTHSCROLL,
// HTVSCROLL, or HTNOWHERE when the point is on neither. With KernelMutex held.
LRESULT ScrollBarHitLocked(HWND hwnd, POINT screenPoint);
// DefWindowProc's WM_NCPAINT, after the frame and caption: the border, the
// edges and the bars.
void PaintEdgesAndScrollBars(HWND hwnd);
// DefWindowProc's press on a bar (WM_NCLBUTTONDOWN with HTHSCROLL or
// HTVSCROLL): sends the scroll message of the part pressed and follows the
// mouse until the button goes up, as the system's own bars do.
void TrackScrollBar(HWND hwnd, int bar, POINT screenPoint);

}  // namespace detail
}  // namespace win

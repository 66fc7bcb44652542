// Filled and outlined shapes and lines: rectangles with a brush, frames,
// rectangles with pen and brush, and pen lines from the current position.
#pragma once

#include "platform/DeviceContext.h"

namespace win {

// `brush` may also be a system colour index plus one (COLOR_BTNFACE + 1).
// Fills are not affected by the ROP2 mode.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
// A one pixel wide frame along the inside of the rectangle; nothing for an
// empty rectangle.
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
// Outline with the pen on the rectangle's last pixels inside, interior with
// the brush, both mixed by the ROP2 mode. Without a pen the filled area is one
// pixel smaller to the right and below, as the platform draws it.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous);
BOOL GetCurrentPositionEx(HDC dc, LPPOINT position);
// Draws from the current position up to, not including, (x, y), which
// becomes the current position.
BOOL LineTo(HDC dc, int x, int y);
// Each segment leaves out its last pixel; the current position is unused.
BOOL Polyline(HDC dc, const POINT* points, int count);

}  // namespace win

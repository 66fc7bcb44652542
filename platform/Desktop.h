// The desktop as the screen shows it, composed for tests and scenarios: the
// desktop colour, then every visible top-level window from the bottom of the
// z-order to the top, each from its own surface and cut by its window region.
// A snapshot shows what the windows have painted so far; it paints nothing
// itself, so a caller that wants pending paints first calls PaintPending.
// Drawing on the screen DC (GetDC of null) is not part of the picture.
#pragma once

#include <string>

#include "platform/Types.h"

namespace win::test {

// A new 32-bit top-down DIB section of the screen size with the composed
// desktop; the caller deletes it. Null when the bitmap cannot be made.
HBITMAP SnapshotDesktop();
// A new 32-bit DIB section of the window's rect as its top-level surface holds
// it (a child's part of that surface; parts off the surface are black). Null
// with ERROR_INVALID_WINDOW_HANDLE for a stale window or the desktop.
HBITMAP SnapshotWindow(HWND hwnd);
// The same pictures as PNG files at the host path; false when the picture or
// the file cannot be made.
bool SaveDesktopPng(const std::string& path);
bool SaveWindowPng(HWND hwnd, const std::string& path);
// Serves the paints due for the calling thread's windows now (UpdateWindow
// on each of its top-level windows).
void PaintPending();

}  // namespace win::test

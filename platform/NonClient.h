// The non-client area of top-level windows as the platform draws it: the
// frame, the caption bar with the window's text (in the active or inactive
// caption colours) and the client edge, so that a picture of the screen
// shows a captioned window as a person expects it.
#pragma once

#include "platform/Types.h"

namespace win::detail {

// DefWindowProc's WM_NCPAINT: draws the frame of a top-level window with
// non-client insets on its surface; nothing for other windows.
void PaintNonClient(HWND hwnd);

}  // namespace win::detail

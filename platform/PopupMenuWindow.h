// A popup menu as a window of the screen that a person chooses on: the
// items drawn in the menu colours, the item under the pointer (or moved to
// with the arrow keys) highlighted, a click or Enter on an enabled command
// choosing it, a click elsewhere or Escape dismissing the menu. A submenu
// opens beside its item when the pointer rests on it (or with the right
// arrow key; the left one closes it).
#pragma once

#include <optional>

#include "platform/Types.h"

namespace win::detail {

// Runs the menu's own message loop on the calling thread (the owner's)
// until a choice or a dismissal; a WM_QUIT met meanwhile dismisses the menu
// and is posted again.
std::optional<UINT> RunPopupMenuWindow(HMENU menu, POINT at, HWND owner);

}  // namespace win::detail

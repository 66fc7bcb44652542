// The predefined window class "BUTTON": push buttons, default push buttons
// and owner-drawn buttons. A button presses on WM_LBUTTONDOWN (it takes the
// capture), shows itself released while the mouse is outside and pressed
// again when it comes back, and on a release inside sends WM_COMMAND with
// BN_CLICKED to its parent. An owner-drawn button paints by sending
// WM_DRAWITEM to its parent.
#pragma once

#include "platform/Messages.h"
#include "platform/Types.h"

namespace win {

// Button styles: the type in the low four bits.
constexpr DWORD BS_PUSHBUTTON = 0x00000000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x00000001;
constexpr DWORD BS_OWNERDRAW = 0x0000000B;
constexpr DWORD BS_TYPEMASK = 0x0000000F;

// Notification codes of WM_COMMAND (high word of wParam; the low word is the
// button's identifier, lParam its window).
constexpr WORD BN_CLICKED = 0;

// Button messages.
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;  // wParam: whether the button shows pressed
constexpr UINT BM_SETSTYLE = 0x00F4;  // wParam: the new BS_ type; lParam: whether to redraw
constexpr UINT BM_CLICK = 0x00F5;

// BM_GETSTATE bits.
constexpr LRESULT BST_UNCHECKED = 0x0000;
constexpr LRESULT BST_PUSHED = 0x0004;
constexpr LRESULT BST_FOCUS = 0x0008;

// The window procedure of the class; a control that subclasses the class
// hands it the messages it does not handle itself.
LRESULT ButtonWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace win

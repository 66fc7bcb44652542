// Input: the mouse and the keyboard as the window manager routes them.
// Mouse messages go to the window under the cursor found by hit-testing
// (WM_NCHITTEST; the holes of a window region are not hit, HTTRANSPARENT
// passes the point on to what lies below), or to the window that holds the
// capture. Key messages go to the window with the keyboard focus. Input is
// made by the injection API in namespace test and posted to the queue of the
// thread that owns the target window, as a real input device's would be.
#pragma once

#include "platform/Types.h"
#include "platform/Window.h"

namespace win {

// Hit-test codes (WM_NCHITTEST).
constexpr LRESULT HTERROR = -2;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr LRESULT HTSYSMENU = 3;
constexpr LRESULT HTHSCROLL = 6;
constexpr LRESULT HTVSCROLL = 7;
constexpr LRESULT HTMINBUTTON = 8;
constexpr LRESULT HTMAXBUTTON = 9;
constexpr LRESULT HTLEFT = 10;
constexpr LRESULT HTRIGHT = 11;
constexpr LRESULT HTTOP = 12;
constexpr LRESULT HTTOPLEFT = 13;
constexpr LRESULT HTTOPRIGHT = 14;
constexpr LRESULT HTBOTTOM = 15;
constexpr LRESULT HTBOTTOMLEFT = 16;
constexpr LRESULT HTBOTTOMRIGHT = 17;
constexpr LRESULT HTBORDER = 18;
constexpr LRESULT HTCLOSE = 20;

// Answers to WM_MOUSEACTIVATE: whether a press on an inactive window
// activates its top-level window, and whether the press is then dropped.
constexpr LRESULT MA_ACTIVATE = 1;
constexpr LRESULT MA_ACTIVATEANDEAT = 2;
constexpr LRESULT MA_NOACTIVATE = 3;
constexpr LRESULT MA_NOACTIVATEANDEAT = 4;

// One notch of the mouse wheel in WM_MOUSEWHEEL.
constexpr int WHEEL_DELTA = 120;

// The key state bits of a mouse message's wParam.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// Virtual key codes; letters and digits are their upper-case ASCII codes.
constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_CANCEL = 0x03;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;  // Alt
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;  // Caps Lock
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_SEPARATOR = 0x6C;
constexpr int VK_F1 = 0x70;  // VK_F1 + n is the key F(n + 1)
constexpr int VK_F10 = 0x79;
constexpr int VK_F12 = 0x7B;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
// The punctuation keys of the US layout: ;: =+ ,< -_ .> /? `~ [{ \| ]} '"
constexpr int VK_OEM_1 = 0xBA;
constexpr int VK_OEM_PLUS = 0xBB;
constexpr int VK_OEM_COMMA = 0xBC;
constexpr int VK_OEM_MINUS = 0xBD;
constexpr int VK_OEM_PERIOD = 0xBE;
constexpr int VK_OEM_2 = 0xBF;
constexpr int VK_OEM_3 = 0xC0;
constexpr int VK_OEM_4 = 0xDB;
constexpr int VK_OEM_5 = 0xDC;
constexpr int VK_OEM_6 = 0xDD;
constexpr int VK_OEM_7 = 0xDE;

// Capture: while a window holds it, every mouse message of its thread goes
// to it. Setting or releasing it sends WM_CAPTURECHANGED to the window that
// loses it.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

// Focus: the window that receives the key messages of its thread. Changing
// it sends WM_KILLFOCUS to the old window and WM_SETFOCUS to the new one.
HWND SetFocus(HWND hwnd);
HWND GetFocus();

// The key state as the messages read so far left it: the high bit is set
// while the key is down, the low bit toggles with every press.
SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);

UINT GetDoubleClickTime();  // milliseconds, 500 unless set
BOOL SetDoubleClickTime(UINT ms);

BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);
// The deepest visible, enabled window under the screen point that a mouse
// message would go to (asking WM_NCHITTEST, so that HTTRANSPARENT passes the
// point on); a disabled top-level window answers itself, as it swallows the
// click. Null over the bare desktop.
HWND WindowFromPoint(POINT point);
// The child (or the window itself) that contains the client point, hidden
// and disabled children included; null outside the window.
HWND ChildWindowFromPoint(HWND parent, POINT point);

// Cursors: the cursor shown while the mouse is over a window is set in
// answer to WM_SETCURSOR; the IDC_ resources are the platform's own.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
inline LPCSTR MAKEINTRESOURCEA(WORD id) { return reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(id)); }
inline const LPCSTR IDC_ARROW = MAKEINTRESOURCEA(32512);
inline const LPCSTR IDC_IBEAM = MAKEINTRESOURCEA(32513);
inline const LPCSTR IDC_WAIT = MAKEINTRESOURCEA(32514);
inline const LPCSTR IDC_CROSS = MAKEINTRESOURCEA(32515);
inline const LPCSTR IDC_SIZEALL = MAKEINTRESOURCEA(32646);
inline const LPCSTR IDC_HAND = MAKEINTRESOURCEA(32649);
inline const LPCSTR IDC_UPARROW = MAKEINTRESOURCEA(32516);
inline const LPCSTR IDC_SIZENWSE = MAKEINTRESOURCEA(32642);
inline const LPCSTR IDC_SIZENESW = MAKEINTRESOURCEA(32643);
inline const LPCSTR IDC_SIZEWE = MAKEINTRESOURCEA(32644);
inline const LPCSTR IDC_SIZENS = MAKEINTRESOURCEA(32645);
inline const LPCSTR IDC_NO = MAKEINTRESOURCEA(32648);
inline const LPCSTR IDC_APPSTARTING = MAKEINTRESOURCEA(32650);
inline const LPCSTR IDC_HELP = MAKEINTRESOURCEA(32651);

// Dropped files. A window with WS_EX_ACCEPTFILES receives WM_DROPFILES with
// an HDROP that it ends with DragFinish.
void DragAcceptFiles(HWND hwnd, BOOL accept);
// With index 0xFFFFFFFF: the number of files. Otherwise, without a buffer,
// the length of the file's name; with one, the name copied into it (at most
// size - 1 bytes, never half a double-byte character, always terminated; a
// size of 0 copies nothing) and the bytes copied. 0 for a stale or finished
// drop and for an index past the end.
UINT DragQueryFileA(HDROP drop, UINT index, LPSTR buffer, UINT size);
BOOL DragQueryPoint(HDROP drop, LPPOINT point);  // client coordinates of the drop target
void DragFinish(HDROP drop);

namespace detail {

// DefWindowProc's WM_NCHITTEST: the part of the window's rects under the
// screen point in lParam; HTNOWHERE outside the window or its region.
LRESULT DefaultHitTest(HWND hwnd, LPARAM lParam);
// DefWindowProc's WM_SETCURSOR: a child's parent decides first; then the
// class cursor over the client area, the arrow over the rest.
LRESULT DefaultSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam);
// DefWindowProc's WM_MOUSEACTIVATE: a child's parent decides first, else MA_ACTIVATE.
LRESULT DefaultMouseActivate(HWND hwnd, WPARAM wParam, LPARAM lParam);
// DefWindowProc's WM_RBUTTONUP: asks the window for its context menu
// (WM_CONTEXTMENU with the point on the screen).
void DefaultRightButtonUp(HWND hwnd, LPARAM lParam);
// DefWindowProc's WM_CONTEXTMENU: a child hands the request to its parent.
void DefaultContextMenu(HWND hwnd, WPARAM wParam, LPARAM lParam);
// DefWindowProc's WM_ACTIVATE: a window becoming active takes the focus
// unless it already holds it in one of its children.
void FocusOnActivation(HWND hwnd, WPARAM wParam);
// Called by the window manager, without KernelMutex, after a window was
// hidden or disabled: the focus leaves it and its descendants.
void NoteWindowHidden(HWND hwnd);
void NoteWindowDisabled(HWND hwnd);
// Called by the message loop for every message a thread removes from its
// queue: key and mouse button messages update the thread's key state.
void NoteInputRead(const MSG& msg);
// TranslateMessage: posts the WM_CHAR (WM_SYSCHAR) of a key press that
// gives a character; false for any other message.
bool PostCharacterOfKey(const MSG& msg);
// With KernelMutex held: the keys as the devices hold them now (the mouse
// buttons by VK_LBUTTON, VK_RBUTTON, VK_MBUTTON); pressing toggles.
bool AsyncKeyDownLocked(int virtualKey);
void SetAsyncKeyLocked(int virtualKey, bool down);
// With KernelMutex held: where the cursor is, in screen coordinates.
POINT CursorPosLocked();
// With KernelMutex held: the window that key messages go to now (the focus
// of the keyboard's thread, else its active window); null for none.
Window* KeyboardTargetLocked();

}  // namespace detail

namespace test {

enum class MouseButton { Left, Right, Middle };

// Each call moves the input devices as a person would and posts what the
// window manager makes of it; a test then runs the target thread's message
// loop (or the call's window procedure sees it at once for sent messages).
// Points are screen coordinates. Two presses of a button within the
// double-click time (GetDoubleClickTime, on the platform clock) and the
// double-click rectangle become a double click for a window whose class
// has CS_DBLCLKS. The hit test and WM_SETCURSOR are sent, so a window of
// another thread must be running its message loop meanwhile. A press on an
// inactive window activates it (WM_MOUSEACTIVATE).
void MoveMouse(POINT screen);
void PressMouse(MouseButton button);
void ReleaseMouse(MouseButton button);
void Click(POINT screen, MouseButton button = MouseButton::Left);  // move, press, release
// The wheel turns by notches (positive away from the person): WM_MOUSEWHEEL,
// WHEEL_DELTA a notch, to the window that keys go to, with the cursor's
// place on the screen.
void TurnWheel(int notches);
// Keys go to the focus window of the thread that last set the focus (else
// its active window); while Alt is held, or for F10, as system keys.
void PressKey(int virtualKey);
void ReleaseKey(int virtualKey);
// Presses and releases each character's key; TranslateMessage turns the key
// presses into WM_CHAR with the character (bytes of code page 932 one by one).
void TypeText(const char* text);
// Drops the files (platform paths) at the screen point on the window there,
// or on its nearest ancestor that accepts files; false when none accepts.
bool DropFiles(POINT screen, const char* const* files, int count);

}  // namespace test
}  // namespace win

// Hidden utility windows for non-visual components: a window of the
// platform whose messages go to a method of the component, so that the
// component can receive posted messages and notifications.
#pragma once

#include <functional>

#include "platform/Types.h"

// A window message as the framework's message methods receive it; the
// method sets Result, the window procedure's answer.
struct TMessage {
  win::UINT Msg;
  win::WPARAM WParam;
  win::LPARAM LParam;
  win::LRESULT Result;
};

using TWndMethod = std::function<void(TMessage& Message)>;

// Creates a hidden top-level window (class "TPUtilWindow") on the calling
// thread; every message after its creation goes to Method, which answers
// the messages it does not handle with DefWindowProcA. What Method raises
// goes to Application->HandleException when there is an application. Null when the
// platform cannot create the window.
win::HWND AllocateHWnd(TWndMethod Method);
// Destroys such a window; Method is not called again, not even for the
// messages of the destruction itself.
void DeallocateHWnd(win::HWND Wnd);

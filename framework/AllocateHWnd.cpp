#include "framework/AllocateHWnd.h"

#include "framework/Application.h"

#include "platform/Messages.h"
#include "platform/Process.h"
#include "platform/Window.h"

namespace {

constexpr char kUtilWindowClass[] = "TPUtilWindow";

// The window's method lives in its user data from the end of its creation
// until it is deallocated; messages outside that time get the default answer.
// What the method raises stops at the application, so that a message sent
// from another thread never carries an exception back through the platform;
// without an application it goes on to the caller.
win::LRESULT UtilWindowProc(win::HWND wnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  auto* method = reinterpret_cast<TWndMethod*>(win::GetWindowLongPtrA(wnd, win::GWLP_USERDATA));
  if (!method) return win::DefWindowProcA(wnd, msg, wParam, lParam);
  TMessage message{msg, wParam, lParam, 0};
  try {
    (*method)(message);
  } catch (...) {
    if (!Application) throw;
    Application->HandleException(nullptr);
  }
  return message.Result;
}

win::HINSTANCE FrameworkInstance() { return win::detail::ModuleOfAddress(kUtilWindowClass); }

void RegisterUtilWindowClass() {
  [[maybe_unused]] static const bool registered = [] {
    win::WNDCLASSA wc{};
    wc.lpfnWndProc = UtilWindowProc;
    wc.hInstance = FrameworkInstance();
    wc.lpszClassName = kUtilWindowClass;
    return win::RegisterClassA(&wc) != 0;
  }();
}

}  // namespace

win::HWND AllocateHWnd(TWndMethod Method) {
  RegisterUtilWindowClass();
  win::HWND wnd = win::CreateWindowExA(win::WS_EX_TOOLWINDOW, kUtilWindowClass, "", win::WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, FrameworkInstance(), nullptr);
  if (wnd)
    win::SetWindowLongPtrA(wnd, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(new TWndMethod(std::move(Method))));
  return wnd;
}

void DeallocateHWnd(win::HWND Wnd) {
  auto* method = reinterpret_cast<TWndMethod*>(win::GetWindowLongPtrA(Wnd, win::GWLP_USERDATA));
  win::SetWindowLongPtrA(Wnd, win::GWLP_USERDATA, 0);
  win::DestroyWindow(Wnd);
  delete method;
}

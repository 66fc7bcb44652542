#include "player/MainWindow.h"

#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/Window.h"
#include "player/Player.h"
#include "player/PluginLoader.h"

namespace koru {

namespace {

constexpr win::UINT_PTR kTickTimer = 1;

}  // namespace

bool MainWindow::RegisterWindowClass() {
  win::WNDCLASSA wc{};
  if (win::GetClassInfoA(nullptr, kMainWindowClass, &wc)) return true;
  wc.lpfnWndProc = &MainWindow::WindowProc;
  wc.lpszClassName = kMainWindowClass;
  return win::RegisterClassA(&wc) != 0 || win::GetLastError() == win::ERROR_CLASS_ALREADY_EXISTS;
}

MainWindow::~MainWindow() { Destroy(); }

bool MainWindow::Create(win::LONG left, win::LONG top, win::LONG width, win::LONG height, bool visible,
                        win::UINT tickMs) {
  if (!RegisterWindowClass()) return false;
  const win::DWORD style =
      win::WS_OVERLAPPED | win::WS_CAPTION | win::WS_SYSMENU | win::WS_MINIMIZEBOX | (visible ? win::WS_VISIBLE : 0);
  hwnd_ = win::CreateWindowExA(0, kMainWindowClass, "KORU", style, left, top, width, height, nullptr, nullptr, nullptr,
                               this);
  if (!hwnd_) return false;
  win::SetTimer(hwnd_, kTickTimer, tickMs, nullptr);
  return true;
}

void MainWindow::Destroy() {
  if (!hwnd_) return;
  const win::HWND hwnd = hwnd_;
  hwnd_ = nullptr;
  win::KillTimer(hwnd, kTickTimer);
  win::DestroyWindow(hwnd);
}

void MainWindow::RequestUpdate() const {
  if (hwnd_) win::PostMessageA(hwnd_, kApplyWindowState, 0, 0);
}

win::LRESULT MainWindow::WindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  if (message == win::WM_NCCREATE) {
    auto* create = reinterpret_cast<win::CREATESTRUCTA*>(lParam);
    auto* window = static_cast<MainWindow*>(create->lpCreateParams);
    window->hwnd_ = hwnd;
    win::SetWindowLongPtrA(hwnd, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(window));
  }
  auto* self = reinterpret_cast<MainWindow*>(win::GetWindowLongPtrA(hwnd, win::GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) return win::DefWindowProcA(hwnd, message, wParam, lParam);
  return self->OnMessage(message, wParam, lParam);
}

win::LRESULT MainWindow::OnMessage(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  if (message == player_.MessageId()) {
    switch (wParam) {
      case kRequestHello:
        player_.Hello(win::HandleFromId<win::HWND>(static_cast<uint32_t>(lParam)));
        return 1;
      case kRequestToolsChanged:
        player_.ReloadTools();
        return 1;
      default:
        return 0;
    }
  }
  switch (message) {
    case win::WM_TIMER:
      if (wParam == kTickTimer) player_.Tick();
      return 0;
    case kApplyWindowState:
      Refresh();
      return 0;
    case kEndPlugin:
      player_.Plugins().End(win::HandleFromId<win::HMODULE>(static_cast<uint32_t>(wParam)));
      return 0;
    case kCloseLater:
    case win::WM_CLOSE:
      player_.Quit();
      return 0;
    case win::WM_MOVE: {
      win::RECT r{};
      win::GetWindowRect(hwnd_, &r);
      if (!applyingPlace_ && (r.left != player_.Left() || r.top != player_.Top()))
        player_.MoveTo(r.left, r.top, true);
      return 0;
    }
    default:
      return win::DefWindowProcA(hwnd_, message, wParam, lParam);
  }
}

void MainWindow::Refresh() {
  if (!hwnd_) return;
  const win::LONG left = player_.Left();
  const win::LONG top = player_.Top();
  const bool visible = player_.Visible();
  const std::string caption = player_.Caption();
  win::RECT r{};
  win::GetWindowRect(hwnd_, &r);
  if (r.left != left || r.top != top) {
    applyingPlace_ = true;
    win::SetWindowPos(hwnd_, nullptr, left, top, 0, 0, win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    applyingPlace_ = false;
  }
  if ((win::IsWindowVisible(hwnd_) != 0) != visible) win::ShowWindow(hwnd_, visible ? win::SW_SHOWNA : win::SW_HIDE);
  char current[512] = {};
  win::GetWindowTextA(hwnd_, current, sizeof current);
  if (caption != current) win::SetWindowTextA(hwnd_, caption.c_str());
}

}  // namespace koru

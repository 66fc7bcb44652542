#include "framework/Timer.h"

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/SysUtils.h"
#include "platform/Messages.h"

namespace {

constexpr char kWindowClass[] = "TTimerWindow";
constexpr win::UINT_PTR kTimerId = 1;

}  // namespace

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  win::WNDCLASSA wc{};
  wc.lpfnWndProc = &TTimer::WndProc;
  wc.lpszClassName = kWindowClass;
  win::RegisterClassA(&wc);  // fails harmlessly when an earlier timer registered it
  window_ = win::CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, win::HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
  if (!window_) RaiseLastOSError();
  win::SetWindowLongPtrA(window_, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(this));
}

TTimer::~TTimer() {
  // Destroying the window takes its timer and any WM_TIMER still queued.
  win::DestroyWindow(window_);
}

void TTimer::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned Value) {
  if (Value == interval_) return;
  interval_ = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
  onTimer_ = std::move(Value);
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  win::KillTimer(window_, kTimerId);
  if (enabled_ && interval_ != 0 && onTimer_ && !win::SetTimer(window_, kTimerId, interval_, nullptr))
    throw EOutOfResources(SNoTimers);
}

void TTimer::Timer() {
  if (onTimer_) onTimer_(this);
}

win::LRESULT TTimer::WndProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  if (message == win::WM_TIMER) {
    if (auto* timer = reinterpret_cast<TTimer*>(win::GetWindowLongPtrA(hwnd, win::GWLP_USERDATA))) timer->Timer();
    return 0;
  }
  return win::DefWindowProcA(hwnd, message, wParam, lParam);
}

// TTimer: a component that calls OnTimer every Interval milliseconds on the
// thread that made it, through a window timer of a hidden window.
#pragma once

#include "framework/Classes.h"
#include "platform/Types.h"

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  // No timer runs while it is disabled, its Interval is 0 or OnTimer is
  // unassigned; every change starts the interval anew.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned Value);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent Value);

 protected:
  virtual void Timer();

 private:
  static win::LRESULT WndProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
  void UpdateTimer();

  win::HWND window_{};
  bool enabled_ = true;
  unsigned interval_ = 1000;
  TNotifyEvent onTimer_;
};

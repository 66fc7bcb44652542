// Helpers of the control and form tests: the message loop run until the
// queue is empty, the pixels a window shows, and controls that record what
// happens to them.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/Wait.h"

namespace controlstest {

// Handles every message waiting, paint messages included.
inline void Pump() {
  win::MSG msg;
  while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    win::TranslateMessage(&msg);
    win::DispatchMessageA(&msg);
  }
}

// What the screen shows at a client point of the control's window: the
// pixel of its top-level window's surface.
inline TColor PixelAt(TWinControl* control, int x, int y) {
  win::POINT p{x, y};
  win::ClientToScreen(control->Handle(), &p);
  const win::HWND root = win::GetAncestor(control->Handle(), win::GA_ROOT);
  win::RECT r{};
  win::GetWindowRect(root, &r);
  std::lock_guard lock(win::detail::KernelMutex());
  auto surface = win::detail::TopLevelSurfaceLocked(root);
  return surface ? surface->ToColor(surface->Get(p.x - r.left, p.y - r.top)) : 0xFFFFFFFF;
}

inline win::LPARAM At(int x, int y) { return win::MAKELPARAM(static_cast<win::WORD>(x), static_cast<win::WORD>(y)); }

// A borderless form of a known size and colour, shown at (0, 0).
class THostForm : public TForm {
 public:
  explicit THostForm(TComponent* AOwner, int width = 100, int height = 60) : TForm(AOwner) {
    SetBorderStyle(bsNone);
    SetBounds(0, 0, width, height);
    SetColor(clBlue);
  }
};

// A graphic control that fills its whole canvas (and more: the fill runs
// past its bounds, which the parent's clipping must cut) with one colour.
class TFillControl : public TGraphicControl {
 public:
  TFillControl(TComponent* AOwner, TColor fill) : TGraphicControl(AOwner), fill_(fill) {}
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    Canvas()->Brush()->SetColor(fill_);
    Canvas()->FillRect(Rect(-50, -50, Width() + 50, Height() + 50));
  }

 private:
  TColor fill_;
};

}  // namespace controlstest

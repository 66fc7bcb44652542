// Helpers of the standard control tests: where the pixels of one colour lie
// in a window, and a form whose text is drawn in the built-in face (cells
// of 6 by 12 pixels) so that sizes and places are known.
#pragma once

#include <algorithm>
#include <string>

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/tests/ControlsTestSupport.h"
#include "platform/Fonts.h"

namespace stdctrlstest {

// The smallest rectangle holding every pixel of the colour inside Area of
// the control's client area; empty (all zero) when there is none.
inline TRect BoundsOfColor(TWinControl* control, TColor color, const TRect& area) {
  const TColor wanted = ColorToRGB(color);
  TRect found{0, 0, 0, 0};
  bool any = false;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      if (controlstest::PixelAt(control, x, y) != wanted) continue;
      if (!any) found = TRect{x, y, x + 1, y + 1};
      found.left = std::min<int>(found.left, x);
      found.top = std::min<int>(found.top, y);
      found.right = std::max<int>(found.right, x + 1);
      found.bottom = std::max<int>(found.bottom, y + 1);
      any = true;
    }
  return found;
}

// A rectangle as "(left, top, right, bottom)", for comparing in tests.
inline std::string Text(const TRect& rect) {
  return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " + std::to_string(rect.right) +
         ", " + std::to_string(rect.bottom) + ")";
}

inline int CountOfColor(TWinControl* control, TColor color, const TRect& area) {
  const TColor wanted = ColorToRGB(color);
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (controlstest::PixelAt(control, x, y) == wanted) ++count;
  return count;
}

// A white borderless form at (0, 0) whose controls take black text in the
// built-in face, 12 pixels high.
class TTextForm : public controlstest::THostForm {
 public:
  explicit TTextForm(int width = 120, int height = 80) : THostForm(nullptr, width, height) {
    win::test::UseFallbackFontOnly(true);
    SetColor(clWhite);
    Font()->SetHeight(-12);
    Font()->SetColor(clBlack);
  }
};

}  // namespace stdctrlstest

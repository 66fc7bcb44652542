// Helpers of the skinned controls' tests: a skinned host form, bitmaps
// painted from patterns, the ink of a rendered area, and what a painted
// control shows.
#pragma once

#include <string>
#include <vector>

#include "framework/Bitmaps.h"
#include "framework/Forms.h"
#include "framework/Palette.h"
#include "framework/tests/ControlsTestSupport.h"
#include "platform/Window.h"

namespace skintest {

using controlstest::PixelAt;
using controlstest::Pump;

// A borderless form at (0, 0) that, like a skinned window, paints under its
// windowed children (no WS_CLIPCHILDREN), so that transparent children show
// what it draws.
class TSkinForm : public TForm {
 public:
  TSkinForm(int width, int height, TColor color = clBlue) : TForm(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(0, 0, width, height);
    SetColor(color);
  }

 protected:
  void CreateParams(TCreateParams& Params) override {
    TForm::CreateParams(Params);
    Params.Style &= ~(win::WS_CLIPCHILDREN | win::WS_CLIPSIBLINGS);
  }
};

// A bitmap of solid colours side by side, each `width` wide.
inline void PaintStrip(TBitmap* bitmap, const std::vector<TColor>& colors, int width, int height) {
  bitmap->SetSize(width * static_cast<int>(colors.size()), height);
  for (size_t i = 0; i < colors.size(); ++i) {
    bitmap->Canvas()->Brush()->SetColor(colors[i]);
    bitmap->Canvas()->FillRect(Bounds(static_cast<int>(i) * width, 0, width, height));
  }
}

inline void Fill(TBitmap* bitmap, int width, int height, TColor color) { PaintStrip(bitmap, {color}, width, height); }

// The points of `area` whose pixel (as `pixel` reads it) is `color`.
template <class Pixel>
std::vector<TPoint> PointsOf(const TRect& area, TColor color, Pixel&& pixel) {
  std::vector<TPoint> points;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (pixel(x, y) == color) points.push_back(Point(x, y));
  return points;
}

// The bounding box of points; empty when there are none.
inline TRect BoxOf(const std::vector<TPoint>& points) {
  if (points.empty()) return Rect(0, 0, 0, 0);
  TRect box = Rect(points[0].x, points[0].y, points[0].x + 1, points[0].y + 1);
  for (const TPoint& p : points) {
    box.left = std::min(box.left, static_cast<int>(p.x));
    box.top = std::min(box.top, static_cast<int>(p.y));
    box.right = std::max(box.right, static_cast<int>(p.x) + 1);
    box.bottom = std::max(box.bottom, static_cast<int>(p.y) + 1);
  }
  return box;
}

// How often the class stands on the palette page "TOSKA".
inline int PaletteCount(const std::string& className) {
  int count = 0;
  for (const TComponentClass& c : PaletteClasses("TOSKA")) count += c.ClassName == className;
  return count;
}

}  // namespace skintest

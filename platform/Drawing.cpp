#include "platform/Drawing.h"

#include <cstdlib>
#include <vector>

#include "platform/Errors.h"
#include "platform/Raster.h"
#include "platform/SysColors.h"

namespace win {

namespace {

using detail::DeviceContext;

std::shared_ptr<DeviceContext> DCOrFail(HDC dc) {
  auto context = detail::FindDC(dc);
  if (!context) SetLastError(ERROR_INVALID_HANDLE);
  return context;
}

// The colour a brush handle paints with; none for a null brush, false for
// an invalid handle.
bool BrushColor(HBRUSH brush, std::optional<COLORREF>* color) {
  if (detail::IsSysColorBrushValue(brush)) {
    *color = GetSysColor(static_cast<int>(reinterpret_cast<uintptr_t>(brush)) - 1);
    return true;
  }
  auto object = detail::HandleTable::Get<detail::BrushObject>(brush);
  if (!object) return false;
  *color = object->IsNull() ? std::nullopt : std::optional<COLORREF>(object->logBrush.lbColor);
  return true;
}

int FillWithBrush(HDC dc, const RECT* rects, int count, HBRUSH brush) {
  auto context = DCOrFail(dc);
  if (!context) return FALSE;
  std::optional<COLORREF> color;
  if (!rects || !BrushColor(brush, &color)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!color) return TRUE;
  for (int i = 0; i < count; ++i) detail::FillColor(*context, rects[i], *color, detail::RopIndex(PATCOPY));
  return TRUE;
}

// On and off runs of the styled cosmetic pens, in pixels.
std::vector<int> DashPattern(UINT style) {
  switch (style) {
    case PS_DASH:
      return {18, 6};
    case PS_DOT:
      return {3, 3};
    case PS_DASHDOT:
      return {9, 6, 3, 6};
    case PS_DASHDOTDOT:
      return {9, 3, 3, 3, 3, 3};
    default:
      return {};
  }
}

// Draws pen lines through a DC: solid or styled, one pixel or wider.
class PenDrawer {
 public:
  explicit PenDrawer(const DeviceContext& dc)
      : pen_(dc.state.pen.object ? dc.state.pen.object->logPen : LOGPEN{PS_NULL, {1, 0}, 0}),
        rop_(detail::Rop3FromRop2(dc.state.rop2)),
        ink_(dc, pen_.lopnColor, rop_),
        gap_(dc, dc.state.bkColor, rop_),
        opaqueGaps_(dc.state.bkMode == OPAQUE),
        width_(std::max<int>(pen_.lopnWidth.x, 1)),
        dashes_(width_ == 1 ? DashPattern(pen_.lopnStyle) : std::vector<int>{}) {}

  bool IsNull() const { return pen_.lopnStyle == PS_NULL; }

  // Pixels from `from` towards `to`, leaving `to` out.
  void Line(POINT from, POINT to) {
    if (IsNull()) return;
    int dx = to.x - from.x;
    int dy = to.y - from.y;
    int steps = std::max(std::abs(dx), std::abs(dy));
    for (int i = 0; i < steps; ++i) {
      // Nearest pixel to the ideal line, halves rounded away from the start.
      int x = from.x + Along(i, dx, steps);
      int y = from.y + Along(i, dy, steps);
      Plot(x, y, InkAt());
      ++phase_;
    }
  }

 private:
  static int Along(int i, int delta, int steps) {
    int magnitude = (2 * i * std::abs(delta) + steps) / (2 * steps);
    return delta < 0 ? -magnitude : magnitude;
  }

  bool InkAt() const {
    if (dashes_.empty()) return true;
    int period = 0;
    for (int d : dashes_) period += d;
    int at = phase_ % period;
    for (size_t i = 0; i < dashes_.size(); ++i) {
      if (at < dashes_[i]) return i % 2 == 0;
      at -= dashes_[i];
    }
    return true;
  }

  void Plot(int x, int y, bool ink) {
    if (!ink && !opaqueGaps_) return;
    detail::PixelPainter& painter = ink ? ink_ : gap_;
    int first = -(width_ - 1) / 2;
    for (int oy = first; oy < first + width_; ++oy)
      for (int ox = first; ox < first + width_; ++ox) painter.Paint(x + ox, y + oy);
  }

  LOGPEN pen_;
  BYTE rop_;
  detail::PixelPainter ink_;
  detail::PixelPainter gap_;
  bool opaqueGaps_;
  int width_;
  std::vector<int> dashes_;
  int phase_ = 0;
};

}  // namespace

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) { return FillWithBrush(dc, rect, 1, brush); }

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const RECT& r = *rect;
  if (r.right <= r.left || r.bottom <= r.top) return DCOrFail(dc) ? TRUE : FALSE;
  RECT sides[4] = {{r.left, r.top, r.right, r.top + 1},
                   {r.left, r.bottom - 1, r.right, r.bottom},
                   {r.left, r.top, r.left + 1, r.bottom},
                   {r.right - 1, r.top, r.right, r.bottom}};
  return FillWithBrush(dc, sides, 4, brush);
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  auto context = DCOrFail(dc);
  if (!context) return FALSE;
  RECT r = detail::NormalizedRect(left, top, right, bottom);
  if (r.right == r.left || r.bottom == r.top) return TRUE;
  PenDrawer pen(*context);
  const detail::BrushObject* brush = context->state.brush.object.get();
  if (brush && !brush->IsNull()) {
    int inset = pen.IsNull() ? 0 : 1;
    RECT inside{r.left + inset, r.top + inset, r.right - 1, r.bottom - 1};
    detail::FillColor(*context, inside, brush->logBrush.lbColor, detail::Rop3FromRop2(context->state.rop2));
  }
  POINT corners[5] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1},
                      {r.left, r.top}};
  for (int i = 0; i < 4; ++i) pen.Line(corners[i], corners[i + 1]);
  return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous) {
  auto context = DCOrFail(dc);
  if (!context) return FALSE;
  if (previous) *previous = context->state.penPos;
  context->state.penPos = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC dc, LPPOINT position) {
  auto context = DCOrFail(dc);
  if (!context || !position) return FALSE;
  *position = context->state.penPos;
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  auto context = DCOrFail(dc);
  if (!context) return FALSE;
  PenDrawer(*context).Line(context->state.penPos, POINT{x, y});
  context->state.penPos = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  auto context = DCOrFail(dc);
  if (!context) return FALSE;
  if (!points || count < 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  PenDrawer pen(*context);
  for (int i = 0; i + 1 < count; ++i) pen.Line(points[i], points[i + 1]);
  return TRUE;
}

}  // namespace win

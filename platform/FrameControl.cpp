#include "platform/FrameControl.h"

#include "platform/DeviceContext.h"
#include "platform/Errors.h"
#include "platform/Raster.h"
#include "platform/SysColors.h"

namespace win {

namespace {

struct EdgeColors {
  int light;  // top and left
  int dark;   // right and bottom
};

// The colours of one edge by its kind. A soft edge swaps the light colours
// of the outer and inner edges, so a soft raised button has its brightest
// line outside.
EdgeColors ColorsOf(UINT kind, UINT flags) {
  bool outer = kind & BDR_OUTER;
  if (flags & BF_MONO) {
    int color = outer ? COLOR_WINDOWFRAME : COLOR_WINDOW;
    return {color, color};
  }
  if (flags & BF_FLAT) {
    int color = outer ? COLOR_BTNSHADOW : COLOR_BTNFACE;
    return {color, color};
  }
  bool soft = flags & BF_SOFT;
  switch (kind) {
    case BDR_RAISEDOUTER:
      return {soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT, COLOR_3DDKSHADOW};
    case BDR_SUNKENOUTER:
      return {soft ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
    case BDR_RAISEDINNER:
      return {soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
    default:  // BDR_SUNKENINNER
      return {soft ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW, COLOR_3DLIGHT};
  }
}

void Fill(const detail::DeviceContext& dc, const RECT& r, COLORREF color) {
  detail::FillColor(dc, r, color, detail::RopIndex(PATCOPY));
}

// One pixel wide lines along the sides that `flags` names; the rectangle
// shrinks on those sides.
void DrawOneEdge(const detail::DeviceContext& dc, RECT& r, EdgeColors colors, UINT flags) {
  COLORREF light = GetSysColor(colors.light);
  COLORREF dark = GetSysColor(colors.dark);
  if (flags & BF_TOP) Fill(dc, RECT{r.left, r.top, r.right, r.top + 1}, light);
  if (flags & BF_LEFT) Fill(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, light);
  if (flags & BF_BOTTOM) Fill(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, dark);
  if (flags & BF_RIGHT) Fill(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, dark);
  if (flags & BF_TOP) ++r.top;
  if (flags & BF_LEFT) ++r.left;
  if (flags & BF_BOTTOM) --r.bottom;
  if (flags & BF_RIGHT) --r.right;
}

// The face of a latched button: white on every other pixel.
void FillChecked(const detail::DeviceContext& dc, const RECT& r) {
  Fill(dc, r, GetSysColor(COLOR_BTNFACE));
  detail::PixelPainter white(dc, GetSysColor(COLOR_BTNHIGHLIGHT), detail::RopIndex(PATCOPY));
  POINT origin{dc.state.windowOrg.x - dc.state.viewportOrg.x, dc.state.windowOrg.y - dc.state.viewportOrg.y};
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (((x - origin.x) + (y - origin.y)) % 2 == 0) white.Paint(x, y);
}

}  // namespace

BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags) {
  auto context = detail::FindDC(dc);
  if (!context || !rect) {
    SetLastError(context ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  RECT r = *rect;
  for (UINT kind : {edge & BDR_OUTER, edge & BDR_INNER}) {
    if (kind == BDR_RAISEDOUTER || kind == BDR_SUNKENOUTER || kind == BDR_RAISEDINNER || kind == BDR_SUNKENINNER)
      DrawOneEdge(*context, r, ColorsOf(kind, flags), flags);
  }
  if ((flags & BF_MIDDLE) && r.right > r.left && r.bottom > r.top)
    Fill(*context, r, GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

BOOL DrawFrameControl(HDC dc, LPRECT rect, UINT type, UINT state) {
  auto context = detail::FindDC(dc);
  if (!context || !rect) {
    SetLastError(context ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (type != DFC_BUTTON || (state & 0xFF) != DFCS_BUTTONPUSH) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  bool sunken = state & (DFCS_PUSHED | DFCS_CHECKED | DFCS_FLAT);
  UINT flags = BF_RECT | BF_ADJUST | (state & DFCS_FLAT ? BF_FLAT : 0) | (state & DFCS_MONO ? BF_MONO : BF_SOFT);
  RECT inside = *rect;
  DrawEdge(dc, &inside, sunken ? EDGE_SUNKEN : EDGE_RAISED, flags);
  if (inside.right > inside.left && inside.bottom > inside.top) {
    if ((state & DFCS_CHECKED) && !(state & DFCS_PUSHED))
      FillChecked(*context, inside);
    else
      Fill(*context, inside, GetSysColor(COLOR_BTNFACE));
  }
  if (state & DFCS_ADJUSTRECT) *rect = inside;
  return TRUE;
}

}  // namespace win

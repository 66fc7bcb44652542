#include "platform/Gdi.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/Errors.h"
#include "platform/Fonts.h"
#include "platform/Palettes.h"

namespace win {

namespace detail {

int BrushObject::Describe(int size, void* out) const {
  if (!out) return sizeof(LOGBRUSH);
  int n = std::min<int>(size, sizeof(LOGBRUSH));
  std::memcpy(out, &logBrush, n);
  return n;
}

int PenObject::Describe(int size, void* out) const {
  if (!out) return sizeof(LOGPEN);
  int n = std::min<int>(size, sizeof(LOGPEN));
  std::memcpy(out, &logPen, n);
  return n;
}

HBRUSH CreateStockBrush(COLORREF color) {
  auto brush = std::make_shared<BrushObject>(LOGBRUSH{BS_SOLID, color, 0});
  brush->stock = true;
  return AddObject<HBRUSH>(brush);
}

}  // namespace detail

namespace {

using detail::AddObject;

HPEN CreateStockPen(UINT style, COLORREF color) {
  auto pen = std::make_shared<detail::PenObject>(LOGPEN{style, POINT{1, 0}, color});
  pen->stock = true;
  return AddObject<HPEN>(pen);
}

HBRUSH CreateStockNullBrush() {
  auto brush = std::make_shared<detail::BrushObject>(LOGBRUSH{BS_NULL, 0, 0});
  brush->stock = true;
  return AddObject<HBRUSH>(brush);
}

struct StockObjects {
  HGDIOBJ objects[DEFAULT_GUI_FONT + 1] = {};
  StockObjects() {
    objects[WHITE_BRUSH] = detail::CreateStockBrush(RGB(255, 255, 255));
    objects[LTGRAY_BRUSH] = detail::CreateStockBrush(RGB(192, 192, 192));
    objects[GRAY_BRUSH] = detail::CreateStockBrush(RGB(128, 128, 128));
    objects[DKGRAY_BRUSH] = detail::CreateStockBrush(RGB(64, 64, 64));
    objects[BLACK_BRUSH] = detail::CreateStockBrush(RGB(0, 0, 0));
    objects[NULL_BRUSH] = CreateStockNullBrush();
    objects[WHITE_PEN] = CreateStockPen(PS_SOLID, RGB(255, 255, 255));
    objects[BLACK_PEN] = CreateStockPen(PS_SOLID, RGB(0, 0, 0));
    objects[NULL_PEN] = CreateStockPen(PS_NULL, RGB(0, 0, 0));
    for (int font : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT, DEVICE_DEFAULT_FONT,
                     SYSTEM_FIXED_FONT}) {
      objects[font] = detail::SystemFont();
    }
    objects[DEFAULT_PALETTE] = detail::DefaultPalette();
    objects[DEFAULT_GUI_FONT] = detail::DefaultGuiFont();
  }
};

}  // namespace

HGDIOBJ GetStockObject(int index) {
  static StockObjects* stock = new StockObjects;  // lives as long as the handle table
  if (index < 0 || index > DEFAULT_GUI_FONT || !stock->objects[index]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return stock->objects[index];
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush || (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_NULL)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return AddObject<HBRUSH>(std::make_shared<detail::BrushObject>(*brush));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  LOGBRUSH brush{BS_SOLID, color, 0};
  return CreateBrushIndirect(&brush);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // Width 0 and below draws one pixel wide, as the platform's cosmetic pen.
  LOGPEN pen{static_cast<UINT>(style), POINT{std::max(width, 0), 0}, color};
  return AddObject<HPEN>(std::make_shared<detail::PenObject>(pen));
}

BOOL DeleteObject(HGDIOBJ object) {
  auto gdi = detail::HandleTable::Get<detail::GdiObject>(object);
  if (!gdi) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (gdi->stock) return TRUE;
  if (!gdi->CanDelete()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  detail::HandleTable::Remove(HandleId(object));
  return TRUE;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID out) {
  auto gdi = detail::HandleTable::Get<detail::GdiObject>(object);
  if (!gdi) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (out && size <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return gdi->Describe(size, out);
}

}  // namespace win

// The graphics objects of the platform: the common base of every object that
// DeleteObject deletes, the stock objects, brushes and pens. Fonts, device
// contexts, bitmaps, palettes and regions have units of their own.
#pragma once

#include <memory>

#include "platform/Handles.h"
#include "platform/Types.h"

namespace win {

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr UINT GDI_ERROR = 0xFFFFFFFF;

// Colour references that name an entry of the device context's palette.
constexpr COLORREF PALETTEINDEX(WORD index) { return 0x01000000 | index; }
constexpr COLORREF PALETTERGB(BYTE r, BYTE g, BYTE b) { return 0x02000000 | RGB(r, g, b); }

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int DEFAULT_PALETTE = 15;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;

// Object types of GetCurrentObject.
constexpr UINT OBJ_PEN = 1;
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_PAL = 5;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;

// Brush styles.
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;

// Pen styles.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;

struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  UINT_PTR lbHatch;
};

struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;  // only x counts
  COLORREF lopnColor;
};

// The stock fonts other than DEFAULT_GUI_FONT all answer the system font,
// the nearest of the two faces the platform keeps.
HGDIOBJ GetStockObject(int index);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HPEN CreatePen(int style, int width, COLORREF color);
// Deletes a brush, pen, font, bitmap, palette or region. Stock objects stay
// (the call still succeeds); a bitmap selected into a device context is
// refused. Other objects selected into a device context live on until it lets
// them go, but their handle is gone at once.
BOOL DeleteObject(HGDIOBJ object);
// Copies the object's description (BITMAP or DIBSECTION, LOGBRUSH, LOGPEN,
// the palette's entry count as a WORD) into `out`; with `out` null, answers
// the size needed. 0 on failure.
int GetObjectA(HGDIOBJ object, int size, LPVOID out);

namespace detail {

// Every object that DeleteObject deletes.
class GdiObject : public HandleObject {
 public:
  bool stock = false;
  // Copies the object's description for GetObjectA; answers the bytes
  // written, or the bytes needed when `out` is null; 0 when it cannot.
  virtual int Describe(int size, void* out) const { return 0; }
  // False while the object may not be deleted (a bitmap in a DC).
  virtual bool CanDelete() const { return true; }
};

class BrushObject : public GdiObject {
 public:
  explicit BrushObject(const LOGBRUSH& b) : logBrush(b) {}
  HandleKind Kind() const override { return HandleKind::Brush; }
  int Describe(int size, void* out) const override;
  bool IsNull() const { return logBrush.lbStyle == BS_NULL; }
  LOGBRUSH logBrush;
};

class PenObject : public GdiObject {
 public:
  explicit PenObject(const LOGPEN& p) : logPen(p) {}
  HandleKind Kind() const override { return HandleKind::Pen; }
  int Describe(int size, void* out) const override;
  bool IsNull() const { return logPen.lopnStyle == PS_NULL; }
  LOGPEN logPen;
};

// Puts a new object into the handle table and answers its handle.
template <class H>
H AddObject(std::shared_ptr<GdiObject> object) {
  return HandleFromId<H>(HandleTable::Insert(std::move(object)));
}

// An object and the handle it was found by, as a device context holds what
// is selected into it.
template <class T>
struct Held {
  uint32_t id = 0;
  std::shared_ptr<T> object;
  template <class H>
  H Handle() const {
    return HandleFromId<H>(id);
  }
};

template <class T>
Held<T> Hold(const void* handle) {
  return Held<T>{HandleId(handle), HandleTable::Get<T>(handle)};
}

// A brush that DeleteObject leaves alone (stock and system-colour brushes).
HBRUSH CreateStockBrush(COLORREF color);

}  // namespace detail
}  // namespace win

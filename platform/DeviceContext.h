// Device contexts: the drawing state (selected objects, colours, modes,
// origins, clip region) and the surface a DC draws on. A memory DC draws on
// the bitmap selected into it; a view DC (a window's or the screen's) draws
// on a surface that its owner supplies afresh for every drawing call, with
// the device origin and the visible part that the owner decides.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/Bitmaps.h"
#include "platform/Fonts.h"
#include "platform/Gdi.h"
#include "platform/Palettes.h"
#include "platform/Regions.h"
#include "platform/Surface.h"

namespace win {

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Mixes of pen and brush with the destination (ROP2).
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

// Stretch modes.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
constexpr int STRETCH_ANDSCANS = BLACKONWHITE;
constexpr int STRETCH_ORSCANS = WHITEONBLACK;
constexpr int STRETCH_DELETESCANS = COLORONCOLOR;
constexpr int STRETCH_HALFTONE = HALFTONE;

// Device capabilities.
constexpr int TECHNOLOGY = 2;
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int NUMRESERVED = 106;
constexpr int COLORRES = 108;
constexpr int DESKTOPVERTRES = 117;
constexpr int DESKTOPHORZRES = 118;
constexpr int DT_RASDISPLAY = 1;
constexpr int RC_BITBLT = 0x1;
constexpr int RC_BITMAP64 = 0x8;
constexpr int RC_GDI20_OUTPUT = 0x10;
constexpr int RC_DI_BITMAP = 0x80;
constexpr int RC_PALETTE = 0x100;
constexpr int RC_DIBTODEV = 0x200;
constexpr int RC_BIGFONT = 0x400;
constexpr int RC_STRETCHBLT = 0x800;
constexpr int RC_FLOODFILL = 0x1000;
constexpr int RC_STRETCHDIB = 0x2000;

// A memory DC compatible with the display (dc null) or with `dc`; it starts
// with the stock 1 by 1 monochrome bitmap selected.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// Selects a brush, pen, font, bitmap (memory DCs only; one DC at a time) or a
// clip region (answering its complexity as the handle value); answers the
// object it replaces, null on failure.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);

COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);

// Logical coordinates map to device ones as device = logical - window
// origin + viewport origin (the text mapping mode).
BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous);
BOOL GetViewportOrgEx(HDC dc, LPPOINT origin);
BOOL SetWindowOrgEx(HDC dc, int x, int y, LPPOINT previous);
BOOL GetWindowOrgEx(HDC dc, LPPOINT origin);

// Answers the new save level (from 1), 0 on failure.
int SaveDC(HDC dc);
// A negative level counts back from the last save; a positive one names it.
BOOL RestoreDC(HDC dc, int level);

// The clip region is in device coordinates; SelectClipRgn copies it (null
// removes it). The rectangle calls take logical coordinates. Each answers
// the complexity of the part of the surface the DC may now draw on.
int SelectClipRgn(HDC dc, HRGN region);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
// The bounds of the drawable part, in logical coordinates.
int GetClipBox(HDC dc, LPRECT box);
// Whether any part of the logical rectangle lies in the DC's clipping region.
BOOL RectVisible(HDC dc, const RECT* rect);

// The display: 32 bits per pixel, true colour, 96 dots per inch.
int GetDeviceCaps(HDC dc, int index);

namespace detail {

// What a view DC draws on, as its owner sees it now.
struct DcView {
  std::shared_ptr<Surface> surface;
  POINT origin{0, 0};            // surface position of device point (0, 0)
  std::optional<Region> visible;  // device coordinates; none: the whole surface
};

class DcViewSource {
 public:
  virtual ~DcViewSource() = default;
  virtual DcView CurrentView() = 0;
};

// A DC on a surface that `source` supplies (a window's client area, a
// window with its frame, the screen). No bitmap can be selected into it.
HDC CreateViewDC(std::shared_ptr<DcViewSource> source);

struct DcState {
  Held<BrushObject> brush;
  Held<PenObject> pen;
  Held<LogicalFontObject> font;
  Held<PaletteObject> palette;
  Held<BitmapObject> bitmap;  // memory DCs only
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int stretchMode = BLACKONWHITE;
  UINT textAlign = 0;  // TA_TOP | TA_LEFT | TA_NOUPDATECP
  POINT viewportOrg{0, 0};
  POINT windowOrg{0, 0};
  POINT penPos{0, 0};
  std::optional<Region> clip;  // device coordinates
};

class DeviceContext : public HandleObject {
 public:
  HandleKind Kind() const override { return HandleKind::DeviceContext; }
  bool IsMemory() const { return !viewSource; }
  DcView CurrentView() const;

  uint32_t id = 0;
  DcState state;
  std::vector<DcState> saved;
  std::shared_ptr<DcViewSource> viewSource;
};

std::shared_ptr<DeviceContext> FindDC(HDC dc);

// Where a drawing call on a DC lands: the surface, the shift from logical to
// surface coordinates, and the pixels it may touch in surface coordinates.
struct DcTarget {
  std::shared_ptr<Surface> surface;  // null when there is nothing to draw on
  POINT offset{0, 0};
  Region clip;
  POINT ToSurface(int x, int y) const { return POINT{x + offset.x, y + offset.y}; }
  RECT ToSurface(const RECT& r) const {
    return RECT{r.left + offset.x, r.top + offset.y, r.right + offset.x, r.bottom + offset.y};
  }
};
DcTarget ResolveTarget(const DeviceContext& dc);

// A colour reference as the RGB it stands for in this DC (palette indices
// through the selected palette).
COLORREF ResolveColor(const DeviceContext& dc, COLORREF color);

}  // namespace detail
}  // namespace win

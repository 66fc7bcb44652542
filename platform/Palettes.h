// Logical palettes and the system palette. The display is a true-colour one
// (no RC_PALETTE), so palettes serve colour tables of DIBs given as palette
// indices (DIB_PAL_COLORS) and PALETTEINDEX colours; realizing changes
// nothing on the screen.
#pragma once

#include <vector>

#include "platform/Gdi.h"

namespace win {

struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};

// Variable length: palNumEntries entries follow in place of palPalEntry.
struct LOGPALETTE {
  WORD palVersion;  // 0x300
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};

HPALETTE CreatePalette(const LOGPALETTE* palette);
// Copies `count` entries from `start`; with `entries` null, answers the
// number of entries of the palette.
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
// The 256 entries of the system palette: the 20 static colours in entries
// 0-9 and 246-255, the free entries between them black.
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);

namespace detail {

class PaletteObject : public GdiObject {
 public:
  HandleKind Kind() const override { return HandleKind::Palette; }
  int Describe(int size, void* out) const override;
  std::vector<PALETTEENTRY> entries;
};

// The stock palette of the 20 static colours, selected into every new DC.
HPALETTE DefaultPalette();
// The system palette's 256 colours.
const std::vector<COLORREF>& SystemPaletteColors();

inline COLORREF EntryColor(const PALETTEENTRY& e) { return RGB(e.peRed, e.peGreen, e.peBlue); }

}  // namespace detail
}  // namespace win
